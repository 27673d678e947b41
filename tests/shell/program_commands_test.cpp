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
  user().type_field(1, "QCMD ISSUE PRINT").enter();
  user().enter().enter();  // checked, executed
  user().pf(4).pf(3).pf(3).pf(3);
  std::vector<Screen> screens = run();
  int result = first_showing(screens, "EIBRESP : INVREQ");
  ASSERT_GE(result, 0);
  int eib = first_showing(screens, kEibTitle);
  ASSERT_GT(eib, result);
  EXPECT_EQ(screens[eib].text_at(5, 52, 4), "041c");       // EIBFN of ISSUE PRINT
  EXPECT_EQ(screens[eib].text_at(16, 52, 8), "00000010");  // EIBRESP: INVREQ
  EXPECT_EQ(screens[eib].text_at(17, 52, 8), "00000000");  // EIBRESP2: no service
}

}  // namespace
}  // namespace qcmd
