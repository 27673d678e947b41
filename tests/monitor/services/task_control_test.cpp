#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string_view>

#include "monitor/store/store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ENQ: X'1204' ("2$"), LENGTH "L" at 3, parameter count 6 ("&").
constexpr std::string_view kEnq = "2$L                   &            ";
constexpr std::string_view kEnqAddress = "2$                    &            ";
// DEQ: X'1206' ("2&"), parameter count 3 ("#").
constexpr std::string_view kDeq = "2&L                   #            ";
constexpr std::string_view kDeqAddress = "2&                    #            ";
// DELAY: X'1004' ("0$"), INTERVAL "I" or TIME "T" at 3, count 2 (a double
// quote); DELAY alone passes only the descriptor ("!").
constexpr std::string_view kDelayInterval = "0$I                   \"            ";
constexpr std::string_view kDelayTime = "0$T                   \"            ";
constexpr std::string_view kDelayAlone = "0$                    !            ";
constexpr std::string_view kSuspend = "2(                    !            ";     // X'1208'
constexpr std::string_view kSyncpoint = "6\"                    !            ";  // X'1602'
constexpr std::string_view kRollback = "6\"R                   !            ";
static_assert(kEnq.size() == 35 && kEnqAddress.size() == 35 && kDeq.size() == 35 &&
              kDeqAddress.size() == 35 && kDelayInterval.size() == 35 && kDelayTime.size() == 35 &&
              kDelayAlone.size() == 35 && kSuspend.size() == 35 && kSyncpoint.size() == 35 &&
              kRollback.size() == 35);

constexpr Answer kEnqbusy{55, 0};

class TaskControlTest : public ServiceTest {
 protected:
  char resource[9] = "ACCOUNTS";
  std::int16_t length = 8;
};

TEST_F(TaskControlTest, NamesAreHeldBySessionUntilDeq) {
  ASSERT_EQ(call(kEnq.data(), {resource, &length}), kNormal);
  EXPECT_EQ(call(kEnq.data(), {resource, &length}), kNormal);  // again by its holder

  // Another session process sees the name held.
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  const std::uint8_t name[] = {'A', 'C', 'C', 'O', 'U', 'N', 'T', 'S'};
  const std::int64_t other = getpid() + 1;
  EXPECT_EQ(opened.store->enq(name, other), store::Outcome::held);
  ASSERT_EQ(call(kDeq.data(), {resource, &length}), kNormal);
  ASSERT_EQ(opened.store->enq(name, other), store::Outcome::ok);

  // Now the other session holds it; a shorter name is another name.
  EXPECT_EQ(call(kEnq.data(), {resource, &length}), kEnqbusy);
  std::int16_t shorter = 7;
  EXPECT_EQ(call(kEnq.data(), {resource, &shorter}), kNormal);
  // DEQ of a name this session does not hold changes nothing.
  EXPECT_EQ(call(kDeq.data(), {resource, &length}), kNormal);
  EXPECT_EQ(call(kEnq.data(), {resource, &length}), kEnqbusy);
}

TEST_F(TaskControlTest, NameByAddressAndBadLengths) {
  char area[4] = "XYZ";
  ASSERT_EQ(call(kEnqAddress.data(), {area}), kNormal);
  // The address names it, not the bytes there: the same bytes by LENGTH are free.
  std::int16_t three = 3;
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  const std::uint8_t bytes[] = {'X', 'Y', 'Z'};
  EXPECT_EQ(opened.store->enq(bytes, getpid() + 1), store::Outcome::ok);
  EXPECT_EQ(call(kEnq.data(), {area, &three}), kEnqbusy);
  EXPECT_EQ(call(kDeqAddress.data(), {area}), kNormal);

  std::int16_t zero = 0, too_long = 256;
  EXPECT_EQ(call(kEnq.data(), {resource, &zero}), (Answer{22, 2}));  // LENGERR
  EXPECT_EQ(call(kEnq.data(), {resource, &too_long}), (Answer{22, 2}));
  EXPECT_EQ(call(kDeq.data(), {resource, &zero}), (Answer{22, 2}));
  EXPECT_EQ(call(kEnq.data(), {nullptr, &length}), (Answer{16, 1}));  // no RESOURCE
}

TEST_F(TaskControlTest, DelayWaitsForAValidPackedInterval) {
  // 0hhmmss in seven packed bytes: 13 digits and the sign nibble C.
  std::uint8_t one_second[7] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1C};
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(call(kDelayInterval.data(), {one_second}), kNormal);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(call(kDelayAlone.data(), {}), kNormal);

  // The last six digits are hhmmss: byte 3 holds d7 d8, byte 6 d13 and the sign.
  const std::uint8_t minutes_60[7] = {0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x0C};  // 006000
  EXPECT_EQ(call(kDelayInterval.data(), {const_cast<std::uint8_t*>(minutes_60)}), (Answer{16, 5}));
  const std::uint8_t seconds_75[7] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x5C};  // 000075
  EXPECT_EQ(call(kDelayInterval.data(), {const_cast<std::uint8_t*>(seconds_75)}), (Answer{16, 6}));
  const std::uint8_t hours_24[7] = {0x00, 0x00, 0x00, 0x02, 0x40, 0x00, 0x0C};  // 240000
  EXPECT_EQ(call(kDelayTime.data(), {const_cast<std::uint8_t*>(hours_24)}), (Answer{16, 4}));
  std::uint8_t no_sign[7] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11};
  EXPECT_EQ(call(kDelayInterval.data(), {no_sign}), (Answer{16, 3}));
  // A time of day already passed today: midnight does not wait.
  std::uint8_t midnight[7] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C};
  EXPECT_EQ(call(kDelayTime.data(), {midnight}), kNormal);
}

TEST_F(TaskControlTest, SuspendAndSyncpointAnswerNormal) {
  EXPECT_EQ(call(kSuspend.data(), {}), kNormal);
  EXPECT_EQ(call(kSyncpoint.data(), {}), kNormal);
  EXPECT_EQ(call(kRollback.data(), {}), kNormal);
}

}  // namespace
}  // namespace ravnmor::testing
