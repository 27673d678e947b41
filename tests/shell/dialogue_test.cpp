// The command screen as a user meets it: QCMD started at the scripted
// terminal, a command typed on the initial screen, then checked, confirmed
// and executed, with the EIB and user screens looked at afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/region_store.hpp"
#include "programs/builtins.hpp"
#include "support/qcmd.hpp"

namespace qcmd::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr int kStatusOffset = 1485;
constexpr int kResponseOffset = 1565;
constexpr int kFirstOptionRow = 7;

std::string status_of(const Screen& screen) {
  return text_at(screen, kStatusOffset, 33);
}
std::string response_of(const Screen& screen) {
  return text_at(screen, kResponseOffset, 29);
}
std::string option_line(const Screen& screen, int line) {
  return screen.row_text(kFirstOptionRow - 1 + line);
}
std::string response_named(const std::string& name) {
  return padded("EIBRESP : " + name).substr(0, 29);
}

const std::string kCheck = "STATUS: Command syntax check     ";
const std::string kConfirm = "STATUS: About to execute command ";
const std::string kExecuted = "STATUS : Command executed        ";

class DialogueTest : public QcmdTest {
 protected:
  // Types `command` on the initial screen and presses Enter.
  terminal::ScriptedTerminal& type(const std::string& command) {
    return user.type_field(1, command).enter();
  }
};

TEST_F(DialogueTest, AnAcceptedCommandIsCheckedConfirmedAndExecuted) {
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
  run();
  auto screens = this->screens();
  auto shown = titled(screens, kCommandTitle);
  // initial, check, confirm, result, check, check (hex), check, initial
  ASSERT_EQ(shown.size(), 8u);
  EXPECT_EQ(status_of(*shown[1]), kCheck);
  EXPECT_THAT(option_line(*shown[1], 1), StartsWith(" [ ABSTIME(00DCBA9876543210) ] "));
  EXPECT_EQ(status_of(*shown[2]), kConfirm);
  EXPECT_EQ(status_of(*shown[3]), kExecuted);
  EXPECT_EQ(response_of(*shown[3]), response_named("NORMAL"));
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

TEST_F(DialogueTest, DiagnosticsStopTheCommandAndPF9ListsThem) {
  // ASKTIME has no option BOGUS.
  type("QCMD ASKTIME ABSTIME(&DWORD) BOGUS").enter().pf(9).pf(3).pf(3).pf(3);
  run();
  auto screens = this->screens();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 5u);  // initial, check, check with 3220, check, initial
  EXPECT_EQ(status_of(*shown[2]), kCheck);
  EXPECT_THAT(message_line(*shown[2]),
              StartsWith((" " + catalogue_line(kMsgDiagnostics)).substr(0, 40)));
  EXPECT_EQ(status_of(*shown[3]), kCheck);
  EXPECT_THAT(message_line(*shown[3]), Not(HasSubstr("OXM3220")));
  auto diagnostics = titled(screens, kDiagnosticsTitle);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_THAT(diagnostics[0]->row_text(4), StartsWith(" E : "));
  EXPECT_TRUE(titled(screens, kEibTitle).empty());
}

TEST_F(DialogueTest, PF3LeavesFromEveryStep) {
  for (int step = 0; step < 3; ++step) {
    region::TestRegion fresh;
    fresh.terminal().type_field(1, "QCMD ASKTIME ABSTIME(&DWORD)").enter();
    for (int i = 0; i < step; ++i) fresh.terminal().enter();
    fresh.terminal().pf(3).pf(3);  // the command screen, then the initial screen
    fresh.run("QCMD");
    EXPECT_FALSE(fresh.terminal().hung_up()) << step;  // the run ended with the keys
    EXPECT_EQ(fresh.error_log(), "") << step;
  }
}

TEST_F(DialogueTest, AChangedLineOnTheConfirmScreenGoesBackToTheCheck) {
  type("QCMD ASKTIME ABSTIME(&DWORD)").enter().type_field(1, "QCMD ASKTIME").enter().pf(3).pf(3);
  run();
  auto screens = this->screens();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 5u);  // initial, check, confirm, check, initial
  EXPECT_EQ(status_of(*shown[2]), kConfirm);
  EXPECT_EQ(status_of(*shown[3]), kCheck);
  EXPECT_THAT(option_line(*shown[3], 1), StartsWith(" [ ABSTIME() ]"));
}

