// The transaction runner: runs one task at a terminal from its start to its
// end. It sets up the task's blocks and EIB from the input that started it,
// calls the entry function of the transaction's program, runs the program
// that a transfer of control (XCTL) names when an entry function returns, and
// ends the task when a program returns without one. The TN3270 session and
// the tests both run transactions through it.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "monitor/control/task.hpp"

namespace ravnmor::terminal {
class Terminal;
}

namespace ravnmor::region {

struct TaskStart {
  std::string transaction;             // 1-4 characters, any case
  std::string terminal_id = "T001";    // up to 4 characters: EIBTRMID
  std::int32_t terminal_number = 1;    // host::xtermnum
  std::vector<std::uint8_t> input;     // the inbound record that started the task (may be empty)
  std::vector<std::uint8_t> commarea;  // data passed by the previous task's RETURN COMMAREA
  std::optional<control::StartData> started;  // what START gave the task it started
};

enum class TaskEnd {
  returned,        // the program issued RETURN
  program_ended,   // the program's entry function returned without RETURN
  no_transaction,  // the transaction is not in the program table
  no_program,      // its program (or an XCTL target) is not in the program table
  abended,         // the program issued ABEND CANCEL
  failed,          // a program threw; the error log has the reason
};

// Thrown out of a program to end its task abnormally with `code`, as ABEND
// CANCEL would (a program that faulted); what() says why.
struct AbnormalEnd : std::runtime_error {
  AbnormalEnd(std::string abend_code, const std::string& reason)
      : std::runtime_error(reason), code(std::move(abend_code)) {}
  std::string code;
};

// Told when a task starts (`running`) and when it ends, for the region's
// table of what runs where.
using TaskWatcher = void (*)(const control::Task& task, bool running);
void set_task_watcher(TaskWatcher watcher);

struct TaskOutcome {
  TaskEnd end = TaskEnd::program_ended;
  std::uint32_t task_number = 0;
  std::vector<std::string> programs;            // the programs run, in order
  bool terminal_lost = false;                   // a send or receive failed during the task
  std::optional<std::string> next_transaction;  // RETURN TRANSID
  std::vector<std::uint8_t> next_commarea;      // RETURN COMMAREA
  bool next_immediate = false;                  // RETURN IMMEDIATE: no input awaited
  std::string abend_code;                       // ABEND CANCEL's ABCODE, blank-padded
};

// Runs `first` and then each program that an XCTL names, until one ends
// without a transfer (RETURN, ABEND CANCEL, or its entry function returns).
// The names run are appended to `ran`. Returns the name of a program that is
// not in the program table or cannot be loaded, empty when every one ran.
// LINK runs its target this way, one level below the linking program.
std::string run_program_level(control::Task& task, const std::string& first,
                              std::vector<std::string>& ran);

// Runs a task at `terminal`, or without one (nullptr: a started task whose
// START named no TERMID; its EIBTRMID is blank and terminal commands answer
// as for a task without a terminal).
TaskOutcome run_transaction(terminal::Terminal* terminal, const TaskStart& start);
inline TaskOutcome run_transaction(terminal::Terminal& terminal, const TaskStart& start) {
  return run_transaction(&terminal, start);
}

// The first word of an inbound record's first field, in upper case: the
// transaction it asks for (empty when the field is blank).
std::string transaction_of(const std::vector<std::uint8_t>& input);

}  // namespace ravnmor::region
