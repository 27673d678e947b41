#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

using namespace std::literals;

constexpr Answer kNoTerminal{16, 1};
constexpr Answer kBadCursor{16, 2};
constexpr Answer kNoArea{16, 3};
constexpr Answer kNoFrom{16, 4};
constexpr Answer kCut{22, 0};
constexpr Answer kNegative{22, 1};
constexpr Answer kTooLong{22, 2};
constexpr Answer kGone{81, 0};

// Function codes X'0404', X'1806', X'1812', X'0402' and their base counts.
std::string send(std::initializer_list<std::pair<int, char>> flags) {
  return make_descriptor("$$", flags, 12);
}
std::string send_text(std::initializer_list<std::pair<int, char>> flags) {
  return make_descriptor("8&", flags, 13);
}
std::string send_control(std::initializer_list<std::pair<int, char>> flags) {
  return make_descriptor("82", flags, 8);
}
std::string receive(std::initializer_list<std::pair<int, char>> flags) {
  return make_descriptor("$\"", flags, 7);
}

class TerminalTest : public ServiceTest {
 protected:
  std::string sent(std::size_t i) const {
    return std::string(terminal.sent.at(i).begin(), terminal.sent.at(i).end());
  }
  Answer text(const std::string& descriptor, std::string_view words,
              std::int16_t* cursor = nullptr) {
    length = static_cast<std::int16_t>(words.size());
    return call(descriptor.c_str(), {const_cast<char*>(words.data()), &length, cursor});
  }
  std::uint8_t* eib() { return host::linked_block(host::xtcb, host::kTcbEib); }

  std::int16_t length = 0;
};

TEST_F(TerminalTest, SendWritesTheCallersBytesAsTheStream) {
  char from[] = "\x11 IHELLO";  // SBA to address 9, then the text
  length = 8;
  ASSERT_EQ(call(send({{21, 'F'}, {19, 'L'}}).c_str(), {from, &length}), kNormal);
  EXPECT_EQ(sent(0), "1 \x11 IHELLO"sv);  // write, WCC with no bits
  EXPECT_EQ(terminal.model.text_at(1, 10, 5), "HELLO");

  // ERASE: erase/write and MDTs reset; FREEKB and ALARM in the WCC; CTLCHAR
  // gives the WCC itself.
  length = 5;
  ASSERT_EQ(call(send({{21, 'F'}, {19, 'L'}, {9, 'E'}, {14, 'F'}, {15, 'A'}}).c_str(),
                 {from + 3, &length}),
            kNormal);
  EXPECT_EQ(sent(1), "5GHELLO");  // bits 1 + 2 + 4
  EXPECT_EQ(terminal.model.text_at(1, 1, 5), "HELLO");
  EXPECT_TRUE(terminal.model.alarm());
  char wcc = 'H';
  ASSERT_EQ(call(send({{21, 'F'}, {19, 'L'}, {7, 'C'}}).c_str(),
                 {from + 3, &length, nullptr, nullptr, &wcc}),
            kNormal);
  EXPECT_EQ(sent(2), "1HHELLO");
  std::int32_t wide = 2;  // FLENGTH
  ASSERT_EQ(call(send({{21, 'F'}, {19, 'F'}}).c_str(), {from + 3, &wide}), kNormal);
  EXPECT_EQ(sent(3), "1 HE");

  length = -1;
  EXPECT_EQ(call(send({{21, 'F'}, {19, 'L'}}).c_str(), {from, &length}), kNegative);
  length = 7001;  // the TIOA holds 7000 bytes after the WCC
  EXPECT_EQ(call(send({{21, 'F'}, {19, 'L'}}).c_str(), {from, &length}), kTooLong);
  EXPECT_EQ(call(send({{19, 'L'}}).c_str(), {from, &length}), kNoFrom);
  EXPECT_EQ(terminal.sent.size(), 4u);

  terminal.hung_up = true;
  length = 5;
  EXPECT_EQ(call(send({{21, 'F'}, {19, 'L'}}).c_str(), {from, &length}), kGone);
  EXPECT_TRUE(task.terminal_lost);
}

