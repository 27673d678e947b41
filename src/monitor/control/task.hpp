// The task that is running in this session: which transaction and program,
// its terminal, and what the program has asked of the monitor that is acted
// on when its entry function returns (RETURN, a transfer of control).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ravnmor::terminal {
class Terminal;
}

namespace ravnmor::control {

// A transfer of control (XCTL): the program to run next and the data passed to it.
struct Transfer {
  std::string program;
  std::vector<std::uint8_t> commarea;
};

// What HANDLE CONDITION, IGNORE CONDITION, HANDLE AID and HANDLE ABEND have
// recorded: the condition and key codes of the descriptor with whether a
// label was named (a label is never jumped to: programs here test the
// response), and the abend exit.
struct Handles {
  std::map<char, bool> conditions;            // code -> true handled with a label, false ignored
  std::map<char, bool> keys;                  // key code -> true with a label
  std::optional<std::string> abend_exit;      // HANDLE ABEND PROGRAM, while not cancelled
  std::optional<std::string> cancelled_exit;  // HANDLE ABEND CANCEL: what RESET restores
};

// What START gave the task it started; RETRIEVE hands it over once.
struct StartData {
  std::string request;  // REQID
  std::vector<std::uint8_t> data;
  std::string rtransid;  // 4 characters, blank when START gave none
  std::string rtermid;   // 4 characters, likewise
  std::string queue;     // 8 characters, likewise
};

struct Task {
  terminal::Terminal* terminal = nullptr;
  std::string transaction;  // as started, up to 4 characters
  std::string program;      // the program running now
  std::string terminal_id;  // up to 4 characters
  std::int32_t terminal_number = 0;
  std::uint32_t number = 0;           // task number, counted per session from 1
  std::size_t input_length = 0;       // bytes of the last inbound record in the input block
  bool input_unreceived = false;      // the last input started the task and no RECEIVE took it yet
  bool terminal_lost = false;         // a send or receive failed: the user is gone
  bool returned = false;              // the program issued RETURN
  bool interpreter_returned = false;  // an interpreter executed RETURN: it ends nothing
  std::optional<std::string> next_transaction;  // RETURN TRANSID: started by the next input
  std::vector<std::uint8_t> next_commarea;      // RETURN COMMAREA: passed to that transaction
  bool next_immediate = false;                  // RETURN IMMEDIATE: started without input
  std::optional<StartData> started;             // set when START started the task
  bool retrieved = false;                       // RETRIEVE has handed `started` over
  bool went_back = false;                       // the program issued its go-back call
  std::optional<Transfer> transfer;             // set by a successful XCTL

  // The running program's COMMAREA: the linking program's own storage under
  // LINK, else `passed_commarea` (what RETURN or XCTL handed over). EIBCALEN
  // is its length.
  std::uint8_t* commarea = nullptr;
  std::int16_t commarea_length = 0;
  std::vector<std::uint8_t> passed_commarea;
  std::vector<std::string>
      linking_programs;  // the programs waiting for a LINK to return, outermost first

  std::string abend_code;     // the last ABEND's ABCODE, blank-padded; empty before one
  std::string abend_program;  // the program that issued it
  bool abended = false;       // ABEND CANCEL: the program's level has ended abnormally

  Handles handles;
  std::vector<Handles> pushed_handles;  // PUSH HANDLE saves, POP HANDLE restores

  bool cwa_in_use = false;  // the CWA was loaded from the store for this task
  // Run by the runner when the task ends, told whether it ended normally
  // (RETURN or its program's end, its terminal still there).
  std::vector<std::function<void(bool normally)>> at_end;
  // When the task began: of two tasks in a deadlock the younger gives way.
  std::chrono::system_clock::time_point began = std::chrono::system_clock::now();
};

// Whether the running program may no longer call the monitor: it has issued
// RETURN or ended by ABEND CANCEL.
inline bool program_ended(const Task& task) {
  return task.returned || task.abended;
}

// Makes `data` (`length` bytes, nullptr when none) the running program's
// COMMAREA and sets EIBCALEN.
void set_commarea(Task& task, std::uint8_t* data, std::int16_t length);

// Hands the task's next program a copy of `data` as its COMMAREA.
void pass_commarea(Task& task, std::vector<std::uint8_t> data);

// The running task, nullptr between tasks. The runner sets it.
Task* current_task();
void set_current_task(Task* task);

}  // namespace ravnmor::control
