#include "cli/region_start.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "cli/version.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/store/maintenance.hpp"
#include "programs/builtins.hpp"
#include "programs/demo.hpp"
#include "shell/register.hpp"

namespace ravnmor::cli {

namespace {

// Proves the region's logs writable: the error log opens for appending.
void require_writable(const region::Region& region) {
  std::ofstream log(region.error_log_path(), std::ios::app);
  if (!log) {
    throw StartFailure{kFailure, "region directory '" + region.directory().string() +
                                     "' is not writable: " + std::strerror(errno)};
  }
}

region::RegionLock lock_region(const region::Region& region) {
  std::string error;
  std::optional<region::RegionLock> lock = region::RegionLock::take(region.directory(), error);
  if (!lock) throw StartFailure{kFailure, error};
  return std::move(*lock);
}

void register_programs() {
  programs::register_demo(region::program_table());
  programs::register_builtin_programs(region::program_table());
  qcmd::register_qcmd(region::program_table());
}

}  // namespace

StartedRegion::StartedRegion(region::Region region, region::RegionLock lock)
    : region_(std::move(region)), lock_(std::move(lock)) {
  region::set_current_region(&region_);
}

StartedRegion::~StartedRegion() {
  region::set_current_region(nullptr);
}

void StartedRegion::log_start(const std::string& what) {
  region::log_event(region::LogLevel::info, "region " + region_.config().name + " in " +
                                                region_.directory().string() + " " + what + " (" +
                                                version_text() + ")");
}

void StartedRegion::stop() {
  store::Verdict checkpoint = store::checkpoint_store(region_.directory());
  region::log_event(checkpoint.ok ? region::LogLevel::debug : region::LogLevel::warning,
                    checkpoint.text);
  region::log_event(region::LogLevel::info, "region " + region_.config().name + " stopped");
}

std::unique_ptr<StartedRegion> start_region(const RegionSettings& settings) {
  std::optional<region::Region> opened;
  try {
    opened.emplace(region::Region::open(settings.directory));
  } catch (const std::runtime_error& problem) {
    throw StartFailure{kFailure, problem.what()};
  }
  region::RegionLock lock = lock_region(*opened);
  if (settings.trace) opened->set_trace(true);
  if (settings.log_level) opened->set_log_level(*settings.log_level);
  auto started = std::make_unique<StartedRegion>(std::move(*opened), std::move(lock));
  require_writable(started->region());
  store::Verdict store = store::prepare_store(started->region().directory());
  if (!store.ok) throw StartFailure{kFailure, store.text};
  region::log_event(region::LogLevel::debug, store.text);
  register_programs();
  return started;
}

std::string version_text() {
  std::string text = std::string("ravnmor ") + RAVNMOR_VERSION;
  if (std::strlen(RAVNMOR_GIT_DESCRIBE) > 0) text += std::string(" (") + RAVNMOR_GIT_DESCRIBE + ")";
  return text;
}

}  // namespace ravnmor::cli
