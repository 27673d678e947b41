// The SQLite backend of the store: one database file in the region directory,
// in WAL mode, so that the session processes read while one of them writes,
// and with full synchronisation, so that a change acknowledged to a program
// survives a crash of the session, the region or the machine.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "monitor/store/sqlite.hpp"
#include "monitor/store/sqlite_schema.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::store {
namespace {

// Version 1: the queues, the files, the ENQ names and the CWA.
constexpr const char* kQueuesAndFiles = R"sql(
CREATE TABLE ts_queue (
  name BLOB PRIMARY KEY,
  items INTEGER NOT NULL,   -- items numbered 1..items
  cursor INTEGER NOT NULL   -- the item read last, 0 before the first read
) WITHOUT ROWID;
CREATE TABLE ts_item (
  queue BLOB NOT NULL,
  item INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY (queue, item)
) WITHOUT ROWID;
CREATE TABLE td_record (
  queue BLOB NOT NULL,
  seq INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY (queue, seq)
) WITHOUT ROWID;
CREATE TABLE file_record (
  file BLOB NOT NULL,
  key BLOB NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY (file, key)
) WITHOUT ROWID;
CREATE TABLE enq_name (
  resource BLOB PRIMARY KEY,
  owner INTEGER NOT NULL
) WITHOUT ROWID;
CREATE TABLE cwa (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  data BLOB NOT NULL
);
)sql";

// Version 2: the START requests.
constexpr const char* kStartRequests = R"sql(
CREATE TABLE start_request (
  request BLOB PRIMARY KEY,
  transaction_id BLOB NOT NULL,
  terminal BLOB NOT NULL,
  due INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  data BLOB NOT NULL
) WITHOUT ROWID;
)sql";

// Version 3: what commands changed of a resource's configured status while
// the region runs (SET FILE CLOSED, ...); emptied when the region starts.
constexpr const char* kResourceStatus = R"sql(
CREATE TABLE resource_status (
  kind TEXT NOT NULL,
  name BLOB NOT NULL,
  attribute TEXT NOT NULL,
  value INTEGER NOT NULL,
  PRIMARY KEY (kind, name, attribute)
) WITHOUT ROWID;
)sql";

// Version 4: ENQ names held by a task (its session process and its task
// number there) instead of a session; a name enqueued with LUW is also
// released at the task's syncpoint. Names still held at the upgrade belonged
// to a region that has stopped, so they go.
constexpr const char* kTaskEnqueues = R"sql(
DROP TABLE enq_name;
CREATE TABLE enqueue (
  resource BLOB PRIMARY KEY,
  process INTEGER NOT NULL,
  task INTEGER NOT NULL,
  luw INTEGER NOT NULL
) WITHOUT ROWID;
CREATE INDEX enqueue_owner ON enqueue (process, task);
)sql";

// Version 5: what RETRIEVE hands over besides the data, and the connected
// terminals (START TERMID names one of them).
constexpr const char* kStartedTasks = R"sql(
ALTER TABLE start_request ADD COLUMN rtransid BLOB NOT NULL DEFAULT x'';
ALTER TABLE start_request ADD COLUMN rtermid BLOB NOT NULL DEFAULT x'';
ALTER TABLE start_request ADD COLUMN queue BLOB NOT NULL DEFAULT x'';
CREATE TABLE connected_terminal (
  terminal BLOB PRIMARY KEY,
  process INTEGER NOT NULL
) WITHOUT ROWID;
)sql";

// Version 6: the before-images of the units of work. A recoverable change
// first records the rows it is about to change as they were (present 0: the
// row was not there), once per row and unit of work, in the same
// transaction as the change; a commit forgets them and a backout puts them
// back. What is in these tables after a crash was never committed.
constexpr const char* kUnitsOfWork = R"sql(
CREATE TABLE undo_ts_queue (
  process INTEGER NOT NULL,
  task INTEGER NOT NULL,
  name BLOB NOT NULL,
  present INTEGER NOT NULL,
  items INTEGER,
  cursor INTEGER,
  PRIMARY KEY (process, task, name)
) WITHOUT ROWID;
CREATE TABLE undo_ts_item (
  process INTEGER NOT NULL,
  task INTEGER NOT NULL,
  queue BLOB NOT NULL,
  item INTEGER NOT NULL,
  present INTEGER NOT NULL,
  data BLOB,
  PRIMARY KEY (process, task, queue, item)
) WITHOUT ROWID;
)sql";

// Version 7: the task running at each connected terminal (INQUIRE TERMINAL
// and INQUIRE TASK LIST).
constexpr const char* kTerminalTasks = R"sql(
ALTER TABLE connected_terminal ADD COLUMN task INTEGER NOT NULL DEFAULT 0;
ALTER TABLE connected_terminal ADD COLUMN transaction_id BLOB NOT NULL DEFAULT x'';
)sql";

// Version 8: the before-images of file records changed for a unit of work.
constexpr const char* kRecoverableFiles = R"sql(
CREATE TABLE undo_file_record (
  process INTEGER NOT NULL,
  task INTEGER NOT NULL,
  file BLOB NOT NULL,
  key BLOB NOT NULL,
  present INTEGER NOT NULL,
  data BLOB,
  PRIMARY KEY (process, task, file, key)
) WITHOUT ROWID;
)sql";

// Version 9: the before-images of intrapartition queue records changed for
// a unit of work.
constexpr const char* kRecoverableQueues = R"sql(
CREATE TABLE undo_td_record (
  process INTEGER NOT NULL,
  task INTEGER NOT NULL,
  queue BLOB NOT NULL,
  seq INTEGER NOT NULL,
  present INTEGER NOT NULL,
  data BLOB,
  PRIMARY KEY (process, task, queue, seq)
) WITHOUT ROWID;
)sql";

// Version 10: which task each waiting task waits for, to find deadlocks.
constexpr const char* kLockWaits = R"sql(
CREATE TABLE lock_wait (
  process INTEGER NOT NULL,
  task INTEGER NOT NULL,
  began INTEGER NOT NULL,
  holder_process INTEGER NOT NULL,
  holder_task INTEGER NOT NULL,
  PRIMARY KEY (process, task)
) WITHOUT ROWID;
)sql";

// The schema grows by steps: step n takes a store from version n to n + 1,
// and a store of version n holds tables_after of step n - 1. The schema
// this program reads and writes is the last, recorded in the database's
// user_version; a database above it was made by a newer program and is
// left alone.
struct SchemaStep {
  const char* sql;
  int tables_after;
};
constexpr SchemaStep kSchemaSteps[] = {
    {kQueuesAndFiles, 6},      // to version 1
    {kStartRequests, 7},       // to version 2
    {kResourceStatus, 8},      // to version 3
    {kTaskEnqueues, 8},        // to version 4
    {kStartedTasks, 9},        // to version 5
    {kUnitsOfWork, 11},        // to version 6
    {kTerminalTasks, 11},      // to version 7
    {kRecoverableFiles, 12},   // to version 8
    {kRecoverableQueues, 13},  // to version 9
    {kLockWaits, 14},          // to version 10
};
constexpr auto kSchemaVersion = static_cast<std::int64_t>(std::size(kSchemaSteps));

// PRAGMA takes no bound parameters: the version goes into the text.
std::string record_schema_version() {
  return "PRAGMA user_version = " + std::to_string(kSchemaVersion);
}

