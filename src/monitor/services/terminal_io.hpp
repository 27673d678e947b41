// Talking to the task's terminal through the TIOA. An outbound stream stands
// in the TIOA from its command byte (byte 10): command, WCC, orders and data,
// and the TIOA's length field counts those bytes. An inbound record becomes
// the task's last input (xnuc +644).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ravnmor::control {
struct Task;
}

namespace ravnmor::services {

// Status codes of the screen and console operations (0 is success).
enum TerminalStatus : std::int32_t {
  kTerminalOk = 0,
  kSendFailed = 1,       // the terminal did not take the stream: the user is gone
  kReceiveFailed = 2,    // no input came: the user is gone
  kNoTerminal = 3,       // no task, or not the task's terminal number
  kBadStreamLength = 4,  // the TIOA's length does not fit the area
};

// The running task when `terminal_number` is its terminal, else nullptr.
control::Task* task_at(std::int32_t terminal_number);

// Writes the stream header into the TIOA and returns its data part.
std::uint8_t* start_tioa_stream(std::uint8_t command, std::uint8_t wcc);
// Sets the TIOA's length for a stream of `data_length` bytes after the WCC.
void finish_tioa_stream(std::size_t data_length);

// Sends the TIOA's outbound stream.
TerminalStatus send_tioa(control::Task& task);
// Sends a record that needs no TIOA (a command alone, such as EAU).
TerminalStatus send_record(control::Task& task, std::span<const std::uint8_t> record);
// Waits for the next inbound record and keeps it as the last input.
TerminalStatus receive_input(control::Task& task);

}  // namespace ravnmor::services