TEST_F(DialogueTest, PF8OnTheLastPageMovesTheDialogueOn) {
  type("QCMD ASKTIME ABSTIME(&DWORD)").pf(8).pf(3).pf(3);
  run();
  auto screens = this->screens();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(status_of(*shown[2]), kConfirm);
}

TEST_F(DialogueTest, TheResponseOfAFailedCommandByItsName) {
  // No queue NOQ in this region: QIDERR (44), a name padded to 13.
  type("QCMD READQ TS QUEUE(NOQ) INTO(&STRING)").enter().enter().pf(4).pf(3).pf(3).pf(3);
  run();
  auto screens = this->screens();
  auto shown = titled(screens, kCommandTitle);
  ASSERT_EQ(shown.size(), 6u);  // initial, check, confirm, result, check, initial
  EXPECT_EQ(status_of(*shown[3]), kExecuted);
  EXPECT_EQ(response_of(*shown[3]), response_named("QIDERR"));
  auto eibs = titled(screens, kEibTitle);
  ASSERT_EQ(eibs.size(), 1u);
  EXPECT_EQ(eibs[0]->text_at(5, 52, 4), "0a04");       // EIBFN of READQ TS
  EXPECT_EQ(eibs[0]->text_at(16, 52, 8), "0000002c");  // EIBRESP 44
}

TEST_F(DialogueTest, LinkChangesTheCommareaAndXctlToAMissingProgramIsPgmiderr) {
  programs::register_builtin_programs(region::program_table());
  type("QCMD LINK PROGRAM(ECHO) COMMAREA(&STRING)");
  user.enter().enter();  // checked, executed
  user.enter();          // the key that ends the wait after a screen-changing command
  user.pf(5).pf(3);      // the variables, then back
  user.pf(3);            // the initial screen
  type("QCMD XCTL PROGRAM(NOSUCH)").enter().enter().enter();
  user.pf(3);
  type("QCMD XCTL PROGRAM(HELLO)").enter().enter();  // executed: the run ends
  region::TaskOutcome outcome = run();
  auto screens = this->screens();
  int linked = first_showing(screens, "EIBRESP : NORMAL");
  ASSERT_GE(linked, 0);
  // The result screen itself shows &STRING reversed by ECHO.
  EXPECT_EQ(first_showing(screens, "TNEMUGRA GNIRTS ELPMAXE"), linked);
  EXPECT_GT(first_showing(screens, "EIBRESP : PGMIDERR"), linked);
  ASSERT_FALSE(screens.empty());
  // HELLO's screen stays: no read-back or key wait came after a transfer.
  EXPECT_TRUE(shows(screens.back(), "Hello from program HELLO, running for transaction QCMD"));
  EXPECT_EQ(outcome.programs, (std::vector<std::string>{"QCMD", "HELLO"}));
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_FALSE(outcome.terminal_lost);
}

TEST_F(DialogueTest, AScreenChangingCommandWaitsForAKeyBeforeItsResultAndPf6ShowsItsScreen) {
  type("QCMD SEND CONTROL");
  user.enter();  // check: accepted
  user.enter();  // confirm: executed
  user.pf(1);    // the key that ends the wait after the command
  user.pf(6);    // on the result screen: the saved user screen
  user.pf(1);    // ends that wait
  user.pf(3).pf(3);
  region::TaskOutcome outcome = run();
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 10u);
  // 0 initial, 1 check, 2 confirm, 3 the saved screen written back, 4 the
  // command's own write, 5 the result after the key, 6 the saved screen on
  // PF6, 7 the command again, 8 initial, 9 the erase of the ending calls.
  EXPECT_THAT(user.sent()[3].front(), host::xcnv[host::kCnvWriteCmd]);
  EXPECT_TRUE(shows(screen_sent(5), "EIBRESP : NORMAL"));
  terminal::Screen saved;
  auto result = saved.apply_outbound(user.sent()[6]);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.command, terminal::Command::erase_write);
  EXPECT_EQ(user.sent()[6].back(), host::xcnv[host::kCnvIc]);  // the cursor put back
  EXPECT_TRUE(shows(screen_sent(7), "SEND CONTROL"));
  EXPECT_EQ(screen_sent(8).row_text(3).substr(0, 23), "====> QCMD SEND CONTROL");
}

