#include "monitor/net/routing.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ravnmor::net {
namespace {

// Records in the region's image: EBCDIC 7D (Enter) is an apostrophe, 6D
// (Clear) an underscore, 6C (PA1) a percent sign, F3 (PF3) the digit 3,
// the SBA order 11 stays 11, and the address code of 0 is a blank, of 1 'A'.
Record image(std::string_view text) {
  return Record(text.begin(), text.end());
}

TEST(Routing, ReadsTheFirstWordOfTheInput) {
  struct Case {
    const char* name;
    std::string inbound;
    RoutingInput::Kind kind;
    const char* transaction;
  };
  using Kind = RoutingInput::Kind;
  const Case cases[] = {
      {"input field", "' E\x11 Aqcmd", Kind::kTransaction, "QCMD"},
      {"words after it", "' E\x11 A  Demo  some more", Kind::kTransaction, "DEMO"},
      {"unformatted screen", "' Dqcmd", Kind::kTransaction, "QCMD"},
      {"blanks only", "' E\x11 A    ", Kind::kNothing, ""},
      {"nothing modified", "' E", Kind::kNothing, ""},
      {"PF3 with text", "3 E\x11 Aqcmd", Kind::kTransaction, "QCMD"},
      {"Clear", "_", Kind::kClear, ""},
      {"PA1", "%", Kind::kNothing, ""},
      {"empty record", "", Kind::kNothing, ""},
  };
  for (const Case& c : cases) {
    RoutingInput input = read_routing_input(image(c.inbound));
    EXPECT_EQ(input.kind, c.kind) << c.name;
    EXPECT_EQ(input.transaction, c.transaction) << c.name;
  }
}

TEST(Routing, ScreensAreErasesWithTheInputFieldFirst) {
  // EW '5', WCC restore + reset MDT 'C', SBA 0, SF unprotected, IC, SBA 79
  // (codes C1 4F: 'A' '|'), SF protected ('-').
  const Record input_field = image(
      "5C\x11  \x1d \x13\x11"
      "A|\x1d-");
  Record greeting = greeting_screen({"RAVNMOR", "T007", 7, 0});
  ASSERT_GE(greeting.size(), input_field.size());
  EXPECT_EQ(Record(greeting.begin(), greeting.begin() + static_cast<long>(input_field.size())),
            input_field);
  std::string text(greeting.begin(), greeting.end());
  // Row 3 (cell 160 = 2*64 + 32: codes C2 60, 'B' '-'), intensified (E8: 'Y').
  EXPECT_NE(text.find("\x11"
                      "B-\x1dYRavnmor transaction region RAVNMOR"),
            std::string::npos);
  EXPECT_NE(text.find("Terminal  T007    Session 7"), std::string::npos);
  EXPECT_NE(text.find("Type QCMD"), std::string::npos);

  Record message = message_screen(unknown_transaction_message("ABCD", "RAVNMOR"));
  Record expected = input_field;
  Record line = image(
      "\x11"
      "B-\x1dYTransaction ABCD is not defined in region RAVNMOR. Try QCMD.");
  expected.insert(expected.end(), line.begin(), line.end());
  EXPECT_EQ(message, expected);

  EXPECT_EQ(empty_screen(), image("5C"));
  EXPECT_EQ(keyboard_restore(), image("1B"));  // Write (F1) with WCC restore (C2)
}

TEST(Routing, LongWordsAreCutInTheMessage) {
  EXPECT_EQ(unknown_transaction_message("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "R1"),
            "Transaction ABCDEFGHIJKLMNOP... is not defined in region R1. Try QCMD.");
}

}  // namespace
}  // namespace ravnmor::net
