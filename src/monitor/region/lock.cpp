#include "monitor/region/lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace ravnmor::region {

namespace {

constexpr int kLockFileMode = 0644;
constexpr std::size_t kMostPidDigits = 32;

// The process id written in the lock file, as text; empty when there is none.
std::string holder(int fd) {
  char text[kMostPidDigits] = {};
  ssize_t got = pread(fd, text, sizeof text - 1, 0);
  std::string pid(text, got > 0 ? static_cast<std::size_t>(got) : 0);
  while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
  return pid;
}

void record_holder(int fd) {
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) == 0) {
    [[maybe_unused]] ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
  }
}

}  // namespace

std::optional<RegionLock> RegionLock::take(const std::filesystem::path& directory,
                                           std::string& error) {
  const std::filesystem::path path = directory / kLockFileName;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kLockFileMode);
  if (fd < 0) {
    error = "cannot open the region lock " + path.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    std::string pid = held ? holder(fd) : "";
    error = held ? "region directory " + directory.string() + " is in use by process " +
                       (pid.empty() ? "(unknown)" : pid)
                 : "cannot lock " + path.string() + ": " + std::strerror(errno);
    ::close(fd);
    return std::nullopt;
  }
  record_holder(fd);
  return RegionLock(fd);
}

std::optional<std::string> RegionLock::holder_of(const std::filesystem::path& directory) {
  int fd = ::open((directory / kLockFileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> pid;
  if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
    pid = holder(fd);
  }
  ::close(fd);  // also lets go of the shared lock
  return pid;
}

RegionLock::RegionLock(RegionLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RegionLock::~RegionLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace ravnmor::region
