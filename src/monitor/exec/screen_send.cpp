// host::send_screen: the screen being built, sent without waiting for input,
// for programs that show a screen and end.
#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/services/screen.hpp"
#include "monitor/services/terminal_io.hpp"

namespace host {

int send_screen(std::int32_t termnum) {
  using namespace ravnmor;
  control::Task* task = services::task_at(termnum);
  if (task == nullptr) return services::kNoTerminal;
  const std::uint8_t* constants = control::task_blocks().constants;
  std::uint8_t* data = services::start_tioa_stream(constants[kCnvWriteCmd], constants[kCnvWcc]);
  services::finish_tioa_stream(services::build_screen_stream(data));
  return services::send_tioa(*task);
}

}  // namespace host
