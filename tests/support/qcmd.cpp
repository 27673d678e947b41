#include "support/qcmd.hpp"

#include <cstring>

#include "host/host.hpp"
#include "monitor/region/programs.hpp"
#include "shell/initscreen.hpp"
#include "shell/lifecycle.hpp"
#include "shell/register.hpp"
#include "shell/usrscreen.hpp"
#include "syntax/syntax.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd::testing {

int type_command(std::string_view text) {
  initialize();
  CmdIntBuffer = CommandBuffer{};
  const std::size_t length = std::min(text.size(), sizeof CmdIntBuffer.Syntax);
  std::memcpy(CmdIntBuffer.Syntax, text.data(), length);
  CmdIntBuffer.Length = static_cast<std::int32_t>(length);
  return checkverb();
}

QcmdTest::QcmdTest() {
  register_qcmd(region::program_table());
  firstrow = 0;  // as when the program is loaded
}

region::TaskOutcome QcmdTest::run_program(std::function<void()> body) {
  return test_region.run_program([body = std::move(body)] {
    xtcbp = host::xtcb;
    cintemptyscr();
    initialize();
    GlobalErrorNum = 0;
    TerminateQCMD = 0;
    displaymode = kDisplayCharacter;
    debugtrace = 0;
    seed_example_variables();
    body();
    deleteallvars();
    debugtrace = 0;
  });
}

Screen QcmdTest::screen_sent(std::size_t i) const {
  std::vector<Screen> sent = screens();
  if (i >= sent.size()) {
    ADD_FAILURE() << "only " << sent.size() << " records were sent";
    return Screen{};
  }
  return sent[i];
}

}  // namespace qcmd::testing
