#include "monitor/services/program_library.hpp"

#include <dlfcn.h>
#include <setjmp.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/resources.hpp"

namespace ravnmor::services {

namespace {

// ---- The guard: one frame per library program running in the task ----

// Why a frame's sigsetjmp returned.
enum Return : int {
  kEntered = 0,
  kLeft = 1,     // the program ended by a command: RETURN, XCTL, ABEND
  kFailed = 2,   // a command failed with an exception: `pending` holds it
  kFaulted = 3,  // a signal: `fault_signal` says which
};

struct Frame {
  sigjmp_buf jump;
  Frame* outer;
};

Frame* innermost = nullptr;
std::exception_ptr pending;
volatile sig_atomic_t fault_signal = 0;

// Room for the handler to run on when the program has used up its stack.
constexpr std::size_t kHandlerStackSize = 64 * 1024;

constexpr std::array kFaultSignals = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
struct sigaction previous_actions[std::size(kFaultSignals)];

// A fault outside every frame is not a program's: the action that was there
// before takes it (the default ends the process, a sanitizer reports it).
void give_back(int signal) {
  for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
    if (kFaultSignals[i] == signal) sigaction(signal, &previous_actions[i], nullptr);
  }
}

void on_fault(int signal, siginfo_t* info, void*) {
  if (innermost == nullptr) {
    give_back(signal);
    // A fault comes again when the instruction is retried; a signal that was
    // sent is sent again.
    if (info == nullptr || info->si_code <= 0) raise(signal);
    return;
  }
  fault_signal = signal;
  siglongjmp(innermost->jump, kFaulted);
}

// The signal handlers, on a stack of their own so that a program that ran
// out of stack is caught too. Installed once per process, at the first run
// of a library program.
void install_guard() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  static std::vector<char> alternate(std::max<std::size_t>(SIGSTKSZ, kHandlerStackSize));
  stack_t stack{};
  stack.ss_sp = alternate.data();
  stack.ss_size = alternate.size();
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_sigaction = on_fault;
  // SA_NODEFER: the signal is not blocked while the handler runs, so the
  // jump out of it leaves the mask as it was and the frames need not save it
  // (saving costs a system call per program run).
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < kFaultSignals.size(); ++i) {
    sigaction(kFaultSignals[i], &action, &previous_actions[i]);
  }
}

std::string fault_text(int signal) {
  const char* name = sigabbrev_np(signal);
  return std::string("SIG") + (name != nullptr ? name : "?") + " (" + strsignal(signal) + ")";
}

// Calls `entry` inside a frame. Returns when the program returned or ended by
// a command; throws what ended it otherwise.
void run_guarded(LibraryEntry entry, void* eib, void* commarea) {
  Frame frame{};
  frame.outer = innermost;
  innermost = &frame;
  const int why = sigsetjmp(frame.jump, 0);
  if (why == kEntered) entry(eib, commarea);
  innermost = frame.outer;
  if (why == kFailed) std::rethrow_exception(std::exchange(pending, nullptr));
  if (why == kFaulted) {
    const int signal = fault_signal;
    // The fault may have cut a call into the region short.
    if (store::Store* store = region_store()) store->abandon_call();
    throw region::AbnormalEnd(signal == SIGABRT ? kProgramAbort : kProgramCheck,
                              fault_text(signal));
  }
}

std::int64_t latest_copy(const std::string& program) {
  return resource_status({kProgramKind, program, kCopyStatus}, 0);
}

}  // namespace

// ---- Libraries: one load per file and process, shared by its programs ----

// The dynamic loader knows a loaded file by its name: a second dlopen of the
// name while the file is loaded gives the old code back. So each library is
// loaded once for all its programs, and loaded again only when none of them
// is running (the old code must not be unmapped under a program).
struct LoadedLibrary {
  void* handle = nullptr;
  int generation = 0;  // counts the loads: a program whose entry is older looks it up again
  int running = 0;     // programs of the library running in the task
};

namespace {

LoadedLibrary& loaded_library(const std::filesystem::path& path) {
  static std::map<std::filesystem::path, LoadedLibrary> libraries;
  return libraries[path];
}

}  // namespace

LibraryProgram::LibraryProgram(std::string program, std::filesystem::path library,
                               std::string entry)
    : program_(std::move(program)),
      library_(std::move(library)),
      entry_name_(std::move(entry)),
      library_load_(&loaded_library(library_)) {}

bool LibraryProgram::load() {
  LoadedLibrary& library = *library_load_;
  const std::int64_t copy = latest_copy(program_);
  const bool refreshed = copy != copy_;
  if (library.handle != nullptr && refreshed && library.running == 0) {
    dlclose(library.handle);
    library.handle = nullptr;
  }
  if (library.handle == nullptr) {
    library.handle = dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr) {
      region::log_error("program " + program_ + " cannot be loaded: " + dlerror());
      return false;
    }
    ++library.generation;
    copy_ = copy;
    region::trace_line("library " + library_.string() + " loaded for program " + program_ +
                       ", copy " + std::to_string(copy));
  }
  if (entry_generation_ != library.generation) {
    entry_ = reinterpret_cast<LibraryEntry>(dlsym(library.handle, entry_name_.c_str()));
    entry_generation_ = library.generation;
  }
  if (entry_ == nullptr) {
    region::log_error("program " + program_ + ": " + library_.string() + " has no entry " +
                      entry_name_);
    return false;
  }
  return true;
}

void LibraryProgram::run() {
  if (!load()) throw std::runtime_error("its library cannot be loaded");
  install_guard();
  control::Task* task = control::current_task();
  void* commarea = task != nullptr && task->commarea_length > 0 ? task->commarea : nullptr;
  LoadedLibrary& library = *library_load_;
  ++library.running;
  try {
    run_guarded(entry_, control::task_blocks().eib, commarea);
  } catch (...) {
    --library.running;
    throw;
  }
  --library.running;
}

void add_library_program(const std::string& program, const std::filesystem::path& library,
                         const std::string& entry) {
  auto loaded = std::make_shared<LibraryProgram>(program, library, entry);
  region::program_table().add_program(
      program, [loaded] { loaded->run(); }, [loaded] { return loaded->load(); });
}

void leave_library_program(std::exception_ptr failure) {
  if (innermost == nullptr) {
    if (failure) std::rethrow_exception(failure);
    return;
  }
  pending = std::move(failure);
  siglongjmp(innermost->jump, pending ? kFailed : kLeft);
}

}  // namespace ravnmor::services
