#include "monitor/services/terminal_io.hpp"

#include <span>
#include <vector>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::services {

namespace {
constexpr std::size_t kStreamHeader = host::kTioaData - host::kTioaCommand;  // command and WCC
}

control::Task* task_at(std::int32_t terminal_number) {
  control::Task* task = control::current_task();
  if (task == nullptr || task->terminal == nullptr || task->terminal_number != terminal_number) {
    return nullptr;
  }
  return task;
}

std::uint8_t* start_tioa_stream(std::uint8_t command, std::uint8_t wcc) {
  std::uint8_t* tioa = control::task_blocks().tioa;
  tioa[host::kTioaCommand] = command;
  tioa[host::kTioaWcc] = wcc;
  return tioa + host::kTioaData;
}

void finish_tioa_stream(std::size_t data_length) {
  host::store_half(control::task_blocks().tioa, host::kTioaDataLength,
                   static_cast<std::int16_t>(data_length + kStreamHeader));
}

TerminalStatus send_tioa(control::Task& task) {
  if (task.terminal_lost) return kSendFailed;
  const std::uint8_t* tioa = control::task_blocks().tioa;
  std::int16_t length = host::load_half(tioa, host::kTioaDataLength);
  if (length < static_cast<std::int16_t>(kStreamHeader) ||
      static_cast<std::size_t>(length) > host::kTioaSize - host::kTioaCommand) {
    return kBadStreamLength;
  }
  return send_record(task, std::span<const std::uint8_t>(tioa + host::kTioaCommand,
                                                         static_cast<std::size_t>(length)));
}

TerminalStatus send_record(control::Task& task, std::span<const std::uint8_t> record) {
  if (task.terminal_lost) return kSendFailed;
  if (!task.terminal->send(record)) {
    task.terminal_lost = true;
    return kSendFailed;
  }
  return kTerminalOk;
}

TerminalStatus receive_input(control::Task& task) {
  if (task.terminal_lost) return kReceiveFailed;
  std::vector<std::uint8_t> record;
  if (!task.terminal->receive(record)) {
    task.terminal_lost = true;
    return kReceiveFailed;
  }
  task.input_length = control::store_input(record);
  task.input_unreceived = false;
  return kTerminalOk;
}

}  // namespace ravnmor::services
