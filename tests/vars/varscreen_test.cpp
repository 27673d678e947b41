#include "vars/varscreen.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "support/qcmd.hpp"
#include "vars/editvarscreen.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd::testing {
namespace {

using ::testing::HasSubstr;

varnode* add(const char* name, std::int32_t type) {
  varnode* node = addvarnode(type, 0);
  std::strcpy(node->name, name);
  return node;
}

// The variables screen runs with the five example variables.
class VarScreenTest : public QcmdTest {
 protected:
  std::vector<Screen> run(std::function<void()> program) {
    run_program(std::move(program));
    return screens();
  }
};

// Name, length and value of the row `row` as shown.
struct Row {
  std::string name, length, value;
};
Row row_of(const ravnmor::terminal::Screen& screen, int row, int value_width) {
  auto trim = [](std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
  };
  return {trim(screen.text_at(row, 2, 11)), trim(screen.text_at(row, 14, 10)),
          trim(screen.text_at(row, 25, value_width))};
}

TEST_F(VarScreenTest, EveryTypeInBothModes) {
  user.pf(2).pf(3);
  auto screens = run([] {
    add("&PTR", kTypePointer)->value[0] = 0x10;  // 16 on a little-endian host
    cintvarscreen();
  });
  ASSERT_EQ(screens.size(), 2u);
  const auto& chars = screens[0];
  EXPECT_THAT(chars.row_text(1), HasSubstr("Command Interpreter - Variables"));
  EXPECT_EQ(chars.text_at(6, 2, 36), "Name        Length     Variable Data");
  struct Case {
    int row;
    const char *name, *length, *chars, *hex;
  };
  const Case cases[] = {
      {8, "&HWORD", "00002", "01234", "004d2"},
      {9, "&FWORD", "00004", "0123456789", "00075bcd15"},
      {10, "&DWORD", "00008", "00DCBA9876543210", "00DCBA9876543210"},
      {11, "&STRING", "00023", "EXAMPLE STRING ARGUMENT",
       "4558414d504c4520535452494e4720415247554d ...."},
      {12, "&PACKED", "00004", "4123456C", "4123456C"},
      {13, "&PTR", "00004", "0000000016", "0000000010"},
  };
  for (const Case& c : cases) {
    Row shown = row_of(chars, c.row, 45);
    EXPECT_EQ(shown.name, c.name);
    EXPECT_EQ(shown.length, c.length) << c.name;
    EXPECT_EQ(shown.value, c.chars) << c.name;
    EXPECT_EQ(row_of(screens[1], c.row, 45).value, c.hex) << c.name;
  }
  EXPECT_EQ(chars.text_at(20, 65, 12), "CHAR/DECIMAL");
  EXPECT_EQ(screens[1].text_at(20, 65, 11), "HEXADECIMAL");
  EXPECT_EQ(chars.text_at(23, 12, 55), "(PF2) Hexadecimal   (PF3) Return   (PF10) Edit Variable");
  EXPECT_EQ(screens[1].text_at(23, 12, 55),
            "(PF2) Char/Decimal  (PF3) Return   (PF10) Edit Variable");
  // The new-variable row follows the last variable; the cursor is on its name.
  EXPECT_EQ(chars.cursor(), 13 * 80 + 1);
  EXPECT_EQ(displaymode, kDisplayHex);
}

TEST_F(VarScreenTest, CreatingVariablesFromTheNewRow) {
  // Row 13 (fields 17, 18, 19) is the new-variable row under the five.
  user.type_field(17, "NEW").type_field(18, "10").enter();    // no "&": 3240
  user.type_field(17, "&NEW").type_field(18, "1X").enter();   // not a length: 3242
  user.type_field(18, "40000").enter();                       // too long: 3241
  user.type_field(18, "10").type_field(19, "HELLO").enter();  // made
  user.type_field(20, "&HALF").type_field(21, "h").type_field(22, "65535").enter();
  user.pf(3);
  std::vector<std::string> names;
  auto screens = run([&] {
    cintvarscreen();
    const varnode* made = findnode("&NEW");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->type, kTypeString);
    EXPECT_EQ(made->len, 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(made->value), 11),
              std::string("HELLO     ") + '\0');
    const varnode* half = findnode("&HALF");
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->type, kTypeHalfword);
    EXPECT_EQ(half->len, 2);
    EXPECT_EQ(half->value[0], 0xFF);
    EXPECT_EQ(half->value[1], 0xFF);
    EXPECT_EQ(varanchor.numuservars, 7);
  });
  ASSERT_EQ(screens.size(), 6u);
  EXPECT_THAT(screens[1].row_text(20), HasSubstr("OXM3240"));
  EXPECT_EQ(row_of(screens[1], 13, 40).name, "NEW");  // shown again for correction
  EXPECT_THAT(screens[2].row_text(20), HasSubstr("OXM3242"));
  EXPECT_THAT(screens[3].row_text(20), HasSubstr("OXM3241"));
  EXPECT_EQ(row_of(screens[4], 13, 40).length, "00010");
  EXPECT_EQ(row_of(screens[4], 13, 40).value, "HELLO");
  EXPECT_EQ(row_of(screens[4], 14, 40).name, "");  // the next new-variable row
  EXPECT_EQ(row_of(screens[5], 14, 40).value, "65535");
}

