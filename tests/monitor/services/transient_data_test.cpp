#include <cstring>
#include <string>
#include <string_view>

#include "monitor/store/store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// WRITEQ TD: function X'0802' ("(" and a double quote), LENGTH "L" at 4,
// parameter count 5 ("%").
constexpr std::string_view kWriteq = "(\" L                  %            ";
constexpr std::string_view kWriteqSysid = "(\" LS                 %            ";  // SYSID "S" at 5
// READQ TD: X'0804' ("($"), INTO "I" or SET "S" at 3, "L" at 4. The count is
// the highest position given: 3 ("#") when the length is the default one,
// 4 ("$") when LENGTH was written.
constexpr std::string_view kReadqInto = "($IL                  #            ";
constexpr std::string_view kReadqIntoLength = "($IL                  $            ";
constexpr std::string_view kReadqSetLength = "($SL                  $            ";
constexpr std::string_view kReadqSet = "($S                   #            ";
// DELETEQ TD: X'0806' ("(&"), parameter count 3 ("#").
constexpr std::string_view kDeleteq = "(&                    #            ";
static_assert(kWriteq.size() == 35 && kWriteqSysid.size() == 35 && kReadqInto.size() == 35 &&
              kReadqIntoLength.size() == 35 && kReadqSetLength.size() == 35 &&
              kReadqSet.size() == 35 && kDeleteq.size() == 35);

constexpr Answer kQzero{23, 0};
constexpr Answer kLengerr{22, 0};

class TransientDataTest : public ServiceTest {
 protected:
  Answer write(const char* text) {
    length = static_cast<std::int16_t>(std::strlen(text));
    return call(kWriteq.data(), {queue, const_cast<char*>(text), &length});
  }
  // READQ TD INTO(into) with the default length: the room of `into`.
  Answer read() {
    std::memset(into, '.', sizeof into);
    room = sizeof into;
    return call(kReadqInto.data(), {queue, into, &room});
  }

  char queue[5] = "CSMT";
  std::int16_t length = 0;
  char into[16];
  std::int16_t room = 0;
};

TEST_F(TransientDataTest, RecordsAreReadOnceOldestFirst) {
  EXPECT_EQ(read(), kQzero);  // a queue never written is empty
  ASSERT_EQ(write("FIRST"), kNormal);
  ASSERT_EQ(write("SECOND ONE"), kNormal);
  ASSERT_EQ(read(), kNormal);
  EXPECT_EQ(std::string_view(into, 6), "FIRST.");
  EXPECT_EQ(room, 5);
  // LENGTH written: the count reaches position 4.
  room = sizeof into;
  ASSERT_EQ(call(kReadqIntoLength.data(), {queue, into, &room}), kNormal);
  EXPECT_EQ(std::string_view(into, 11), "SECOND ONE.");
  EXPECT_EQ(room, 10);
  EXPECT_EQ(read(), kQzero);
  EXPECT_EQ(std::string_view(into, 2), "..");  // nothing delivered

  // Another queue name is another queue.
  char other[5] = "CSML";
  ASSERT_EQ(write("MINE"), kNormal);
  room = sizeof into;
  EXPECT_EQ(call(kReadqInto.data(), {other, into, &room}), kQzero);
}

TEST_F(TransientDataTest, LongerRecordIsCutWithLengerrAndConsumed) {
  ASSERT_EQ(write("HELLO WORLD"), kNormal);
  ASSERT_EQ(write("NEXT"), kNormal);
  char small[8] = "-------";
  room = 5;
  EXPECT_EQ(call(kReadqInto.data(), {queue, small, &room}), kLengerr);
  EXPECT_EQ(std::string_view(small, 7), "HELLO--");
  EXPECT_EQ(room, 11);
  ASSERT_EQ(read(), kNormal);
  EXPECT_EQ(std::string_view(into, 4), "NEXT");

  EXPECT_EQ(write(""), kLengerr);
  length = -3;
  EXPECT_EQ(call(kWriteq.data(), {queue, small, &length}), kLengerr);
  EXPECT_EQ(read(), kQzero);  // neither was written
}

TEST_F(TransientDataTest, SetHandsOutACopyInLowStorage) {
  ASSERT_EQ(write("POINTED AT"), kNormal);
  ASSERT_EQ(write("NO LENGTH"), kNormal);
  std::uint32_t pointer = 0;
  std::int16_t got = 0;
  ASSERT_EQ(call(kReadqSetLength.data(), {queue, &pointer, &got}), kNormal);
  ASSERT_NE(pointer, 0u);
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(host::word_to_ptr(pointer)), 10),
            "POINTED AT");
  EXPECT_EQ(got, 10);
  // SET without LENGTH: only the pointer.
  pointer = 0;
  ASSERT_EQ(call(kReadqSet.data(), {queue, &pointer}), kNormal);
  ASSERT_NE(pointer, 0u);
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(host::word_to_ptr(pointer)), 9), "NO LENGTH");
}

TEST_F(TransientDataTest, DeleteqEmptiesTheQueueAndBadRequestsAreRefused) {
  ASSERT_EQ(write("ONE"), kNormal);
  ASSERT_EQ(write("TWO"), kNormal);
  ASSERT_EQ(call(kDeleteq.data(), {queue}), kNormal);
  EXPECT_EQ(read(), kQzero);
  EXPECT_EQ(call(kDeleteq.data(), {queue}), kNormal);  // an empty queue can be emptied again

  char blank[5] = "    ";
  EXPECT_EQ(call(kWriteq.data(), {blank, into, &length}), (Answer{44, 0}));  // QIDERR
  EXPECT_EQ(call(kDeleteq.data(), {blank}), (Answer{44, 0}));
  length = 3;
  EXPECT_EQ(call(kWriteqSysid.data(), {queue, into, &length, const_cast<char*>("SYS2")}),
            (Answer{53, 0}));  // SYSIDERR: the region knows no other system
  // WRITEQ without FROM and READQ without INTO or SET are INVREQ.
  EXPECT_EQ(call(kWriteq.data(), {queue, nullptr, &length}), (Answer{16, 2}));
  constexpr std::string_view kReadqNoArea = "($ L                  $            ";
  EXPECT_EQ(call(kReadqNoArea.data(), {queue, into, &room}), (Answer{16, 2}));
}

// What one session writes is in the region's store for every other session
// process, and reading takes it away for all of them.
TEST_F(TransientDataTest, QueuesLiveInTheRegionStore) {
  ASSERT_EQ(write("FROM HERE"), kNormal);
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  store::Bytes record;
  ASSERT_EQ(opened.store->td_read(std::string_view(queue, 4), record), store::Outcome::ok);
  EXPECT_EQ(std::string(record.begin(), record.end()), "FROM HERE");
  const std::uint8_t other[] = {'T', 'H', 'E', 'R', 'E'};
  ASSERT_EQ(opened.store->td_write(std::string_view(queue, 4), other), store::Outcome::ok);
  ASSERT_EQ(read(), kNormal);
  EXPECT_EQ(std::string_view(into, 5), "THERE");
  EXPECT_EQ(read(), kQzero);
}

}  // namespace
}  // namespace ravnmor::testing