// How long a session waits for another session's write to finish before it
// answers busy. Writes are single small transactions, so this is generous.
constexpr int kBusyTimeoutMs = 10000;

// The kinds of lock a unit of work takes, kept with the ENQ names under a
// leading NUL that no name a program passes by LENGTH needs.
constexpr std::string_view kQueueLock = "TS:";
constexpr std::string_view kRecordLock = "FILE:";

// The bytes of a lock's name, as the enqueue table keeps names.
ByteView bytes_of(std::string_view name) {
  return {reinterpret_cast<const std::uint8_t*>(name.data()), name.size()};
}
constexpr int kLongestWaitChain = 1000;
constexpr std::string_view kTdWriteLock = "TDW:";  // a queue's writers and its readers
constexpr std::string_view kTdReadLock = "TDR:";   // lock apart

// A counter that every process of the region shares, in a small file beside
// the database (mapped into each): each status change advances it after its
// commit, and a process asks the database for a status again only when the
// counter has moved since it last asked. Without the file every status read
// asks the database.
class ChangeCounter {
 public:
  explicit ChangeCounter(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kCounterFileMode);
    if (fd < 0) return;
    if (ftruncate(fd, sizeof(std::uint64_t)) == 0) {
      void* mapped =
          mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (mapped != MAP_FAILED) value_ = static_cast<std::uint64_t*>(mapped);
    }
    ::close(fd);
  }
  ~ChangeCounter() {
    if (value_ != nullptr) munmap(value_, sizeof(std::uint64_t));
  }
  ChangeCounter(const ChangeCounter&) = delete;
  ChangeCounter& operator=(const ChangeCounter&) = delete;

  // The counter's value; none without the file.
  std::optional<std::uint64_t> value() const {
    if (value_ == nullptr) return std::nullopt;
    return std::atomic_ref<std::uint64_t>(*value_).load(std::memory_order_acquire);
  }
  void advance() {
    if (value_ != nullptr) std::atomic_ref<std::uint64_t>(*value_).fetch_add(1);
  }

 private:
  static constexpr mode_t kCounterFileMode = 0644;
  std::uint64_t* value_ = nullptr;
};

class SqliteStore final : public Store {
 public:
  explicit SqliteStore(const std::string& path)
      : db_(path), status_changes_(path + kStatusCounterSuffix) {}

  // Sets up the connection and brings a new database to the current schema;
  // throws sql::Failure with a message fit for the user when the file is not
  // a store this program can use.
  void prepare();

