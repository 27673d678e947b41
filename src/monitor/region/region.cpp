#include "monitor/region/region.hpp"

#include <cctype>
#include <charconv>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "monitor/terminal/codepage.hpp"

namespace ravnmor::region {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kConfigFile = "region.conf";
constexpr std::string_view kLogDirectory = "logs";
constexpr std::string_view kErrorLogFile = "error.log";
constexpr std::string_view kTraceFile = "trace.log";
constexpr std::string_view kRegionLogFile = "region.log";

constexpr std::string_view kDefaultConfig =
    "# Ravnmor region configuration: one setting per line, '#' starts a comment.\n"
    "# name: the region's name (1-8 letters or digits), shown in every screen header.\n"
    "name = RAVNMOR\n"
    "# trace: on or off. When on, programs write their trace lines to logs/trace.log.\n"
    "trace = off\n"
    "# log_level: debug, info, warning or error; what logs/region.log records.\n"
    "log_level = info\n"
    "# log_size: a log in logs/ is rotated at this size (bytes, or with K or M).\n"
    "log_size = 4M\n"
    "# log_keep: how many earlier generations of each log are kept (1-99).\n"
    "log_keep = 3\n"
    "# codepage: the EBCDIC code page of the terminals (cp037, bracket, cp1047, cp500,\n"
    "# cp273 ... cp871, cp1140 ... cp1149); start emulators with -codepage and this name.\n"
    "codepage = cp037\n"
    "# idle_timeout: seconds without input after which a session ends; 0 = never.\n"
    "idle_timeout = 0\n";

Region* current = nullptr;

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

[[noreturn]] void config_error(std::string_view origin, int line, std::string_view what) {
  std::ostringstream message;
  message << origin << ':' << line << ": " << what;
  throw std::runtime_error(message.str());
}

bool valid_region_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxRegionName) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

// A size in bytes, or with the suffix K or M; nothing when malformed.
std::optional<std::uintmax_t> parse_size(std::string_view text) {
  std::uintmax_t unit = 1;
  if (!text.empty() && (text.back() == 'K' || text.back() == 'M')) {
    unit = text.back() == 'K' ? kKiB : kMiB;
    text.remove_suffix(1);
  }
  std::uintmax_t value = 0;
  auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || problem != std::errc{} || end != text.data() + text.size() ||
      value > std::numeric_limits<std::uintmax_t>::max() / unit) {
    return std::nullopt;
  }
  return value * unit;
}

void apply_log_setting(RegionConfig& config, std::string_view key, std::string_view value,
                       std::string_view origin, int line) {
  if (key == "log_level") {
    auto level = parse_log_level(value);
    if (!level) config_error(origin, line, "log_level must be debug, info, warning or error");
    config.log_level = *level;
  } else if (key == "log_size") {
    auto size = parse_size(value);
    if (!size || *size < kSmallestLogSize) {
      config_error(origin, line, "log_size must be a size of at least 1K (bytes, or with K or M)");
    }
    config.log_size = *size;
  } else {
    int keep = 0;
    auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), keep);
    if (problem != std::errc{} || end != value.data() + value.size() || keep < 1 ||
        keep > kMostLogGenerations) {
      config_error(origin, line,
                   "log_keep must be a number from 1 to " + std::to_string(kMostLogGenerations));
    }
    config.log_keep = keep;
  }
}

void apply_setting(RegionConfig& config, std::string_view key, std::string_view value,
                   std::string_view origin, int line) {
  if (key == "name") {
    if (!valid_region_name(value)) config_error(origin, line, "name must be 1-8 letters or digits");
    config.name = upper(value);
  } else if (key == "trace") {
    if (value == "on") {
      config.trace = true;
    } else if (value == "off") {
      config.trace = false;
    } else {
      config_error(origin, line, "trace must be on or off");
    }
  } else if (key == "log_level" || key == "log_size" || key == "log_keep") {
    apply_log_setting(config, key, value, origin, line);
  } else if (key == "codepage") {
    const terminal::CodePage* page = terminal::find_code_page(value);
    if (page == nullptr) config_error(origin, line, code_page_problem(value));
    config.codepage = page->name();
  } else if (key == "idle_timeout") {
    const auto [end, problem] =
        std::from_chars(value.data(), value.data() + value.size(), config.idle_timeout);
    if (problem != std::errc{} || end != value.data() + value.size() || config.idle_timeout < 0 ||
        config.idle_timeout > kMaxIdleTimeout) {
      config_error(origin, line,
                   "idle_timeout must be 0 to " + std::to_string(kMaxIdleTimeout) + " seconds");
    }
  } else {
    config_error(origin, line, "unknown setting '" + std::string(key) + "'");
  }
}

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

std::string code_page_problem(std::string_view name) {
  std::string known;
  for (const terminal::CodePage& page : terminal::code_pages()) {
    known += (known.empty() ? "" : ", ") + std::string(page.name());
  }
  return "unknown code page '" + std::string(name) + "' (known: " + known + ")";
}

RegionConfig parse_config(std::string_view text, std::string_view origin) {
  RegionConfig config;
  int line_number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_number;
    if (std::size_t hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    line = trim(line);
    if (line.empty()) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      config_error(origin, line_number, "expected 'setting = value'");
    apply_setting(config, trim(line.substr(0, equals)), trim(line.substr(equals + 1)), origin,
                  line_number);
  }
  return config;
}

Region Region::open(const fs::path& directory) {
  make_directory(directory);
  make_directory(directory / kLogDirectory);
  fs::path config_file = directory / kConfigFile;
  if (!fs::exists(config_file)) {
    std::ofstream out(config_file, std::ios::binary);
    out << kDefaultConfig;
    if (!out) throw std::runtime_error("cannot write " + config_file.string());
  }
  RegionConfig config = parse_config(read_file(config_file), config_file.string());
  return Region(directory, std::move(config));
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

std::string application_id() {
  std::string name = current != nullptr ? current->config().name : RegionConfig{}.name;
  name.resize(kApplidLength, ' ');
  return name;
}

std::string system_id() {
  return application_id().substr(0, kSysidLength);
}

bool tracing() {
  return current != nullptr && current->config().trace;
}

}  // namespace ravnmor::region