TEST_F(DialogueTest, SendTextShowsOnTheUserScreenAndReceiveTakesWhatIsTypedThere) {
  type("QCMD SEND TEXT FROM(&STRING) ERASE").enter().enter();
  user.pf(1);  // ends the wait after the command
  user.pf(6);  // the saved user screen
  user.pf(1);
  user.pf(3);
  type("QCMD RECEIVE INTO(&STRING)").enter().enter();
  // RECEIVE waits on the user screen: the user types over it and presses Enter.
  user.cursor(1, 1).erase_eof().type("hello").enter();
  user.pf(3).pf(3);
  region::TaskOutcome outcome = run();
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 15u);
  // 0 initial, 1 check, 2 confirm, 3 the saved screen, 4 SEND TEXT, 5 the
  // result after the key, 6 the saved screen on PF6, 7 the command again,
  // 8 initial; 9 check, 10 confirm, 11 the saved screen, then RECEIVE's wait
  // and 12 the result at once, 13 initial, 14 the erase of the ending calls.
  EXPECT_EQ(screen_sent(4).row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_TRUE(shows(screen_sent(5), "EIBRESP : NORMAL"));
  EXPECT_EQ(screen_sent(6).row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_EQ(screen_sent(11).row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_TRUE(shows(screen_sent(12), "EIBRESP : NORMAL"));
  EXPECT_TRUE(shows(screen_sent(12), "HELLOLE STRING ARGUMENT"));  // five bytes received
}

// A record of the sample file read for update, its balance edited on the
// edit-variable screen, and written back.
TEST_F(DialogueTest, ARecordIsReadEditedAsAVariableAndRewritten) {
  user.pf(5).type_field(12, "80").enter().pf(3);  // &STRING grows to hold a record
  type("QCMD READ FILE(ACCOUNTS) INTO(&STRING) LENGTH(&HWORD) RIDFLD(100200) UPDATE")
      .enter()
      .enter();
  user.pf(4).pf(3);                 // the EIB names the file; back to the command
  user.pf(5).cursor(11, 3).pf(10);  // the variables; &STRING edited
  user.type_field(2, "S           000999999").pf(3).pf(3).pf(3);  // its bytes 31-60
  type("QCMD REWRITE FILE(ACCOUNTS) FROM(&STRING) LENGTH(&HWORD)").enter().enter();
  user.pf(3).pf(3);
  run();
  auto screens = this->screens();
  int read = first_showing(screens, "EIBRESP : NORMAL");
  ASSERT_GE(read, 0);
  EXPECT_TRUE(shows(screens[static_cast<std::size_t>(read)], "100200BAKER, THOMAS"));
  auto eibs = titled(screens, kEibTitle);
  ASSERT_EQ(eibs.size(), 1u);
  EXPECT_EQ(eibs[0]->text_at(7, 52, 8), "ACCOUNTS");  // EIBDS
  EXPECT_EQ(eibs[0]->text_at(9, 52, 8), "ACCOUNTS");  // EIBRSRCE
  EXPECT_EQ(eibs[0]->text_at(5, 52, 4), "0602");      // EIBFN of READ
  EXPECT_GT(first_showing(screens, "Edit Variable : &STRING"), read);
  EXPECT_EQ(std::count_if(screens.begin(), screens.end(),
                          [](const Screen& screen) { return shows(screen, "EIBRESP : NORMAL"); }),
            2);
  ravnmor::store::Bytes record;
  ASSERT_EQ(ravnmor::services::region_store()->file_read(
                "ACCOUNTS", ravnmor::store::Bytes{'1', '0', '0', '2', '0', '0'}, record),
            ravnmor::store::Outcome::ok);
  EXPECT_EQ(std::string(record.begin(), record.end()),
            "100200BAKER, THOMAS       LEEDS           000999999");
}

}  // namespace
}  // namespace qcmd::testing
