#include "shell/cmdscreen.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "support/qcmd.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"

namespace qcmd::testing {
namespace {

using ::testing::HasSubstr;

// Whether the field whose attribute is at `offset` is shown emphasised.
bool emphasised(const Screen& screen, int offset) {
  auto field = screen.field_at(offset - 1);
  return field && field->start == offset - 1 && field->intensified();
}

constexpr int option_offset(int line) {
  return (7 + line - 1) * host::kScreenColumns + 1 - 80;
}

class CmdScreenTest : public QcmdTest {
 protected:
  // Runs the command screen for `text` as a program and returns the screens
  // sent.
  std::vector<Screen> run(
      const char* text, std::function<void()> before = [] {}, std::function<void()> after = [] {}) {
    run_program([=, this] {
      EXPECT_EQ(type_command(text), 0) << text;
      before();
      returned = CintCmdScreen() == 0;
      after();
    });
    return screens();
  }

  bool returned = false;
};

TEST_F(CmdScreenTest, OptionsWithTheirValuesInBothModes) {
  user.pf(2).pf(2).pf(3);
  auto screens = run("QCMD WRITEQ TS QUEUE(Q1) FROM(&STRING) LENGTH(&HWORD) NOSUSPEND");
  EXPECT_TRUE(returned);
  ASSERT_EQ(screens.size(), 3u);
  const Screen& chars = screens[0];
  EXPECT_THAT(chars.row_text(1), HasSubstr("Ravnmor Command Interpreter"));
  EXPECT_TRUE(shows_at(chars, 401, "WRITEQ TS "));
  EXPECT_TRUE(emphasised(chars, 401));
  struct Line {
    const char* text;
    bool present;
  };
  // WRITEQ TS: QUEUE! c5; FROM! c32767; LENGTH! h2; ITEM h2; REWRITE; SYSID c5; MAIN;
  // AUXILIARY; NOSUSPEND
  const Line lines[] = {
      {"QUEUE(Q1)", true},     {"FROM(EXAMPLE STRING ARGUMENT)", true},
      {"LENGTH(01234)", true}, {"[ ITEM() ]", false},
      {"[ REWRITE ]", false},  {"[ SYSID() ]", false},
      {"[ MAIN ]", false},     {"[ AUXILIARY ]", false},
      {"[ NOSUSPEND ]", true},
  };
  for (int i = 0; i < 9; ++i) {
    std::string expected = std::string(lines[i].text) + "  ";  // nothing after the line
    EXPECT_TRUE(shows_at(chars, option_offset(i + 1), expected)) << i;
    EXPECT_EQ(emphasised(chars, option_offset(i + 1)), lines[i].present) << i;
  }
  EXPECT_EQ(chars.row_text(16), std::string(80, ' '));
  EXPECT_TRUE(shows_at(chars, 1485, "STATUS: Command syntax check "));
  EXPECT_TRUE(emphasised(chars, 1485));
  EXPECT_EQ(text_at(chars, 1565, 30), std::string(30, ' '));

  // PF2: hexadecimal; a string shows its first 20 bytes and " ....".
  const Screen& hex = screens[1];
  EXPECT_TRUE(shows_at(hex, option_offset(1), "QUEUE(5131) "));
  std::string from =
      "FROM(4558414d504c4520535452494e472041524755"
      "4d ....) ";
  EXPECT_TRUE(shows_at(hex, option_offset(2), from));
  EXPECT_TRUE(shows_at(hex, option_offset(3), "LENGTH(04D2) "));
  // PF2 again: characters.
  EXPECT_TRUE(shows_at(screens[2], option_offset(2), "FROM(EXAMPLE STRING ARGUMENT)"));
  EXPECT_EQ(displaymode, kDisplayCharacter);
}

TEST_F(CmdScreenTest, KeyLabelsAndTheCommandLine) {
  user.pf(3);
  auto screens = run("QCMD ASKTIME ABSTIME(&DWORD)");
  ASSERT_EQ(screens.size(), 1u);
  const Screen& screen = screens[0];
  struct Label {
    int offset;
    const char* text;
  };
  const Label labels[] = {
      {1681, "(PF2) Hexadecimal"}, {1761, "(PF3) Previous"},    {1841, "(PF4) EIB"},
      {1712, "(PF5) Variables"},   {1792, "(PF6) User Screen"}, {1872, "(PF7) Backward"},
      {1740, "(PF8) Forward"},     {1820, "(PF9) Messages"},    {1900, "(Enter) Continue"},
  };
  for (const Label& label : labels) {
    EXPECT_TRUE(shows_at(screen, label.offset, label.text));
    EXPECT_FALSE(emphasised(screen, label.offset)) << label.text;
  }
  EXPECT_TRUE(shows_at(screen, option_offset(1), "[ ABSTIME(00DCBA9876543210) ]"));
  EXPECT_TRUE(shows_at(screen, 160, "====> QCMD ASKTIME ABSTIME(&DWORD) "));
  // The cursor stands just after the command text: cell 161 + 6 + 28, from 0.
  EXPECT_EQ(screen.cursor(), 161 + 6 + 28 - 1);
}

TEST_F(CmdScreenTest, NumbersPackedAndPointersInBothModes) {
  user.pf(2).pf(3);
  auto screens = run("QCMD DELAY INTERVAL(&PACKED) TIME(12345) REQID(R1)");
  ASSERT_EQ(screens.size(), 2u);
  for (const Screen& screen : screens) {  // packed decimal shows the same in both modes
    EXPECT_TRUE(shows_at(screen, option_offset(1), "[ INTERVAL(4123456C) ]"));
    // A literal number is not shown.
    EXPECT_TRUE(shows_at(screen, option_offset(2), "[ TIME() ]"));
  }
  EXPECT_TRUE(shows_at(screens[1], option_offset(3), "[ REQID(5231) ]"));
}

TEST_F(CmdScreenTest, FullwordsAndPointers) {
  user.pf(2).pf(3);
  auto screens = run("QCMD GETMAIN SET(&FWORD) FLENGTH(&FWORD) LENGTH(7)");
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_TRUE(shows_at(screens[0], option_offset(1), "SET(0123456789)"));
  EXPECT_TRUE(shows_at(screens[0], option_offset(2), "[ LENGTH() ]"));
  EXPECT_TRUE(shows_at(screens[0], option_offset(3), "[ FLENGTH(0123456789) ]"));
  EXPECT_TRUE(shows_at(screens[1], option_offset(1), "SET(075BCD15)"));
}

// A variable smaller than the option's type shows the bytes it has, and no
// more: the screen never reads past a variable's storage.
TEST_F(CmdScreenTest, AVariableSmallerThanItsOptionShowsItsOwnBytes) {
  user.pf(3);
  auto screens = run("QCMD ASKTIME ABSTIME(&PACKED)");
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(shows_at(screens[0], option_offset(1), "[ ABSTIME(4123456c) ]"));
}

TEST_F(CmdScreenTest, PagingByTwelveOptions) {
  // READ has 18 options: a page shows 13, the next starts 12 further on.
  user.pf(8).pf(7).pf(8).pf(4).pf(3).pf(3);
  auto screens = run("QCMD READ FILE(F1) RIDFLD(K1) UPDATE");
  ASSERT_EQ(screens.size(), 6u);  // the fifth is the EIB screen
  const Screen& first = screens[0];
  EXPECT_TRUE(shows_at(first, option_offset(1), "[ DATASET() ]"));
  EXPECT_TRUE(shows_at(first, option_offset(2), "[ FILE(F1) ]"));
  EXPECT_TRUE(shows_at(first, option_offset(6), "RIDFLD(K1)"));
  EXPECT_TRUE(shows_at(first, option_offset(13), "[ RRN ]"));  // option 13 on row 19
  EXPECT_EQ(first.row_text(20).substr(0, 40), std::string(40, ' '));

  const Screen& second = screens[1];
  EXPECT_TRUE(shows_at(second, option_offset(1), "[ RRN ]"));
  EXPECT_TRUE(shows_at(second, option_offset(6), "[ UPDATE ]"));
  EXPECT_TRUE(emphasised(second, option_offset(6)));
  EXPECT_EQ(second.row_text(13), std::string(80, ' '));  // option 18 is the last

  EXPECT_TRUE(shows_at(screens[2], option_offset(1), "[ DATASET() ]"));  // PF7
  EXPECT_TRUE(shows_at(screens[3], option_offset(1), "[ RRN ]"));        // PF8
  EXPECT_THAT(screens[4].row_text(1), HasSubstr("Exec Interface Block"));
  // Back from the EIB screen the first page is shown again.
  EXPECT_TRUE(shows_at(screens[5], option_offset(1), "[ DATASET() ]"));
}

TEST_F(CmdScreenTest, PagingPastAShortListShowsNoOptions) {
  user.pf(8).pf(7).pf(3);
  auto screens = run("QCMD DELETEQ TS QUEUE(Q1)");
  ASSERT_EQ(screens.size(), 3u);
  for (int row = 7; row <= 18; ++row) EXPECT_EQ(screens[1].row_text(row), std::string(80, ' '));
  EXPECT_TRUE(shows_at(screens[2], option_offset(1), "QUEUE(Q1)"));
}

TEST_F(CmdScreenTest, VerbArgument) {
  user.pf(3);
  auto screens = run("QCMD INQUIRE FILE(FILEA) OPENSTATUS(&FWORD)");
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(shows_at(screens[0], 401, "INQUIRE FILE(FILEA) "));
  EXPECT_TRUE(shows_at(screens[0], option_offset(2), "[ OPENSTATUS(0123456789) ]"));
}

TEST_F(CmdScreenTest, APendingMessageIsDroppedAndAFailedSendEndsTheRun) {
  // No key at all: the user hangs up on the first screen, so the send fails.
  auto screens = run(
      "QCMD ASKTIME", [] { cintschedmsg(kMsgNoVerb); },
      [] {
        EXPECT_EQ(TerminateQCMD, 1);
        EXPECT_EQ(GlobalErrorNum, 0u);
      });
  EXPECT_TRUE(returned);
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_EQ(screens[0].row_text(20), std::string(80, ' '));  // the message was dropped
  EXPECT_EQ(test_region.error_log(), "");  // no error report for the command screen
}

}  // namespace
}  // namespace qcmd::testing