TEST_F(TerminalTest, SendTextLaysTextOutInLinesFromTheCursorsLine) {
  ASSERT_EQ(text(send_text({{21, 'F'}, {12, 'E'}, {14, 'F'}}), "EXAMPLE STRING ARGUMENT"), kNormal);
  // Erase/write, WCC reset MDT + restore; the text from address 0; the cursor after it.
  EXPECT_EQ(sent(0), "5C\x11  EXAMPLE STRING ARGUMENT\x11 P\x13"sv);
  EXPECT_EQ(terminal.model.cursor(), 23);

  // Without ERASE a text starts the row after the cursor's; words are not
  // cut at a row's end; a new-line character starts a row; control
  // characters show as blanks.
  std::string words = std::string(75, 'A') + " WORD\n\x05TAIL";
  ASSERT_EQ(text(send_text({{21, 'F'}}), words), kNormal);
  EXPECT_EQ(terminal.model.row_text(1).substr(0, 24), "EXAMPLE STRING ARGUMENT ");
  EXPECT_EQ(terminal.model.row_text(2), std::string(75, 'A') + "     ");
  EXPECT_EQ(terminal.model.row_text(3).substr(0, 5), "WORD ");
  EXPECT_EQ(terminal.model.row_text(4).substr(0, 6), " TAIL ");
  EXPECT_EQ(terminal.model.cursor(), 245);
  EXPECT_EQ(sent(1).substr(0, 5),
            "1 \x11"
            "A&");  // write; SBA to 80

  // A word longer than a row is cut; what goes past the last row is left
  // out; the cursor then wraps to the first cell.
  std::int16_t cursor = 1840;  // row 24; SEND CONTROL's CURSOR is at position 5
  ASSERT_EQ(call(send_control({{8, 'C'}}).c_str(), {nullptr, nullptr, nullptr, &cursor}), kNormal);
  ASSERT_EQ(text(send_text({{21, 'F'}}), std::string(100, 'B')), kNormal);
  EXPECT_EQ(terminal.model.row_text(24), std::string(80, 'B'));
  EXPECT_EQ(terminal.model.row_text(1).substr(0, 8), "EXAMPLE ");
  EXPECT_EQ(terminal.model.cursor(), 0);

  // CURSOR places the cursor; written alone (-1) it keeps the default place.
  cursor = 500;
  ASSERT_EQ(text(send_text({{21, 'F'}, {12, 'E'}, {8, 'C'}}), "HI", &cursor), kNormal);
  EXPECT_EQ(terminal.model.cursor(), 500);
  cursor = -1;
  ASSERT_EQ(text(send_text({{21, 'F'}, {12, 'E'}, {8, 'C'}}), "HI", &cursor), kNormal);
  EXPECT_EQ(terminal.model.cursor(), 2);
  std::size_t sends = terminal.sent.size();
  for (std::int16_t bad : {1920, -2}) {
    cursor = bad;
    EXPECT_EQ(text(send_text({{21, 'F'}, {8, 'C'}}), "HI", &cursor), kBadCursor) << bad;
  }
  EXPECT_EQ(text(send_text({}), "HI"), kNoFrom);
  length = -3;
  EXPECT_EQ(call(send_text({{21, 'F'}}).c_str(), {const_cast<char*>("HI"), &length}), kNegative);
  EXPECT_EQ(terminal.sent.size(), sends);

  // ERASEAUP: an Erase All Unprotected first, then the text at the cursor.
  ASSERT_EQ(text(send_text({{21, 'F'}, {12, 'A'}}), "X"), kNormal);
  EXPECT_EQ(sent(sends), "?");
  EXPECT_EQ(sent(sends + 1), "1 \x11  X\x11 A\x13"sv);
}

TEST_F(TerminalTest, EveryTerminalCommandNeedsATerminal) {
  task.terminal = nullptr;
  char area[8] = {};
  std::int16_t size = 8;
  EXPECT_EQ(call(send({{21, 'F'}, {19, 'L'}}).c_str(), {area, &size}), kNoTerminal);
  EXPECT_EQ(call(send_text({{21, 'F'}}).c_str(), {area, &size}), kNoTerminal);
  EXPECT_EQ(call(send_control({}).c_str(), {}), kNoTerminal);
  EXPECT_EQ(call(receive({{3, 'I'}, {8, 'L'}}).c_str(), {area, &size}), kNoTerminal);
  EXPECT_TRUE(terminal.sent.empty());
}

