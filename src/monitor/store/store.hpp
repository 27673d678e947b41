// The region's persistent store: the resources that every session process of
// the region shares (temporary storage queues, transient data queues, file
// records, ENQ names, the common work area, START requests, the connected
// terminals). Every session process opens its own Store on the region
// directory after it is forked; a change is durable once the call that made
// it has returned `Outcome::ok`.
//
// Names and keys are byte strings taken exactly as the command passes them
// (a queue name keeps its blank padding); data is binary.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ravnmor::store {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// The longest temporary storage item, and the most items one queue holds:
// both are counted in 16-bit signed fields by the commands.
inline constexpr std::size_t kMaxItemLength = 32767;
inline constexpr std::int32_t kMaxItems = 32767;

// The numbers of entry-sequenced and relative files are fullwords: their
// key is the number in 4 bytes, most significant first, so that key order
// is number order.
inline constexpr std::uint32_t kMaxRecordNumber = UINT32_MAX;
inline constexpr std::size_t kNumberKeyLength = 4;
Bytes number_key(std::uint32_t number);
std::uint32_t key_number(ByteView key);  // the first kNumberKeyLength bytes

enum class Outcome {
  ok,
  not_found,   // no such queue, record or held name
  no_item,     // no such item: zero, negative, past the end, or an empty queue
  duplicate,   // a file record with that key is already there
  held,        // the ENQ name is held by another owner
  too_long,    // the data is longer than kMaxItemLength
  queue_full,  // the queue already holds kMaxItems items
  busy,        // another session kept the store locked past the busy timeout
  no_space,    // the disk or the database is full
  failed,      // an I/O error or a damaged database; last_error() says which
};

// An item read from a temporary storage queue.
struct QueueItem {
  Bytes data;
  std::int32_t number = 0;  // its item number, from 1
  std::int32_t count = 0;   // items in the queue when it was read
};

// A task that START asked for: it waits in the store until it is due and
// claimed by the process that runs it (the session of its terminal, or a
// worker when it has none), or until it is cancelled.
struct StartRequest {
  std::string request;      // REQID, 8 characters
  std::string transaction;  // 4 characters
  std::string terminal;     // TERMID, 4 characters; blank for a task without a terminal
  std::int64_t due = 0;     // seconds since the epoch from which it may run
  Bytes data;               // FROM
  std::string rtransid;     // RTRANSID, RTERMID, QUEUE: handed to RETRIEVE; blank when
  std::string rtermid;      // not given
  std::string queue;
};

// One attribute of a resource's status: kind "FILE", "TDQUEUE", "TERMINAL",
// ...; the resource's name as the configuration keeps it; attribute "OPEN",
// "ENABLED", ...
struct StatusKey {
  std::string_view kind;
  std::string_view name;
  std::string_view attribute;
};

// A unit of work: the changes to recoverable resources that one task (its
// session process and its task number there) made since it started or last
// took a syncpoint. They are committed together or backed out together.
struct UnitOfWork {
  std::int64_t process = 0;
  std::int64_t task = 0;
};

// A queue or file of the store and how many items or records it holds.
struct NamedCount {
  std::string name;
  std::int64_t count = 0;
};

// A record with the key it is found by (see file_load).
struct KeyedRecord {
  Bytes key;
  Bytes data;
};

// What the listing operations hand over, one item or record at a time.
using DataVisitor = std::function<void(ByteView data)>;
using RecordVisitor = std::function<void(ByteView key, ByteView data)>;

class Store {
 public:
  virtual ~Store() = default;

  // Temporary storage. A queue exists from its first write until it is
  // deleted; its items are numbered from 1 in the order written. Each queue
  // has one read cursor, shared by every session: reading item n by number
  // moves it to n, and reading the next item reads the one after it.
  //
  // A change made for a unit of work (a recoverable queue) locks the queue
  // for it until it ends (held, with last_holder(), while another unit of
  // work has it) and is undone if the unit of work backs out.
  virtual Outcome ts_write(std::string_view queue, ByteView data, std::int32_t& number,
                           const UnitOfWork* uow = nullptr) = 0;
  virtual Outcome ts_rewrite(std::string_view queue, std::int32_t number, ByteView data,
                             const UnitOfWork* uow = nullptr) = 0;
  virtual Outcome ts_read(std::string_view queue, std::int32_t number, QueueItem& item) = 0;
  virtual Outcome ts_read_next(std::string_view queue, QueueItem& item) = 0;
  virtual Outcome ts_count(std::string_view queue, std::int32_t& count) = 0;
  virtual Outcome ts_delete(std::string_view queue, const UnitOfWork* uow = nullptr) = 0;