TEST_F(VarScreenTest, TwelveVariablesLeaveNoNewRow) {
  user.enter().pf(3);
  auto screens = run([] {
    for (int i = 0; i < 7; ++i) add(("&V" + std::to_string(i)).c_str(), kTypeFullword);
    cintvarscreen();
    EXPECT_EQ(varanchor.numuservars, 12);
  });
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_EQ(row_of(screens[0], 19, 10).name, "&V6");
  // Twelve rows of three fields after the command line, and nothing more.
  int input_fields = 0;
  for (const auto& field : screens[0].fields())
    if (!field.is_protected()) ++input_fields;
  EXPECT_EQ(input_fields, 1 + 12 * 3);
}

TEST_F(VarScreenTest, RenameRetypeResizeAndDelete) {
  user.type_field(2, "&H2")  // rename &HWORD
      .type_field(5, "")     // blank &FWORD's name: deleted
      .type_field(9, "5")    // &DWORD becomes a 5-byte string
      .type_field(10, "ABCDE")
      .type_field(12, "30")  // &STRING grows to 30
      .type_field(15, "F")   // &PACKED becomes a fullword
      .type_field(16, "77")
      .enter()
      .type_field(9, "00010")  // &STRING shrinks to 10 (now row 3)
      .enter()
      .pf(3);
  auto screens = run([] {
    cintvarscreen();
    EXPECT_EQ(findnode("&HWORD"), nullptr);
    EXPECT_EQ(findnode("&FWORD"), nullptr);
    EXPECT_EQ(varanchor.numuservars, 4);
    varnode* h2 = findnode("&H2");
    ASSERT_NE(h2, nullptr);
    EXPECT_EQ(h2->seqno, 1);
    varnode* dword = findnode("&DWORD");
    ASSERT_NE(dword, nullptr);
    EXPECT_EQ(dword->type, kTypeString);
    EXPECT_EQ(dword->len, 5);
    EXPECT_EQ(std::memcmp(dword->value, "ABCDE", 5), 0);
    varnode* string = findnode("&STRING");
    ASSERT_NE(string, nullptr);
    EXPECT_EQ(string->len, 10);
    EXPECT_EQ(std::memcmp(string->value, "EXAMPLE ST", 10), 0);
    varnode* packed = findnode("&PACKED");
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(packed->type, kTypeFullword);
    std::uint32_t word = 0;
    std::memcpy(&word, packed->value, 4);
    EXPECT_EQ(word, 77u);
  });
  ASSERT_EQ(screens.size(), 3u);
  // After the first Enter the rows moved up and &STRING shows its 30 bytes:
  // the typed text and the blanks of the field after it.
  EXPECT_EQ(row_of(screens[1], 11, 45).name, "&PACKED");
  EXPECT_EQ(row_of(screens[1], 10, 45).length, "00030");
  EXPECT_EQ(screens[1].text_at(10, 25, 30), "EXAMPLE STRING ARGUMENT       ");
}

