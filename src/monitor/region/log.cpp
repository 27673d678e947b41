// The region log, the error log and the trace: one line per event, appended
// with a single write to a file opened for appending, so that lines of
// several session processes never interleave within a line. A log that has
// reached the region's log_size is rotated (NAME.1, NAME.2, ...) under an
// exclusive lock on it, by whichever process writes to it first.
#include "monitor/region/log.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"

namespace ravnmor::region {

namespace {

constexpr int kLogFileMode = 0644;
constexpr int kMillisPerSecond = 1000;
constexpr int kFirstYear = 1900;
// A writer that finds the file renamed under it opens the new one; another
// process may rotate it again meanwhile, but not forever.
constexpr int kReopenAttempts = 8;

// ORDER: as LogLevel.
constexpr std::array<std::string_view, 4> kLogLevelNames = {"debug", "info", "warning", "error"};
constexpr std::array<std::string_view, 4> kLogLevelTags = {"DEBUG", "INFO ", "WARN ", "ERROR"};

bool log_console = true;
std::string log_context;

// "2026-12-06 04:55:01.123 "
std::string timestamp() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % kMillisPerSecond;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ",
                local.tm_year + kFirstYear, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                local.tm_min, local.tm_sec, static_cast<int>(millis));
  return stamp;
}

std::string process_tag() {
  return "[pid " + std::to_string(getpid()) + "] ";
}

// "2026-12-06 04:55:01.123 [pid 4242] T001 QCMD " (the task part only while one runs).
std::string line_prefix() {
  std::string prefix = timestamp() + process_tag();
  if (const control::Task* task = control::current_task()) {
    prefix += task->terminal_id + ' ' + task->transaction + ' ';
  }
  return prefix;
}

std::filesystem::path generation(const std::filesystem::path& path, int number) {
  std::filesystem::path name = path;
  name += "." + std::to_string(number);
  return name;
}

// NAME becomes NAME.1, NAME.1 NAME.2, ...; the oldest beyond `keep` goes.
void rotate(const std::filesystem::path& path, int keep) {
  std::error_code ignored;
  std::filesystem::remove(generation(path, keep), ignored);
  for (int number = keep - 1; number >= 1; --number) {
    std::filesystem::rename(generation(path, number), generation(path, number + 1), ignored);
  }
  std::filesystem::rename(path, generation(path, 1), ignored);
}

// True while `fd` is still the file named `path` (not rotated away).
bool still_named(int fd, const std::filesystem::path& path) {
  struct stat opened {};
  struct stat named {};
  return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
         opened.st_ino == named.st_ino && opened.st_dev == named.st_dev;
}

bool write_rotating(const std::filesystem::path& path, const std::string& line) {
  const RegionConfig& limits = current_config();
  for (int attempt = 0; attempt < kReopenAttempts; ++attempt) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kLogFileMode);
    if (fd < 0) return false;
    flock(fd, LOCK_EX);
    struct stat status {};
    bool current = still_named(fd, path) && fstat(fd, &status) == 0;
    bool full = current && status.st_size > 0 &&
                static_cast<std::uintmax_t>(status.st_size) + line.size() > limits.log_size;
    if (full) rotate(path, limits.log_keep);
    if (!current || full) {
      ::close(fd);
      continue;
    }
    bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return written;
  }
  return false;
}

bool append_line(const std::filesystem::path& path, std::string prefix, std::string_view text) {
  std::string line = std::move(prefix);
  line += text;
  if (line.empty() || line.back() != '\n') line += '\n';
  return write_rotating(path, line);
}

// Monitor error numbers that the log explains in words.
struct ErrorText {
  int number;
  const char* text;
};
constexpr ErrorText kErrorTexts[] = {
    {host::kErrorScreenSend, "a screen could not be sent to the terminal"},
};

const char* error_text(int number) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.number == number) return entry.text;
  }
  return "monitor error";
}

}  // namespace

std::optional<LogLevel> parse_log_level(std::string_view name) {
  for (std::size_t i = 0; i < kLogLevelNames.size(); ++i) {
    if (kLogLevelNames[i] == name) return static_cast<LogLevel>(i);
  }
  return std::nullopt;
}

std::string_view log_level_name(LogLevel level) {
  return kLogLevelNames[static_cast<std::size_t>(level)];
}

void set_log_console(bool on) {
  log_console = on;
}

void set_log_context(std::string context) {
  log_context = std::move(context);
}

void log_event(LogLevel level, std::string_view text) {
  if (level < current_config().log_level) return;
  std::string prefix = timestamp() + std::string(kLogLevelTags[static_cast<std::size_t>(level)]) +
                       ' ' + process_tag();
  if (!log_context.empty()) prefix += log_context + ": ";
  bool logged =
      current_region() != nullptr && append_line(current_region()->region_log_path(), prefix, text);
  if (log_console || !logged) {
    std::fprintf(stderr, "%s%.*s\n", prefix.c_str(), static_cast<int>(text.size()), text.data());
  }
}

void log_error(std::string_view text) {
  if (current_region() != nullptr &&
      append_line(current_region()->error_log_path(), line_prefix(), text)) {
    return;
  }
  std::fprintf(stderr, "ravnmor: %.*s\n", static_cast<int>(text.size()), text.data());
}

void trace_line(std::string_view text) {
  if (!tracing()) return;
  if (!append_line(current_region()->trace_path(), line_prefix(), text)) {
    std::fprintf(stderr, "ravnmor: cannot write the trace file %s\n",
                 current_region()->trace_path().c_str());
  }
}

}  // namespace ravnmor::region

namespace host {

void oxerror(int number, int flag, const char* function) {
  char line[256];
  std::snprintf(line, sizeof line, "error %d (flag %d) in %s: %s", number, flag,
                function != nullptr ? function : "(no function named)",
                ravnmor::region::error_text(number));
  ravnmor::region::log_error(line);
}

void oxprtd(const char* format, ...) {
  if (format == nullptr || !ravnmor::region::tracing()) return;
  std::va_list args;
  va_start(args, format);
  std::va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length >= 0) {
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    ravnmor::region::trace_line(std::string_view(text.data(), static_cast<std::size_t>(length)));
  }
  va_end(args);
}

}  // namespace host
