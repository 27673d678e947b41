#include <cstring>
#include <string_view>

#include "monitor/store/store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// WRITEQ TS: function X'0A02' ("*" and a double quote), parameter count 6 ("&").
constexpr std::string_view kWriteq = "*\"                    &            ";
constexpr std::string_view kWriteqItem = "*\" I                  &            ";  // ITEM "I" at 4
constexpr std::string_view kWriteqRewrite =
    "*\" IR                 &            ";  // REWRITE "R" at 5
constexpr std::string_view kWriteqSysid = "*\"   S                &            ";  // SYSID "S" at 6
// READQ TS: X'0A04' ("*$"), parameter count 7: a quote, written twice.
constexpr std::string_view kReadqNext = "*$I    L              ''            ";  // INTO, LENGTH
constexpr std::string_view kReadqItem = "*$II  NL              ''            ";  // + ITEM, NUMITEMS
constexpr std::string_view kReadqSet = "*$SI   L              ''            ";  // SET, ITEM, LENGTH
// DELETEQ TS: X'0A06' ("*&"), parameter count 3 ("#").
constexpr std::string_view kDeleteq = "*&                    #            ";
static_assert(kWriteq.size() == 35 && kWriteqItem.size() == 35 && kWriteqRewrite.size() == 35 &&
              kWriteqSysid.size() == 35 && kDeleteq.size() == 35);
static_assert(kReadqNext.size() == 36 && kReadqItem.size() == 36 && kReadqSet.size() == 36);

constexpr Answer kQiderr{44, 0};
constexpr Answer kItemerr{26, 0};
constexpr Answer kLengerr{22, 0};

class TemporaryStorageTest : public ServiceTest {
 protected:
  Answer write(const char* text, std::int16_t* item = nullptr) {
    length = static_cast<std::int16_t>(std::strlen(text));
    return call((item ? kWriteqItem : kWriteq).data(),
                {q1, const_cast<char*>(text), &length, item});
  }

  char q1[9] = "Q1      ";
  std::int16_t length = 0;
};

TEST_F(TemporaryStorageTest, WrittenItemsAreReadByNumberAndInTurn) {
  std::int16_t item = 0;
  ASSERT_EQ(write("HELLO WORLD", &item), kNormal);
  EXPECT_EQ(item, 1);
  ASSERT_EQ(write("SECOND", &item), kNormal);
  EXPECT_EQ(item, 2);

  char into[32];
  std::memset(into, '.', sizeof into);
  std::int16_t room = sizeof into;
  ASSERT_EQ(call(kReadqNext.data(), {q1, into, &room}), kNormal);
  EXPECT_EQ(std::string_view(into, 12), "HELLO WORLD.");
  EXPECT_EQ(room, 11);

  std::int16_t number = 2, items = 0;
  room = sizeof into;
  ASSERT_EQ(call(kReadqItem.data(), {q1, into, &room, &number, nullptr, &items}), kNormal);
  EXPECT_EQ(std::string_view(into, 12), "SECONDWORLD.");
  EXPECT_EQ(room, 6);
  EXPECT_EQ(items, 2);
  // The cursor stands at item 2 now: there is no next one, nor an item 3.
  room = sizeof into;
  EXPECT_EQ(call(kReadqNext.data(), {q1, into, &room}), kItemerr);
  number = 3;
  EXPECT_EQ(call(kReadqItem.data(), {q1, into, &room, &number, nullptr, &items}), kItemerr);
  number = 0;
  EXPECT_EQ(call(kReadqItem.data(), {q1, into, &room, &number, nullptr, &items}), kItemerr);

  item = 1;
  char again[] = "HELLO AGAIN!";
  length = 12;
  ASSERT_EQ(call(kWriteqRewrite.data(), {q1, again, &length, &item}), kNormal);
  item = 5;
  EXPECT_EQ(call(kWriteqRewrite.data(), {q1, again, &length, &item}), kItemerr);
  number = 1;
  room = sizeof into;
  ASSERT_EQ(call(kReadqItem.data(), {q1, into, &room, &number, nullptr, &items}), kNormal);
  EXPECT_EQ(std::string_view(into, 12), "HELLO AGAIN!");
  EXPECT_EQ(items, 2);
}

