// TRACE ON and TRACE OFF switch this session's trace (SYSTEM, EI, USER and
// SINGLE all name it: the region keeps one trace); ENTER TRACEID writes a
// user entry to the trace while it is on: the identifier and up to
// kEntryBytes of FROM in hexadecimal.
#include <algorithm>
#include <cstdio>
#include <string>

#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

constexpr Option kOn{"ON", 'Y', 3};
constexpr Option kOff{"OFF", 'N', 3};
constexpr Option kTraceOptions[] = {kOn, kOff};

constexpr Option kTraceid{"TRACEID", ' ', 0, 2, Arg::kHalf};
constexpr Option kEntryFrom{"FROM", 'F', 3, 3, Arg::kData};
constexpr Option kEnterOptions[] = {kTraceid, kEntryFrom};
constexpr std::size_t kEntryBytes = 16;  // FROM carries no length: its first bytes are traced

constexpr std::int32_t kNoRegion = 1;  // EIBRESP2 of INVREQ

Response trace(const Command& command) {
  region::Region* region = region::current_region();
  if (region == nullptr) return {kInvreq, kNoRegion};
  if (command.given(kOn) || command.given(kOff)) region->set_trace(command.given(kOn));
  return {};
}

Response enter(const Command& command) {
  if (!region::tracing()) return {};
  std::string line = "USER " + std::to_string(command.area(kTraceid).half());
  Area from = command.given_area(kEntryFrom);
  if (from.passed()) {
    line += " ";
    for (std::uint8_t byte : from.read(std::min(kEntryBytes, from.room()))) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", byte);
      line += hex;
    }
  }
  region::trace_line(line);
  return {};
}

constexpr CommandRow kCommands[] = {
    {0x1A02, "TRACE", trace, kTraceOptions},
    {0x1A04, "ENTER", enter, kEnterOptions},
};

}  // namespace

std::span<const CommandRow> trace_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
