// Programs of the region's users: functions in shared libraries, built from C
// or C++ with `ravnmor build` and named in region.toml by library and entry.
//
// A session process loads a library (dlopen) the first time one of its
// programs runs, and again when `ravnmor program refresh` has asked for a new
// copy: each program has a copy number in the store's status table, and a
// process whose loaded copy is older reloads before the next run.
//
// A program runs under a guard. Its faults (SIGSEGV, SIGBUS, SIGILL, SIGFPE)
// and its abort (SIGABRT) come back to the guard, which ends the task
// abnormally: abend kProgramCheck or kProgramAbort, its unit of work backed
// out like any abended task's. RETURN, XCTL and ABEND leave the
// program's function at once through the same guard.
#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace ravnmor::services {

inline constexpr std::string_view kProgramKind = "PROGRAM";
inline constexpr std::string_view kCopyStatus = "COPY";  // raised by each refresh

// Abend codes of a program that faulted or aborted.
inline constexpr const char* kProgramCheck = "APCK";
inline constexpr const char* kProgramAbort = "AABT";

// The entry function of a program: the task's EIB and its COMMAREA.
using LibraryEntry = void (*)(void* eib, void* commarea);

struct LoadedLibrary;

class LibraryProgram {
 public:
  LibraryProgram(std::string program, std::filesystem::path library, std::string entry);

  // Loads the library, or loads it again when the program's loaded copy is
  // not the latest and no program of the library is running; false, with the
  // reason in the error log, when it cannot.
  bool load();
  // Runs the program for the running task (its program table entry).
  void run();

 private:
  std::string program_;
  std::filesystem::path library_;
  std::string entry_name_;
  LoadedLibrary* library_load_;  // the process's load of the library, shared by its programs
  LibraryEntry entry_ = nullptr;
  int entry_generation_ = 0;  // the load of the library that entry_ was found in
  std::int64_t copy_ = 0;     // the program's copy number when its library was loaded
};

// Puts program `program` of `library` (its function `entry`) into the
// program table; the library is loaded when the program first runs.
void add_library_program(const std::string& program, const std::filesystem::path& library,
                         const std::string& entry);

// For the EXEC interface of library programs: leaves the running program's
// entry function, which has ended (RETURN, XCTL, ABEND); a `failure`
// ends its level with that exception instead. When no library program is
// running it returns, or throws `failure`.
void leave_library_program(std::exception_ptr failure);

}  // namespace ravnmor::services
