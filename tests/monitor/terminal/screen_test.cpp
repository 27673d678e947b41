#include "monitor/terminal/screen.hpp"

#include <gtest/gtest.h>

namespace ravnmor::terminal {
namespace {

// Records in these tests are written as on the wire (EBCDIC) and handed to
// the screen in the region's image, as the net layer would.
Bytes image_of(const Bytes& wire) {
  return image_copy(wire);
}
StreamResult send(Screen& screen, const Bytes& wire) {
  return screen.apply_outbound(image_of(wire));
}

// EW, WCC restore + reset MDT; at row 1 col 1 (12-bit address) a protected
// field "HI"; at row 2 col 1 (14-bit address 80) an unprotected field with the
// cursor in it and "AB", then a protected intensified field.
const Bytes kFormatted = {0xF5, 0xC3, 0x11, 0x40, 0x40, 0x1D, 0x60, 0xC8, 0xC9, 0x11, 0x00,
                          0x50, 0x1D, 0x40, 0x13, 0xC1, 0xC2, 0x11, 0xC1, 0x5A, 0x1D, 0xE8};

TEST(Screen, WriteWithFieldsAndBothAddressForms) {
  Screen screen;
  const auto result = send(screen, kFormatted);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.command, Command::erase_write);
  EXPECT_EQ(screen.row_text(1), " HI" + std::string(77, ' '));
  EXPECT_EQ(screen.text_at(2, 1, 12), " AB         ");
  EXPECT_EQ(screen.cursor(), 81);
  EXPECT_FALSE(screen.keyboard_locked());
  const auto fields = screen.fields();
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].start, 0);
  EXPECT_EQ(fields[0].length, 79);
  EXPECT_TRUE(fields[0].is_protected());
  EXPECT_EQ(fields[1].start, 80);
  EXPECT_EQ(fields[1].length, 9);  // up to address 90 (row 2 column 11)
  EXPECT_FALSE(fields[1].is_protected());
  EXPECT_EQ(fields[2].start, 90);
  EXPECT_TRUE(fields[2].intensified());
  EXPECT_EQ(fields[2].length, kCells - 91);  // wraps to the field at 0
  EXPECT_EQ(screen.unprotected_field(1)->start, 80);
  EXPECT_FALSE(screen.unprotected_field(2));
  EXPECT_EQ(screen.field_at(85)->start, 80);
  EXPECT_EQ(screen.field_at(5)->start, 0);
}

TEST(Screen, RepeatEraseTabEscapeAndAttributeOrders) {
  Screen screen;
  // EW; RA '*' to address 5; SBA 10, SF unprotected, "XY", SBA 20 SF protected;
  // PT from 0 goes to cell 11; GE 'Q' there; SA colour then 'Z'.
  ASSERT_TRUE(send(screen, {0xF5, 0x40, 0x3C, 0x40, 0xC5, 0x5C, 0x11, 0x40, 0x4A, 0x1D,
                            0x40, 0xE7, 0xE8, 0x11, 0x40, 0xD4, 0x1D, 0x60, 0x11, 0x40,
                            0x40, 0x05, 0x08, 0xD8, 0x28, 0x42, 0xF2, 0xE9})
                  .ok());
  EXPECT_EQ(screen.text_at(1, 1, 22), "*****      QZ         ");
  EXPECT_EQ(screen.cell(12).foreground, 0xF2);
  EXPECT_EQ(screen.cell(11).foreground, 0);
  // Write: SBA 0, EUA to 15 erases only the unprotected cells 11-14.
  ASSERT_TRUE(send(screen, {0xF1, 0x40, 0x11, 0x40, 0x40, 0x12, 0x40, 0x4F}).ok());
  EXPECT_EQ(screen.text_at(1, 1, 22), "*****                 ");
  ASSERT_TRUE(send(screen, {0xF1, 0x40, 0x11, 0x40, 0x4B, 0xC1, 0xC2, 0xC3, 0xC4, 0x11, 0x40, 0x4C,
                            0xC7, 0x05, 0xC6})
                  .ok());
  // "ABCD" at 11, then "G" at 12: the PT after it nulls 13..19 and finds no
  // later unprotected field, so 'F' goes to 0.
  EXPECT_EQ(screen.text_at(1, 1, 22), "F****      AG         ");
  // SFE with a highlight at 30, MF makes the field at 10 protected with MDT.
  ASSERT_TRUE(send(screen, {0xF1, 0x40, 0x11, 0x40, 0x5E, 0x29, 0x02, 0xC0, 0x40, 0x41, 0xF4, 0x11,
                            0x40, 0x4A, 0x2C, 0x01, 0xC0, 0x61})
                  .ok());
  EXPECT_EQ(screen.field_at(30)->highlight, 0xF4);
  EXPECT_FALSE(screen.field_at(30)->is_protected());
  EXPECT_TRUE(screen.field_at(10)->is_protected());
  EXPECT_TRUE(screen.field_at(10)->modified());
  // RA with a stop equal to the start fills the whole screen.
  ASSERT_TRUE(send(screen, {0xF5, 0x40, 0x3C, 0x40, 0x40, 0x7B}).ok());
  EXPECT_EQ(screen.row_text(24), std::string(80, '#'));
  EXPECT_FALSE(screen.formatted());
}

