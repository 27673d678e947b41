// The calls that programs built with `ravnmor build` make into the region,
// with C linkage (ravnmor.h declares them). The ravnmor command exports
// exactly these symbols to the libraries it loads (see its link options).
#include <algorithm>
#include <exception>
#include <span>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/program_library.hpp"

namespace {

// Runs one command; what it threw (a LINKed program that faulted, a failure)
// is handed back instead of crossing the program's own frames.
std::exception_ptr run_command(const char* descriptor, void* const* arguments, int count) {
  const auto passed = static_cast<std::size_t>(std::clamp(count, 0, int{host::kMaxExecArgs}));
  try {
    host::oxdfhei1(descriptor,
                   std::span<void* const>(arguments, arguments == nullptr ? 0 : passed));
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

bool program_left(const ravnmor::control::Task* task) {
  return task != nullptr && (ravnmor::control::program_ended(*task) || task->transfer);
}

}  // namespace

extern "C" {

void ravnmor_exec(const char* descriptor, void* const* arguments, int count) {
  std::exception_ptr failure = run_command(descriptor, arguments, count);
  if (failure || program_left(ravnmor::control::current_task())) {
    ravnmor::services::leave_library_program(std::move(failure));
  }
}

void* ravnmor_eib() {
  return ravnmor::control::task_blocks().eib;
}

void* ravnmor_twa() {
  return ravnmor::control::task_blocks().twa;
}

}  // extern "C"
