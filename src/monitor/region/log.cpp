// The error log and the trace: one line per event, appended with a single
// write to a file opened for appending, so that lines of several session
// processes never interleave within a line.
#include <fcntl.h>
#include <unistd.h>

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

// "2026-12-06 04:55:01.123 [pid 4242] T001 QCMD " (the task part only while one runs).
std::string line_prefix() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d [pid %d] ",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(millis), static_cast<int>(getpid()));
  std::string prefix = stamp;
  if (const control::Task* task = control::current_task()) {
    prefix += task->terminal_id + ' ' + task->transaction + ' ';
  }
  return prefix;
}

bool append_line(const std::filesystem::path& path, std::string_view text) {
  std::string line = line_prefix();
  line += text;
  if (line.empty() || line.back() != '\n') line += '\n';
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kLogFileMode);
  if (fd < 0) return false;
  bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  ::close(fd);
  return written;
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

void log_error(std::string_view text) {
  if (current_region() != nullptr && append_line(current_region()->error_log_path(), text)) return;
  std::fprintf(stderr, "ravnmor: %.*s\n", static_cast<int>(text.size()), text.data());
}

void trace_line(std::string_view text) {
  if (!tracing()) return;
  if (!append_line(current_region()->trace_path(), text)) {
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
