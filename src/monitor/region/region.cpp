#include "monitor/region/region.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace ravnmor::region {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kConfigFile = "region.toml";
constexpr std::string_view kOldConfigFile = "region.conf";  // read before region.toml
constexpr std::string_view kLogDirectory = "logs";
constexpr std::string_view kErrorLogFile = "error.log";
constexpr std::string_view kTraceFile = "trace.log";
constexpr std::string_view kRegionLogFile = "region.log";

Region* current = nullptr;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void make_directory(const fs::path& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error || !fs::is_directory(path)) {
    throw std::runtime_error("cannot create the region directory " + path.string() + ": " +
                             (error ? error.message() : "a file of that name is in the way"));
  }
}

}  // namespace

RegionConfig read_config(const fs::path& path) {
  return parse_config(read_file(path), path.string());
}

Region Region::open(const fs::path& directory) {
  make_directory(directory);
  make_directory(directory / kLogDirectory);
  fs::path config_file = directory / kConfigFile;
  const bool created = !fs::exists(config_file);
  if (created && fs::exists(directory / kOldConfigFile)) {
    throw std::runtime_error((directory / kOldConfigFile).string() +
                             " is no longer read: the settings are in region.toml now "
                             "(docs/configuration.md); move region.conf away and start again "
                             "for a new region.toml, then copy your settings into it");
  }
  if (created) {
    std::ofstream out(config_file, std::ios::binary);
    out << default_config_text();
    if (!out) throw std::runtime_error("cannot write " + config_file.string());
  }
  return Region(directory, read_config(config_file), created);
}

fs::path Region::config_path() const {
  return directory_ / kConfigFile;
}
fs::path Region::error_log_path() const {
  return directory_ / kLogDirectory / kErrorLogFile;
}
fs::path Region::trace_path() const {
  return directory_ / kLogDirectory / kTraceFile;
}
fs::path Region::region_log_path() const {
  return directory_ / kLogDirectory / kRegionLogFile;
}

Region* current_region() {
  return current;
}
void set_current_region(Region* region) {
  current = region;
}

const RegionConfig& current_config() {
  static const RegionConfig kDefaults;
  return current != nullptr ? current->config() : kDefaults;
}

std::string application_id() {
  std::string name =
      current_config().applid.empty() ? current_config().name : current_config().applid;
  name.resize(kApplidLength, ' ');
  return name;
}

std::string system_id() {
  std::string name =
      current_config().sysid.empty() ? current_config().name : current_config().sysid;
  name.resize(kSysidLength, ' ');
  return name;
}

bool tracing() {
  return current != nullptr && current->config().trace;
}

}  // namespace ravnmor::region
