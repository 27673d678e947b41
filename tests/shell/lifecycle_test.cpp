#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/qcmd.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd::testing {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// A row of the verb list: four verbs, each after its attribute cell and
// shown in 19 of its 20 cells.
std::string verb_row(std::vector<std::string> verbs) {
  std::string row;
  for (std::string& verb : verbs) {
    verb.resize(19, ' ');
    row += " " + verb;
  }
  row.resize(80, ' ');
  return row;
}

TEST_F(QcmdTest, TheFirstScreenIsTheInitialScreenAndPf3EndsWithEraseAndReturn) {
  user.pf(3);
  region::TaskOutcome outcome = run();
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 2u);  // the initial screen, then the erase

  terminal::Screen first = screen_sent(0);
  EXPECT_THAT(first.row_text(1), StartsWith(" RAVNMOR "));
  EXPECT_THAT(first.row_text(1), HasSubstr("Ravnmor Command Interpreter"));
  EXPECT_THAT(first.row_text(2), StartsWith(" Terminal T001  Transaction QCMD"));
  EXPECT_EQ(first.row_text(3), padded("====> QCMD"));
  auto command = first.unprotected_field(1);
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->first(), 2 * 80 + 6);  // row 3, column 7
  EXPECT_GE(command->length, 230);
  EXPECT_EQ(first.text_at(3, 7, 230), padded("QCMD") + std::string(150, ' '));
  EXPECT_EQ(first.cursor(), 2 * 80 + 10);  // just after "QCMD"
  EXPECT_EQ(first.row_text(6), verb_row({"ABEND", "ADDRESS", "ALLOCATE", "ASKTIME"}));
  EXPECT_EQ(first.row_text(18), verb_row({"PUSH HANDLE", "READ", "READNEXT", "READPREV"}));
  EXPECT_THAT(message_line(first), StartsWith(" OXM3210I "));
  EXPECT_EQ(first.row_text(23), padded("    (PF3) Return     (PF5) Variables     (PF7) Backward "));
  EXPECT_EQ(first.row_text(24), padded("    (PF4) EIB        (PF6) User Screen   (PF8) Forward    "
                                       "(Enter) Continue"));

  // SEND CONTROL ERASE FREEKB left an empty screen with the keyboard free.
  EXPECT_THAT(user.screen().lines(), Each(std::string(80, ' ')));
  EXPECT_FALSE(user.screen().keyboard_locked());
  EXPECT_EQ(varanchor.head, nullptr);  // every variable deleted at the end
  EXPECT_EQ(varanchor.numvars, 0);
}

// A hung-up terminal ends the run through the epilogue that ends with RETURN;
// a failed send after an XCTL command ends it without the epilogue.
TEST_F(QcmdTest, AHungUpTerminalEndsTheRunThroughTheSameEpilogue) {
  user.type_field(1, "QCMD RETURN");
  user.enter();  // then the user is gone: the next screen cannot be sent
  region::TaskOutcome outcome = run();
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_TRUE(outcome.terminal_lost);
  EXPECT_EQ(user.sent().size(), 2u);  // the second screen went out; no key came back
}

TEST_F(QcmdTest, AFailedSendAfterAnXctlCommandEndsTheRunWithoutEndingCalls) {
  user.type_field(1, "QCMD XCTL PROGRAM(ELSEWHERE)").enter();  // then the user is gone
  region::TaskOutcome outcome = run();
  EXPECT_TRUE(outcome.terminal_lost);
  EXPECT_EQ(outcome.end, region::TaskEnd::program_ended);
}

TEST_F(QcmdTest, TheTraceSwitchIsTakenAfreshByEveryRun) {
  {
    region::TestRegion traced(true);
    traced.terminal().pf(3);
    traced.run("QCMD");
    EXPECT_EQ(debugtrace, 1);
  }
  user.pf(3);
  run();
  EXPECT_EQ(debugtrace, 0);
}

TEST_F(QcmdTest, Pf7AndPf8PageTheVerbsAndSayWhenThereIsNoOtherPage) {
  user.pf(8).pf(8).pf(7).pf(7).pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 6u);

  terminal::Screen second = screen_sent(1);
  EXPECT_EQ(second.row_text(6), verb_row({"READQ TD", "READQ TS", "RECEIVE", "RECEIVE MAP"}));
  EXPECT_EQ(second.row_text(13), verb_row({"WRITE", "WRITEQ TD", "WRITEQ TS", "XCTL"}));
  for (int row = 14; row <= 18; ++row) EXPECT_EQ(second.row_text(row), padded("")) << row;
  EXPECT_EQ(message_line(second), padded(""));  // 3210 was shown once, on the first screen

  terminal::Screen again = screen_sent(2);
  EXPECT_EQ(again.row_text(6), second.row_text(6));  // the page stays
  EXPECT_THAT(message_line(again), StartsWith(" OXM3213W "));

  terminal::Screen back = screen_sent(3);
  EXPECT_EQ(back.row_text(6), verb_row({"ABEND", "ADDRESS", "ALLOCATE", "ASKTIME"}));
  EXPECT_EQ(message_line(back), padded(""));
  EXPECT_THAT(message_line(screen_sent(4)), StartsWith(" OXM3212W "));
}

