// Program control and unserved commands through the command screen: what the
// user sees after LINK, XCTL and a command the region has no service for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host.hpp"
#include "monitor/exec/builtins.hpp"
#include "monitor/region/harness.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "shell/register.hpp"

namespace qcmd {
namespace {

using ravnmor::terminal::Screen;

constexpr char kEibTitle[] = "Exec Interface Block";

class ProgramCommandsTest : public ::testing::Test {
 protected:
  ProgramCommandsTest() {
    register_qcmd(ravnmor::region::program_table());
    ravnmor::exec::register_builtin_programs(ravnmor::region::program_table());
  }

  ravnmor::terminal::ScriptedTerminal& user() { return region.terminal(); }

  std::vector<Screen> run(ravnmor::region::TaskOutcome* outcome = nullptr) {
    ravnmor::region::TaskOutcome ended = region.run("QCMD");
    if (outcome != nullptr) *outcome = ended;
    std::vector<Screen> screens;
    for (const auto& record : user().sent()) {
      screens.emplace_back();
      EXPECT_TRUE(screens.back().apply_outbound(record).ok());
    }
    return screens;
  }

  // Whether a screen shows `text` anywhere.
  static bool shows(const Screen& screen, const std::string& text) {
    for (const std::string& line : screen.lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
  static int first_showing(const std::vector<Screen>& screens, const std::string& text) {
    for (std::size_t i = 0; i < screens.size(); ++i) {
      if (shows(screens[i], text)) return static_cast<int>(i);
    }
    return -1;
  }

  ravnmor::region::TestRegion region;
};

TEST_F(ProgramCommandsTest, ACommandWithoutAServiceIsInvreqOnTheResultAndEibScreens) {
  user().type_field(1, "QCMD INQUIRE FILE(F1) OPENSTATUS(&FWORD)").enter();
  user().enter().enter();  // checked, executed
  user().pf(4).pf(3).pf(3).pf(3);
  std::vector<Screen> screens = run();
  int result = first_showing(screens, "EIBRESP : INVREQ");
  ASSERT_GE(result, 0);
  int eib = first_showing(screens, kEibTitle);
  ASSERT_GT(eib, result);
  EXPECT_EQ(screens[eib].text_at(5, 52, 4), "4c02");       // EIBFN of INQUIRE FILE
  EXPECT_EQ(screens[eib].text_at(16, 52, 8), "00000010");  // EIBRESP: INVREQ
  EXPECT_EQ(screens[eib].text_at(17, 52, 8), "00000000");  // EIBRESP2: no service
}

TEST_F(ProgramCommandsTest, LinkChangesTheCommareaAndXctlToAMissingProgramIsPgmiderr) {
  user().type_field(1, "QCMD LINK PROGRAM(ECHO) COMMAREA(&STRING)").enter();
  user().enter().enter();  // checked, executed
  user().enter();          // the key that ends the wait after a screen-changing command
  user().pf(5).pf(3);      // the variables, then back
  user().pf(3);            // the initial screen
  user().type_field(1, "QCMD XCTL PROGRAM(NOSUCH)").enter();
  user().enter().enter().enter();
  user().pf(3);
  user().type_field(1, "QCMD XCTL PROGRAM(HELLO)").enter();
  user().enter().enter();  // executed: the run ends, HELLO's screen stays
  ravnmor::region::TaskOutcome outcome;
  std::vector<Screen> screens = run(&outcome);
  int linked = first_showing(screens, "EIBRESP : NORMAL");
  ASSERT_GE(linked, 0);
  // The result screen itself shows &STRING reversed by ECHO.
  EXPECT_EQ(first_showing(screens, "TNEMUGRA GNIRTS ELPMAXE"), linked);
  EXPECT_GT(first_showing(screens, "EIBRESP : PGMIDERR"), linked);
  ASSERT_FALSE(screens.empty());
  EXPECT_TRUE(shows(screens.back(), "Hello from program HELLO, running for transaction QCMD"));
  EXPECT_TRUE(shows(screens.back(), "The task ends with this screen."));
  EXPECT_EQ(outcome.programs, (std::vector<std::string>{"QCMD", "HELLO"}));
  EXPECT_EQ(outcome.end, ravnmor::region::TaskEnd::returned);
  EXPECT_FALSE(outcome.terminal_lost);
}

}  // namespace
}  // namespace qcmd
