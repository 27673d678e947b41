// Raw terminal I/O through the TIOA, for a program that keeps a screen of
// its own (QCMD's saved user screen): write the TIOA's stream, read the
// terminal's screen back in read-buffer form, wait for a key.
#include <algorithm>
#include <cstring>
#include <vector>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/terminal_io.hpp"
#include "monitor/terminal/codes.hpp"
#include "monitor/terminal/screen.hpp"
#include "monitor/terminal/terminal.hpp"

namespace host {

using namespace ravnmor;

void writecon(std::int32_t* status, std::int32_t termnum) {
  control::Task* task = services::task_at(termnum);
  std::int32_t result = task == nullptr ? services::kNoTerminal : services::send_tioa(*task);
  if (status != nullptr) *status = result;
}

// The read-buffer form (AID, cursor, every cell from address 0 with an SF
// before each field) of the screen as the region's model of the terminal
// holds it: the screen that the program's streams and the user's input left.
void readcon(int /*zero*/, std::int32_t* status, std::int32_t termnum) {
  std::uint8_t* tioa = control::task_blocks().tioa;
  host::store_half(tioa, host::kTioaDataLength, 0);
  control::Task* task = services::task_at(termnum);
  if (task == nullptr) {
    if (status != nullptr) *status = services::kNoTerminal;
    return;
  }
  std::vector<std::uint8_t> record = task->terminal->screen().read_buffer(terminal::aid::kNone);
  std::size_t length = std::min(record.size(), host::kTioaDataCapacity);
  std::copy_n(record.begin(), length, tioa + host::kTioaData);
  host::store_half(tioa, host::kTioaDataLength, static_cast<std::int16_t>(length));
  if (status != nullptr) *status = services::kTerminalOk;
}

void oxw4ky(std::int32_t termnum) {
  if (control::Task* task = services::task_at(termnum)) services::receive_input(*task);
}

}  // namespace host
