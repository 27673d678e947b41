// The region log: what an operator reads to follow the region (start, stop,
// the listening address, terminals connecting and leaving, refusals, session
// failures and their cause). Each line carries the time, the level, the
// process and, in a session process, the session and its terminal; it goes
// to logs/region.log and to standard error. The error log (region.hpp) is
// kept for what programs run into.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ravnmor::region {

// ORDER: least to most severe; kLogLevelNames follows it.
enum class LogLevel { debug, info, warning, error };

// "debug", "info", "warning", "error"; nothing for another word.
std::optional<LogLevel> parse_log_level(std::string_view name);
std::string_view log_level_name(LogLevel level);

// Whether this process also writes each line to standard error (on at first).
void set_log_console(bool on);

// What every later line of this process names (a session: "session 3 T003").
void set_log_context(std::string context);

// Writes one line to the current region's log (standard error alone when no
// region is open), unless it is below the region's log_level.
void log_event(LogLevel level, std::string_view text);

}  // namespace ravnmor::region
