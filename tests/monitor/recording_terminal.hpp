// A terminal for the monitor's own tests: it keeps every outbound record and
// answers receives from a queue of inbound records (image form); an empty
// queue means the user has hung up, after which sends fail too. Its screen
// model follows the records both ways.
#pragma once

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/terminal/screen.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::testing {

using Record = std::vector<std::uint8_t>;

inline Record record_of(std::string_view text) {
  return Record(text.begin(), text.end());
}

class RecordingTerminal : public terminal::Terminal {
 public:
  bool send(std::span<const std::uint8_t> record) override {
    if (hung_up) return false;
    sent.emplace_back(record.begin(), record.end());
    model.apply_outbound(record);
    return true;
  }

  bool receive(std::vector<std::uint8_t>& record) override {
    if (inputs.empty()) {
      hung_up = true;
      return false;
    }
    record = inputs.front();
    inputs.pop_front();
    model.apply_inbound(record);
    return true;
  }

  terminal::Screen& screen() override { return model; }

  std::deque<Record> inputs;
  std::vector<Record> sent;
  bool hung_up = false;
  terminal::Screen model;
};

// Task TEST running at terminal T001 (number 1) on a RecordingTerminal, for
// tests that call the monitor's operations without a program.
struct TaskAtTerminal {
  TaskAtTerminal() {
    task.terminal = &terminal;
    task.terminal_id = "T001";
    task.terminal_number = 1;
    task.transaction = "TEST";
    control::prepare_task_blocks(false, 1);
    control::set_current_task(&task);
    // The names the runner puts in the EIB when it starts a task.
    std::uint8_t* eib = control::task_blocks().eib;
    std::memcpy(eib + host::kEibTrnid, task.transaction.data(), task.transaction.size());
    std::memcpy(eib + host::kEibTrmid, task.terminal_id.data(), task.terminal_id.size());
  }
  ~TaskAtTerminal() { control::set_current_task(nullptr); }

  RecordingTerminal terminal;
  control::Task task;
};

}  // namespace ravnmor::testing
