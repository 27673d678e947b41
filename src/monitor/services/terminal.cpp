// Terminal control commands.
#include "host/host.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/terminal_io.hpp"
#include "monitor/terminal/codes.hpp"

namespace ravnmor::services {

namespace {

// SEND CONTROL's option positions.
constexpr int kEraseFlag = 12;   // "E"
constexpr int kFreeKbFlag = 14;  // "F"
constexpr int kAlarmFlag = 15;   // "A"

}  // namespace

Response send_control(const Command& command) {
  control::Task& task = command.task();
  if (task.terminal == nullptr) return {kInvreq, 0};
  namespace wcc = terminal::wcc;
  bool erase = command.flag(kEraseFlag) == 'E';
  int control_bits = erase ? wcc::kResetMdt : 0;
  if (command.flag(kFreeKbFlag) == 'F') control_bits |= wcc::kRestoreKeyboard;
  if (command.flag(kAlarmFlag) == 'A') control_bits |= wcc::kAlarm;
  auto write = erase ? terminal::Command::erase_write : terminal::Command::write;
  start_tioa_stream(terminal::image::command(write),
                    terminal::image::six_bits(static_cast<std::uint8_t>(control_bits)));
  finish_tioa_stream(0);
  if (send_tioa(task) != kTerminalOk) return {kTermerr, 0};
  return {};
}

}  // namespace ravnmor::services
