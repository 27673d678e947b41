// The task that is running in this session: which transaction and program,
// its terminal, and what the program has asked of the monitor that is acted
// on when its entry function returns (RETURN, a transfer of control).
#pragma once

#include <cstddef>
#include <cstdint>
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

struct Task {
  terminal::Terminal* terminal = nullptr;
  std::string transaction;  // as started, up to 4 characters
  std::string program;      // the program running now
  std::string terminal_id;  // up to 4 characters
  std::int32_t terminal_number = 0;
  std::uint32_t number = 0;      // task number, counted per session from 1
  std::size_t input_length = 0;  // bytes of the last inbound record in the input block
  bool terminal_lost = false;    // a send or receive failed: the user is gone
  bool returned = false;         // the program issued RETURN
  std::optional<std::string> next_transaction;  // RETURN TRANSID: started by the next input
  std::vector<std::uint8_t> next_commarea;      // RETURN COMMAREA: passed to that transaction
  bool went_back = false;                       // the program issued its go-back call
  std::optional<Transfer> transfer;             // set by a successful XCTL
};

// The running task, nullptr between tasks. The runner sets it.
Task* current_task();
void set_current_task(Task* task);

}  // namespace ravnmor::control
