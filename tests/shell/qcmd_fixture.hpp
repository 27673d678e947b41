// A region with QCMD registered and a scripted user at its terminal.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "monitor/region/harness.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "shell/initscreen.hpp"
#include "shell/register.hpp"

namespace qcmd::testing {

namespace region = ravnmor::region;
namespace terminal = ravnmor::terminal;

class QcmdTest : public ::testing::Test {
 protected:
  explicit QcmdTest(bool trace = false) : test_region(trace) {}
  void SetUp() override {
    register_qcmd(region::program_table());
    firstrow = 0;  // as when the program is loaded
  }

  region::TaskOutcome run() { return test_region.run("QCMD"); }

  // The screen that the i-th record sent draws on an empty terminal.
  terminal::Screen screen_sent(std::size_t i) {
    terminal::Screen screen;
    const auto& sent = user.sent();
    if (i >= sent.size()) {
      ADD_FAILURE() << "only " << sent.size() << " records were sent";
      return screen;
    }
    EXPECT_TRUE(screen.apply_outbound(sent[i]).ok());
    return screen;
  }

  region::TestRegion test_region;
  terminal::ScriptedTerminal& user = test_region.terminal();
};

class TracedQcmdTest : public QcmdTest {
 protected:
  TracedQcmdTest() : QcmdTest(true) {}
};

// The text of the message line (row 20) of a screen.
inline std::string message_line(const terminal::Screen& screen) {
  return screen.row_text(20);
}

}  // namespace qcmd::testing
