#include "cli/record_input.hpp"

#include <charconv>
#include <nlohmann/json.hpp>

#include "cli/byte_text.hpp"

namespace ravnmor::cli {

namespace {

enum class Role { key, number, data };

struct Field {
  Role role;
  Encoding encoding;  // of a key or the data
};

Field field_of(std::string_view name, std::size_t line) {
  if (std::optional<Encoding> encoding = field_encoding(name, kKeyField)) {
    return {Role::key, *encoding};
  }
  if (std::optional<Encoding> encoding = field_encoding(name, kDataField)) {
    return {Role::data, *encoding};
  }
  if (name == kRbaField || name == kRrnField) return {Role::number, Encoding::text};
  throw InputError{line, "unknown field '" + escaped(name) +
                             "' (the fields are key and data, each with _hex or _base64 or "
                             "without, rba and rrn)"};
}

// Each name must be a field, with one data field and at most one key or
// record number.
void check_fields(const std::vector<std::string>& names, std::size_t line) {
  int found = 0;
  int data = 0;
  for (const std::string& name : names) (field_of(name, line).role == Role::data ? data : found)++;
  if (data != 1) throw InputError{line, "needs one data field, has " + std::to_string(data)};
  if (found > 1) throw InputError{line, "has " + std::to_string(found) + " key or number fields"};
}

std::uint64_t record_number(std::string_view name, std::string_view text, std::size_t line) {
  std::uint64_t number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    throw InputError{line, std::string(name) + ": not a whole number: '" + escaped(text) + "'"};
  }
  return number;
}

void fill(InputRecord& record, std::string_view name, std::string_view value) {
  const Field field = field_of(name, record.line);
  if (field.role == Role::number) {
    record.number = RecordNumber{std::string(name), record_number(name, value, record.line)};
    return;
  }
  std::string problem;
  std::optional<store::Bytes> bytes = decode(value, field.encoding, problem);
  if (!bytes) throw InputError{record.line, std::string(name) + ": " + problem};
  if (field.role == Role::key) {
    record.key = std::move(bytes);
  } else {
    record.data = std::move(*bytes);
  }
}

// An RFC 4180 reader: fields separated by commas, rows by LF or CRLF; a
// field in double quotes may hold commas, line ends and "" for a quote.
class CsvReader {
 public:
  explicit CsvReader(std::string_view text) : text_(text) {}

  // The next row and the line it starts on; false at the end.
  bool next(std::vector<std::string>& fields, std::size_t& line) {
    if (at_ >= text_.size()) return false;
    fields.clear();
    line = line_;
    do {
      fields.push_back(field());
    } while (take(','));
    if (!take('\n') && !(take('\r') && take('\n')) && at_ < text_.size()) {
      throw InputError{line_, "a stray character after a field"};
    }
    ++line_;
    return true;
  }

 private:
  bool take(char c) {
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }

  std::string field() {
    if (take('"')) return quoted();
    std::string value;
    while (at_ < text_.size() && text_[at_] != ',' && text_[at_] != '\n' &&
           text_.substr(at_, 2) != "\r\n") {
      if (text_[at_] == '"') throw InputError{line_, "a quote inside a field that is not quoted"};
      value += text_[at_++];
    }
    return value;
  }

  std::string quoted() {
    const std::size_t opened_on = line_;
    std::string value;
    while (at_ < text_.size()) {
      if (take('"')) {
        if (!take('"')) return value;
        value += '"';
        continue;
      }
      if (text_[at_] == '\n') ++line_;
      value += text_[at_++];
    }
    throw InputError{opened_on, "a quoted field is never closed"};
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
};

bool blank_row(const std::vector<std::string>& fields) {
  return fields.size() == 1 && fields.front().empty();
}

std::vector<InputRecord> read_csv(std::string_view text) {
  CsvReader reader(text);
  std::vector<std::string> header;
  std::size_t line = 0;
  while (reader.next(header, line) && blank_row(header)) {
  }
  if (header.empty()) return {};
  check_fields(header, line);
  std::vector<InputRecord> records;
  for (std::vector<std::string> fields; reader.next(fields, line);) {
    if (blank_row(fields)) continue;
    if (fields.size() != header.size()) {
      throw InputError{line, std::to_string(fields.size()) + " fields where the header has " +
                                 std::to_string(header.size())};
    }
    InputRecord& record = records.emplace_back();
    record.line = line;
    for (std::size_t i = 0; i < fields.size(); ++i) fill(record, header[i], fields[i]);
  }
  return records;
}

// The parser's message without its "[json.exception...] " prefix.
std::string json_problem(const nlohmann::json::exception& problem) {
  std::string_view text = problem.what();
  const std::size_t end = text.find("] ");
  return std::string(end == std::string_view::npos ? text : text.substr(end + 2));
}

InputRecord json_record(std::string_view text, std::size_t line) {
  nlohmann::json object;
  try {
    object = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& problem) {
    throw InputError{line, json_problem(problem)};
  }
  if (!object.is_object()) throw InputError{line, "not a JSON object"};
  std::vector<std::string> names;
  for (const auto& [name, value] : object.items()) {
    if (!value.is_string() && !value.is_number_unsigned()) {
      throw InputError{line, name + ": neither a string nor a whole number"};
    }
    names.push_back(name);
  }
  check_fields(names, line);
  InputRecord record;
  record.line = line;
  for (const auto& [name, value] : object.items()) {
    fill(record, name, value.is_string() ? value.get<std::string>() : value.dump());
  }
  return record;
}

std::vector<InputRecord> read_json_lines(std::string_view text) {
  std::vector<InputRecord> records;
  std::size_t line = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view row = text.substr(at, end - at);
    ++line;
    at = end + 1;
    if (row.find_first_not_of(" \t\r") != std::string_view::npos) {
      records.push_back(json_record(row, line));
    }
  }
  return records;
}

}  // namespace

std::vector<InputRecord> read_records(std::string_view text, InputFormat format) {
  return format == InputFormat::csv ? read_csv(text) : read_json_lines(text);
}

}  // namespace ravnmor::cli
