#include <string>

#include "host/host.hpp"
#include "monitor/exec/builtins.hpp"
#include "monitor/region/programs.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// START X'1008' ("0("), base count 11: INTERVAL "I" at 3 (2), TRANSID (3),
// REQID "R" at 15 (4), FROM "F" at 5 (5) with LENGTH "L" at 4 (6), TERMID
// "T" at 6 (7). RETRIEVE X'100A' ("0*"), 6: INTO "I" at 3 (2), LENGTH "L" at
// 5 (3). CANCEL X'100C' ("0,"), 4: REQID "R" at 4 (2).
const std::string kStart = make_descriptor("0(", {{4, 'L'}, {5, 'F'}, {15, 'R'}}, 11);
const std::string kStartLater =
    make_descriptor("0(", {{3, 'I'}, {4, 'L'}, {5, 'F'}, {15, 'R'}}, 11);
const std::string kStartAt = make_descriptor("0(", {{4, 'L'}, {5, 'F'}, {6, 'T'}, {15, 'R'}}, 11);
const std::string kRetrieve = make_descriptor("0*", {{3, 'I'}, {5, 'L'}}, 6);
const std::string kCancel = make_descriptor("0,", {{4, 'R'}}, 4);

constexpr Answer kEnddata{29, 0};
constexpr Answer kNotfnd{13, 0};

class StartTest : public ServiceTest {
 protected:
  StartTest() {
    exec::register_builtin_programs(region::program_table());
    region::program_table().add_transaction("TEST", "ECHO");  // the test's own task
  }

  Answer start(const std::string& descriptor, const char* transid, std::string data,
               const char* reqid, void* time_or_terminal = nullptr) {
    std::string id = padded(reqid);
    std::int16_t length = static_cast<std::int16_t>(data.size());
    void* interval = descriptor == kStartLater ? time_or_terminal : nullptr;
    void* termid = descriptor == kStartAt ? time_or_terminal : nullptr;
    return call(descriptor.c_str(),
                {interval, const_cast<char*>(transid), id.data(), data.data(), &length, termid});
  }

  Answer retrieve(std::string& into) {
    into.assign(20, '.');
    length = 20;
    Answer answer = call(kRetrieve.c_str(), {into.data(), &length});
    into.resize(static_cast<std::size_t>(std::min<std::int16_t>(length, 20)));
    return answer;
  }

  std::int16_t length = 0;
};

TEST_F(StartTest, StartedDataIsRetrievedOnceByTheTransaction) {
  ASSERT_EQ(start(kStart, "TEST", "FIRST DATA", "R1"), kNormal);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(
                            host::linked_block(host::xtcb, host::kTcbEib) + host::kEibReqid),
                        8),
            "R1      ");
  ASSERT_EQ(start(kStart, "TEST", "SECOND", "R2"), kNormal);
  EXPECT_EQ(start(kStart, "TEST", "AGAIN", "R2"), (Answer{16, 8}));  // R2 still waits

  std::string into;
  EXPECT_EQ(retrieve(into), kNormal);
  EXPECT_EQ(into, "FIRST DATA");  // the oldest first
  EXPECT_EQ(length, 10);
  EXPECT_EQ(retrieve(into), kNormal);
  EXPECT_EQ(into, "SECOND");
  EXPECT_EQ(retrieve(into), kEnddata);

  EXPECT_EQ(start(kStart, "NONE", "X", "R3"), (Answer{28, 1}));  // no such transaction
  ASSERT_EQ(start(kStart, "TEST", std::string(30, 'L'), "R4"), kNormal);
  EXPECT_EQ(retrieve(into), (Answer{22, 0}));  // cut to the room, and taken all the same
  EXPECT_EQ(length, 30);
  EXPECT_EQ(retrieve(into), kEnddata);
}

TEST_F(StartTest, DataWaitsForItsTimeAndTerminalAndCanBeCancelled) {
  std::uint8_t one_hour[7] = {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x0C};  // 0010000+
  ASSERT_EQ(start(kStartLater, "TEST", "LATER", "LATE", one_hour), kNormal);
  char elsewhere[] = "T999";
  ASSERT_EQ(start(kStartAt, "TEST", "THERE", "THERE", elsewhere), kNormal);
  std::string into;
  EXPECT_EQ(retrieve(into), kEnddata);  // not due yet, and not for this terminal

  char here[] = "T001";
  ASSERT_EQ(start(kStartAt, "TEST", "HERE", "HERE", here), kNormal);
  EXPECT_EQ(retrieve(into), kNormal);
  EXPECT_EQ(into, "HERE");

  std::string late = padded("LATE");
  EXPECT_EQ(call(kCancel.c_str(), {late.data()}), kNormal);
  EXPECT_EQ(call(kCancel.c_str(), {late.data()}), kNotfnd);
  EXPECT_EQ(start(kStart, "TEST", "REUSED", "LATE"), kNormal);  // the name is free again
}

}  // namespace
}  // namespace ravnmor::testing
