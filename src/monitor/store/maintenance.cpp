// Store maintenance over SQLite: integrity checks, the WAL checkpoint of a
// clean stop, and copies through SQLite's online backup, which reads one
// consistent snapshot while the sessions go on writing.
#include "monitor/store/maintenance.hpp"

#include <memory>
#include <system_error>

#include "monitor/store/sqlite.hpp"
#include "monitor/store/sqlite_schema.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::store {

namespace fs = std::filesystem;

namespace {

// The files SQLite keeps beside a database in WAL mode, named by suffix.
constexpr const char* kCompanionSuffixes[] = {"-wal", "-shm", "-journal"};
// A copy is written under this suffix and renamed into place once checked.
constexpr const char* kPartialSuffix = ".partial";
constexpr int kBusyTimeoutMs = 10000;
constexpr int kAllPages = -1;
constexpr int kCopyAttempts = 50;
constexpr int kCopyPauseMs = 200;

fs::path store_path(const fs::path& region_directory) {
  return region_directory / kStoreFileName;
}

fs::path with_suffix(fs::path path, const char* suffix) {
  path += suffix;
  return path;
}

// SQLite reports the problems it found on lines of their own, after a line
// naming the database: one line of them.
std::string one_line(const std::string& found) {
  constexpr std::string_view kHeader = "*** in database main ***\n";
  std::string text = found.starts_with(kHeader) ? found.substr(kHeader.size()) : found;
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
    text.replace(at, 1, "; ");
  }
  return text;
}

Verdict refused(const fs::path& file, const std::string& why) {
  return {false, file.string() + ": " + why};
}

std::unique_ptr<sql::Connection> open_existing(const fs::path& file) {
  std::error_code error;
  if (!fs::exists(file, error)) throw sql::Failure{SQLITE_CANTOPEN, "no such file"};
  if (!fs::is_regular_file(file, error)) throw sql::Failure{SQLITE_CANTOPEN, "it is not a file"};
  auto db = std::make_unique<sql::Connection>(file.string(), sql::Connection::Open::existing);
  sqlite3_busy_timeout(db->handle(), kBusyTimeoutMs);
  return db;
}

// Checks an existing store file; a summary of it, or sql::Failure saying
// what is wrong.
std::string examine(const fs::path& file, Depth depth) {
  auto opened = open_existing(file);
  sql::Connection& db = *opened;
  if (read_schema(db) == 0) {
    throw sql::Failure{SQLITE_ERROR, "not a ravnmor region store (it holds nothing)"};
  }
  std::string found =
      db.query_text(depth == Depth::quick ? "PRAGMA quick_check(1)" : "PRAGMA integrity_check(1)");
  if (found != "ok") throw sql::Failure{SQLITE_CORRUPT, "damaged: " + one_line(found)};
  return "schema version " + std::to_string(db.query_int("PRAGMA user_version")) + ", " +
         std::to_string(db.query_int("PRAGMA page_count")) + " pages of " +
         std::to_string(db.query_int("PRAGMA page_size")) + " bytes";
}

void remove_with_companions(const fs::path& file) {
  std::error_code ignored;
  fs::remove(file, ignored);
  for (const char* suffix : kCompanionSuffixes) fs::remove(with_suffix(file, suffix), ignored);
}

void copy_pages(sql::Connection& from, sql::Connection& to) {
  sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
  if (backup == nullptr) to.fail(sqlite3_extended_errcode(to.handle()));
  int code = SQLITE_OK;
  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    code = sqlite3_backup_step(backup, kAllPages);
    if (code != SQLITE_BUSY && code != SQLITE_LOCKED) break;
    sqlite3_sleep(kCopyPauseMs);
  }
  sqlite3_backup_finish(backup);
  if (code != SQLITE_DONE) throw sql::Failure{code, sqlite3_errstr(code)};
}

// Copies the store in `from` to a new single file `to` (no WAL beside it).
void copy_store(const fs::path& from, const fs::path& to) {
  auto source = open_existing(from);
  read_schema(*source);
  remove_with_companions(to);
  sql::Connection copy(to.string());
  copy_pages(*source, copy);
  copy.query_text("PRAGMA journal_mode = DELETE");
}

