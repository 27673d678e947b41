// ravnmor file load|dump: the records of a file that region.toml defines
// (keyed, entry-sequenced or relative), into the region store from CSV or
// JSON lines, and out of it as JSON lines or for a person. A load is one
// store transaction: a bad line, or a key already in the file, loads
// nothing.
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/byte_text.hpp"
#include "cli/commands.hpp"
#include "cli/record_input.hpp"
#include "cli/shell_tools.hpp"

namespace ravnmor::cli {

namespace {

constexpr std::string_view kTool = "file";
constexpr std::string_view kStandardInput = "-";

struct FileOptions {
  std::string region;
  std::string name;
  std::string input;
  std::string format;  // load: csv or jsonl; empty: from the input's extension
  bool replace = false;
  bool json = false;
  std::string encoding = "auto";  // dump --json: auto, hex or base64
};

const std::map<std::string, InputFormat> kFormats = {{"csv", InputFormat::csv},
                                                     {"jsonl", InputFormat::json_lines}};
const std::map<std::string, InputFormat> kExtensions = {{".csv", InputFormat::csv},
                                                        {".jsonl", InputFormat::json_lines},
                                                        {".ndjson", InputFormat::json_lines},
                                                        {".json", InputFormat::json_lines}};
const std::map<std::string, std::optional<Encoding>> kEncodings = {
    {"auto", std::nullopt}, {"hex", Encoding::hex}, {"base64", Encoding::base64}};

const region::FileDefinition& defined_file(const region::RegionConfig& config,
                                           const FileOptions& options) {
  const region::FileDefinition* file = config.file(options.name);
  if (file == nullptr) {
    throw ToolFailure{"no file " + options.name + " is defined in " + options.region +
                      "/region.toml"};
  }
  return *file;
}

std::string stored_file_name(const region::FileDefinition& file) {
  return stored_name(file.name, kFileNameLength, "file");
}

InputFormat input_format(const FileOptions& options) {
  if (!options.format.empty()) return kFormats.at(options.format);
  auto found = kExtensions.find(std::filesystem::path(options.input).extension().string());
  if (found == kExtensions.end()) {
    throw ToolFailure{"cannot tell the format of " + options.input + ": give --format csv or jsonl",
                      kBadUsage};
  }
  return found->second;
}

std::string read_input(const std::string& input) {
  std::ostringstream text;
  if (input == kStandardInput) {
    text << std::cin.rdbuf();
    return text.str();
  }
  return read_file(input);
}

// The field that numbers a file's records: rba, rrn; none for a keyed file.
std::string_view number_field(region::FileType type) {
  switch (type) {
    case region::FileType::entry_sequenced:
      return kRbaField;
    case region::FileType::relative:
      return kRrnField;
    case region::FileType::keyed:
      break;
  }
  return {};
}

// A record's key for a person: a keyed file's key, or the record's number.
std::string described(const region::FileDefinition& file, store::ByteView key) {
  if (file.type == region::FileType::keyed) return "key '" + escaped(key) + "'";
  return std::string(number_field(file.type)) + " " + std::to_string(store::key_number(key));
}

void check_fields(const region::FileDefinition& file, const InputRecord& record) {
  const std::string kind = "file " + file.name + " is of type " + file_type_name(file.type);
  if (record.key && file.type != region::FileType::keyed) {
    throw InputError{record.line, "a key field, but " + kind};
  }
  if (record.number && record.number->field != number_field(file.type)) {
    throw InputError{record.line, "an " + record.number->field + " field, but " + kind};
  }
  if (record.data.empty()) throw InputError{record.line, "an empty record"};
  if (record.data.size() > file.record_length) {
    throw InputError{record.line, "a record of " + std::to_string(record.data.size()) +
                                      " bytes is longer than the file's record_length " +
                                      std::to_string(file.record_length)};
  }
}

// The key of a keyed file's record: the bytes at key_offset; an input key
// field must agree with them.
store::Bytes record_key(const region::FileDefinition& file, const InputRecord& record) {
  const std::size_t key_end = file.key_offset + file.key_length;
  if (record.data.size() < key_end) {
    throw InputError{record.line, "a record of " + std::to_string(record.data.size()) +
                                      " bytes ends before its key (" +
                                      std::to_string(file.key_length) + " bytes at offset " +
                                      std::to_string(file.key_offset) + ")"};
  }
  store::Bytes key(record.data.begin() + static_cast<std::ptrdiff_t>(file.key_offset),
                   record.data.begin() + static_cast<std::ptrdiff_t>(key_end));
  if (record.key && *record.key != key) {
    throw InputError{record.line, "the key field '" + escaped(*record.key) +
                                      "' differs from the record's key '" + escaped(key) + "'"};
  }
  return key;
}

// Where a record goes: under its key (a keyed file), at its rrn (a relative
// file that names one), or after the file's last record (empty). An
// entry-sequenced file's records always go after its last: the rba a dump
// wrote is not used.
store::Bytes load_key(const region::FileDefinition& file, const InputRecord& record) {
  check_fields(file, record);
  if (file.type == region::FileType::keyed) return record_key(file, record);
  if (file.type == region::FileType::entry_sequenced || !record.number) return {};
  const std::uint64_t rrn = record.number->value;
  if (rrn < 1 || rrn > store::kMaxRecordNumber) {
    throw InputError{record.line, "rrn " + std::to_string(rrn) + " is not from 1 to " +
                                      std::to_string(store::kMaxRecordNumber)};
  }
  return store::number_key(static_cast<std::uint32_t>(rrn));
}

std::vector<store::KeyedRecord> load_records(const region::FileDefinition& file,
                                             std::vector<InputRecord>& input) {
  std::vector<store::KeyedRecord> records;
  std::map<std::string, std::size_t> lines;  // each key's line
  for (InputRecord& record : input) {
    store::Bytes key = load_key(file, record);
    auto [earlier, added] = lines.emplace(std::string(key.begin(), key.end()), record.line);
    if (!added && !key.empty()) {
      throw InputError{record.line, described(file, key) + " is also on line " +
                                        std::to_string(earlier->second)};
    }
    records.push_back({std::move(key), std::move(record.data)});
  }
  return records;
}

void load(const FileOptions& options) {
  const region::RegionConfig config = region_config(options.region);
  const region::FileDefinition& file = defined_file(config, options);
  const InputFormat format = input_format(options);
  const std::string origin = options.input == kStandardInput ? "standard input" : options.input;
  std::vector<InputRecord> input;
  std::vector<store::KeyedRecord> records;
  try {
    input = read_records(read_input(options.input), format);
    records = load_records(file, input);
  } catch (const InputError& error) {
    throw ToolFailure{origin + ":" + std::to_string(error.line) + ": " + error.message +
                      "; nothing loaded"};
  }
  std::unique_ptr<store::Store> store = region_store(options.region);
  std::size_t failed = 0;
  const auto numbering = file.type == region::FileType::entry_sequenced
                             ? store::Store::Numbering::bytes
                             : store::Store::Numbering::records;
  store::Outcome outcome =
      store->file_load(stored_file_name(file), records, numbering, options.replace, failed);
  if (outcome == store::Outcome::duplicate) {
    throw ToolFailure{origin + ":" + std::to_string(input[failed].line) + ": " +
                      described(file, records[failed].key) + " is already in file " + file.name +
                      " (--replace replaces such records); nothing loaded"};
  }
  if (outcome == store::Outcome::held) {
    throw ToolFailure{origin + ":" + std::to_string(input[failed].line) + ": " +
                      described(file, records[failed].key) + " of file " + file.name +
                      " is locked by " + holder_text(*store) + "; nothing loaded"};
  }
  if (outcome == store::Outcome::no_space) {
    throw ToolFailure{"file " + file.name + " has no room for the records past number " +
                      std::to_string(store::kMaxRecordNumber) + "; nothing loaded"};
  }
  require_ok(outcome, *store);
  std::printf("%s loaded into %s from %s\n", count_of(records.size(), "record").c_str(),
              file.name.c_str(), origin.c_str());
}

// A record as dump --json writes it: the key of a keyed file, or the
// record's rba or rrn, then its data.
void print_json_record(const region::FileDefinition& file, store::ByteView key,
                       store::ByteView data, std::optional<Encoding> forced) {
  nlohmann::ordered_json record;
  if (file.type == region::FileType::keyed) {
    EncodedField field = encoded_field(kKeyField, key, forced);
    record[field.name] = field.text;
  } else {
    record[number_field(file.type)] = store::key_number(key);
  }
  EncodedField field = encoded_field(kDataField, data, forced);
  record[field.name] = field.text;
  std::printf("%s\n", record.dump().c_str());
}

void dump(const FileOptions& options) {
  const region::RegionConfig config = region_config(options.region);
  const region::FileDefinition& file = defined_file(config, options);
  const std::optional<Encoding> forced = kEncodings.at(options.encoding);
  std::unique_ptr<store::Store> store = region_store(options.region);
  const bool keyed = file.type == region::FileType::keyed;
  require_ok(store->file_scan(
                 stored_file_name(file),
                 [&](store::ByteView key, store::ByteView data) {
                   if (options.json) return print_json_record(file, key, data, forced);
                   print_entry(keyed ? escaped(key) : std::to_string(store::key_number(key)), data);
                 }),
             *store);
}

template <typename Map>
std::vector<std::string> names_of(const Map& map) {
  std::vector<std::string> names;
  for (const auto& entry : map) names.push_back(entry.first);
  return names;
}

}  // namespace

void add_file_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<FileOptions>();
  auto* file = app.add_subcommand("file", "load or dump the records of a file of the region");
  file->require_subcommand(1);