TEST(Screen, WccBitsAndEraseAllUnprotected) {
  Screen screen;
  send(screen, kFormatted);
  screen.attention(aid::kEnter);
  EXPECT_TRUE(screen.keyboard_locked());
  // A write without restore keeps the keyboard locked; 0xC4 sounds the alarm.
  send(screen, {0xF1, 0xC4, 0x11, 0xC1, 0x5B, 0xC1});
  EXPECT_TRUE(screen.keyboard_locked());
  EXPECT_TRUE(screen.alarm());
  EXPECT_FALSE(screen.type("Z")) << "a locked keyboard takes no typing";
  screen.reset_keyboard();
  screen.set_cursor(82);
  EXPECT_TRUE(screen.type("Z"));
  EXPECT_TRUE(screen.field_at(82)->modified());
  // EAU: unprotected data gone, MDT off, cursor at the first input cell.
  EXPECT_EQ(send(screen, {0x6F}).command, Command::erase_all_unprotected);
  EXPECT_EQ(screen.text_at(2, 1, 4), "    ");
  EXPECT_EQ(screen.text_at(1, 2, 2), "HI");
  EXPECT_FALSE(screen.field_at(82)->modified());
  EXPECT_EQ(screen.cursor(), 81);
  EXPECT_EQ(send(screen, {0xF6}).command, Command::read_modified);
  EXPECT_EQ(send(screen, {0x02}).command, Command::read_buffer);
}

TEST(Screen, ReadModifiedAndShortRead) {
  Screen screen;
  // Unprotected field at 80 with MDT preset holding "AB"; unprotected field at
  // 160 without; protected field at 200.
  send(screen, {0xF5, 0xC3, 0x11, 0xC1, 0x50, 0x1D, 0xC1, 0xC1, 0xC2, 0x11, 0xC2, 0x60, 0x1D, 0x40,
                0x11, 0xC3, 0xC8, 0x1D, 0x60});
  screen.set_cursor(161);
  EXPECT_EQ(ebcdic_copy(screen.read_modified(aid::kEnter)),
            (Bytes{0x7D, 0xC2, 0x61, 0x11, 0xC1, 0xD1, 0xC1, 0xC2}));
  screen.type("X");
  EXPECT_EQ(ebcdic_copy(screen.read_modified(aid::pf(3))),
            (Bytes{0xF3, 0xC2, 0xE2, 0x11, 0xC1, 0xD1, 0xC1, 0xC2, 0x11, 0xC2, 0x61, 0xE7}));
  EXPECT_EQ(ebcdic_copy(screen.short_read(aid::kClear)), (Bytes{0x6D}));
  EXPECT_EQ(ebcdic_copy(screen.inbound_for(aid::pa(1))), (Bytes{0x6C}));
  // Unformatted: the whole buffer, nulls left out.
  Screen plain;
  send(plain, {0xF5, 0xC2, 0xC1, 0x11, 0x40, 0xC4, 0xC2});
  EXPECT_EQ(ebcdic_copy(plain.read_modified(aid::kEnter)), (Bytes{0x7D, 0x40, 0x40, 0xC1, 0xC2}));
}

