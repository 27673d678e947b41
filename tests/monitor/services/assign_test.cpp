#include <cstring>
#include <string>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ASSIGN X'0208' (double quote, "("), base count 1 and one more per option.
// Each option is one bit over 0x20 at its position; the areas come in
// ascending rank: APPLID (bit 4 at 3) 2, CWALENG (1 at 3) 4, FACILITY (4 at 5)
// 10, SCRNHT (8 at 11) 33, SCRNWD (4 at 11) 34, USERID (8 at 16) 53,
// PROGRAM (2 at 20) 71.
const std::string kAssignSeven = make_descriptor(
    "\"(", {{3, 0x20 | 4 | 1}, {5, 0x20 | 4}, {11, 0x20 | 8 | 4}, {16, 0x20 | 8}, {20, 0x20 | 2}},
    8);
// ABCODE (8 at 3) 1, STARTCODE (1 at 11) 36, SYSID (4 at 12) 38, TERMCODE
// (8 at 13) 41, NETNAME (8 at 15) 49.
const std::string kAssignTask = make_descriptor(
    "\"(", {{3, 0x20 | 8}, {11, 0x20 | 1}, {12, 0x20 | 4}, {13, 0x20 | 8}, {15, 0x20 | 8}}, 6);
// APPLID and DELIMITER (8 at 4, rank 5), which the region does not keep.
const std::string kAssignDelimiter = make_descriptor("\"(", {{3, 0x20 | 4}, {4, 0x20 | 8}}, 3);

std::int16_t half(const char* area) {
  return host::load_half(area, 0);
}

class AssignTest : public ServiceTest {
 protected:
  AssignTest() { task.program = "ASSIGNER"; }
};

TEST_F(AssignTest, FieldsComeInRankOrderWhateverTheOrderWritten) {
  char applid[8], cwaleng[2], facility[4], scrnht[2], scrnwd[2], userid[8], program[8];
  ASSERT_EQ(
      call(kAssignSeven.c_str(), {applid, cwaleng, facility, scrnht, scrnwd, userid, program}),
      kNormal);
  EXPECT_EQ(std::string(applid, 8), region::application_id());
  EXPECT_EQ(std::string(applid, 8), padded(region.region().config().name));
  EXPECT_EQ(half(cwaleng), static_cast<std::int16_t>(control::kCwaSize));
  EXPECT_EQ(std::string(facility, 4), "T001");
  EXPECT_EQ(half(scrnht), 24);
  EXPECT_EQ(half(scrnwd), 80);
  EXPECT_EQ(std::string(userid, 8), "RAVNUSER");
  EXPECT_EQ(std::string(program, 8), "ASSIGNER");
}

TEST_F(AssignTest, TheTasksOwnFields) {
  const std::string abend = make_descriptor(".,", {{3, 'A'}}, 2);
  char code[] = "OOPS";
  ASSERT_EQ(call(abend.c_str(), {code}), kNormal);  // taken by the program: it goes on
  char abcode[4], startcode[2], sysid[4], termcode[2], netname[8];
  ASSERT_EQ(call(kAssignTask.c_str(), {abcode, startcode, sysid, termcode, netname}), kNormal);
  EXPECT_EQ(std::string(abcode, 4), "OOPS");
  EXPECT_EQ(std::string(startcode, 2), "TD");
  EXPECT_EQ(std::string(sysid, 4), region::application_id().substr(0, 4));
  EXPECT_EQ(static_cast<std::uint8_t>(termcode[0]), 0x91);
  EXPECT_EQ(std::string(netname, 8), "T001    ");
}

TEST_F(AssignTest, WhatTheRegionCannotTellIsInvreqWithItsRank) {
  char applid[9] = "........", delimiter[2] = "?";
  EXPECT_EQ(call(kAssignDelimiter.c_str(), {applid, delimiter}), (Answer{16, 5}));
  EXPECT_EQ(std::string(applid, 8), region::application_id());  // still filled
  EXPECT_STREQ(delimiter, "?");

  // Fewer areas than bits set, and a flag character that is no set of bits.
  EXPECT_EQ(call(kAssignDelimiter.c_str(), {applid, nullptr}), (Answer{16, 0}));
  const std::string bad = make_descriptor("\"(", {{3, 'A'}}, 2);
  EXPECT_EQ(call(bad.c_str(), {applid}), (Answer{16, 103}));

  // ASSIGN alone asks for nothing.
  EXPECT_EQ(call(make_descriptor("\"(", {}, 1).c_str(), {}), kNormal);
}

}  // namespace
}  // namespace ravnmor::testing