  Outcome ts_write(std::string_view queue, ByteView data, std::int32_t& number,
                   const UnitOfWork* uow) override;
  Outcome ts_rewrite(std::string_view queue, std::int32_t number, ByteView data,
                     const UnitOfWork* uow) override;
  Outcome ts_read(std::string_view queue, std::int32_t number, QueueItem& item) override;
  Outcome ts_read_next(std::string_view queue, QueueItem& item) override;
  Outcome ts_count(std::string_view queue, std::int32_t& count) override;
  Outcome ts_delete(std::string_view queue, const UnitOfWork* uow) override;
  Outcome td_write(std::string_view queue, ByteView data, const UnitOfWork* uow) override;
  Outcome td_read(std::string_view queue, Bytes& data, const UnitOfWork* uow) override;
  Outcome td_delete(std::string_view queue, const UnitOfWork* uow) override;
  Outcome td_count(std::string_view queue, std::int64_t& count) override;
  Outcome file_write(std::string_view file, ByteView key, ByteView data,
                     const UnitOfWork* uow) override;
  Outcome file_read(std::string_view file, ByteView key, Bytes& data) override;
  Outcome file_rewrite(std::string_view file, ByteView key, ByteView data,
                       const UnitOfWork* uow) override;
  Outcome file_delete(std::string_view file, ByteView key, const UnitOfWork* uow) override;
  Outcome file_lock(std::string_view file, ByteView key, const UnitOfWork& uow,
                    bool until_unit_ends) override;
  Outcome file_unlock(std::string_view file, ByteView key, const UnitOfWork& uow) override;
  Outcome file_delete_generic(std::string_view file, ByteView prefix, std::int64_t& count,
                              const UnitOfWork* uow) override;
  Outcome file_append(std::string_view file, Numbering numbering, ByteView data, Bytes& key,
                      const UnitOfWork* uow) override;
  Outcome file_seek(std::string_view file, ByteView key, Seek direction, bool inclusive,
                    Bytes& found_key, Bytes& data) override;
  Outcome enq(ByteView resource, const EnqOwner& owner, EnqOwner& holder) override;
  Outcome deq(ByteView resource, const EnqOwner& owner) override;
  Outcome deq_task(const EnqOwner& owner, bool luw_only) override;
  Outcome deq_process(std::int64_t process) override;
  Outcome deq_everything() override;
  Outcome cwa_load(Bytes& data) override;
  Outcome cwa_save(ByteView data) override;
  Outcome start_put(const StartRequest& request) override;
  Outcome start_cancel(std::string_view request) override;
  Outcome start_claim(std::string_view terminal, std::int64_t now, StartRequest& claimed) override;
  Outcome start_due(std::string_view terminal, std::int64_t now, std::int64_t& count) override;
  Outcome terminal_attach(std::string_view terminal, std::int64_t process) override;
  Outcome terminal_detach(std::string_view terminal, std::int64_t process) override;
  Outcome terminal_known(std::string_view terminal) override;
  Outcome terminals(std::vector<ConnectedTerminal>& connected) override;
  Outcome terminals_forget() override;
  Outcome terminal_task(std::string_view terminal, std::int64_t process, std::int64_t task,
                        std::string_view transaction) override;
  Outcome status_read(const StatusKey& key, std::int64_t& value) override;
  Outcome status_write(const StatusKey& key, std::int64_t value) override;
  Outcome status_reset() override;
  Outcome uow_commit(const UnitOfWork& uow) override;
  Outcome uow_backout(const UnitOfWork& uow) override;
  Outcome uow_backout_process(std::int64_t process) override;
  Outcome uow_recover() override;
  Outcome wait_begin(const UnitOfWork& waiter, std::int64_t began, const EnqOwner& holder) override;
  Outcome wait_end(const UnitOfWork& waiter) override;
  Outcome deadlock_victim(const UnitOfWork& waiter, UnitOfWork& victim) override;
  const EnqOwner& last_holder() const override { return last_holder_; }
  Outcome ts_queues(std::vector<NamedCount>& queues) override;
  Outcome ts_scan(std::string_view queue, const DataVisitor& visit) override;
  Outcome td_queues(std::vector<NamedCount>& queues) override;
  Outcome td_scan(std::string_view queue, const DataVisitor& visit) override;
  Outcome file_counts(std::vector<NamedCount>& files) override;
  Outcome file_scan(std::string_view file, const RecordVisitor& visit) override;
  Outcome enqueues(std::vector<HeldName>& held) override;
  Outcome file_load(std::string_view file, std::span<const KeyedRecord> records,
                    Numbering numbering, bool replace, std::size_t& failed) override;
  const std::string& last_error() const override { return last_error_; }
  void abandon_call() override {
    sqlite3* db = db_.handle();
    for (sqlite3_stmt* statement = sqlite3_next_stmt(db, nullptr); statement != nullptr;
         statement = sqlite3_next_stmt(db, statement)) {
      sqlite3_reset(statement);
    }
    if (sqlite3_get_autocommit(db) == 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }

 private:
  // Runs one operation, turning a failed SQLite call into an outcome.
  template <typename Operation>
  Outcome guarded(Operation operation);
  // Items in the queue and its cursor; false when the queue does not exist.
  bool queue_state(std::string_view queue, std::int64_t& items, std::int64_t& cursor);
  // For a change made for a unit of work: takes the lock on the resource
  // (false when another unit of work holds it) and lowers the durability of
  // the change's transaction, which the unit's commit makes durable.
  bool lock_for(const UnitOfWork& uow, std::string_view kind, std::string_view name,
                bool until_unit_ends = true);
  // The name under which a lock of `kind` on `name` is kept with the ENQ
  // names, and the name of a file record.
  static std::string lock_name(std::string_view kind, std::string_view name);
  static std::string record_lock(std::string_view file, ByteView key);
  // Whether a task holds the lock of a record; last_holder_ then says which.
  bool record_locked(std::string_view file, ByteView key);
  // Whether someone holds an ENQ name or lock; last_holder_ then says who.
  bool find_holder(ByteView resource);
  // Locks a record for the unit of work and keeps its before-image.
  bool keep_record(const UnitOfWork& uow, std::string_view file, ByteView key);
  // Keeps an item's before-image for the unit of work.
  void keep_item(const UnitOfWork& uow, std::string_view queue, std::int64_t item);
  // Ends units of work: all of `process` (every process when 0), or one
  // task of it; a commit keeps the changes, a backout puts back the
  // before-images; either frees their locks.
  enum class Ending { commit, backout };
  static constexpr std::int64_t kEveryProcess = 0;
  static constexpr std::int64_t kEveryTask = 0;
  Outcome end_units(std::int64_t process, std::int64_t task, Ending ending);
  // The rows of a listing statement: a name and a count each.
  Outcome named_counts(sql::Statement& statement, std::vector<NamedCount>& out);
  // The number key after the file's last record; nothing past
  // kMaxRecordNumber.
  std::optional<Bytes> next_number_key(std::string_view file, Numbering numbering);
  // Hands the first column of each row for `name` to `visit`; the rows seen.
  std::int64_t visit_rows(sql::Statement& statement, std::string_view name,
                          const DataVisitor& visit);
  // Reads item `number` (known to exist) and moves the cursor to it.
  void read_item(std::string_view queue, std::int64_t number, std::int64_t items, QueueItem& item);

  sql::Connection db_;
  std::string last_error_;
  EnqOwner last_holder_;
  // Durability. Every transaction reaches the disk at its commit, but for
  // the next one when relax_next_ is set: a change made for a unit of work,
  // whose commit makes it durable with everything before it (and a crash
  // before that backs it out anyway), or a lock or an ENQ name, which a
  // region starts again without. The connection's mode changes only when
  // the next transaction needs the other one.
  bool relax_next_ = false;
  bool relaxed_ = false;
  // What status_read found, kept while the region's status counter stays
  // where it was: file commands read their file's status every time, and it
  // rarely changes.
  ChangeCounter status_changes_;
  std::map<std::string, std::optional<std::int64_t>> status_cache_;
  std::optional<std::uint64_t> status_cache_at_;
  struct Statements;
  std::unique_ptr<Statements> sql_;
};

// Every statement the store runs, prepared once per connection.
struct SqliteStore::Statements {
  explicit Statements(sql::Connection& db)
      : queue_state(db, "SELECT items, cursor FROM ts_queue WHERE name = ?"),
        queue_append(db,
                     "INSERT INTO ts_queue (name, items, cursor) VALUES (?1, 1, 0) "
                     "ON CONFLICT (name) DO UPDATE SET items = items + 1 WHERE items < ?2 "
                     "RETURNING items"),
        queue_cursor(db, "UPDATE ts_queue SET cursor = ? WHERE name = ?"),
        queue_delete(db, "DELETE FROM ts_queue WHERE name = ?"),
        item_insert(db, "INSERT INTO ts_item (queue, item, data) VALUES (?, ?, ?)"),
        item_update(db, "UPDATE ts_item SET data = ? WHERE queue = ? AND item = ?"),
        item_select(db, "SELECT data FROM ts_item WHERE queue = ? AND item = ?"),
        item_delete(db, "DELETE FROM ts_item WHERE queue = ?"),
        td_insert(db,
                  "INSERT INTO td_record (queue, seq, data) VALUES (?1, "
                  "(SELECT coalesce(max(seq), 0) + 1 FROM td_record WHERE queue = ?1), ?2)"),
        td_first(db, "SELECT seq, data FROM td_record WHERE queue = ? ORDER BY seq LIMIT 1"),
        td_remove(db, "DELETE FROM td_record WHERE queue = ? AND seq = ?"),
        td_clear(db, "DELETE FROM td_record WHERE queue = ?"),
        td_records(db, "SELECT count(*) FROM td_record WHERE queue = ?"),
        file_insert(db, "INSERT OR IGNORE INTO file_record (file, key, data) VALUES (?, ?, ?)"),
        file_select(db, "SELECT data FROM file_record WHERE file = ? AND key = ?"),
        file_update(db, "UPDATE file_record SET data = ? WHERE file = ? AND key = ?"),
        file_remove(db, "DELETE FROM file_record WHERE file = ? AND key = ?"),
        file_remove_generic(db,
                            "DELETE FROM file_record WHERE file = ?1 AND key >= ?2 AND "
                            "substr(key, 1, length(?2)) = ?2"),
        file_last(db,
                  "SELECT key, length(data) FROM file_record WHERE file = ? "
                  "ORDER BY key DESC LIMIT 1"),
        file_at_or_after(db,
                         "SELECT key, data FROM file_record WHERE file = ? AND key >= ? "
                         "ORDER BY key LIMIT 1"),
        file_after(db,
                   "SELECT key, data FROM file_record WHERE file = ? AND key > ? "
                   "ORDER BY key LIMIT 1"),
        file_at_or_before(db,
                          "SELECT key, data FROM file_record WHERE file = ? AND key <= ? "
                          "ORDER BY key DESC LIMIT 1"),
        file_before(db,
                    "SELECT key, data FROM file_record WHERE file = ? AND key < ? "
                    "ORDER BY key DESC LIMIT 1"),
        enq_claim(db,
                  "INSERT OR IGNORE INTO enqueue (resource, process, task, luw) "
                  "VALUES (?, ?, ?, ?)"),
        enq_holder(db, "SELECT process, task, luw FROM enqueue WHERE resource = ?"),
        enq_release(db, "DELETE FROM enqueue WHERE resource = ? AND process = ? AND task = ?"),
        enq_release_task(db, "DELETE FROM enqueue WHERE process = ? AND task = ? AND luw >= ?"),
        enq_release_process(db, "DELETE FROM enqueue WHERE process = ?"),
        enq_release_everything(db, "DELETE FROM enqueue"),
        cwa_select(db, "SELECT data FROM cwa WHERE id = 1"),
        cwa_upsert(db,
                   "INSERT INTO cwa (id, data) VALUES (1, ?1) "
                   "ON CONFLICT (id) DO UPDATE SET data = ?1"),
        start_insert(db,
                     "INSERT OR IGNORE INTO start_request "
                     "(request, transaction_id, terminal, due, seq, data, rtransid, rtermid, "
                     "queue) VALUES (?1, ?2, ?3, ?4, "
                     "(SELECT coalesce(max(seq), 0) + 1 FROM start_request), ?5, ?6, ?7, ?8)"),
        start_remove(db, "DELETE FROM start_request WHERE request = ?"),
        start_claim(db,
                    "DELETE FROM start_request WHERE request = (SELECT request FROM "
                    "start_request WHERE terminal = ?1 AND due <= ?2 ORDER BY due, seq LIMIT 1) "
                    "RETURNING request, transaction_id, terminal, due, data, rtransid, rtermid, "
                    "queue"),
        start_due(db, "SELECT count(*) FROM start_request WHERE terminal = ? AND due <= ?"),
        terminal_attach(db,
                        "INSERT INTO connected_terminal (terminal, process) VALUES (?1, ?2) "
                        "ON CONFLICT (terminal) DO UPDATE SET process = ?2"),
        terminal_detach(db, "DELETE FROM connected_terminal WHERE terminal = ? AND process = ?"),
        terminal_known(db, "SELECT 1 FROM connected_terminal WHERE terminal = ?"),
        terminal_all(db,
                     "SELECT terminal, process, task, transaction_id FROM connected_terminal "
                     "ORDER BY terminal"),
        terminal_task(db,
                      "UPDATE connected_terminal SET task = ?3, transaction_id = ?4 "
                      "WHERE terminal = ?1 AND process = ?2"),
        terminal_forget(db, "DELETE FROM connected_terminal"),
        status_select(db,
                      "SELECT value FROM resource_status WHERE kind = ? AND name = ? AND "
                      "attribute = ?"),
        status_upsert(db,
                      "INSERT INTO resource_status (kind, name, attribute, value) "
                      "VALUES (?1, ?2, ?3, ?4) ON CONFLICT DO UPDATE SET value = ?4"),
        status_clear(db, "DELETE FROM resource_status"),