  // Transient data (intrapartition): records read once, oldest first.
  // A change made for a unit of work (a recoverable queue) locks the queue
  // for it, its writers apart from its readers, until it ends (held, with
  // last_holder(), while another unit of work has it), and is undone if the
  // unit of work backs out: written records go, read ones come back in
  // their place.
  virtual Outcome td_write(std::string_view queue, ByteView data,
                           const UnitOfWork* uow = nullptr) = 0;
  virtual Outcome td_read(std::string_view queue, Bytes& data,
                          const UnitOfWork* uow = nullptr) = 0;  // no_item when empty
  virtual Outcome td_delete(std::string_view queue,
                            const UnitOfWork* uow = nullptr) = 0;             // drops every record
  virtual Outcome td_count(std::string_view queue, std::int64_t& count) = 0;  // records waiting

  // File records. Every record has an identity in its file, a byte string
  // that orders the file bytewise: the key of a keyed file, or for an
  // entry-sequenced or relative file its number (number_key) as the store
  // gives it on file_append.
  //
  // A change made for a unit of work (a recoverable file) locks the record
  // for it until it ends (held, with last_holder(), while another unit of
  // work has it) and is undone if the unit of work backs out.
  virtual Outcome file_write(std::string_view file, ByteView key, ByteView data,
                             const UnitOfWork* uow = nullptr) = 0;
  virtual Outcome file_read(std::string_view file, ByteView key, Bytes& data) = 0;
  virtual Outcome file_rewrite(std::string_view file, ByteView key, ByteView data,
                               const UnitOfWork* uow = nullptr) = 0;
  virtual Outcome file_delete(std::string_view file, ByteView key,
                              const UnitOfWork* uow = nullptr) = 0;
  // Deletes every record whose key begins with `prefix`; not_found when
  // there is none, else `count` says how many went.
  virtual Outcome file_delete_generic(std::string_view file, ByteView prefix, std::int64_t& count,
                                      const UnitOfWork* uow = nullptr) = 0;
  // READ UPDATE's lock on a record, for the task of `uow`: until its unit
  // of work ends (`until_unit_ends`, a recoverable file), else until
  // file_unlock or the task's end. held, with last_holder(), while another
  // task has it.
  virtual Outcome file_lock(std::string_view file, ByteView key, const UnitOfWork& uow,
                            bool until_unit_ends) = 0;
  virtual Outcome file_unlock(std::string_view file, ByteView key, const UnitOfWork& uow) = 0;
  // Adds a record after the file's last one and gives its number key:
  // counted in bytes, the last record's number plus its length, from 0 (the
  // relative byte address of an entry-sequenced file); counted in records,
  // the last one's number plus 1, from 1 (the record number of a relative
  // file). no_space when the number would pass kMaxRecordNumber.
  enum class Numbering { bytes, records };
  virtual Outcome file_append(std::string_view file, Numbering numbering, ByteView data, Bytes& key,
                              const UnitOfWork* uow = nullptr) = 0;
  // Browsing: the record with the nearest key from `key` in key order
  // (bytewise), `key` itself included when `inclusive`; no_item past the end.
  enum class Seek { forward, backward };
  virtual Outcome file_seek(std::string_view file, ByteView key, Seek direction, bool inclusive,
                            Bytes& found_key, Bytes& data) = 0;

  // ENQ names, each held by one task until released: named by its session
  // process and its task number there, so that a name is released when the
  // task ends, and all of a process's names when the process is found dead.
  // A second ENQ by the holder succeeds; held says who holds it. A name
  // enqueued with `luw` is also released at the task's syncpoint.
  struct EnqOwner {
    std::int64_t process = 0;
    std::int64_t task = 0;
    bool luw = false;
  };
  virtual Outcome enq(ByteView resource, const EnqOwner& owner, EnqOwner& holder) = 0;
  virtual Outcome deq(ByteView resource, const EnqOwner& owner) = 0;  // not_found: not its
  virtual Outcome deq_task(const EnqOwner& owner, bool luw_only) = 0;
  virtual Outcome deq_process(std::int64_t process) = 0;
  virtual Outcome deq_everything() = 0;  // a region starts with no name held

  // The common work area: empty until first saved.
  virtual Outcome cwa_load(Bytes& data) = 0;
  virtual Outcome cwa_save(ByteView data) = 0;

  // START requests. A REQID names one pending request (duplicate when one
  // of that name is pending); cancelling takes it away before it runs.
  // Claiming removes and returns, in one step, the oldest request at
  // `terminal` (blank: without one) that is due by `now`, so that of every
  // process that claims only one gets it (no_item when none is due).
  virtual Outcome start_put(const StartRequest& request) = 0;
  virtual Outcome start_cancel(std::string_view request) = 0;
  virtual Outcome start_claim(std::string_view terminal, std::int64_t now,
                              StartRequest& claimed) = 0;
  // How many requests at `terminal` are due by `now`.
  virtual Outcome start_due(std::string_view terminal, std::int64_t now, std::int64_t& count) = 0;