  auto* load_command = file->add_subcommand(
      "load", "add the records of INPUT (CSV or JSON lines) to the file, all or none");
  add_region_option(load_command, options->region);
  load_command->add_option("NAME", options->name, "a file defined in region.toml")->required();
  load_command->add_option("INPUT", options->input, "CSV or JSON lines; - for standard input")
      ->required();
  load_command
      ->add_option("--format", options->format,
                   "csv or jsonl (default: from INPUT's extension: .csv; .jsonl, .ndjson, .json)")
      ->check(CLI::IsMember(names_of(kFormats)));
  load_command->add_flag("--replace", options->replace,
                         "a record whose key is in the file already replaces that record");
  load_command->callback([&action, options] {
    action = [options] { return run_tool(kTool, [&] { load(*options); }); };
  });

  auto* dump_command = file->add_subcommand("dump", "print the file's records in key order");
  add_region_option(dump_command, options->region);
  dump_command->add_option("NAME", options->name, "a file defined in region.toml")->required();
  dump_command->add_flag(
      "--json", options->json,
      "one JSON object a record (key, rba or rrn; data), as file load reads them");
  dump_command
      ->add_option("--encoding", options->encoding,
                   "with --json, how key and data are written: auto (as they are when printable, "
                   "else key_hex, data_hex), hex or base64")
      ->check(CLI::IsMember(names_of(kEncodings)))
      ->capture_default_str();
  dump_command->callback([&action, options] {
    action = [options] { return run_tool(kTool, [&] { dump(*options); }); };
  });
}

}  // namespace ravnmor::cli