TEST_F(TerminalTest, ReceiveTakesTheNextInputIntoTheArea) {
  // Enter with the cursor at 5 (" E") on an unformatted screen.
  terminal.inputs.push_back(record_of("' Ehello world"));
  terminal.inputs.push_back(record_of("' Ehello world"));
  terminal.inputs.push_back(record_of("' Ehello world"));
  char into[16];
  std::memset(into, '.', sizeof into);
  std::int16_t size = sizeof into;
  ASSERT_EQ(call(receive({{3, 'I'}, {8, 'L'}}).c_str(), {into, &size}), kNormal);
  EXPECT_EQ(std::string_view(into, 12), "HELLO WORLD.");  // in upper case
  EXPECT_EQ(size, 11);
  EXPECT_EQ(eib()[host::kEibAid], 0x7D);
  EXPECT_EQ(host::load_half(eib(), host::kEibCposn), 5);

  // ASIS keeps the case; a room too small cuts the data (LENGERR) and LENGTH
  // says how long it was.
  size = 5;
  ASSERT_EQ(call(receive({{3, 'I'}, {8, 'L'}, {4, 'A'}}).c_str(), {into, &size}), kCut);
  EXPECT_EQ(std::string_view(into, 12), "hello WORLD.");
  EXPECT_EQ(size, 11);
  // MAXLENGTH sets the room instead of LENGTH.
  size = 16;
  std::int16_t most = 3;
  ASSERT_EQ(call(receive({{3, 'I'}, {8, 'L'}, {7, 'H'}}).c_str(), {into, &size, &most}), kCut);
  EXPECT_EQ(std::string_view(into, 5), "HELlo");
  EXPECT_EQ(size, 11);
  // The script has run out: the user is gone.
  EXPECT_EQ(call(receive({{3, 'I'}, {8, 'L'}}).c_str(), {into, &size}), kGone);

  size = -1;
  EXPECT_EQ(call(receive({{3, 'I'}, {8, 'L'}}).c_str(), {into, &size}), kNegative);
  EXPECT_EQ(call(receive({{8, 'L'}}).c_str(), {into, &size}), kNoArea);
}

TEST_F(TerminalTest, ReceiveSetAndTheInputThatStartedTheTask) {
  // The input that started the task is RECEIVE's until one takes it.
  auto start = record_of("1AJstart data");  // PF1, cursor at 81
  task.input_length = control::store_input(start);
  task.input_unreceived = true;
  std::uint32_t pointer = 0;
  std::int32_t size = 0;  // FLENGTH: a fullword
  ASSERT_EQ(call(receive({{3, 'S'}, {8, 'F'}}).c_str(), {&pointer, &size}), kNormal);
  ASSERT_NE(pointer, 0u);
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(host::word_to_ptr(pointer)), 10),
            "START DATA");
  EXPECT_EQ(size, 10);
  EXPECT_EQ(eib()[host::kEibAid], 0xF1);
  EXPECT_EQ(host::load_half(eib(), host::kEibCposn), 81);

  // Then the next one; a short read (Clear) has no data. MAXFLENGTH cuts SET.
  terminal.inputs.push_back(record_of("_"));
  terminal.inputs.push_back(record_of("' Eabcdef"));
  ASSERT_EQ(call(receive({{3, 'S'}, {8, 'F'}}).c_str(), {&pointer, &size}), kNormal);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(eib()[host::kEibAid], 0x6D);
  std::int32_t most = 4;
  ASSERT_EQ(call(receive({{3, 'S'}, {8, 'F'}, {7, 'F'}}).c_str(), {&pointer, &size, &most}), kCut);
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(host::word_to_ptr(pointer)), 4), "ABCD");
  EXPECT_EQ(size, 6);
}

TEST_F(TerminalTest, ReceiveBufferReadsTheScreenAtOnce) {
  ASSERT_EQ(text(send_text({{21, 'F'}, {12, 'E'}}), "ON SCREEN"), kNormal);
  char into[2000];
  std::int16_t size = sizeof into;
  ASSERT_EQ(call(receive({{3, 'I'}, {8, 'L'}, {5, 'B'}}).c_str(), {into, &size}), kNormal);
  EXPECT_EQ(size, 1920);  // every cell of an unformatted screen
  EXPECT_EQ(std::string_view(into, 10), "ON SCREEN\0"sv);
  EXPECT_EQ(eib()[host::kEibAid], 0x60);  // no key was pressed
  EXPECT_EQ(host::load_half(eib(), host::kEibCposn), 9);
}

}  // namespace
}  // namespace ravnmor::testing
