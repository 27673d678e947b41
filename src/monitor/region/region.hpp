// The region directory: its configuration file and the logs that the
// monitor writes (error log, trace). A session process has one region open,
// the current one, which the message, error and trace operations use.
//
//   <dir>/region.conf     name, trace, log_level, log_size, log_keep,
//                         codepage, idle_timeout
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

#include "monitor/region/log.hpp"

namespace ravnmor::region {

inline constexpr std::string_view kDefaultRegionDirectory = "ravnmor-region";
inline constexpr std::size_t kMaxRegionName = 8;
inline constexpr std::uintmax_t kKiB = 1024;
inline constexpr std::uintmax_t kMiB = 1024 * kKiB;
inline constexpr std::uintmax_t kSmallestLogSize = kKiB;
inline constexpr int kMostLogGenerations = 99;

struct RegionConfig {
  std::string name = "RAVNMOR";  // shown in every screen header, 1-8 letters or digits
  bool trace = false;            // programs write trace lines when on
  LogLevel log_level = LogLevel::info;
  std::uintmax_t log_size = 4 * kMiB;  // a log this large is rotated
  int log_keep = 3;                    // earlier generations kept of each log
  std::string codepage = "cp037";      // the EBCDIC code page its terminals speak
  int idle_timeout = 0;                // seconds without input that end a session; 0 = never
};

// The longest idle limit a region takes: a day.
inline constexpr int kMaxIdleTimeout = 86400;

class Region {
 public:
  // Opens the region in `directory`, creating the directory, a default
  // configuration and logs/ when they are missing. Throws std::runtime_error
  // naming the file and line when the configuration cannot be read.
  static Region open(const std::filesystem::path& directory);

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

 private:
  Region(std::filesystem::path directory, RegionConfig config)
      : directory_(std::move(directory)), config_(std::move(config)) {}

  std::filesystem::path directory_;
  RegionConfig config_;
};

// The complaint about a code page name that no page has, listing those there are.
std::string code_page_problem(std::string_view name);

// Parses the text of a configuration file; `origin` names it in errors.
RegionConfig parse_config(std::string_view text, std::string_view origin);

// The region that this process serves, nullptr before one is opened.
Region* current_region();
void set_current_region(Region* region);

// Appends one line to the current region's error log (standard error when no
// region is open). The line gets a timestamp, the process id and the task.
void log_error(std::string_view text);

// The current region's names as programs see them: APPLID, its name
// blank-padded to 8 characters, and SYSID, the first 4 of those.
inline constexpr std::size_t kApplidLength = 8;
inline constexpr std::size_t kSysidLength = 4;
std::string application_id();
std::string system_id();

// True when the current region traces.
bool tracing();

// Appends one line to the trace file when tracing is on.
void trace_line(std::string_view text);

}  // namespace ravnmor::region
