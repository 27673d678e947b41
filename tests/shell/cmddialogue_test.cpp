// The command screen as a user meets it: QCMD started at the scripted
// terminal, a command typed on the initial screen, then checked, confirmed
// and executed, with the EIB screen looked at afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host.hpp"
#include "monitor/region/harness.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "shell/register.hpp"
#include "vars/messages.hpp"

namespace qcmd {
namespace {

using ravnmor::terminal::Screen;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kCommandTitle[] = "Ravnmor Command Interpreter";
constexpr char kEibTitle[] = "Exec Interface Block";

// Text placed at screen offset `offset`: it starts in the cell after the
// attribute cell.
std::string text_at(const Screen& screen, int offset, int length) {
  return screen.text_at(offset / host::kScreenColumns + 1, offset % host::kScreenColumns + 1,
                        length);
}

std::string status_of(const Screen& screen) {
  return text_at(screen, 1485, 33);
}
std::string response_of(const Screen& screen) {
  return text_at(screen, 1565, 29);
}
std::string option_line(const Screen& screen, int line) {
  return screen.row_text(6 + line);
}

const std::string kCheck = "STATUS: Command syntax check     ";
const std::string kConfirm = "STATUS: About to execute command ";
const std::string kExecuted = "STATUS : Command executed        ";

// The message line of `number` as the catalogue gives it, cut to 40.
std::string message_line(std::uint32_t number) {
  char text[host::kMessageTextSize] = {};
  char code = ' ';
  host::oxgetmsg(static_cast<int>(number), text, &code);
  return (" OXM" + std::to_string(number) + code + " " + text).substr(0, 40);
}

class CommandDialogueTest : public ::testing::Test {
 protected:
  CommandDialogueTest() { register_qcmd(ravnmor::region::program_table()); }

  // Types `command` on the initial screen and presses Enter.
  ravnmor::terminal::ScriptedTerminal& type(const std::string& command) {
    return region.terminal().type_field(1, command).enter();
  }

  // Runs QCMD and returns the screens sent.
  std::vector<Screen> run() {
    region.run("QCMD");
    std::vector<Screen> screens;
    for (const auto& record : region.terminal().sent()) {
      screens.emplace_back();
      EXPECT_TRUE(screens.back().apply_outbound(record).ok());
    }
    return screens;
  }

  // The screens with `title` in their header.
  static std::vector<const Screen*> titled(const std::vector<Screen>& screens, const char* title) {
    std::vector<const Screen*> found;
    for (const Screen& screen : screens) {
      if (screen.row_text(1).find(title) != std::string::npos) found.push_back(&screen);
    }
    return found;
  }

