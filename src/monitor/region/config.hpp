// The region configuration: region.toml in the region directory. It holds
// the region's settings (the options of `ravnmor serve` become settings there;
// the command line overrides them) and the definitions of its resources:
// files, transient data queues, temporary storage models, journals, programs
// and transactions. docs/configuration.md describes every key.
//
// A definition says what a resource is when the region starts; what commands
// change while it runs (SET FILE CLOSED, ...) lasts until the region stops.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/region/log.hpp"

namespace ravnmor::region {

inline constexpr std::size_t kMaxRegionName = 8;
inline constexpr std::size_t kMaxFileName = 8;     // FILE(...) on the commands
inline constexpr std::size_t kMaxTdQueueName = 4;  // QUEUE(...) of WRITEQ TD
inline constexpr std::size_t kMaxTsPrefix = 16;    // a TS queue name is 16 bytes
inline constexpr std::size_t kMaxJournalName = 8;  // journals/NAME in the region directory
inline constexpr int kMostJournals = 99;           // JFILEID(1) to JFILEID(99)
inline constexpr std::size_t kMaxKeyLength = 255;
inline constexpr std::size_t kMaxRecordLength = 32767;  // lengths are halfwords
inline constexpr std::uintmax_t kKiB = 1024;
inline constexpr std::uintmax_t kMiB = 1024 * kKiB;
inline constexpr std::uintmax_t kSmallestLogSize = kKiB;
inline constexpr int kMostLogGenerations = 99;
inline constexpr int kMaxIdleTimeout = 86400;  // a day
inline constexpr int kMaxWait = 86400;         // lock_wait, wait_limit: a day
inline constexpr int kMostSessions = 4096;

// How a file's records are found: by a key inside the record, by the byte
// address at which each was added (RBA), or by a record number (RRN).
enum class FileType { keyed, entry_sequenced, relative };

// What a file lets programs do; a command it does not allow answers INVREQ.
struct FileOperations {
  bool read = true;
  bool add = true;
  bool update = true;
  bool remove = true;  // DELETE
  bool browse = true;
};

struct FileDefinition {
  std::string name;  // 1-8 characters, upper case
  FileType type = FileType::keyed;
  std::size_t key_length = 8;  // keyed files: the key's length and its offset in the record
  std::size_t key_offset = 0;
  std::size_t record_length = 4096;  // the longest record
  bool recoverable = false;
  bool open = true;
  bool enabled = true;
  FileOperations allows;
};

// Intrapartition queues live in the store; extrapartition ones are a file in
// the region directory that the region reads from or writes to.
enum class TdKind { intrapartition, extrapartition };
enum class TdDirection { input, output };

struct TdQueueDefinition {
  std::string name;  // 1-4 characters
  TdKind kind = TdKind::intrapartition;
  bool recoverable = false;
  int trigger_level = 0;    // records that start `transaction`; 0: no trigger
  std::string transaction;  // with trigger_level
  std::string path;         // extrapartition: relative to the region directory
  TdDirection direction = TdDirection::output;
  bool open = true;  // at region start; a closed queue answers NOTOPEN
  bool enabled = true;
};

// Temporary storage queues whose names begin with `prefix` are recoverable.
struct TsModel {
  std::string prefix;
  bool recoverable = true;
};

struct JournalDefinition {
  std::string name;  // 1-8 characters: its file's name
  int id = 0;        // JFILEID(...) of JOURNAL; its place among the journals when not set
};

// A program: built into ravnmor (no library) or a shared library.
struct ProgramDefinition {
  std::string name;  // 1-8 characters
  std::string library;
  std::string entry;
};

struct TransactionDefinition {
  std::string name;  // 1-4 characters
  std::string program;
};

struct RegionConfig {
  std::string name = "RAVNMOR";  // shown in every screen header, 1-8 letters or digits
  std::string applid;            // APPLID; the name when not set
  std::string sysid;             // SYSID, 1-4 characters; the name's first four when not set
  std::string listen = "127.0.0.1:3270";
  int max_sessions = 64;
  std::string codepage = "cp037";  // the EBCDIC code page its terminals speak
  int idle_timeout = 0;            // seconds without input that end a session; 0 = never
  int lock_wait = 60;              // seconds a task waits for an ENQ name; 0 = no limit
  int wait_limit = 60;             // seconds of the longest DELAY or WAIT EVENT
  bool trace = false;              // programs write trace lines when on
  LogLevel log_level = LogLevel::info;
  std::uintmax_t log_size = 4 * kMiB;  // a log this large is rotated
  int log_keep = 3;                    // earlier generations kept of each log

  std::vector<FileDefinition> files;
  std::vector<TdQueueDefinition> td_queues;
  std::vector<TsModel> ts_models;
  std::vector<JournalDefinition> journals;
  std::vector<ProgramDefinition> programs;
  std::vector<TransactionDefinition> transactions;

  // Lookups by name as programs pass them (blank-padded, any case).
  const FileDefinition* file(std::string_view name) const;
  const TdQueueDefinition* td_queue(std::string_view name) const;
  const JournalDefinition* journal(std::string_view name) const;
  const JournalDefinition* journal(int id) const;
  const ProgramDefinition* program(std::string_view name) const;
  const TransactionDefinition* transaction(std::string_view name) const;
  // True when a TS queue of this name matches a recoverable model.
  bool recoverable_ts_queue(std::string_view name) const;
};

// A configuration that cannot be used; what() is "FILE:LINE: KEY: problem".
struct ConfigError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Parses the text of a configuration file; `origin` names it in errors.
// Throws ConfigError.
RegionConfig parse_config(std::string_view text, std::string_view origin);

// The commented configuration of a new region: the settings at their
// defaults, a sample keyed file, a queue for the region's messages, the
// built-in programs and their transactions.
std::string_view default_config_text();

// The sample records of the default configuration's file, loaded when a
// region is created.
inline constexpr std::string_view kSampleFile = "ACCOUNTS";
std::vector<std::string> sample_records();

// The complaint about a code page name that no page has, listing those there are.
std::string code_page_problem(std::string_view name);

}  // namespace ravnmor::region