        undo_queue(db,
                   "INSERT OR IGNORE INTO undo_ts_queue (process, task, name, present, items, "
                   "cursor) VALUES (?1, ?2, ?3, EXISTS (SELECT 1 FROM ts_queue WHERE name = ?3), "
                   "(SELECT items FROM ts_queue WHERE name = ?3), "
                   "(SELECT cursor FROM ts_queue WHERE name = ?3))"),
        undo_item(db,
                  "INSERT OR IGNORE INTO undo_ts_item (process, task, queue, item, present, data) "
                  "VALUES (?1, ?2, ?3, ?4, EXISTS (SELECT 1 FROM ts_item WHERE queue = ?3 AND "
                  "item = ?4), (SELECT data FROM ts_item WHERE queue = ?3 AND item = ?4))"),
        undo_items(db,
                   "INSERT OR IGNORE INTO undo_ts_item (process, task, queue, item, present, data) "
                   "SELECT ?1, ?2, queue, item, 1, data FROM ts_item WHERE queue = ?3"),
        lock_take(db,
                  "INSERT OR IGNORE INTO enqueue (resource, process, task, luw) "
                  "VALUES (?, ?, ?, ?)"),
        undo_record(db,
                    "INSERT OR IGNORE INTO undo_file_record (process, task, file, key, present, "
                    "data) VALUES (?1, ?2, ?3, ?4, EXISTS (SELECT 1 FROM file_record WHERE file = "
                    "?3 AND key = ?4), (SELECT data FROM file_record WHERE file = ?3 AND key = "
                    "?4))"),
        undo_records(db,
                     "INSERT OR IGNORE INTO undo_file_record (process, task, file, key, present, "
                     "data) SELECT ?1, ?2, file, key, 1, data FROM file_record WHERE file = ?3 AND "
                     "key >= ?4 AND substr(key, 1, length(?4)) = ?4"),
        undo_td_written(db,
                        "INSERT OR IGNORE INTO undo_td_record (process, task, queue, seq, present) "
                        "VALUES (?, ?, ?, (SELECT max(seq) FROM td_record WHERE queue = ?3), 0)"),
        undo_td_read(db,
                     "INSERT OR IGNORE INTO undo_td_record (process, task, queue, seq, present, "
                     "data) VALUES (?, ?, ?, ?, 1, ?)"),
        undo_td_all(db,
                    "INSERT OR IGNORE INTO undo_td_record (process, task, queue, seq, present, "
                    "data) SELECT ?1, ?2, queue, seq, 1, data FROM td_record WHERE queue = ?3"),
        wait_insert(db,
                    "INSERT OR REPLACE INTO lock_wait (process, task, began, holder_process, "
                    "holder_task) VALUES (?, ?, ?, ?, ?)"),
        wait_remove(db, "DELETE FROM lock_wait WHERE process = ? AND task = ?"),
        wait_select(db,
                    "SELECT began, holder_process, holder_task FROM lock_wait WHERE process = ? "
                    "AND task = ?"),
        ts_list(db, "SELECT name, items FROM ts_queue ORDER BY name"),
        ts_items(db, "SELECT data FROM ts_item WHERE queue = ? ORDER BY item"),
        td_list(db, "SELECT queue, count(*) FROM td_record GROUP BY queue ORDER BY queue"),
        td_scan_records(db, "SELECT data FROM td_record WHERE queue = ? ORDER BY seq"),
        file_list(db, "SELECT file, count(*) FROM file_record GROUP BY file ORDER BY file"),
        file_records(db, "SELECT key, data FROM file_record WHERE file = ? ORDER BY key"),
        file_replace(db, "INSERT OR REPLACE INTO file_record (file, key, data) VALUES (?, ?, ?)"),
        enq_list(db, "SELECT resource, process, task, luw FROM enqueue ORDER BY resource") {
    const std::string units = kUnits;
    for (const std::string& text : {
             "DELETE FROM ts_queue WHERE name IN (SELECT name FROM undo_ts_queue WHERE " + units +
                 ")",
             "INSERT OR REPLACE INTO ts_queue (name, items, cursor) SELECT name, items, cursor "
             "FROM undo_ts_queue WHERE present = 1 AND " +
                 units,
             "DELETE FROM ts_item WHERE (queue, item) IN (SELECT queue, item FROM undo_ts_item "
             "WHERE " +
                 units + ")",
             "INSERT OR REPLACE INTO ts_item (queue, item, data) SELECT queue, item, data FROM "
             "undo_ts_item WHERE present = 1 AND " +
                 units,
             "DELETE FROM file_record WHERE (file, key) IN (SELECT file, key FROM "
             "undo_file_record WHERE " +
                 units + ")",
             "INSERT OR REPLACE INTO file_record (file, key, data) SELECT file, key, data FROM "
             "undo_file_record WHERE present = 1 AND " +
                 units,
             "DELETE FROM td_record WHERE (queue, seq) IN (SELECT queue, seq FROM "
             "undo_td_record WHERE " +
                 units + ")",
             "INSERT OR REPLACE INTO td_record (queue, seq, data) SELECT queue, seq, data FROM "
             "undo_td_record WHERE present = 1 AND " +
                 units,
         }) {
      restore.emplace_back(db, text.c_str());
    }
    for (const std::string& text : {
             "DELETE FROM undo_ts_queue WHERE " + units,
             "DELETE FROM undo_ts_item WHERE " + units,
             "DELETE FROM undo_file_record WHERE " + units,
             "DELETE FROM undo_td_record WHERE " + units,
             "DELETE FROM lock_wait WHERE " + units,
             "DELETE FROM enqueue WHERE luw = 1 AND " + units,
         }) {
      forget.emplace_back(db, text.c_str());
    }
  }