TEST_F(VarScreenTest, HexadecimalValuesAreStored) {
  user.pf(2)
      .type_field(4, "00fff")     // &HWORD
      .type_field(7, "ffffffff")  // &FWORD
      .type_field(13, "c1c2")     // &STRING: 23 bytes, so 20 are replaced
      .enter()
      .pf(3);
  run([] {
    cintvarscreen();
    std::uint16_t half = 0;
    std::memcpy(&half, findnode("&HWORD")->value, 2);
    EXPECT_EQ(half, 0xFFF);
    std::uint32_t word = 0;
    std::memcpy(&word, findnode("&FWORD")->value, 4);
    EXPECT_EQ(word, 4294967295u);
    const std::uint8_t* string = findnode("&STRING")->value;
    EXPECT_EQ(string[0], 0xC1);
    EXPECT_EQ(string[1], 0xC2);
    EXPECT_EQ(string[2], 0);  // what was not typed reads as zero halves
    EXPECT_EQ(string[20], 'E');
  });
}

TEST_F(VarScreenTest, EditingALongStringOnItsLastAndFirstPage) {
  user.cursor(11, 3).pf(10);  // on &STRING's row
  for (int i = 0; i < 68; ++i) user.pf(8);
  user.pf(8);  // beyond the last page: 3250
  user.pf(2);  // to hexadecimal, on the last page
  user.type_field(5, "4142202020202020").type_field(4, "zz").pf(7);  // 32760: 8 bytes
  for (int i = 0; i < 67; ++i) user.pf(7);
  user.pf(7);                               // at the first page: 3251
  user.pf(2).type_field(1, "HELLO").pf(3);  // character mode on the first page
  user.pf(3);
  auto screens = run([] {
    varnode* string = findnode("&STRING");
    string->len = 32768;
    cintvarscreen();
    EXPECT_EQ(std::memcmp(string->value, "HELLO", 5), 0);
    EXPECT_EQ(string->value[5], ' ');  // the rest of the replaced line: blanks
    EXPECT_EQ(string->value[30], ' ');
    EXPECT_EQ(string->value[32760], 0x41);
    EXPECT_EQ(string->value[32761], 0x42);
    EXPECT_EQ(string->value[32762], 0x20);  // the rest of the line as shown
    EXPECT_EQ(string->value[32730], 0x20);  // the refused line is unchanged
  });
  // variables, edit page 1, 68 pages on, the refusal, the hex page, ...
  ASSERT_GE(screens.size(), 72u);
  const auto& last = screens[69];
  EXPECT_THAT(last.row_text(1), HasSubstr("Edit Variable : &STRING"));
  EXPECT_EQ(last.text_at(4, 2, 5), "32640");
  EXPECT_EQ(last.text_at(8, 2, 5), "32760");
  EXPECT_EQ(last.text_at(8, 8, 8), "        ");
  EXPECT_THAT(screens[70].row_text(20), HasSubstr("OXM3250"));
  EXPECT_EQ(screens[71].text_at(8, 8, 16), "2020202020202020");
  EXPECT_THAT(screens[72].row_text(20), HasSubstr("OXM3252"));
  EXPECT_EQ(screens[72].text_at(4, 2, 5), "32160");
  const auto& first = screens[screens.size() - 3];
  EXPECT_THAT(first.row_text(20), HasSubstr("OXM3251"));
  EXPECT_EQ(first.text_at(4, 2, 5), "00000");
  EXPECT_EQ(first.text_at(19, 2, 5), "00450");
  EXPECT_EQ(first.text_at(20, 65, 11), "HEXADECIMAL");
  EXPECT_EQ(screens.back().text_at(20, 65, 12), "CHAR/DECIMAL");  // shared mode
}

TEST_F(VarScreenTest, EditingNumbers) {
  user.cursor(8, 5).pf(10).type_field(1, "65535").pf(3);  // &HWORD
  user.cursor(10, 5).pf(10).pf(3);                        // &DWORD shown
  user.cursor(7, 5).pf(10);                               // heading: nothing
  user.pf(3);
  auto screens = run([] {
    cintvarscreen();
    std::uint16_t half = 0;
    std::memcpy(&half, findnode("&HWORD")->value, 2);
    EXPECT_EQ(half, 0xFFFF);
  });
  ASSERT_EQ(screens.size(), 6u);
  EXPECT_EQ(screens[1].text_at(4, 8, 5), "01234");
  EXPECT_EQ(screens[1].text_at(4, 2, 5), "00000");
  EXPECT_EQ(screens[3].text_at(4, 8, 16), "00DCBA9876543210");
  EXPECT_THAT(screens[5].row_text(1), HasSubstr("Variables"));
}

}  // namespace
}  // namespace qcmd::testing