  // The connected terminals: each TERMID with the process of its session,
  // from the session's start to its end (not_found for one not connected).
  struct ConnectedTerminal {
    std::string terminal;
    std::int64_t process = 0;
    std::int64_t task = 0;    // the task running there; 0 between tasks
    std::string transaction;  // its transaction
  };
  virtual Outcome terminal_attach(std::string_view terminal, std::int64_t process) = 0;
  virtual Outcome terminal_detach(std::string_view terminal, std::int64_t process) = 0;
  virtual Outcome terminal_known(std::string_view terminal) = 0;
  virtual Outcome terminals(std::vector<ConnectedTerminal>& connected) = 0;
  // Forgets every terminal: a region starts with none connected.
  virtual Outcome terminals_forget() = 0;
  // Records the task that the session `process` runs at its terminal now
  // (task 0 and no transaction: between tasks).
  virtual Outcome terminal_task(std::string_view terminal, std::int64_t process, std::int64_t task,
                                std::string_view transaction) = 0;

  // What commands changed of a resource's configured status while the
  // region runs (SET FILE CLOSED, ...), shared by every session; not_found
  // for what nothing changed. status_reset forgets every change: a region
  // starts from its configuration.
  virtual Outcome status_read(const StatusKey& key, std::int64_t& value) = 0;
  virtual Outcome status_write(const StatusKey& key, std::int64_t value) = 0;
  virtual Outcome status_reset() = 0;

  // Ending units of work. A commit is one durable transaction that keeps
  // the unit's changes and frees its locks (and its ENQ names taken with
  // LUW); a backout puts back what the unit changed and frees the same.
  // The backout of a process ends every unit of work of a session found
  // dead and frees all its names; recovery, at a region's start, backs out
  // every unit of work that a crash left and frees every name.
  virtual Outcome uow_commit(const UnitOfWork& uow) = 0;
  virtual Outcome uow_backout(const UnitOfWork& uow) = 0;
  virtual Outcome uow_backout_process(std::int64_t process) = 0;
  virtual Outcome uow_recover() = 0;
  // Tasks waiting for one another. A waiting unit of work records whom it
  // waits for (wait_begin, its task's start in microseconds since the
  // epoch) until it stops waiting (wait_end). deadlock_victim finds whether
  // the waits from `waiter` come back to it, and then names the youngest
  // task of that cycle (not_found when there is no cycle).
  virtual Outcome wait_begin(const UnitOfWork& waiter, std::int64_t began,
                             const EnqOwner& holder) = 0;
  virtual Outcome wait_end(const UnitOfWork& waiter) = 0;
  virtual Outcome deadlock_victim(const UnitOfWork& waiter, UnitOfWork& victim) = 0;
  // Who held what the last call that answered held wanted.
  virtual const EnqOwner& last_holder() const = 0;
  // Listing and bulk loading, for the region's tools. Listing changes
  // nothing: no TS cursor moves and no TD record is consumed. The lists come
  // in name order; ts_scan is not_found for a queue that does not exist.
  virtual Outcome ts_queues(std::vector<NamedCount>& queues) = 0;
  virtual Outcome ts_scan(std::string_view queue, const DataVisitor& visit) = 0;
  virtual Outcome td_queues(std::vector<NamedCount>& queues) = 0;  // those holding records
  virtual Outcome td_scan(std::string_view queue, const DataVisitor& visit) = 0;  // oldest first
  virtual Outcome file_counts(std::vector<NamedCount>& files) = 0;  // those holding records
  virtual Outcome file_scan(std::string_view file, const RecordVisitor& visit) = 0;  // key order
  struct HeldName {
    Bytes resource;
    EnqOwner holder;
  };
  virtual Outcome enqueues(std::vector<HeldName>& held) = 0;
  // Adds every record to the file, or none. A record with a key goes in
  // under it: duplicate, with `failed` its index, when a record of that key
  // is already there (from before or earlier among `records`), unless
  // `replace` lets it replace that one; held, likewise, when a task has
  // locked a record of that key (last_holder() names it). A record with an
  // empty key goes after the file's last, numbered as file_append numbers
  // (no_space past kMaxRecordNumber).
  virtual Outcome file_load(std::string_view file, std::span<const KeyedRecord> records,
                            Numbering numbering, bool replace, std::size_t& failed) = 0;

  // What went wrong in the last call that answered busy, no_space or failed.
  virtual const std::string& last_error() const = 0;

  // Gives up whatever a call left open when it was cut short (a program's
  // fault inside it): its transaction is rolled back and its statements are
  // reset, so that the next calls find the store as usual.
  virtual void abandon_call() = 0;
};

// The result of opening a store: the store, or why it could not be opened.
struct OpenedStore {
  std::unique_ptr<Store> store;
  std::string error;  // one line, naming the file; empty when `store` is set
};

// The file that holds the region's store inside the region directory.
inline constexpr const char* kStoreFileName = "store.db";
// Beside it, the counter of status changes that the region's processes share.
inline constexpr const char* kStatusCounterSuffix = ".status";

// Opens the SQLite store in `region_directory`, creating the directory and
// the database when they do not exist yet. An unreadable, foreign, damaged
// or newer database gives an error and no store.
OpenedStore open_sqlite_store(const std::filesystem::path& region_directory);

}  // namespace ravnmor::store
