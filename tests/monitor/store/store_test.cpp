#include "monitor/store/store.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

namespace {

using ravnmor::store::Bytes;
using ravnmor::store::key_number;
using ravnmor::store::kMaxRecordNumber;
using ravnmor::store::number_key;
using ravnmor::store::open_sqlite_store;
using ravnmor::store::Outcome;
using ravnmor::store::QueueItem;
using ravnmor::store::StartRequest;
using ravnmor::store::Store;

Bytes bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// A fresh region directory per test, removed afterwards.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "ravnmor-store-XXXXXX");
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    region_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(region_); }

  std::unique_ptr<Store> open() {
    auto opened = open_sqlite_store(region_);
    EXPECT_EQ(opened.error, "");
    return std::move(opened.store);
  }

  // Runs SQL on the database file behind the store's back.
  void tamper(const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((region_ / "store.db").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  std::filesystem::path region_;
};

constexpr std::string_view kQ1 = "Q1      ";
constexpr std::string_view kQ2 = "Q2      ";

// Item numbers, the read cursor, rewrites and deletion are the command
// table's temporary storage scenario; here what it cannot show.
TEST_F(StoreTest, QueueNamesAreExactAndADeletedQueueStartsAgainAtOne) {
  auto store = open();
  std::int32_t number = 0;
  ASSERT_EQ(store->ts_write(kQ1, bytes("first"), number), Outcome::ok);
  ASSERT_EQ(store->ts_write(kQ1, bytes("second"), number), Outcome::ok);
  ASSERT_EQ(store->ts_write(kQ2, bytes("other"), number), Outcome::ok);
  EXPECT_EQ(number, 1);
  std::int32_t count = 0;
  EXPECT_EQ(store->ts_count("Q1", count), Outcome::not_found);  // unpadded: another queue
  ASSERT_EQ(store->ts_delete(kQ1), Outcome::ok);
  ASSERT_EQ(store->ts_write(kQ1, bytes("again"), number), Outcome::ok);
  EXPECT_EQ(number, 1);
  ASSERT_EQ(store->ts_count(kQ2, count), Outcome::ok);
  EXPECT_EQ(count, 1);
}

TEST_F(StoreTest, ItemsAreBinaryUpToTheLimit) {
  auto store = open();
  Bytes longest(32767);
  for (std::size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<std::uint8_t>(i * 7);
  Bytes with_zeros{0x00, 0xFF, 0x00, 0x27, 0x00};
  std::int32_t number = 0;
  ASSERT_EQ(store->ts_write(kQ1, longest, number), Outcome::ok);
  ASSERT_EQ(store->ts_write(kQ1, with_zeros, number), Outcome::ok);
  EXPECT_EQ(store->ts_write(kQ1, Bytes(32768), number), Outcome::too_long);
  EXPECT_EQ(store->ts_rewrite(kQ1, 1, Bytes(32768)), Outcome::too_long);
  QueueItem item;
  ASSERT_EQ(store->ts_read(kQ1, 1, item), Outcome::ok);
  EXPECT_EQ(item.data, longest);
  ASSERT_EQ(store->ts_read(kQ1, 2, item), Outcome::ok);
  EXPECT_EQ(item.data, with_zeros);
  EXPECT_EQ(item.count, 2);
}

TEST_F(StoreTest, QueueRefusesItemsBeyondTheLargestNumber) {
  std::int32_t number = 0;
  ASSERT_EQ(open()->ts_write(kQ1, bytes("a"), number), Outcome::ok);
  tamper("UPDATE ts_queue SET items = 32766");
  auto store = open();
  ASSERT_EQ(store->ts_write(kQ1, bytes("b"), number), Outcome::ok);
  EXPECT_EQ(number, 32767);
  EXPECT_EQ(store->ts_write(kQ1, bytes("c"), number), Outcome::queue_full);
  std::int32_t count = 0;
  ASSERT_EQ(store->ts_count(kQ1, count), Outcome::ok);
  EXPECT_EQ(count, 32767);
}

// A store of the first schema gains what later versions added (START
// requests, terminals, ...) and keeps its data; a request is claimed once.
TEST_F(StoreTest, AVersionOneStoreIsBroughtToTheCurrentSchema) {
  std::int32_t number = 0;
  ASSERT_EQ(open()->ts_write(kQ1, bytes("kept"), number), Outcome::ok);
  tamper(
      "DROP TABLE start_request; DROP TABLE resource_status; DROP TABLE enqueue; "
      "DROP TABLE connected_terminal; DROP TABLE undo_ts_queue; DROP TABLE undo_ts_item; "
      "DROP TABLE undo_file_record; DROP TABLE undo_td_record; DROP TABLE lock_wait; "
      "CREATE TABLE enq_name (resource BLOB PRIMARY KEY, owner INTEGER NOT NULL) WITHOUT ROWID; "
      "PRAGMA user_version = 1");
  auto store = open();
  ASSERT_NE(store, nullptr);
  QueueItem item;
  ASSERT_EQ(store->ts_read(kQ1, 1, item), Outcome::ok);
  EXPECT_EQ(item.data, bytes("kept"));
  StartRequest request{"R1      ", "QCMD", "    ", 0, bytes("data"), "RTRN", "", "QUEUE1  "};
  ASSERT_EQ(store->start_put(request), Outcome::ok);
  std::int64_t due = 0;
  ASSERT_EQ(store->start_due("T001", 0, due), Outcome::ok);
  EXPECT_EQ(due, 0);
  StartRequest claimed;
  ASSERT_EQ(store->start_claim("    ", 0, claimed), Outcome::ok);
  EXPECT_EQ(claimed.request, "R1      ");
  EXPECT_EQ(claimed.data, bytes("data"));
  EXPECT_EQ(claimed.queue, "QUEUE1  ");
  EXPECT_EQ(open()->start_claim("    ", 0, claimed), Outcome::no_item);
  EXPECT_EQ(store->terminal_known("T001"), Outcome::not_found);
  ASSERT_EQ(store->terminal_attach("T001", 42), Outcome::ok);
  EXPECT_EQ(open()->terminal_known("T001"), Outcome::ok);
}

// Two stores on one directory are what two session processes see.
TEST_F(StoreTest, TwoSessionsShareQueuesAndTheCursor) {
  auto first = open();
  auto second = open();
  std::int32_t number = 0;
  QueueItem item;
  // A read by the second session before the write must not pin its view.
  EXPECT_EQ(second->ts_read_next(kQ1, item), Outcome::not_found);
  ASSERT_EQ(first->ts_write(kQ1, bytes("one"), number), Outcome::ok);
  ASSERT_EQ(second->ts_write(kQ1, bytes("two"), number), Outcome::ok);
  EXPECT_EQ(number, 2);
  ASSERT_EQ(first->ts_write(kQ1, bytes("three"), number), Outcome::ok);
  EXPECT_EQ(number, 3);
  ASSERT_EQ(second->ts_read_next(kQ1, item), Outcome::ok);
  EXPECT_EQ(item.data, bytes("one"));
  ASSERT_EQ(first->ts_read_next(kQ1, item), Outcome::ok);
  EXPECT_EQ(item.data, bytes("two"));
  ASSERT_EQ(second->ts_rewrite(kQ1, 3, bytes("THREE")), Outcome::ok);
  ASSERT_EQ(first->ts_read_next(kQ1, item), Outcome::ok);
  EXPECT_EQ(item.data, bytes("THREE"));
  ASSERT_EQ(second->ts_delete(kQ1), Outcome::ok);
  std::int32_t count = 0;
  EXPECT_EQ(first->ts_count(kQ1, count), Outcome::not_found);
}

TEST_F(StoreTest, FilesEnqAndCwaAcrossSessions) {
  auto first = open();
  auto second = open();
  // TD order and emptying, and a file's records, are the command table's
  // scenarios; here numbers given by two sessions in turn, generic deletes
  // and the browse from either side.
  Bytes data, key;
  using Numbering = Store::Numbering;
  ASSERT_EQ(first->file_append("ESDS", Numbering::bytes, bytes("one"), key), Outcome::ok);
  EXPECT_EQ(key_number(key), 0u);
  ASSERT_EQ(second->file_append("ESDS", Numbering::bytes, bytes("four"), key), Outcome::ok);
  EXPECT_EQ(key_number(key), 3u);
  ASSERT_EQ(first->file_append("ESDS", Numbering::bytes, bytes("x"), key), Outcome::ok);
  EXPECT_EQ(key_number(key), 7u);
  ASSERT_EQ(first->file_write("RRDS", number_key(kMaxRecordNumber), bytes("last")), Outcome::ok);
  EXPECT_EQ(second->file_append("RRDS", Numbering::records, bytes("past"), key), Outcome::no_space);
  ASSERT_EQ(first->file_write("FILEB", bytes("K123"), bytes("longer key")), Outcome::ok);
  ASSERT_EQ(first->file_write("FILEA", bytes("K1"), bytes("one")), Outcome::ok);
  ASSERT_EQ(second->file_write("FILEA", bytes("K12"), bytes("two")), Outcome::ok);
  ASSERT_EQ(second->file_write("FILEA", bytes("K2"), bytes("three")), Outcome::ok);
  std::int64_t count = 0;
  ASSERT_EQ(first->file_delete_generic("FILEA", bytes("K1"), count), Outcome::ok);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(second->file_read("FILEA", bytes("K2"), data), Outcome::ok);
  EXPECT_EQ(second->file_delete_generic("FILEA", bytes("K1"), count), Outcome::not_found);
  // Browsing FILEB, which holds K123 only, from either side.
  using Seek = Store::Seek;
  Bytes found;
  ASSERT_EQ(first->file_seek("FILEB", bytes("K1"), Seek::forward, false, found, data), Outcome::ok);
  EXPECT_EQ(found, bytes("K123"));
  EXPECT_EQ(data, bytes("longer key"));
  ASSERT_EQ(first->file_seek("FILEB", bytes("K123"), Seek::forward, true, found, data),
            Outcome::ok);
  EXPECT_EQ(first->file_seek("FILEB", bytes("K123"), Seek::forward, false, found, data),
            Outcome::no_item);
  ASSERT_EQ(first->file_seek("FILEB", bytes("K2"), Seek::backward, false, found, data),
            Outcome::ok);
  EXPECT_EQ(found, bytes("K123"));
  EXPECT_EQ(first->file_seek("FILEB", bytes("K123"), Seek::backward, false, found, data),
            Outcome::no_item);

  // ENQ names by task: a second task of the same process is another owner.
  const Store::EnqOwner task1{101, 1}, task2{101, 2}, other{202, 1, true};
  Store::EnqOwner holder;
  ASSERT_EQ(first->enq(bytes("LOCK1"), task1, holder), Outcome::ok);
  EXPECT_EQ(first->enq(bytes("LOCK1"), task1, holder), Outcome::ok);
  EXPECT_EQ(first->enq(bytes("LOCK1"), task2, holder), Outcome::held);
  EXPECT_EQ(second->enq(bytes("LOCK1"), other, holder), Outcome::held);
  EXPECT_EQ(holder.process, 101);
  EXPECT_EQ(second->deq(bytes("LOCK1"), other), Outcome::not_found);
  ASSERT_EQ(first->enq(bytes("LOCK2"), task1, holder), Outcome::ok);
  ASSERT_EQ(first->deq_task(task1, false), Outcome::ok);
  EXPECT_EQ(second->enq(bytes("LOCK1"), other, holder), Outcome::ok);
  EXPECT_EQ(second->enq(bytes("LOCK2"), {202, 2}, holder), Outcome::ok);
  // A syncpoint releases the LUW names only; a dead process's names all go.
  ASSERT_EQ(second->deq_task(other, true), Outcome::ok);
  EXPECT_EQ(first->enq(bytes("LOCK1"), task1, holder), Outcome::ok);
  EXPECT_EQ(first->enq(bytes("LOCK2"), task1, holder), Outcome::held);
  ASSERT_EQ(first->deq_process(202), Outcome::ok);
  EXPECT_EQ(first->enq(bytes("LOCK2"), task1, holder), Outcome::ok);

  ASSERT_EQ(first->cwa_load(data), Outcome::ok);
  EXPECT_TRUE(data.empty());
  ASSERT_EQ(first->cwa_save(Bytes(512, 0x00)), Outcome::ok);
  ASSERT_EQ(second->cwa_load(data), Outcome::ok);
  EXPECT_EQ(data, Bytes(512, 0x00));
}

// Two processes append to one queue at once: every write gets its own item
// number and nothing is lost or overwritten.
TEST_F(StoreTest, ConcurrentSessionProcessesNeverShareAnItemNumber) {
  constexpr int kWritesEach = 60;
  auto write_all = [&](char writer) {
    auto opened = open_sqlite_store(region_);
    if (!opened.store) return false;
    for (int i = 0; i < kWritesEach; ++i) {
      std::int32_t number = 0;
      std::string text = std::string(1, writer) + std::to_string(i);
      if (opened.store->ts_write(kQ1, bytes(text), number) != Outcome::ok) return false;
    }
    return true;
  };
  open();  // the schema exists before the two race
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(write_all('C') ? 0 : 1);
  EXPECT_TRUE(write_all('P'));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  auto store = open();
  std::int32_t count = 0;
  ASSERT_EQ(store->ts_count(kQ1, count), Outcome::ok);
  ASSERT_EQ(count, 2 * kWritesEach);
  // Each writer's items appear in its own order, all of them once.
  int next_of[2] = {0, 0};
  for (std::int32_t n = 1; n <= count; ++n) {
    QueueItem item;
    ASSERT_EQ(store->ts_read(kQ1, n, item), Outcome::ok);
    int writer = item.data.at(0) == 'P' ? 0 : 1;
    std::string text(item.data.begin() + 1, item.data.end());
    EXPECT_EQ(text, std::to_string(next_of[writer]++));
  }
  EXPECT_EQ(next_of[0], kWritesEach);
  EXPECT_EQ(next_of[1], kWritesEach);
}

TEST_F(StoreTest, UnusableDatabaseGivesOneClearError) {
  auto expect_refused = [&](const std::string& expected_part) {
    auto opened = open_sqlite_store(region_);
    EXPECT_EQ(opened.store, nullptr);
    EXPECT_NE(opened.error.find((region_ / "store.db").string()), std::string::npos)
        << opened.error;
    EXPECT_NE(opened.error.find(expected_part), std::string::npos) << opened.error;
  };
  // Garbage for a database: cli Operating.AnUnusableStoreEndsTheStartAndIsLeftAlone.
  tamper("CREATE TABLE accounts (id INTEGER)");
  expect_refused("not a ravnmor region store");

  std::filesystem::remove(region_ / "store.db");
  tamper("PRAGMA user_version = 99");
  expect_refused("newer ravnmor (schema version 99, this one reads ");

  // A region directory that is a plain file.
  auto file = region_ / "plain";
  std::ofstream(file).put('x');
  auto opened = open_sqlite_store(file);
  EXPECT_EQ(opened.store, nullptr);
  EXPECT_NE(opened.error.find("cannot create region directory " + file.string()), std::string::npos)
      << opened.error;
}

}  // namespace
