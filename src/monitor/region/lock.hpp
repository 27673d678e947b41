// One region per directory: a process that serves a region, or changes its
// store wholesale, holds an exclusive lock on <dir>/region.lock for as long
// as it runs. The lock belongs to the open file, so the session processes
// forked from the listener hold it with it; the file names the process that
// took it, for the message of the one turned away.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ravnmor::region {

inline constexpr const char* kLockFileName = "region.lock";

class RegionLock {
 public:
  // Takes the lock of `directory` (which exists); nothing, and one line in
  // `error` naming the directory and the holder, when another process has it.
  static std::optional<RegionLock> take(const std::filesystem::path& directory, std::string& error);

  // The process serving the region in `directory`, as its lock file names
  // it; nothing when no process holds the lock (the probe holds it shared
  // for no longer than it looks).
  static std::optional<std::string> holder_of(const std::filesystem::path& directory);

  RegionLock(RegionLock&& other) noexcept;
  RegionLock& operator=(RegionLock&&) = delete;
  RegionLock(const RegionLock&) = delete;
  RegionLock& operator=(const RegionLock&) = delete;
  ~RegionLock();

 private:
  explicit RegionLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace ravnmor::region
