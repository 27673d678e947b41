#include "monitor/services/region_files.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "monitor/region/region.hpp"

namespace ravnmor::services {

namespace {

constexpr mode_t kNewFileMode = 0644;

void log_failure(const char* what, const std::filesystem::path& path) {
  region::log_error(std::string("cannot ") + what + " " + path.string() + ": " +
                    std::strerror(errno));
}

}  // namespace

LockedFile::LockedFile(const std::filesystem::path& path, Use use) : path_(path) {
  int flags = O_RDONLY | O_CLOEXEC;
  if (use == Use::append) {
    std::error_code ignored;  // a directory that cannot be made fails the open below
    std::filesystem::create_directories(path.parent_path(), ignored);
    flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
  }
  descriptor_ = ::open(path.c_str(), flags, kNewFileMode);
  if (descriptor_ < 0) {
    log_failure("open", path);
    return;
  }
  while (::flock(descriptor_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    log_failure("lock", path);
    ::close(descriptor_);
    descriptor_ = -1;
    return;
  }
}

LockedFile::~LockedFile() {
  if (descriptor_ >= 0) ::close(descriptor_);  // and with it the lock
}

bool LockedFile::append(std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(descriptor_, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      log_failure("write", path_);
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  if (::fdatasync(descriptor_) != 0) {
    log_failure("write", path_);
    return false;
  }
  return true;
}

std::optional<std::filesystem::path> region_file(const std::filesystem::path& relative) {
  const region::Region* region = region::current_region();
  if (region == nullptr) return std::nullopt;
  return region->directory() / relative;
}

}  // namespace ravnmor::services
