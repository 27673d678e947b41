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

TEST(Routing, LongWordsAreCutInTheMessage) {
  EXPECT_EQ(unknown_transaction_message("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "R1"),
            "Transaction ABCDEFGHIJKLMNOP... is not defined in region R1. Try QCMD.");
}

}  // namespace
}  // namespace ravnmor::net
