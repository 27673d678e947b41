// The records that `ravnmor file load` reads: CSV with a header line, or
// JSON lines, one record a line. Either names its fields `key` and `data`,
// each written as the bytes are, in hexadecimal (`data_hex`) or in base64
// (`data_base64`), and `rba` or `rrn`, a record's number in an
// entry-sequenced or relative file; the README describes both formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/store/store.hpp"

namespace ravnmor::cli {

enum class InputFormat { csv, json_lines };

// A record's number as the input gives it: the field's name and its value.
struct RecordNumber {
  std::string field;
  std::uint64_t value = 0;
};

// One record as the input gives it, with the line it starts on.
struct InputRecord {
  std::size_t line = 0;
  std::optional<store::Bytes> key;     // when the input has a key field
  std::optional<RecordNumber> number;  // when it has rba or rrn
  store::Bytes data;
};

// A line of the input that cannot be used.
struct InputError {
  std::size_t line;
  std::string message;
};

inline constexpr std::string_view kKeyField = "key";
inline constexpr std::string_view kDataField = "data";
inline constexpr std::string_view kRbaField = "rba";
inline constexpr std::string_view kRrnField = "rrn";

// Every record of `text`; blank lines are skipped. Throws InputError.
std::vector<InputRecord> read_records(std::string_view text, InputFormat format);

}  // namespace ravnmor::cli
