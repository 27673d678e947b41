// The journals of a region: journals/NAME in the region directory, for each
// [[journal]] of the configuration. JOURNAL appends one record a line, its
// fields apart by tabs: the local time, the task number, the terminal, the
// transaction, JTYPEID, PREFIX and the data (FROM). In the fields after the
// task, printable ASCII stands as it is, a backslash is written \\ and any
// other byte \xNN, so that a line holds any bytes.
// `ravnmor journal show NAME` prints them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ravnmor::region {

inline constexpr std::string_view kJournalDirectory = "journals";

std::filesystem::path journal_path(const std::filesystem::path& region_directory,
                                   std::string_view name);

struct JournalRecord {
  std::string time;  // local time, to the second
  std::uint32_t task = 0;
  std::string terminal;
  std::string transaction;
  std::string type;  // JTYPEID
  std::string prefix;
  std::string data;
};

// The record as its line in the journal file, line feed included.
std::string journal_line(const JournalRecord& record);

// A line of a journal file (without its line feed); none when it is not one.
std::optional<JournalRecord> parse_journal_line(std::string_view line);

// Bytes as a journal line shows them.
std::string journal_text(std::string_view bytes);

}  // namespace ravnmor::region
