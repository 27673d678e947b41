// Files in the region directory that the sessions of the region write to or
// read from: extrapartition transient data queues and journals. A command
// holds its file locked (flock) while it uses it, so that the records of two
// sessions never interleave and one record is never read twice.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace ravnmor::services {

class LockedFile {
 public:
  enum class Use { read, append };
  // Opens the file and waits for its lock; `append` creates the file and
  // its directory when they are missing.
  LockedFile(const std::filesystem::path& path, Use use);
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // False when the file could not be opened or locked; the region's error
  // log then says why.
  bool is_open() const { return descriptor_ >= 0; }
  // Appends all of `text` and forces it to disk; false (logged) when it
  // cannot.
  bool append(std::string_view text);

 private:
  std::filesystem::path path_;
  int descriptor_ = -1;
};

// `relative` in the current region's directory; none while no region is open.
std::optional<std::filesystem::path> region_file(const std::filesystem::path& relative);

}  // namespace ravnmor::services
