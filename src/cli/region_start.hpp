// Bringing a region up for `ravnmor serve`, bare `ravnmor` and `ravnmor demo`:
// its directory opened, its lock taken, its store checked and its programs
// registered, all before it serves anything. A failure is one line for
// standard error and the exit status it calls for.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "monitor/region/lock.hpp"
#include "monitor/region/log.hpp"
#include "monitor/region/region.hpp"

namespace ravnmor::cli {

// The process exit statuses of every subcommand.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kBadUsage = 2;

struct StartFailure {
  int status;
  std::string message;
};

struct RegionSettings {
  std::string directory;
  bool trace = false;
  std::optional<region::LogLevel> log_level;  // the configured one when not given
};

// The region of this process while it lives (the current region).
class StartedRegion {
 public:
  StartedRegion(region::Region region, region::RegionLock lock);
  ~StartedRegion();
  StartedRegion(const StartedRegion&) = delete;
  StartedRegion& operator=(const StartedRegion&) = delete;

  region::Region& region() { return region_; }
  // Logs that the region is up, doing `what` ("listening on ...").
  void log_start(const std::string& what);
  // Logs the stop and makes the store file complete without its WAL.
  void stop();

 private:
  region::Region region_;
  region::RegionLock lock_;
};

// Throws StartFailure.
std::unique_ptr<StartedRegion> start_region(const RegionSettings& settings);

// Puts the programs and transactions that a configuration defines into the
// program table; throws StartFailure, naming `origin`, for a program with no
// code.
void install_programs(const region::RegionConfig& config, const std::string& origin);

// The version line of `ravnmor --version`.
std::string version_text();

}  // namespace ravnmor::cli
