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
#include "monitor/terminal/terminal.hpp"

namespace host {

using namespace ravnmor;

void writecon(std::int32_t* status, std::int32_t termnum) {
  control::Task* task = services::task_at(termnum);
  std::int32_t result = task == nullptr ? services::kNoTerminal : services::send_tioa(*task);
  if (status != nullptr) *status = result;
}

// The screen read-back needs the terminal's screen model; until the region
// has one, the read answers that nothing could be read.
void readcon(int /*zero*/, std::int32_t* status, std::int32_t termnum) {
  std::uint8_t* tioa = control::task_blocks().tioa;
  host::store_half(tioa, host::kTioaDataLength, 0);
  std::int32_t result =
      services::task_at(termnum) == nullptr ? services::kNoTerminal : services::kReceiveFailed;
  if (status != nullptr) *status = result;
}

void oxw4ky(std::int32_t termnum) {
  if (control::Task* task = services::task_at(termnum)) services::receive_input(*task);
}

}  // namespace host
