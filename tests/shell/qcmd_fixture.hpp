// A region with QCMD registered and a scripted user at its terminal.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "host/host.hpp"
#include "monitor/region/harness.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "shell/initscreen.hpp"
#include "shell/lifecycle.hpp"
#include "shell/register.hpp"
#include "shell/usrscreen.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"

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

// Runs a test's own body as a program at the terminal, with the anchors an
// interpreter run takes and an empty saved user screen.
class ProgramTest : public QcmdTest {
 protected:
  explicit ProgramTest(bool trace = false) : QcmdTest(trace), tracing(trace) {}
  void SetUp() override {
    region::program_table().add_program("PROGTEST", [this] {
      xtcbp = host::xtcb;
      cintemptyscr();
      GlobalErrorNum = 0;
      TerminateQCMD = 0;
      debugtrace = tracing ? 1 : 0;
      body();
    });
    region::program_table().add_transaction("PROG", "PROGTEST");
  }
  void TearDown() override { debugtrace = 0; }
  void run_program(std::function<void()> program) {
    body = std::move(program);
    test_region.run("PROG");
  }

  bool tracing;
  std::function<void()> body;
};

// The text of the message line (row 20) of a screen.
inline std::string message_line(const terminal::Screen& screen) {
  return screen.row_text(20);
}

}  // namespace qcmd::testing
