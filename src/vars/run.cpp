#include "vars/run.hpp"

#include <cstdarg>
#include <cstdio>

#include "host/host.hpp"

namespace qcmd {

std::int16_t TerminateQCMD;
std::int16_t displaymode;
std::int32_t debugtrace;
CommandBuffer CmdIntBuffer;

namespace {
constexpr std::size_t kTraceLineSize = 512;
}

void trace(const char* format, ...) {
  if (debugtrace != 1) return;
  char line[kTraceLineSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  host::oxprtd("%s", line);
}

}  // namespace qcmd