void rename_or_fail(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error)
    throw sql::Failure{SQLITE_IOERR, "cannot rename " + from.string() + ": " + error.message()};
}

// Moves a store and the files beside it out of the way under a new name
// that keeps them usable together.
void set_aside(const fs::path& store, const char* suffix) {
  std::error_code error;
  if (!fs::exists(store, error)) return;
  rename_or_fail(store, with_suffix(store, suffix));
  for (const char* companion : kCompanionSuffixes) {
    fs::path file = with_suffix(store, companion);
    if (fs::exists(file, error)) {
      rename_or_fail(file, with_suffix(with_suffix(store, suffix), companion));
    }
  }
}

}  // namespace

Verdict prepare_store(const fs::path& region_directory) {
  OpenedStore opened = open_sqlite_store(region_directory);
  if (!opened.store) return {false, opened.error};
  opened.store.reset();
  const fs::path file = store_path(region_directory);
  Verdict verdict;
  try {
    verdict = {true, file.string() + ": sound, " + examine(file, Depth::quick)};
  } catch (const sql::Failure& failure) {
    return {false, "region store " + file.string() + " cannot be used: " + failure.message};
  }
  // No terminal of an earlier run is connected to this one.
  opened = open_sqlite_store(region_directory);
  if (!opened.store) return {false, opened.error};
  if (opened.store->terminals_forget() != Outcome::ok) {
    return {false,
            "region store " + file.string() + " cannot be used: " + opened.store->last_error()};
  }
  return verdict;
}

Verdict check_store(const fs::path& region_directory, Depth depth) {
  const fs::path file = store_path(region_directory);
  try {
    return {true, file.string() + ": sound, " + examine(file, depth)};
  } catch (const sql::Failure& failure) {
    return refused(file, failure.message);
  }
}

Verdict checkpoint_store(const fs::path& region_directory) {
  const fs::path file = store_path(region_directory);
  try {
    auto db = open_existing(file);
    // The first column is 1 when a reader kept the checkpoint from finishing.
    if (db->query_int("PRAGMA wal_checkpoint(TRUNCATE)") != 0) {
      return refused(file, "the WAL could not be checkpointed: the store is still in use");
    }
    return {true, file.string() + ": WAL checkpointed"};
  } catch (const sql::Failure& failure) {
    return refused(file, "the WAL could not be checkpointed: " + failure.message);
  }
}

Verdict backup_store(const fs::path& region_directory, const fs::path& target) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(target, error))) {
    return refused(target, "already exists; name a new file");
  }
  const fs::path partial = with_suffix(target, kPartialSuffix);
  try {
    copy_store(store_path(region_directory), partial);
    std::string summary = examine(partial, Depth::quick);
    rename_or_fail(partial, target);
    return {true, store_path(region_directory).string() + " backed up to " + target.string() +
                      " (" + summary + ")"};
  } catch (const sql::Failure& failure) {
    remove_with_companions(partial);
    return refused(target, "backup failed: " + failure.message);
  }
}

Verdict restore_store(const fs::path& region_directory, const fs::path& source) {
  try {
    examine(source, Depth::full);
  } catch (const sql::Failure& failure) {
    return refused(source, "cannot be restored: " + failure.message);
  }
  const fs::path store = store_path(region_directory);
  const fs::path partial = with_suffix(store, kPartialSuffix);
  try {
    copy_store(source, partial);
    std::string summary = examine(partial, Depth::quick);
    checkpoint_store(region_directory);  // best effort: the WAL moves aside with it anyway
    set_aside(store, kReplacedSuffix);
    rename_or_fail(partial, store);
    return {true, store.string() + " restored from " + source.string() + " (" + summary + ")"};
  } catch (const sql::Failure& failure) {
    remove_with_companions(partial);
    return refused(store, "restore failed: " + failure.message);
  }
}

}  // namespace ravnmor::store
