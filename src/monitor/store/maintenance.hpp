// Whole-store operations for the operator and for the region's start and
// stop: they work on the database file of a region directory, beside the
// sessions' own connections.
#pragma once

#include <filesystem>
#include <string>

namespace ravnmor::store {

// What an operation found: `ok`, and one line for the user (a summary, or
// what is wrong, naming the file).
struct Verdict {
  bool ok = false;
  std::string text;
};

enum class Depth {
  quick,  // the checks that find a damaged file quickly
  full,   // every page, index and constraint
};

// Opens the store of a region that is starting, creating or upgrading it as
// the sessions would, forgets the terminals an earlier run left connected,
// and checks it quickly.
Verdict prepare_store(const std::filesystem::path& region_directory);

// Checks an existing store without changing it.
Verdict check_store(const std::filesystem::path& region_directory, Depth depth);

// Copies everything committed in the WAL into the database file, so that the
// file alone is complete; for a region that has stopped its sessions.
Verdict checkpoint_store(const std::filesystem::path& region_directory);

// Copies the store, as one consistent snapshot, to `target` (a new file),
// while sessions go on using it.
Verdict backup_store(const std::filesystem::path& region_directory,
                     const std::filesystem::path& target);

// Replaces the store of a region that is not running with a copy of the
// store in `source`, after checking it. The replaced files are kept beside
// it with the suffix kReplacedSuffix.
inline constexpr const char* kReplacedSuffix = ".before-restore";
Verdict restore_store(const std::filesystem::path& region_directory,
                      const std::filesystem::path& source);

}  // namespace ravnmor::store
