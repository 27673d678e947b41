#include "monitor/terminal/scripted.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace ravnmor::terminal {
namespace {

// EW restoring the keyboard: "NAME" protected at row 1, an input field at
// row 1 column 7 (length 8), a second input field at row 2 column 1.
const Bytes kForm = image_copy(Bytes{0xF5, 0xC3, 0x1D, 0x60, 0xD5, 0xC1, 0xD4, 0xC5, 0x11, 0x40,
                                     0xC5, 0x1D, 0x40, 0x11, 0x40, 0xCE, 0x1D, 0x60, 0x11, 0xC1,
                                     0x50, 0x1D, 0x40, 0x11, 0xC1, 0x5A, 0x1D, 0x60});

TEST(ScriptedTerminal, TypesIntoFieldsAndPressesKeys) {
  ScriptedTerminal terminal;
  terminal.type_field(1, "JOE").enter().type_field(2, "X").cursor(2, 5).pf(3).pa(2).clear();
  ASSERT_TRUE(terminal.send(kForm));
  Bytes record;
  ASSERT_TRUE(terminal.receive(record));
  // Enter, cursor after "JOE" (row 1 col 10 = 9 -> C9), field 1 at 6.
  EXPECT_EQ(ebcdic_copy(record), (Bytes{0x7D, 0x40, 0xC9, 0x11, 0x40, 0xC6, 0xD1, 0xD6, 0xC5}));
  EXPECT_EQ(terminal.screen().row_text(1).substr(0, 12), " NAME JOE   ");
  EXPECT_TRUE(terminal.screen().keyboard_locked());
  ASSERT_TRUE(terminal.receive(record));
  // PF3 with the cursor at 84; both fields modified (no WCC reset in between).
  EXPECT_EQ(ebcdic_copy(record),
            (Bytes{0xF3, 0xC1, 0xD4, 0x11, 0x40, 0xC6, 0xD1, 0xD6, 0xC5, 0x11, 0xC1, 0xD1, 0xE7}));
  ASSERT_TRUE(terminal.receive(record));
  EXPECT_EQ(ebcdic_copy(record), (Bytes{0x6E}));
  ASSERT_TRUE(terminal.receive(record));
  EXPECT_EQ(ebcdic_copy(record), (Bytes{0x6D}));
  EXPECT_FALSE(terminal.screen().formatted());
  EXPECT_TRUE(terminal.problems().empty());
  // The script is used up: the user has hung up.
  EXPECT_FALSE(terminal.receive(record));
  EXPECT_TRUE(terminal.hung_up());
  EXPECT_FALSE(terminal.send(kForm));
  EXPECT_EQ(terminal.sent().size(), 1u);
}

TEST(ScriptedTerminal, RefusalsAreRecorded) {
  ScriptedTerminal terminal;
  terminal.cursor(1, 2).type("Q").type_field(3, "A").type_field(1, "TOOLONGTEXT").enter();
  terminal.send(kForm);
  Bytes record;
  ASSERT_TRUE(terminal.receive(record));
  ASSERT_EQ(terminal.problems().size(), 3u);
  EXPECT_EQ(terminal.problems()[0], "typing refused at a protected cell: Q");
  EXPECT_EQ(terminal.problems()[1], "no unprotected field 3");
  EXPECT_EQ(terminal.screen().text_at(1, 7, 10), "TOOLONGT  ");
  terminal.send(Bytes{image::command(Command::write)});
  EXPECT_EQ(terminal.problems().back(), "sent record: offset 1: the write has no WCC");
}

TEST(ScriptedTerminal, ActionsFromAStreamAndTheDisplay) {
  std::istringstream script(
      "# a session\ntype 2 hello you\nbogus 1\n\ncursor 1 8\ninput AB\npf 12\nhangup\nenter\n");
  std::ostringstream display;
  ScriptedTerminal terminal(script, display);
  ASSERT_TRUE(terminal.send(kForm));
  Bytes record;
  ASSERT_TRUE(terminal.receive(record));
  EXPECT_EQ(ebcdic_copy(record).front(), 0x7C);
  EXPECT_EQ(terminal.screen().text_at(1, 7, 4), " AB ");
  EXPECT_EQ(terminal.screen().row_text(2).substr(0, 12), " hello you  ");
  EXPECT_FALSE(terminal.receive(record)) << "hangup ends the session before the Enter";
  const std::string shown = display.str();
  EXPECT_NE(shown.find("| NAME" + std::string(75, ' ') + "|\n"), std::string::npos);
  EXPECT_NE(shown.find("? not an action: bogus 1\n"), std::string::npos);
  EXPECT_NE(shown.find("cursor 1,1\n"), std::string::npos);
  ScriptedTerminal parser;
  for (const char* bad : {"pf 25", "pa 0", "cursor 25 1", "type x y", "enter now", "input"}) {
    EXPECT_FALSE(parser.queue_line(bad)) << bad;
  }
}

}  // namespace
}  // namespace ravnmor::terminal
