// HANDLE CONDITION, IGNORE CONDITION, HANDLE AID, HANDLE ABEND, PUSH HANDLE
// and POP HANDLE: the task's handle state. The conditions and keys come as
// codes at descriptor positions 3 onward, one a position; the region records
// them (programs here test EIBRESP, so a label is never jumped to). HANDLE
// ABEND PROGRAM names an exit that an ABEND of the task runs, one level down,
// instead of the abend (ABEND CANCEL bypasses it); CANCEL puts the exit aside
// and RESET brings it back. PUSH HANDLE saves the whole state and starts
// afresh; POP HANDLE brings the saved state back, INVREQ when nothing was
// pushed.
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

constexpr int kFirstEntry = 3;
constexpr int kLastEntry = 18;  // sixteen conditions or keys to a command

constexpr Option kExitProgram{"PROGRAM",      'P', 3, 2, Arg::kChars, region::kMaxProgramName,
                              Names::resource};
constexpr Option kExitLabel{"LABEL", 'L', 3, 0, Arg::kUnread};
constexpr Option kExitCancel{"CANCEL", 'C', 3};
constexpr Option kExitReset{"RESET", 'R', 3};
constexpr Option kHandleAbendOptions[] = {kExitProgram, kExitLabel, kExitCancel, kExitReset};

constexpr std::int32_t kNothingPushed = 1;      // EIBRESP2 of POP HANDLE's INVREQ
constexpr std::int32_t kProgramNotDefined = 1;  // EIBRESP2 of PGMIDERR

// Records every code of the descriptor's list in `recorded`.
Response record_codes(const Command& command, std::map<char, bool>& recorded, bool labelled) {
  for (int position = kFirstEntry; position <= kLastEntry && command.has_flag(position);
       ++position) {
    recorded[command.flag(position)] = labelled;
  }
  return {};
}

Response handle_condition(const Command& command) {
  return record_codes(command, command.task().handles.conditions, true);
}

Response ignore_condition(const Command& command) {
  return record_codes(command, command.task().handles.conditions, false);
}

Response handle_aid(const Command& command) {
  return record_codes(command, command.task().handles.keys, true);
}

Response handle_abend(const Command& command) {
  control::Handles& handles = command.task().handles;
  if (command.given(kExitProgram)) {
    std::string program =
        region::table_name(command.area(kExitProgram).text(region::kMaxProgramName));
    if (region::program_table().find_program(program) == nullptr) {
      return {kPgmiderr, kProgramNotDefined};
    }
    handles.abend_exit = program;
  } else if (command.given(kExitLabel)) {
    handles.abend_exit.reset();  // the program takes its abends itself
  } else if (command.given(kExitCancel)) {
    handles.cancelled_exit = handles.abend_exit;
    handles.abend_exit.reset();
  } else if (command.given(kExitReset)) {
    handles.abend_exit = handles.cancelled_exit;
  }
  return {};
}

Response push_handle(const Command& command) {
  control::Task& task = command.task();
  task.pushed_handles.push_back(task.handles);
  task.handles = {};
  return {};
}

Response pop_handle(const Command& command) {
  control::Task& task = command.task();
  if (task.pushed_handles.empty()) return {kInvreq, kNothingPushed};
  task.handles = task.pushed_handles.back();
  task.pushed_handles.pop_back();
  return {};
}

// The conditions and keys are lists rather than options: no layout rows.
constexpr CommandRow kCommands[] = {
    {0x0204, "HANDLE CONDITION", handle_condition, {}},
    {0x0206, "HANDLE AID", handle_aid, {}},
    {0x020A, "IGNORE CONDITION", ignore_condition, {}},
    {0x020C, "PUSH HANDLE", push_handle, {}},
    {0x020E, "POP HANDLE", pop_handle, {}},
    {0x0E0E, "HANDLE ABEND", handle_abend, kHandleAbendOptions},
};

}  // namespace

std::span<const CommandRow> handle_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
