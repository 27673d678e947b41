// Terminal control commands.
#include "host/host.hpp"
#include "monitor/control/address.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/terminal_io.hpp"

namespace ravnmor::services {

namespace {

// SEND CONTROL's option positions.
constexpr int kEraseFlag = 12;   // "E"
constexpr int kFreeKbFlag = 14;  // "F"
constexpr int kAlarmFlag = 15;   // "A"

// Write control character bits, before the code table.
constexpr int kWccResetMdt = 0x01;
constexpr int kWccRestoreKeyboard = 0x02;
constexpr int kWccSoundAlarm = 0x04;

constexpr std::uint8_t kWrite = '1';       // image of X'F1'
constexpr std::uint8_t kEraseWrite = '5';  // image of X'F5'

}  // namespace

Response send_control(const Command& command) {
  control::Task& task = command.task();
  if (task.terminal == nullptr) return {kInvreq, 0};
  bool erase = command.flag(kEraseFlag) == 'E';
  int wcc = erase ? kWccResetMdt : 0;
  if (command.flag(kFreeKbFlag) == 'F') wcc |= kWccRestoreKeyboard;
  if (command.flag(kAlarmFlag) == 'A') wcc |= kWccSoundAlarm;
  start_tioa_stream(erase ? kEraseWrite : kWrite, control::six_bit_code(wcc));
  finish_tioa_stream(0);
  if (send_tioa(task) != kTerminalOk) return {kTermerr, 0};
  return {};
}

}  // namespace ravnmor::services