TEST_F(QcmdTest, TheNextRunStartsOnThePageTheLastOneLeft) {
  user.pf(8).pf(3);
  run();
  user.pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 5u);
  EXPECT_EQ(screen_sent(3).row_text(6),
            verb_row({"READQ TD", "READQ TS", "RECEIVE", "RECEIVE MAP"}));
  EXPECT_EQ(screen_sent(3).row_text(3), padded("====> QCMD"));
}

TEST_F(QcmdTest, EnterWithoutAVerbKeepsTheTextAndSays3211) {
  user.type_field(1, "READ FILE(F)").enter();  // READ is taken as the transaction identifier
  user.type_field(1, "QCMD").enter();          // the identifier alone
  user.type_field(1, "  qcmd     ").enter();   // blanks after it
  user.pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 5u);
  EXPECT_THAT(message_line(screen_sent(1)), StartsWith(" OXM3211E "));
  EXPECT_EQ(screen_sent(1).row_text(3), padded("====> READ FILE(F)"));
  EXPECT_THAT(message_line(screen_sent(2)), StartsWith(" OXM3211E "));
  EXPECT_THAT(message_line(screen_sent(3)), StartsWith(" OXM3211E "));
  EXPECT_EQ(screen_sent(3).row_text(3), padded("====>   qcmd"));  // leading blanks stay
  EXPECT_EQ(screen_sent(3).cursor(), 2 * 80 + 12);
}

TEST_F(QcmdTest, ALineLongerThan229CharactersKeepsItsFirst229) {
  std::string typed = "QCMD " + std::string(200, 'X') + std::string(28, 'Y');  // 233
  user.type_field(1, typed).enter().pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 3u);
  EXPECT_EQ(screen_sent(1).text_at(3, 7, 230), typed.substr(0, 229) + " ");
  EXPECT_THAT(message_line(screen_sent(1)), StartsWith(" OXM3211E "));
}

TEST_F(QcmdTest, Pf6BeforeAnyCommandShowsAnEmptyScreenUntilAKey) {
  user.pf(6).enter().pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 4u);
  terminal::Screen saved;
  auto result = saved.apply_outbound(user.sent()[1]);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.command, terminal::Command::erase_write);
  EXPECT_THAT(saved.lines(), Each(std::string(80, ' ')));
  EXPECT_EQ(screen_sent(2).row_text(3), padded("====> QCMD"));  // the initial screen again
}

TEST_F(QcmdTest, AVerbLeadsToTheCommandScreenAndPf3BackToTheInitialScreen) {
  user.type_field(1, "QCMD send map(m1) mapset(s1)").enter().pf(3);
  user.enter();  // the line unchanged: recognised again
  user.pf(3).pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 6u);
  EXPECT_TRUE(shows(screen_sent(1), "SEND MAP")) << "the command screen";
  terminal::Screen back = screen_sent(2);
  EXPECT_EQ(back.row_text(3), padded("====> QCMD send map(m1) mapset(s1)"));  // the user's case
  EXPECT_THAT(message_line(back), StartsWith(" OXM3210I "));
  EXPECT_TRUE(shows(screen_sent(3), "SEND MAP"));
  EXPECT_EQ(screen_sent(4).row_text(3), back.row_text(3));
}

TEST_F(QcmdTest, Pf4ShowsTheEibScreenUntilPf3ThenTheInitialScreenComesBack) {
  user.pf(4).enter().pf(3).pf(3);
  run();
  ASSERT_EQ(user.sent().size(), 5u);
  EXPECT_THAT(screen_sent(1).row_text(1), Not(HasSubstr("Ravnmor Command Interpreter")));
  for (int row = 2; row <= 24; ++row) {  // Enter: the same screen again (row 1 has the time)
    EXPECT_EQ(screen_sent(1).row_text(row), screen_sent(2).row_text(row)) << row;
  }
  EXPECT_EQ(screen_sent(3).row_text(3), padded("====> QCMD"));
}

}  // namespace
}  // namespace qcmd::testing