TEST(Screen, ReadBufferReproducesTheScreen) {
  Screen screen;
  send(screen, kFormatted);
  send(screen, {0xF1, 0xC2, 0x11, 0x40, 0x5E, 0x29, 0x02, 0xC0, 0x40, 0x42, 0xF2, 0xC5, 0x28, 0x41,
                0xF1, 0xC6});
  const Bytes buffer = screen.read_buffer();
  const Bytes wire = ebcdic_copy(buffer);
  ASSERT_GE(wire.size(), 3u + kCells);
  EXPECT_EQ(wire[0], aid::kNone);
  EXPECT_EQ(Bytes(wire.begin() + 1, wire.begin() + 8),
            (Bytes{0xC1, 0xD1, 0x1D, 0x60, 0xC8, 0xC9, 0x00}));
  // Rewriting the cells (after the AID and cursor) on a fresh screen gives them back.
  Bytes rewrite = {image::command(Command::erase_write), image::six_bits(0)};
  rewrite.insert(rewrite.end(), buffer.begin() + 3, buffer.end());
  Screen copy;
  ASSERT_TRUE(copy.apply_outbound(rewrite).ok());
  for (int a = 0; a < kCells; ++a) {
    const Cell& x = screen.cell(a);
    const Cell& y = copy.cell(a);
    ASSERT_TRUE(x.character == y.character && x.field_attribute == y.field_attribute &&
                x.attribute == y.attribute && x.highlight == y.highlight &&
                x.foreground == y.foreground)
        << "cell " << a;
  }
}

TEST(Screen, MalformedOutboundIsReportedAndSkipped) {
  struct Case {
    const char* name;
    Bytes wire;
    std::string problem;
    std::string row1;  // the first 6 cells afterwards
  };
  const Case cases[] = {
      {"truncated SBA",
       {0xF5, 0x40, 0xC1, 0x11, 0x40},
       "offset 3: SBA is cut off by the end of the record",
       "A     "},
      {"SBA beyond",
       {0xF5, 0x40, 0x11, 0x7F, 0x7F, 0xC1},
       "offset 2: SBA address 4095 is beyond the 1920-cell screen",
       "A     "},
      {"RA beyond",
       {0xF5, 0x40, 0x3C, 0x3F, 0xFF, 0xC1, 0xC2},
       "offset 2: RA address 16383 is beyond the 1920-cell screen",
       "B     "},
      {"SFE past the end",
       {0xF5, 0x40, 0xC1, 0x29, 0x03, 0xC0, 0x60},
       "offset 3: SFE with 3 attribute pairs runs past the end of the record",
       "A     "},
      {"no WCC", {0xF5}, "offset 1: the write has no WCC", "      "},
      {"not a command", {0x42, 0xC1}, "offset 0: X'42' is not a command", "      "},
      {"GE at the end",
       {0xF5, 0x40, 0x08},
       "offset 2: GE is cut off by the end of the record",
       "      "},
  };
  for (const auto& c : cases) {
    Screen screen;
    const auto result = send(screen, c.wire);
    ASSERT_EQ(result.problems.size(), 1u) << c.name;
    EXPECT_EQ(result.problems[0], c.problem) << c.name;
    EXPECT_EQ(screen.text_at(1, 1, 6), c.row1) << c.name;
  }
  EXPECT_FALSE(Screen().apply_outbound({}).ok());
}

