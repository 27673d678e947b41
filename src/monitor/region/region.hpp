// The region directory: its configuration file and the logs that the
// monitor writes (error log, trace). A session process has one region open,
// the current one, which the message, error and trace operations use.
//
//   <dir>/region.toml     the settings and resource definitions (config.hpp)
//   <dir>/region.lock     held by the process serving the region
//   <dir>/store.db        the region store (with store.db-wal while it runs)
//   <dir>/logs/region.log the region's own events (log.hpp)
//   <dir>/logs/error.log  one timestamped line per monitor error
//   <dir>/logs/trace.log  program trace lines, when tracing is on
// Every log is rotated by size: NAME.1 is the newest earlier generation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "monitor/region/config.hpp"
#include "monitor/region/log.hpp"

namespace ravnmor::region {

inline constexpr std::string_view kDefaultRegionDirectory = "ravnmor-region";

class Region {
 public:
  // Opens the region in `directory`, creating the directory, a default
  // configuration and logs/ when they are missing. Throws std::runtime_error
  // (ConfigError naming the file, line and key when the configuration cannot
  // be used).
  static Region open(const std::filesystem::path& directory);

  // True when open() made the configuration: the region is new.
  bool created() const { return created_; }

  const std::filesystem::path& directory() const { return directory_; }
  const RegionConfig& config() const { return config_; }
  std::filesystem::path config_path() const;
  std::filesystem::path error_log_path() const;
  std::filesystem::path trace_path() const;
  std::filesystem::path region_log_path() const;

  // Overrides the configured trace switch for this process (ravnmor serve --trace).
  void set_trace(bool on) { config_.trace = on; }
  void set_log_level(LogLevel level) { config_.log_level = level; }
  // Likewise the code page and the idle limit (names and values checked by the caller).
  void set_codepage(std::string name) { config_.codepage = std::move(name); }
  void set_idle_timeout(int seconds) { config_.idle_timeout = seconds; }
  void set_listen(std::string address) { config_.listen = std::move(address); }
  void set_max_sessions(int sessions) { config_.max_sessions = sessions; }

 private:
  Region(std::filesystem::path directory, RegionConfig config, bool created)
      : directory_(std::move(directory)), config_(std::move(config)), created_(created) {}

  std::filesystem::path directory_;
  RegionConfig config_;
  bool created_;
};

// Reads and checks the configuration file at `path`; throws ConfigError.
RegionConfig read_config(const std::filesystem::path& path);

// The region that this process serves, nullptr before one is opened.
Region* current_region();
void set_current_region(Region* region);

// The current region's configuration; the defaults while no region is open.
const RegionConfig& current_config();

// Appends one line to the current region's error log (standard error when no
// region is open). The line gets a timestamp, the process id and the task.
void log_error(std::string_view text);

// The current region's names as programs see them, blank-padded: APPLID
// (8 characters) and SYSID (4).
inline constexpr std::size_t kApplidLength = 8;
inline constexpr std::size_t kSysidLength = 4;
std::string application_id();
std::string system_id();

// True when the current region traces.
bool tracing();

// Appends one line to the trace file when tracing is on.
void trace_line(std::string_view text);

}  // namespace ravnmor::region
