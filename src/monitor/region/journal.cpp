#include "monitor/region/journal.hpp"

#include <charconv>
#include <cstdio>
#include <vector>

namespace ravnmor::region {

namespace {

constexpr char kSeparator = '\t';
constexpr char kEscape = '\\';
constexpr std::size_t kHexDigits = 2;
constexpr std::size_t kFieldCount = 7;
constexpr int kHexBase = 16;
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';

// The inverse of journal_text; none for a broken escape.
std::optional<std::string> bytes_of(std::string_view text) {
  constexpr std::string_view kEscapedEscape = "\\\\";
  constexpr std::string_view kHexEscape = "\\x";
  std::string bytes;
  while (!text.empty()) {
    if (text.starts_with(kEscapedEscape)) {
      bytes += kEscape;
      text.remove_prefix(kEscapedEscape.size());
    } else if (text.starts_with(kHexEscape)) {
      std::string_view digits = text.substr(kHexEscape.size(), kHexDigits);
      unsigned value = 0;
      auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value, kHexBase);
      if (digits.size() != kHexDigits || error != std::errc{} ||
          end != digits.data() + digits.size()) {
        return std::nullopt;
      }
      bytes += static_cast<char>(value);
      text.remove_prefix(kHexEscape.size() + kHexDigits);
    } else if (text.front() == kEscape) {
      return std::nullopt;
    } else {
      bytes += text.front();
      text.remove_prefix(1);
    }
  }
  return bytes;
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    std::size_t end = line.find(kSeparator, start);
    fields.push_back(line.substr(start, end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

}  // namespace

std::filesystem::path journal_path(const std::filesystem::path& region_directory,
                                   std::string_view name) {
  return region_directory / kJournalDirectory / std::string(name);
}

std::string journal_text(std::string_view bytes) {
  std::string text;
  for (char c : bytes) {
    if (c == kEscape) {
      text += {kEscape, kEscape};
    } else if (c >= kFirstPrintable && c <= kLastPrintable) {
      text += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      text += hex;
    }
  }
  return text;
}

std::string journal_line(const JournalRecord& record) {
  const std::string fields[kFieldCount] = {record.time,
                                           std::to_string(record.task),
                                           journal_text(record.terminal),
                                           journal_text(record.transaction),
                                           journal_text(record.type),
                                           journal_text(record.prefix),
                                           journal_text(record.data)};
  std::string line;
  for (const std::string& field : fields) {
    line += (line.empty() ? "" : std::string(1, kSeparator)) + field;
  }
  return line + '\n';
}

std::optional<JournalRecord> parse_journal_line(std::string_view line) {
  std::vector<std::string_view> fields = fields_of(line);
  if (fields.size() != kFieldCount) return std::nullopt;
  JournalRecord record;
  record.time = fields[0];
  auto [end, error] =
      std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), record.task);
  if (error != std::errc{} || end != fields[1].data() + fields[1].size()) return std::nullopt;
  std::string* const bytes[] = {&record.terminal, &record.transaction, &record.type, &record.prefix,
                                &record.data};
  for (std::size_t i = 0; i < std::size(bytes); ++i) {
    std::optional<std::string> decoded = bytes_of(fields[i + 2]);
    if (!decoded) return std::nullopt;
    *bytes[i] = std::move(*decoded);
  }
  return record;
}

}  // namespace ravnmor::region
