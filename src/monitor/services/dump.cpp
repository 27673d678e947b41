// DUMP DUMPCODE: a readable dump of the task in the region directory,
// dumps/<date>-<time>-<code>-<task>.txt: the EIB, the COMMAREA, the TWA,
// the storage the task got by GETMAIN and the FROM area (LENGTH or FLENGTH
// bytes), each in lines of sixteen bytes in hexadecimal and as characters.
// IOERR with EIBRESP2 1 when the file cannot be written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/storage.hpp"
#include "monitor/services/time.hpp"

namespace ravnmor::services {

namespace {

constexpr std::size_t kCodeLength = 4;
constexpr Option kDumpcode{"DUMPCODE", ' ', 0, 2, Arg::kChars, kCodeLength};
constexpr Option kFrom{"FROM", 'F', 3, 3, Arg::kData};
constexpr Option kLength{"LENGTH", 'L', 4, 4, Arg::kHalf};
constexpr Option kFlength{"FLENGTH", 'F', 4, 4, Arg::kFull};
constexpr Option kDumpOptions[] = {kDumpcode, kFrom, kLength, kFlength};

constexpr std::size_t kBytesPerLine = 16;
constexpr std::int32_t kNotWritten = 1;  // EIBRESP2 of IOERR
constexpr std::int32_t kNoCode = 1;      // EIBRESP2 of INVREQ

// One section: a title, then lines of offset, hexadecimal and characters.
void put_section(std::ostream& out, const std::string& title, std::span<const std::uint8_t> bytes) {
  out << title << " (" << bytes.size() << " bytes)\n";
  for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
    char line[128];
    int used = std::snprintf(line, sizeof line, "  %06zX ", at);
    std::string characters;
    for (std::size_t i = at; i < at + kBytesPerLine; ++i) {
      if (i < bytes.size()) {
        used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "%02X",
                              bytes[i]);
        characters += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
      } else {
        used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "  ");
      }
    }
    out << line << "  *" << characters << "*\n";
  }
}

// The code as a file name may hold it: letters and digits, others as "_".
std::string file_safe(std::string_view code) {
  std::string safe;
  for (char c : code) safe += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return safe;
}

Response dump(const Command& command) {
  Area code_area = command.area(kDumpcode);
  if (!code_area.passed()) return {kInvreq, kNoCode};
  std::string code(code_area.chars(kCodeLength));
  Area from = command.given_area(kFrom);
  std::int32_t from_length =
      command.given(kFlength) ? command.area(kFlength).word() : command.given_area(kLength).half();
  std::span<const std::uint8_t> from_bytes;
  if (from.passed() && from_length > 0) {
    from_bytes = from.read(static_cast<std::size_t>(from_length));
  }
  const control::Task& task = command.task();
  region::Region* region = region::current_region();
  if (region == nullptr) return {kIoerr, kNotWritten};
  std::filesystem::path directory = region->directory() / "dumps";
  std::filesystem::path file =
      directory / (local_time_text("%Y%m%d-%H%M%S") + "-" + file_safe(code) + "-" +
                   std::to_string(task.number) + ".txt");
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  std::ofstream out(file);
  out << "DUMP " << code << "  task " << task.number << "  transaction " << task.transaction
      << "  program " << task.program << "  terminal " << task.terminal_id << "  "
      << local_time_text() << "\n\n";
  const control::TaskBlocks& blocks = control::task_blocks();
  put_section(out, "EIB", {blocks.eib, host::kEibSize});
  put_section(
      out, "COMMAREA",
      {task.commarea, static_cast<std::size_t>(std::max<std::int16_t>(task.commarea_length, 0))});
  put_section(out, "TWA", {blocks.twa, control::kTwaSize});
  for (const auto& [address, size] : task_storage()) {
    put_section(out, "GETMAIN storage", {static_cast<const std::uint8_t*>(address), size});
  }
  if (!from_bytes.empty()) put_section(out, "FROM", from_bytes);
  out.close();
  if (!out) return {kIoerr, kNotWritten};
  region::log_error("task " + std::to_string(task.number) + " dump " + code + " written to " +
                    file.string());
  return {};
}

constexpr CommandRow kCommands[] = {
    {0x1C02, "DUMP", dump, kDumpOptions},
};

}  // namespace

std::span<const CommandRow> dump_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