TEST_F(TemporaryStorageTest, LongerItemThanTheAreaIsCutWithLengerr) {
  ASSERT_EQ(write("HELLO WORLD"), kNormal);
  char into[8] = "-------";
  std::int16_t room = 5;
  EXPECT_EQ(call(kReadqNext.data(), {q1, into, &room}), kLengerr);
  EXPECT_EQ(std::string_view(into, 7), "HELLO--");
  EXPECT_EQ(room, 11);  // the item's own length
  // An empty item cannot be written.
  EXPECT_EQ(write(""), kLengerr);
  std::int16_t negative = -1;
  EXPECT_EQ(call(kWriteq.data(), {q1, into, &negative}), kLengerr);
}

TEST_F(TemporaryStorageTest, MissingQueueIsQiderr) {
  char into[8];
  std::int16_t room = sizeof into, item = 1;
  EXPECT_EQ(call(kReadqNext.data(), {q1, into, &room}), kQiderr);
  EXPECT_EQ(call(kDeleteq.data(), {q1}), kQiderr);
  EXPECT_EQ(call(kWriteqRewrite.data(), {q1, into, &room, &item}), kQiderr);
  ASSERT_EQ(write("X"), kNormal);
  // Another name, even one differing only in padding, is another queue.
  char q1_unpadded[9] = {'Q', '1', 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(call(kReadqNext.data(), {q1_unpadded, into, &room}), kQiderr);
  ASSERT_EQ(call(kDeleteq.data(), {q1}), kNormal);
  EXPECT_EQ(call(kReadqNext.data(), {q1, into, &room}), kQiderr);
  EXPECT_EQ(call(kWriteqSysid.data(), {q1, into, &room, nullptr, const_cast<char*>("SYS2")}),
            (Answer{53, 0}));  // SYSIDERR: the region knows no other system
}

TEST_F(TemporaryStorageTest, SetHandsOutACopyInLowStorage) {
  ASSERT_EQ(write("FIRST"), kNormal);
  ASSERT_EQ(write("SECOND ITEM"), kNormal);
  std::uint32_t pointer = 0;
  std::int16_t number = 2, room = 0;
  ASSERT_EQ(call(kReadqSet.data(), {q1, &pointer, &room, &number}), kNormal);
  ASSERT_NE(pointer, 0u);
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(host::word_to_ptr(pointer)), 11),
            "SECOND ITEM");
  EXPECT_EQ(room, 11);
}

// What one session writes is in the region's store for every other session
// process, and for the region after a restart.
TEST_F(TemporaryStorageTest, QueuesLiveInTheRegionStore) {
  ASSERT_EQ(write("KEPT"), kNormal);
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  store::QueueItem item;
  ASSERT_EQ(opened.store->ts_read(std::string_view(q1, 8), 1, item), store::Outcome::ok);
  EXPECT_EQ(std::string(item.data.begin(), item.data.end()), "KEPT");
  std::int32_t number = 0;
  const std::uint8_t other[] = {'B', 'Y', ' ', 'O', 'T', 'H', 'E', 'R'};
  ASSERT_EQ(opened.store->ts_write(std::string_view(q1, 8), other, number), store::Outcome::ok);
  char into[16] = {};
  std::int16_t room = sizeof into, wanted = 2, items = 0;
  ASSERT_EQ(call(kReadqItem.data(), {q1, into, &room, &wanted, nullptr, &items}), kNormal);
  EXPECT_EQ(std::string_view(into, 8), "BY OTHER");
  EXPECT_EQ(items, 2);
}

}  // namespace
}  // namespace ravnmor::testing
