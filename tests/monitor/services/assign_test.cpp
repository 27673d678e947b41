#include <cstdint>
#include <string>

#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ASSIGN X'0208' (double quote, "("), base count 1 and one more per option;
// each option is one bit over 0x20 at its position. The fields a user asks
// for, their rank order and INVREQ for DELIMITER are the commands table's;
// here what the translator never writes, and TERMCODE's byte.
// APPLID (bit 4 at 3, rank 2) and DELIMITER (8 at 4, rank 5); TERMCODE (8 at 13).
const std::string kAssignDelimiter = make_descriptor("\"(", {{3, 0x20 | 4}, {4, 0x20 | 8}}, 3);
const std::string kAssignTermcode = make_descriptor("\"(", {{13, 0x20 | 8}}, 2);

using AssignTest = ServiceTest;

TEST_F(AssignTest, MalformedRequestsAreInvreqAndTermcodeIsThe3270s) {
  char applid[9] = "........";
  // Fewer areas than bits set, and a flag character that is no set of bits.
  EXPECT_EQ(call(kAssignDelimiter.c_str(), {applid, nullptr}), (Answer{16, 0}));
  const std::string bad = make_descriptor("\"(", {{3, 'A'}}, 2);
  EXPECT_EQ(call(bad.c_str(), {applid}), (Answer{16, 103}));

  char termcode[2] = {};
  ASSERT_EQ(call(kAssignTermcode.c_str(), {termcode}), kNormal);
  EXPECT_EQ(static_cast<std::uint8_t>(termcode[0]), 0x91);
}

}  // namespace
}  // namespace ravnmor::testing