  sql::Statement queue_state, queue_append, queue_cursor, queue_delete;
  sql::Statement item_insert, item_update, item_select, item_delete;
  sql::Statement td_insert, td_first, td_remove, td_clear, td_records;
  sql::Statement file_insert, file_select, file_update, file_remove, file_remove_generic, file_last;
  sql::Statement file_at_or_after, file_after, file_at_or_before, file_before;
  sql::Statement enq_claim, enq_holder, enq_release, enq_release_task, enq_release_process;
  sql::Statement enq_release_everything;
  sql::Statement cwa_select, cwa_upsert;
  sql::Statement start_insert, start_remove, start_claim, start_due;
  sql::Statement terminal_attach, terminal_detach, terminal_known, terminal_all, terminal_task;
  sql::Statement terminal_forget;
  sql::Statement status_select, status_upsert, status_clear;
  sql::Statement undo_queue, undo_item, undo_items, lock_take, undo_record, undo_records;
  sql::Statement undo_td_written, undo_td_read, undo_td_all;
  sql::Statement wait_insert, wait_remove, wait_select;
  // Ending units of work: what a backout puts back, then what every ending
  // forgets.
  std::deque<sql::Statement> restore;
  std::deque<sql::Statement> forget;

  // The units of work that an ending names: ?1 a process (0: all), ?2 a
  // task of it (0: all).
  static constexpr const char* kUnits = "(?1 = 0 OR process = ?1) AND (?2 = 0 OR task = ?2)";
  sql::Statement ts_list, ts_items, td_list, td_scan_records, file_list, file_records;
  sql::Statement file_replace;
  sql::Statement enq_list;
};

void SqliteStore::prepare() {
  sqlite3_busy_timeout(db_.handle(), kBusyTimeoutMs);
  // The first statement reads the file's header: a file that is no database
  // fails here.
  if (db_.query_text("PRAGMA journal_mode = WAL") != "wal") {
    throw sql::Failure{SQLITE_ERROR, "cannot switch the database to WAL mode"};
  }
  db_.exec("PRAGMA synchronous = FULL");
  {
    sql::Transaction transaction(db_);
    const std::int64_t version = read_schema(db_);
    for (std::int64_t step = version; step < kSchemaVersion; ++step) {
      db_.exec(kSchemaSteps[step].sql);
    }
    if (version < kSchemaVersion) db_.exec(record_schema_version().c_str());
    transaction.commit();
  }
  sql_ = std::make_unique<Statements>(db_);
}

template <typename Operation>
Outcome SqliteStore::guarded(Operation operation) {
  const bool relaxed = std::exchange(relax_next_, false);
  try {
    if (relaxed != relaxed_) {
      db_.exec(relaxed ? "PRAGMA synchronous = NORMAL" : "PRAGMA synchronous = FULL");
      relaxed_ = relaxed;
    }
    return operation();
  } catch (const sql::Failure& failure) {
    last_error_ = failure.message;
    switch (failure.code & 0xFF) {  // the primary result code
      case SQLITE_BUSY:
      case SQLITE_LOCKED:
        return Outcome::busy;
      case SQLITE_FULL:
        return Outcome::no_space;
      default:
        return Outcome::failed;
    }
  }
}

bool SqliteStore::queue_state(std::string_view queue, std::int64_t& items, std::int64_t& cursor) {
  sql::Query state(sql_->queue_state);
  if (!state.bind(1, queue).step()) return false;
  items = state.column_int(0);
  cursor = state.column_int(1);
  return true;
}

void SqliteStore::read_item(std::string_view queue, std::int64_t number, std::int64_t items,
                            QueueItem& item) {
  sql::Query select(sql_->item_select);
  if (!select.bind(1, queue).bind(2, number).step()) {
    throw sql::Failure{SQLITE_CORRUPT, "temporary storage item missing"};
  }
  item.data = select.column_bytes(0);
  item.number = static_cast<std::int32_t>(number);
  item.count = static_cast<std::int32_t>(items);
  sql::Query(sql_->queue_cursor).bind(1, number).bind(2, queue).run();
}

std::string SqliteStore::lock_name(std::string_view kind, std::string_view name) {
  std::string resource(1, '\0');
  resource.append(kind).append(name);
  return resource;
}

bool SqliteStore::find_holder(ByteView resource) {
  sql::Query held(sql_->enq_holder);
  if (!held.bind(1, resource).step()) return false;
  last_holder_ = {held.column_int(0), held.column_int(1), held.column_int(2) != 0};
  return true;
}

bool SqliteStore::record_locked(std::string_view file, ByteView key) {
  return find_holder(bytes_of(lock_name(kRecordLock, record_lock(file, key))));
}

bool SqliteStore::lock_for(const UnitOfWork& uow, std::string_view kind, std::string_view name,
                           bool until_unit_ends) {
  const std::string resource = lock_name(kind, name);
  sql::Query(sql_->lock_take)
      .bind(1, resource)
      .bind(2, uow.process)
      .bind(3, uow.task)
      .bind(4, until_unit_ends ? 1 : 0)
      .run();
  if (!find_holder(bytes_of(resource))) return true;
  return last_holder_.process == uow.process && last_holder_.task == uow.task;
}

std::string SqliteStore::record_lock(std::string_view file, ByteView key) {
  std::string name(file);
  name.append(1, '\0').append(key.begin(), key.end());
  return name;
}

bool SqliteStore::keep_record(const UnitOfWork& uow, std::string_view file, ByteView key) {
  if (!lock_for(uow, kRecordLock, record_lock(file, key))) return false;
  sql::Query(sql_->undo_record)
      .bind(1, uow.process)
      .bind(2, uow.task)
      .bind(3, file)
      .bind(4, key)
      .run();
  return true;
}

void SqliteStore::keep_item(const UnitOfWork& uow, std::string_view queue, std::int64_t item) {
  sql::Query(sql_->undo_item)
      .bind(1, uow.process)
      .bind(2, uow.task)
      .bind(3, queue)
      .bind(4, item)
      .run();
}

Outcome SqliteStore::end_units(std::int64_t process, std::int64_t task, Ending ending) {
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (ending == Ending::backout) {
      for (sql::Statement& step : sql_->restore)
        sql::Query(step).bind(1, process).bind(2, task).run();
    }
    for (sql::Statement& step : sql_->forget) sql::Query(step).bind(1, process).bind(2, task).run();
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::wait_begin(const UnitOfWork& waiter, std::int64_t began,
                                const EnqOwner& holder) {
  relax_next_ = true;  // a region starts again with no task waiting
  return guarded([&] {
    sql::Query(sql_->wait_insert)
        .bind(1, waiter.process)
        .bind(2, waiter.task)
        .bind(3, began)
        .bind(4, holder.process)
        .bind(5, holder.task)
        .run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::wait_end(const UnitOfWork& waiter) {
  relax_next_ = true;
  return guarded([&] {
    sql::Query(sql_->wait_remove).bind(1, waiter.process).bind(2, waiter.task).run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::deadlock_victim(const UnitOfWork& waiter, UnitOfWork& victim) {
  return guarded([&] {
    UnitOfWork at = waiter;
    std::int64_t youngest = std::numeric_limits<std::int64_t>::min();
    // A cycle has at most as many waits as there are waiting tasks; the
    // bound only stops a walk that never meets `waiter` again.
    for (int step = 0; step < kLongestWaitChain; ++step) {
      sql::Query wait(sql_->wait_select);
      if (!wait.bind(1, at.process).bind(2, at.task).step()) return Outcome::not_found;
      if (wait.column_int(0) > youngest) {
        youngest = wait.column_int(0);
        victim = at;
      }
      at = {wait.column_int(1), wait.column_int(2)};
      if (at.process == waiter.process && at.task == waiter.task) return Outcome::ok;
    }
    return Outcome::not_found;
  });
}

Outcome SqliteStore::uow_commit(const UnitOfWork& uow) {
  return end_units(uow.process, uow.task, Ending::commit);
}

Outcome SqliteStore::uow_backout(const UnitOfWork& uow) {
  return end_units(uow.process, uow.task, Ending::backout);
}

Outcome SqliteStore::uow_backout_process(std::int64_t process) {
  const Outcome outcome = end_units(process, kEveryTask, Ending::backout);
  return outcome == Outcome::ok ? deq_process(process) : outcome;
}

Outcome SqliteStore::uow_recover() {
  const Outcome outcome = end_units(kEveryProcess, kEveryTask, Ending::backout);
  return outcome == Outcome::ok ? deq_everything() : outcome;
}

Outcome SqliteStore::ts_write(std::string_view queue, ByteView data, std::int32_t& number,
                              const UnitOfWork* uow) {
  if (data.size() > kMaxItemLength) return Outcome::too_long;
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr) {
      if (!lock_for(*uow, kQueueLock, queue)) return Outcome::held;
      sql::Query(sql_->undo_queue).bind(1, uow->process).bind(2, uow->task).bind(3, queue).run();
    }
    sql::Query append(sql_->queue_append);
    if (!append.bind(1, queue).bind(2, kMaxItems).step()) return Outcome::queue_full;
    std::int64_t item = append.column_int(0);
    append.run();
    if (uow != nullptr) keep_item(*uow, queue, item);
    sql::Query(sql_->item_insert).bind(1, queue).bind(2, item).bind(3, data).run();
    transaction.commit();
    number = static_cast<std::int32_t>(item);
    return Outcome::ok;
  });
}

Outcome SqliteStore::ts_rewrite(std::string_view queue, std::int32_t number, ByteView data,
                                const UnitOfWork* uow) {
  if (data.size() > kMaxItemLength) return Outcome::too_long;
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    std::int64_t items = 0, cursor = 0;
    if (!queue_state(queue, items, cursor)) return Outcome::not_found;
    if (number < 1 || number > items) return Outcome::no_item;
    if (uow != nullptr) {
      if (!lock_for(*uow, kQueueLock, queue)) return Outcome::held;
      keep_item(*uow, queue, number);
    }
    sql::Query(sql_->item_update).bind(1, data).bind(2, queue).bind(3, number).run();
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::ts_read(std::string_view queue, std::int32_t number, QueueItem& item) {
  return guarded([&] {
    sql::Transaction transaction(db_);
    std::int64_t items = 0, cursor = 0;
    if (!queue_state(queue, items, cursor)) return Outcome::not_found;
    if (number < 1 || number > items) return Outcome::no_item;
    read_item(queue, number, items, item);
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::ts_read_next(std::string_view queue, QueueItem& item) {
  return guarded([&] {
    sql::Transaction transaction(db_);
    std::int64_t items = 0, cursor = 0;
    if (!queue_state(queue, items, cursor)) return Outcome::not_found;
    if (cursor >= items) return Outcome::no_item;
    read_item(queue, cursor + 1, items, item);
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::ts_count(std::string_view queue, std::int32_t& count) {
  return guarded([&] {
    std::int64_t items = 0, cursor = 0;
    if (!queue_state(queue, items, cursor)) return Outcome::not_found;
    count = static_cast<std::int32_t>(items);
    return Outcome::ok;
  });
}

Outcome SqliteStore::ts_delete(std::string_view queue, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr) {
      if (!lock_for(*uow, kQueueLock, queue)) return Outcome::held;
      sql::Query(sql_->undo_queue).bind(1, uow->process).bind(2, uow->task).bind(3, queue).run();
      sql::Query(sql_->undo_items).bind(1, uow->process).bind(2, uow->task).bind(3, queue).run();
    }
    sql::Query(sql_->queue_delete).bind(1, queue).run();
    if (db_.changes() == 0) return Outcome::not_found;
    sql::Query(sql_->item_delete).bind(1, queue).run();
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::td_write(std::string_view queue, ByteView data, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr && !lock_for(*uow, kTdWriteLock, queue)) return Outcome::held;
    sql::Query(sql_->td_insert).bind(1, queue).bind(2, data).run();
    if (uow != nullptr) {
      sql::Query(sql_->undo_td_written)
          .bind(1, uow->process)
          .bind(2, uow->task)
          .bind(3, queue)
          .run();
    }
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::td_read(std::string_view queue, Bytes& data, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr && !lock_for(*uow, kTdReadLock, queue)) return Outcome::held;
    std::int64_t seq = 0;
    {
      sql::Query first(sql_->td_first);
      if (!first.bind(1, queue).step()) return Outcome::no_item;
      seq = first.column_int(0);
      data = first.column_bytes(1);
    }
    if (uow != nullptr) {
      sql::Query(sql_->undo_td_read)
          .bind(1, uow->process)
          .bind(2, uow->task)
          .bind(3, queue)
          .bind(4, seq)
          .bind(5, ByteView(data))
          .run();
    }
    sql::Query(sql_->td_remove).bind(1, queue).bind(2, seq).run();
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::td_delete(std::string_view queue, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr) {
      if (!lock_for(*uow, kTdWriteLock, queue) || !lock_for(*uow, kTdReadLock, queue)) {
        return Outcome::held;
      }
      sql::Query(sql_->undo_td_all).bind(1, uow->process).bind(2, uow->task).bind(3, queue).run();
    }
    sql::Query(sql_->td_clear).bind(1, queue).run();
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::td_count(std::string_view queue, std::int64_t& count) {
  return guarded([&] {
    sql::Query records(sql_->td_records);
    records.bind(1, queue).step();
    count = records.column_int(0);
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_write(std::string_view file, ByteView key, ByteView data,
                                const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr && !keep_record(*uow, file, key)) return Outcome::held;
    sql::Query(sql_->file_insert).bind(1, file).bind(2, key).bind(3, data).run();
    if (db_.changes() == 0) return Outcome::duplicate;
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_read(std::string_view file, ByteView key, Bytes& data) {
  return guarded([&] {
    sql::Query select(sql_->file_select);
    if (!select.bind(1, file).bind(2, key).step()) return Outcome::not_found;
    data = select.column_bytes(0);
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_rewrite(std::string_view file, ByteView key, ByteView data,
                                  const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr && !keep_record(*uow, file, key)) return Outcome::held;
    sql::Query(sql_->file_update).bind(1, data).bind(2, file).bind(3, key).run();
    if (db_.changes() == 0) return Outcome::not_found;
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_delete(std::string_view file, ByteView key, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr && !keep_record(*uow, file, key)) return Outcome::held;
    sql::Query(sql_->file_remove).bind(1, file).bind(2, key).run();
    if (db_.changes() == 0) return Outcome::not_found;
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_delete_generic(std::string_view file, ByteView prefix,
                                         std::int64_t& count, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (uow != nullptr) {
      sql::Query(sql_->undo_records)
          .bind(1, uow->process)
          .bind(2, uow->task)
          .bind(3, file)
          .bind(4, prefix)
          .run();
    }
    sql::Query(sql_->file_remove_generic).bind(1, file).bind(2, prefix).run();
    count = db_.changes();
    if (count == 0) return Outcome::not_found;
    transaction.commit();
    return Outcome::ok;
  });
}

std::optional<Bytes> SqliteStore::next_number_key(std::string_view file, Numbering numbering) {
  std::uint64_t number = numbering == Numbering::bytes ? 0 : 1;
  {
    sql::Query last(sql_->file_last);
    if (last.bind(1, file).step()) {
      const std::uint64_t step =
          numbering == Numbering::bytes ? static_cast<std::uint64_t>(last.column_int(1)) : 1;
      number = key_number(last.column_bytes(0)) + step;
    }
  }
  if (number > kMaxRecordNumber) return std::nullopt;
  return number_key(static_cast<std::uint32_t>(number));
}

Outcome SqliteStore::file_append(std::string_view file, Numbering numbering, ByteView data,
                                 Bytes& key, const UnitOfWork* uow) {
  relax_next_ = uow != nullptr;
  return guarded([&] {
    sql::Transaction transaction(db_);
    std::optional<Bytes> next = next_number_key(file, numbering);
    if (!next) return Outcome::no_space;
    key = std::move(*next);
    if (uow != nullptr && !keep_record(*uow, file, key)) return Outcome::held;
    sql::Query(sql_->file_insert).bind(1, file).bind(2, ByteView(key)).bind(3, data).run();
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_lock(std::string_view file, ByteView key, const UnitOfWork& uow,
                               bool until_unit_ends) {
  relax_next_ = true;  // locks and names do not outlive a crash
  return guarded([&] {
    sql::Transaction transaction(db_);
    if (!lock_for(uow, kRecordLock, record_lock(file, key), until_unit_ends)) {
      return Outcome::held;
    }
    transaction.commit();
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_unlock(std::string_view file, ByteView key, const UnitOfWork& uow) {
  const std::string resource = lock_name(kRecordLock, record_lock(file, key));
  return deq(bytes_of(resource), {uow.process, uow.task});
}

Outcome SqliteStore::file_seek(std::string_view file, ByteView key, Seek direction, bool inclusive,
                               Bytes& found_key, Bytes& data) {
  sql::Statement& statement = direction == Seek::forward
                                  ? (inclusive ? sql_->file_at_or_after : sql_->file_after)
                                  : (inclusive ? sql_->file_at_or_before : sql_->file_before);
  return guarded([&] {
    sql::Query select(statement);
    if (!select.bind(1, file).bind(2, key).step()) return Outcome::no_item;
    found_key = select.column_bytes(0);
    data = select.column_bytes(1);
    return Outcome::ok;
  });
}

Outcome SqliteStore::enq(ByteView resource, const EnqOwner& owner, EnqOwner& holder) {
  relax_next_ = true;  // locks and names do not outlive a crash
  return guarded([&] {
    sql::Transaction transaction(db_);
    sql::Query(sql_->enq_claim)
        .bind(1, resource)
        .bind(2, owner.process)
        .bind(3, owner.task)
        .bind(4, owner.luw ? 1 : 0)
        .run();
    if (find_holder(resource)) holder = last_holder_;
    transaction.commit();
    last_holder_ = holder;
    const bool mine = holder.process == owner.process && holder.task == owner.task;
    return mine ? Outcome::ok : Outcome::held;
  });
}

Outcome SqliteStore::deq(ByteView resource, const EnqOwner& owner) {
  relax_next_ = true;  // locks and names do not outlive a crash
  return guarded([&] {
    sql::Query(sql_->enq_release)
        .bind(1, resource)
        .bind(2, owner.process)
        .bind(3, owner.task)
        .run();
    return db_.changes() > 0 ? Outcome::ok : Outcome::not_found;
  });
}

Outcome SqliteStore::deq_task(const EnqOwner& owner, bool luw_only) {
  relax_next_ = true;  // locks and names do not outlive a crash
  return guarded([&] {
    sql::Query(sql_->enq_release_task)
        .bind(1, owner.process)
        .bind(2, owner.task)
        .bind(3, luw_only ? 1 : 0)
        .run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::deq_process(std::int64_t process) {
  relax_next_ = true;  // locks and names do not outlive a crash
  return guarded([&] {
    sql::Query(sql_->enq_release_process).bind(1, process).run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::deq_everything() {
  return guarded([&] {
    sql::Query(sql_->enq_release_everything).run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::cwa_load(Bytes& data) {
  return guarded([&] {
    sql::Query select(sql_->cwa_select);
    data = select.step() ? select.column_bytes(0) : Bytes{};
    return Outcome::ok;
  });
}

Outcome SqliteStore::cwa_save(ByteView data) {
  return guarded([&] {
    sql::Query(sql_->cwa_upsert).bind(1, data).run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::status_read(const StatusKey& key, std::int64_t& value) {
  return guarded([&] {
    const std::optional<std::uint64_t> changes = status_changes_.value();
    if (!changes || changes != status_cache_at_) {
      status_cache_.clear();
      status_cache_at_ = changes;
    }
    std::string cached;
    cached.append(key.kind).append(1, '\0').append(key.name).append(1, '\0').append(key.attribute);
    auto found = status_cache_.find(cached);
    if (found == status_cache_.end()) {
      sql::Query select(sql_->status_select);
      std::optional<std::int64_t> status;
      if (select.bind(1, key.kind).bind(2, key.name).bind(3, key.attribute).step()) {
        status = select.column_int(0);
      }
      found = status_cache_.emplace(std::move(cached), status).first;
    }
    if (!found->second) return Outcome::not_found;
    value = *found->second;
    return Outcome::ok;
  });
}

Outcome SqliteStore::status_write(const StatusKey& key, std::int64_t value) {
  const Outcome outcome = guarded([&] {
    sql::Query(sql_->status_upsert)
        .bind(1, key.kind)
        .bind(2, key.name)
        .bind(3, key.attribute)
        .bind(4, value)
        .run();
    return Outcome::ok;
  });
  status_changes_.advance();
  return outcome;
}

Outcome SqliteStore::status_reset() {
  const Outcome outcome = guarded([&] {
    sql::Query(sql_->status_clear).run();
    return Outcome::ok;
  });
  status_changes_.advance();
  return outcome;
}

Outcome SqliteStore::start_put(const StartRequest& request) {
  return guarded([&] {
    sql::Query(sql_->start_insert)
        .bind(1, request.request)
        .bind(2, request.transaction)
        .bind(3, request.terminal)
        .bind(4, request.due)
        .bind(5, ByteView(request.data))
        .bind(6, request.rtransid)
        .bind(7, request.rtermid)
        .bind(8, request.queue)
        .run();
    return db_.changes() > 0 ? Outcome::ok : Outcome::duplicate;
  });
}

Outcome SqliteStore::start_cancel(std::string_view request) {
  return guarded([&] {
    sql::Query(sql_->start_remove).bind(1, request).run();
    return db_.changes() > 0 ? Outcome::ok : Outcome::not_found;
  });
}

namespace {

std::string text_of(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

Outcome SqliteStore::start_claim(std::string_view terminal, std::int64_t now,
                                 StartRequest& claimed) {
  return guarded([&] {
    sql::Query claim(sql_->start_claim);
    if (!claim.bind(1, terminal).bind(2, now).step()) return Outcome::no_item;
    claimed.request = text_of(claim.column_bytes(0));
    claimed.transaction = text_of(claim.column_bytes(1));
    claimed.terminal = text_of(claim.column_bytes(2));
    claimed.due = claim.column_int(3);
    claimed.data = claim.column_bytes(4);
    claimed.rtransid = text_of(claim.column_bytes(5));
    claimed.rtermid = text_of(claim.column_bytes(6));
    claimed.queue = text_of(claim.column_bytes(7));
    claim.run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::start_due(std::string_view terminal, std::int64_t now, std::int64_t& count) {
  return guarded([&] {
    sql::Query due(sql_->start_due);
    count = due.bind(1, terminal).bind(2, now).step() ? due.column_int(0) : 0;
    return Outcome::ok;
  });
}

Outcome SqliteStore::terminal_attach(std::string_view terminal, std::int64_t process) {
  return guarded([&] {
    sql::Query(sql_->terminal_attach).bind(1, terminal).bind(2, process).run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::terminal_detach(std::string_view terminal, std::int64_t process) {
  return guarded([&] {
    sql::Query(sql_->terminal_detach).bind(1, terminal).bind(2, process).run();
    return db_.changes() > 0 ? Outcome::ok : Outcome::not_found;
  });
}

Outcome SqliteStore::terminal_known(std::string_view terminal) {
  return guarded([&] {
    sql::Query known(sql_->terminal_known);
    return known.bind(1, terminal).step() ? Outcome::ok : Outcome::not_found;
  });
}

Outcome SqliteStore::terminals(std::vector<ConnectedTerminal>& connected) {
  return guarded([&] {
    connected.clear();
    sql::Query all(sql_->terminal_all);
    while (all.step()) {
      connected.push_back({text_of(all.column_bytes(0)), all.column_int(1), all.column_int(2),
                           text_of(all.column_bytes(3))});
    }
    return Outcome::ok;
  });
}

Outcome SqliteStore::terminal_task(std::string_view terminal, std::int64_t process,
                                   std::int64_t task, std::string_view transaction) {
  return guarded([&] {
    sql::Query(sql_->terminal_task)
        .bind(1, terminal)
        .bind(2, process)
        .bind(3, task)
        .bind(4, transaction)
        .run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::terminals_forget() {
  return guarded([&] {
    sql::Query(sql_->terminal_forget).run();
    return Outcome::ok;
  });
}

Outcome SqliteStore::named_counts(sql::Statement& statement, std::vector<NamedCount>& out) {
  return guarded([&] {
    out.clear();
    sql::Query rows(statement);
    while (rows.step()) {
      Bytes name = rows.column_bytes(0);
      out.push_back({std::string(name.begin(), name.end()), rows.column_int(1)});
    }
    return Outcome::ok;
  });
}

Outcome SqliteStore::ts_queues(std::vector<NamedCount>& queues) {
  return named_counts(sql_->ts_list, queues);
}

std::int64_t SqliteStore::visit_rows(sql::Statement& statement, std::string_view name,
                                     const DataVisitor& visit) {
  sql::Query rows(statement);
  rows.bind(1, name);
  std::int64_t visited = 0;
  for (; rows.step(); ++visited) visit(rows.column_bytes(0));
  return visited;
}

// A queue holds at least one item from its first write until it is deleted,
// so a queue with no items does not exist.
Outcome SqliteStore::ts_scan(std::string_view queue, const DataVisitor& visit) {
  return guarded([&] {
    return visit_rows(sql_->ts_items, queue, visit) > 0 ? Outcome::ok : Outcome::not_found;
  });
}

Outcome SqliteStore::td_queues(std::vector<NamedCount>& queues) {
  return named_counts(sql_->td_list, queues);
}

Outcome SqliteStore::td_scan(std::string_view queue, const DataVisitor& visit) {
  return guarded([&] {
    visit_rows(sql_->td_scan_records, queue, visit);
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_counts(std::vector<NamedCount>& files) {
  return named_counts(sql_->file_list, files);
}

Outcome SqliteStore::file_scan(std::string_view file, const RecordVisitor& visit) {
  return guarded([&] {
    sql::Query records(sql_->file_records);
    records.bind(1, file);
    while (records.step()) visit(records.column_bytes(0), records.column_bytes(1));
    return Outcome::ok;
  });
}

Outcome SqliteStore::enqueues(std::vector<HeldName>& held) {
  return guarded([&] {
    held.clear();
    sql::Query rows(sql_->enq_list);
    while (rows.step()) {
      held.push_back({rows.column_bytes(0),
                      {rows.column_int(1), rows.column_int(2), rows.column_int(3) != 0}});
    }
    return Outcome::ok;
  });
}

Outcome SqliteStore::file_load(std::string_view file, std::span<const KeyedRecord> records,
                               Numbering numbering, bool replace, std::size_t& failed) {
  sql::Statement& statement = replace ? sql_->file_replace : sql_->file_insert;
  return guarded([&] {
    sql::Transaction transaction(db_);
    for (std::size_t i = 0; i < records.size(); ++i) {
      failed = i;
      std::optional<Bytes> key = records[i].key;
      if (key->empty()) key = next_number_key(file, numbering);
      if (!key) return Outcome::no_space;  // the transaction rolls back
      // A record that a task has locked belongs to its unit of work, whose
      // backout would put its before-image back over the loaded one.
      if (record_locked(file, *key)) return Outcome::held;
      sql::Query(statement)
          .bind(1, file)
          .bind(2, ByteView(*key))
          .bind(3, ByteView(records[i].data))
          .run();
      if (db_.changes() == 0) return Outcome::duplicate;
    }
    transaction.commit();
    return Outcome::ok;
  });
}

}  // namespace

std::int64_t read_schema(sql::Connection& db) {
  std::int64_t version = db.query_int("PRAGMA user_version");
  std::int64_t tables = db.query_int("SELECT count(*) FROM sqlite_schema WHERE type = 'table'");
  if (version > kSchemaVersion) {
    throw sql::Failure{SQLITE_ERROR, "made by a newer ravnmor (schema version " +
                                         std::to_string(version) + ", this one reads " +
                                         std::to_string(kSchemaVersion) + ")"};
  }
  const int expected = version <= 0 ? 0 : kSchemaSteps[version - 1].tables_after;
  if (version < 0 || tables != expected) {
    throw sql::Failure{SQLITE_ERROR, "not a ravnmor region store"};
  }
  return version;
}

OpenedStore open_sqlite_store(const std::filesystem::path& region_directory) {
  std::error_code error;
  std::filesystem::create_directories(region_directory, error);
  if (error) {
    return {nullptr,
            "cannot create region directory " + region_directory.string() + ": " + error.message()};
  }
  auto path = (region_directory / kStoreFileName).string();
  if (std::filesystem::exists(path) && !std::filesystem::is_regular_file(path)) {
    return {nullptr, "region store " + path + " cannot be used: it is not a file"};
  }
  try {
    auto store = std::make_unique<SqliteStore>(path);
    store->prepare();
    return {std::move(store), {}};
  } catch (const sql::Failure& failure) {
    return {nullptr, "region store " + path + " cannot be used: " + failure.message};
  }
}

}  // namespace ravnmor::store