TEST(Screen, InboundRecordUpdatesTheModel) {
  Screen screen;
  send(screen, {0xF5, 0xC3, 0x11, 0xC1, 0x50, 0x1D, 0x40, 0xC1, 0xC2, 0xC3,
                0x11, 0xC2, 0x60, 0x1D, 0x40, 0x11, 0xC3, 0xC8, 0x1D, 0x60});
  // The user typed "XY" over "ABC" (erase EOF) and "7" in the second field.
  auto result = screen.apply_inbound(
      image_of({0x7D, 0xC2, 0x62, 0x11, 0xC1, 0xD1, 0xE7, 0xE8, 0x11, 0xC2, 0x61, 0xF7}));
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.aid, aid::kEnter);
  EXPECT_EQ(screen.text_at(2, 2, 4), "XY  ");
  EXPECT_EQ(screen.text_at(3, 2, 2), "7 ");
  EXPECT_TRUE(screen.field_at(81)->modified());
  EXPECT_EQ(screen.field_data(*screen.unprotected_field(1)), (Bytes{'X', 'Y'}));
  EXPECT_EQ(screen.cursor(), 162);
  EXPECT_TRUE(screen.keyboard_locked());
  EXPECT_EQ(ebcdic_copy(screen.read_modified(aid::kEnter)),
            (Bytes{0x7D, 0xC2, 0xE2, 0x11, 0xC1, 0xD1, 0xE7, 0xE8, 0x11, 0xC2, 0x61, 0xF7}));
  // Hostile input: SBA at an attribute, data past the field's end, truncation.
  result = screen.apply_inbound(image_of(
      {0x7D, 0x40, 0x40, 0x11, 0xC1, 0x50, 0xC1, 0x11, 0xC3, 0xC9, 0xC1, 0xC1, 0x11, 0x40}));
  ASSERT_EQ(result.problems.size(), 3u);
  EXPECT_EQ(result.problems[0], "offset 3: SBA address 80 is not a data cell");
  EXPECT_EQ(result.problems[2], "offset 12: SBA is cut off by the end of the record");
  EXPECT_EQ(screen.text_at(2, 2, 2), "XY");
  // A Clear key clears the model.
  EXPECT_TRUE(screen.apply_inbound(image_of({0x6D})).ok());
  EXPECT_FALSE(screen.formatted());
}

TEST(Screen, KeyboardEditing) {
  Screen screen;
  // Fields: unprotected at 0 (length 4), protected at 5, unprotected at 10.
  send(screen, {0xF5, 0xC2, 0x1D, 0x40, 0x11, 0x40, 0xC5, 0x1D, 0x60, 0x11, 0x40, 0x4A, 0x1D, 0x40,
                0x11, 0x40, 0x4F, 0x1D, 0x60});
  screen.set_cursor(1);
  EXPECT_TRUE(screen.type("ABCDE"));  // four cells, then on in the field at 10
  EXPECT_EQ(screen.text_at(1, 1, 14), " ABCD      E  ");
  EXPECT_EQ(screen.cursor(), 12);
  screen.set_cursor(7);
  EXPECT_FALSE(screen.type("X"));
  screen.set_cursor(2);
  EXPECT_TRUE(screen.erase_eof());
  EXPECT_EQ(screen.text_at(1, 1, 6), " A    ");
  screen.tab();
  EXPECT_EQ(screen.cursor(), 11);
  screen.tab();
  EXPECT_EQ(screen.cursor(), 1);
  screen.clear();
  EXPECT_FALSE(screen.formatted());
  EXPECT_EQ(screen.cursor(), 0);
  EXPECT_TRUE(screen.type("HELLO"));
  EXPECT_EQ(screen.row_text(1).substr(0, 6), "HELLO ");
}

}  // namespace
}  // namespace ravnmor::terminal