  ravnmor::region::TestRegion region;
};

TEST_F(CommandDialogueTest, AnAcceptedCommandIsCheckedConfirmedAndExecuted) {
  type("QCMD ASKTIME ABSTIME(&DWORD)")
      .enter()  // check: accepted
      .enter()  // confirm: executed
      .pf(4)    // result screen: the EIB
      .pf(3)    // back: the command again, to be checked
      .pf(2)    // hexadecimal
      .pf(4)    // the EIB again
      .pf(3)
      .pf(3)   // leaves the command screen
      .pf(3);  // and the run
  auto screens = run();
  auto shown = titled(screens, kCommandTitle);
  // initial, check, confirm, result, check, check (hex), check, initial
  ASSERT_EQ(shown.size(), 8u);
  EXPECT_EQ(status_of(*shown[1]), kCheck);
  EXPECT_THAT(option_line(*shown[1], 1), StartsWith(" [ ABSTIME(00DCBA9876543210) ] "));
  EXPECT_EQ(status_of(*shown[2]), kConfirm);
  EXPECT_EQ(status_of(*shown[3]), kExecuted);
  EXPECT_EQ(response_of(*shown[3]), "EIBRESP : NORMAL" + std::string(13, ' '));
  EXPECT_EQ(status_of(*shown[4]), kCheck);
  EXPECT_EQ(response_of(*shown[4]), std::string(29, ' '));

  // The EIB screen shows what ASKTIME left, the same in either display mode.
  auto eibs = titled(screens, kEibTitle);
  ASSERT_EQ(eibs.size(), 2u);
  for (const Screen* eib : eibs) {
    EXPECT_EQ(eib->text_at(5, 12, 4), "QCMD");           // EIBTRNID
    EXPECT_EQ(eib->text_at(7, 12, 4), "T001");           // EIBTRMID
    EXPECT_EQ(eib->text_at(5, 52, 4), "1002");           // EIBFN of ASKTIME
    EXPECT_EQ(eib->text_at(6, 52, 12), "000000000000");  // EIBRCODE
    EXPECT_EQ(eib->text_at(16, 52, 8), "00000000");      // EIBRESP
    EXPECT_EQ(eib->text_at(17, 52, 8), "00000000");      // EIBRESP2
  }
  EXPECT_EQ(eibs[0]->text_at(3, 12, 8), eibs[1]->text_at(3, 12, 8));  // EIBTIME
}

TEST_F(CommandDialogueTest, DiagnosticsStopTheCommandAndPF9ListsThem) {
  // ASKTIME has no option BOGUS.
  type("QCMD ASKTIME ABSTIME(&DWORD) BOGUS").enter().pf(9).pf(3).pf(3).pf(3);
  auto screens = run();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 5u);  // initial, check, check with 3220, check, initial
  EXPECT_EQ(status_of(*shown[2]), kCheck);
  EXPECT_THAT(shown[2]->row_text(20), StartsWith(message_line(kMsgDiagnostics)));
  EXPECT_EQ(status_of(*shown[3]), kCheck);
  EXPECT_THAT(shown[3]->row_text(20), Not(HasSubstr("OXM3220")));
  auto diagnostics = titled(screens, "Translator Diagnostic Messages");
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_THAT(diagnostics[0]->row_text(4), StartsWith(" E : "));
  EXPECT_TRUE(titled(screens, kEibTitle).empty());
}

TEST_F(CommandDialogueTest, PF3LeavesFromEveryStep) {
  for (int step = 0; step < 3; ++step) {
    ravnmor::region::TestRegion fresh;
    fresh.terminal().type_field(1, "QCMD ASKTIME ABSTIME(&DWORD)").enter();
    for (int i = 0; i < step; ++i) fresh.terminal().enter();
    fresh.terminal().pf(3).pf(3);  // the command screen, then the initial screen
    fresh.run("QCMD");
    EXPECT_FALSE(fresh.terminal().hung_up()) << step;  // the run ended with the keys
    EXPECT_EQ(fresh.error_log(), "") << step;
  }
}

TEST_F(CommandDialogueTest, AChangedLineOnTheConfirmScreenGoesBackToTheCheck) {
  type("QCMD ASKTIME ABSTIME(&DWORD)").enter().type_field(1, "QCMD ASKTIME").enter().pf(3).pf(3);
  auto screens = run();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 5u);  // initial, check, confirm, check, initial
  EXPECT_EQ(status_of(*shown[2]), kConfirm);
  EXPECT_EQ(status_of(*shown[3]), kCheck);
  EXPECT_THAT(option_line(*shown[3], 1), StartsWith(" [ ABSTIME() ]"));
}

TEST_F(CommandDialogueTest, PF8OnTheLastPageMovesTheDialogueOn) {
  type("QCMD ASKTIME ABSTIME(&DWORD)").pf(8).pf(3).pf(3);
  auto screens = run();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(status_of(*shown[2]), kConfirm);
}

TEST_F(CommandDialogueTest, TheResponseOfAFailedCommandByItsName) {
  // No queue NOQ in this region: QIDERR (44), a name padded to 13.
  type("QCMD READQ TS QUEUE(NOQ) INTO(&STRING)").enter().enter().pf(4).pf(3).pf(3).pf(3);
  auto screens = run();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 6u);  // initial, check, confirm, result, check, initial
  EXPECT_EQ(status_of(*shown[3]), kExecuted);
  EXPECT_EQ(response_of(*shown[3]), "EIBRESP : QIDERR" + std::string(13, ' '));
  auto eibs = titled(screens, kEibTitle);
  ASSERT_EQ(eibs.size(), 1u);
  EXPECT_EQ(eibs[0]->text_at(5, 52, 4), "0a04");       // EIBFN of READQ TS
  EXPECT_EQ(eibs[0]->text_at(16, 52, 8), "0000002c");  // EIBRESP 44
}

TEST_F(CommandDialogueTest, AnItemWrittenIsReadBack) {
  // PF3 on a result screen leaves the command screen.
  type("QCMD WRITEQ TS QUEUE(Q1) FROM(&STRING)").enter().enter().pf(3);
  type("QCMD READQ TS QUEUE(Q1) INTO(&STRING) ITEM(1)").enter().enter().pf(4).pf(3).pf(3).pf(3);
  auto screens = run();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 10u);  // initial, then each command's screens and initial again
  EXPECT_EQ(response_of(*shown[3]), "EIBRESP : NORMAL" + std::string(13, ' '));
  EXPECT_EQ(response_of(*shown[7]), "EIBRESP : NORMAL" + std::string(13, ' '));
  auto eibs = titled(screens, kEibTitle);
  ASSERT_EQ(eibs.size(), 1u);
  EXPECT_EQ(eibs[0]->text_at(5, 52, 4), "0a04");
  EXPECT_EQ(eibs[0]->text_at(16, 52, 8), "00000000");
}

}  // namespace
}  // namespace qcmd
