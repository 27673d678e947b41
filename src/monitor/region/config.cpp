#include "monitor/region/config.hpp"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <limits>
#include <set>

#include "monitor/region/programs.hpp"
#include "monitor/terminal/codepage.hpp"

namespace ravnmor::region {

namespace {

// One table of the file being read: every key read through it is checked
// and marked, and a key left unread is a mistake (a misspelt key must not
// be silently ignored). Problems name the file, the line and the key.
class Section {
 public:
  Section(const toml::table& table, std::string path, std::string_view origin)
      : table_(table), path_(std::move(path)), origin_(origin) {}

  [[noreturn]] void fail(std::string_view key, std::string_view problem) const {
    const toml::node* node = table_.get(key);
    const auto line = (node != nullptr ? node->source() : table_.source()).begin.line;
    std::string where = path_;
    if (!key.empty()) where += (where.empty() ? "" : ".") + std::string(key);
    throw ConfigError(std::string(origin_) + ':' + std::to_string(line) + ": " + where + ": " +
                      std::string(problem));
  }

  const toml::node* find(std::string_view key) {
    read_.insert(std::string(key));
    return table_.get(key);
  }

  void text(std::string_view key, std::string& out) {
    if (const toml::node* node = find(key)) {
      if (!node->is_string()) fail(key, "must be a string in quotes");
      out = **node->as_string();
    }
  }

  void flag(std::string_view key, bool& out) {
    if (const toml::node* node = find(key)) {
      if (!node->is_boolean()) fail(key, "must be true or false");
      out = **node->as_boolean();
    }
  }

  template <typename Number>
  void number(std::string_view key, Number& out, std::int64_t least, std::int64_t most) {
    if (const toml::node* node = find(key)) {
      if (!node->is_integer() || **node->as_integer() < least || **node->as_integer() > most) {
        fail(key, "must be a whole number from " + std::to_string(least) + " to " +
                      std::to_string(most));
      }
      out = static_cast<Number>(**node->as_integer());
    }
  }

  // A word from `choices` (indexing the values of an enumeration).
  template <typename Choice, std::size_t N>
  void choice(std::string_view key, Choice& out, const std::string_view (&choices)[N]) {
    std::string word;
    if (find(key) == nullptr) return;
    text(key, word);
    for (std::size_t i = 0; i < N; ++i) {
      if (word == choices[i]) {
        out = static_cast<Choice>(i);
        return;
      }
    }
    std::string known;
    for (std::string_view c : choices) known += (known.empty() ? "" : ", ") + std::string(c);
    fail(key, "must be one of " + known);
  }

  // A resource name: 1 to `most` characters without blanks, kept in upper case.
  void name(std::string_view key, std::string& out, std::size_t most, bool required = true) {
    if (find(key) == nullptr) {
      if (required) fail(key, "is missing");
      return;
    }
    text(key, out);
    const bool fits =
        !out.empty() && out.size() <= most &&
        std::all_of(out.begin(), out.end(), [](char c) { return c > ' ' && c < 127; });
    if (!fits) {
      fail(key, "must be 1 to " + std::to_string(most) + " characters without blanks");
    }
    out = table_name(out);
  }

  const std::string& path() const { return path_; }

  void reject_unknown() const {
    for (auto&& [key, node] : table_) {
      if (!read_.contains(std::string(key.str()))) {
        throw ConfigError(std::string(origin_) + ':' + std::to_string(key.source().begin.line) +
                          ": " + path_ + "." + std::string(key.str()) + ": unknown key");
      }
    }
  }

 private:
  const toml::table& table_;
  std::string path_;
  std::string_view origin_;
  std::set<std::string> read_;
};

// A size in bytes: a number, or a string with the suffix K or M.
void read_size(Section& section, std::string_view key, std::uintmax_t& out) {
  const toml::node* node = section.find(key);
  if (node == nullptr) return;
  const std::string_view problem = "must be a size of at least 1K (bytes, or a string like \"4M\")";
  std::uintmax_t value = 0;
  if (node->is_integer() && **node->as_integer() > 0) {
    value = static_cast<std::uintmax_t>(**node->as_integer());
  } else if (node->is_string()) {
    std::string_view text = **node->as_string();
    std::uintmax_t unit = 1;
    if (!text.empty() && (text.back() == 'K' || text.back() == 'M')) {
      unit = text.back() == 'K' ? kKiB : kMiB;
      text.remove_suffix(1);
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        value > std::numeric_limits<std::uintmax_t>::max() / unit) {
      section.fail(key, problem);
    }
    value *= unit;
  }
  if (value < kSmallestLogSize) section.fail(key, problem);
  out = value;
}

constexpr std::string_view kLogLevels[] = {"debug", "info", "warning", "error"};
constexpr std::string_view kFileTypes[] = {"keyed", "entry", "relative"};
constexpr std::string_view kTdKinds[] = {"intrapartition", "extrapartition"};
constexpr std::string_view kDirections[] = {"input", "output"};

void read_region(Section& section, RegionConfig& config) {
  section.name("name", config.name, kMaxRegionName, false);
  if (!std::all_of(config.name.begin(), config.name.end(),
                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
    section.fail("name", "must be 1-8 letters or digits");
  }
  section.name("applid", config.applid, kMaxRegionName, false);
  section.name("sysid", config.sysid, kMaxRegionName / 2, false);
  section.text("listen", config.listen);
  section.number("max_sessions", config.max_sessions, 1, kMostSessions);
  std::string codepage;
  section.text("codepage", codepage);
  if (!codepage.empty()) {
    const terminal::CodePage* page = terminal::find_code_page(codepage);
    if (page == nullptr) section.fail("codepage", code_page_problem(codepage));
    config.codepage = page->name();
  }
  section.number("idle_timeout", config.idle_timeout, 0, kMaxIdleTimeout);
  section.number("lock_wait", config.lock_wait, 0, kMaxWait);
  section.number("wait_limit", config.wait_limit, 0, kMaxWait);
  section.flag("trace", config.trace);
}

void read_log(Section& section, RegionConfig& config) {
  section.choice("level", config.log_level, kLogLevels);
  read_size(section, "size", config.log_size);
  section.number("keep", config.log_keep, 1, kMostLogGenerations);
}

void read_operations(Section& section, FileOperations& allows) {
  const toml::node* node = section.find("operations");
  if (node == nullptr) return;
  const toml::array* words = node->as_array();
  if (words == nullptr) section.fail("operations", "must be a list such as [\"read\", \"browse\"]");
  allows = {false, false, false, false, false};
  const std::pair<std::string_view, bool FileOperations::*> known[] = {
      {"read", &FileOperations::read},
      {"add", &FileOperations::add},
      {"update", &FileOperations::update},
      {"delete", &FileOperations::remove},
      {"browse", &FileOperations::browse}};
  for (const toml::node& word : *words) {
    auto match = std::find_if(std::begin(known), std::end(known), [&](const auto& entry) {
      return word.is_string() && **word.as_string() == entry.first;
    });
    if (match == std::end(known)) {
      section.fail("operations", "holds read, add, update, delete or browse");
    }
    allows.*(match->second) = true;
  }
}

FileDefinition read_file(Section& section) {
  FileDefinition file;
  section.name("name", file.name, kMaxFileName);
  section.choice("type", file.type, kFileTypes);
  section.number("record_length", file.record_length, 1, kMaxRecordLength);
  if (file.type == FileType::keyed) {
    section.number("key_length", file.key_length, 1, kMaxKeyLength);
    section.number("key_offset", file.key_offset, 0, kMaxRecordLength - 1);
    if (file.key_offset + file.key_length > file.record_length) {
      section.fail("key_length", "the key (from key_offset) must lie within record_length");
    }
  }
  section.flag("recoverable", file.recoverable);
  section.flag("open", file.open);
  section.flag("enabled", file.enabled);
  read_operations(section, file.allows);
  return file;
}

TdQueueDefinition read_td_queue(Section& section) {
  TdQueueDefinition queue;
  section.name("name", queue.name, kMaxTdQueueName);
  section.choice("type", queue.kind, kTdKinds);
  section.flag("recoverable", queue.recoverable);
  section.number("trigger_level", queue.trigger_level, 0, std::numeric_limits<std::int16_t>::max());
  section.name("transaction", queue.transaction, kMaxTransactionName, false);
  if (queue.trigger_level > 0 && queue.transaction.empty()) {
    section.fail("transaction", "is needed with trigger_level");
  }
  section.text("file", queue.path);
  section.choice("direction", queue.direction, kDirections);
  if ((queue.kind == TdKind::extrapartition) == queue.path.empty()) {
    section.fail("file", queue.path.empty() ? "is needed by an extrapartition queue"
                                            : "belongs to extrapartition queues only");
  }
  section.flag("open", queue.open);
  section.flag("enabled", queue.enabled);
  return queue;
}

TsModel read_ts_model(Section& section) {
  TsModel model;
  section.name("prefix", model.prefix, kMaxTsPrefix);
  section.flag("recoverable", model.recoverable);
  return model;
}

JournalDefinition read_journal(Section& section) {
  JournalDefinition journal;
  section.name("name", journal.name, kMaxJournalName);
  section.number("id", journal.id, 1, kMostJournals);
  return journal;
}

ProgramDefinition read_program(Section& section) {
  ProgramDefinition program;
  section.name("name", program.name, kMaxProgramName);
  section.text("library", program.library);
  section.text("entry", program.entry);
  if (program.library.empty() != program.entry.empty()) {
    section.fail(program.library.empty() ? "library" : "entry",
                 "a program of your own needs both library and entry");
  }
  return program;
}

TransactionDefinition read_transaction(Section& section) {
  TransactionDefinition transaction;
  section.name("name", transaction.name, kMaxTransactionName);
  section.name("program", transaction.program, kMaxProgramName);
  return transaction;
}

template <typename Definition>
const std::string& name_of(const Definition& definition) {
  return definition.name;
}
const std::string& name_of(const TsModel& model) {
  return model.prefix;
}

// Reads every [[key]] table into `out`; names must differ.
template <typename Definition>
void read_list(const toml::table& root, std::string_view key, std::string_view origin,
               std::vector<Definition>& out, Definition (*read)(Section&)) {
  const toml::node* node = root.get(key);
  if (node == nullptr) return;
  const toml::array* tables = node->as_array();
  if (tables == nullptr || !tables->is_array_of_tables()) {
    Section(root, "", origin).fail(key, "must be written [[" + std::string(key) + "]]");
  }
  std::set<std::string> names;
  for (std::size_t i = 0; i < tables->size(); ++i) {
    Section section(*tables->get(i)->as_table(),
                    std::string(key) + "[" + std::to_string(i + 1) + "]", origin);
    Definition definition = read(section);
    section.reject_unknown();
    const std::string& name = name_of(definition);
    if (!names.insert(name).second) section.fail("", "a second definition of " + name);
    out.push_back(std::move(definition));
  }
}

// A table such as [region]: read by `read` when present.
void read_table(const toml::table& root, std::string_view key, std::string_view origin,
                RegionConfig& config, void (*read)(Section&, RegionConfig&)) {
  const toml::node* node = root.get(key);
  if (node == nullptr) return;
  if (!node->is_table())
    Section(root, "", origin).fail(key, "must be a table [" + std::string(key) + "]");
  Section section(*node->as_table(), std::string(key), origin);
  read(section, config);
  section.reject_unknown();
}

// What one definition names that another must define.
void check_references(const toml::table& root, const RegionConfig& config,
                      std::string_view origin) {
  for (std::size_t i = 0; i < config.transactions.size(); ++i) {
    if (config.program(config.transactions[i].program) == nullptr) {
      Section(*root["transaction"][i].as_table(), "transaction[" + std::to_string(i + 1) + "]",
              origin)
          .fail("program", "no [[program]] is named " + config.transactions[i].program);
    }
  }
  std::set<int> journal_ids;
  for (std::size_t i = 0; i < config.journals.size(); ++i) {
    if (!journal_ids.insert(config.journals[i].id).second) {
      Section(*root["journal"][i].as_table(), "journal[" + std::to_string(i + 1) + "]", origin)
          .fail("id", "a second journal with id " + std::to_string(config.journals[i].id));
    }
  }
  for (std::size_t i = 0; i < config.td_queues.size(); ++i) {
    const std::string& transaction = config.td_queues[i].transaction;
    if (!transaction.empty() && config.transaction(transaction) == nullptr) {
      Section(*root["tdqueue"][i].as_table(), "tdqueue[" + std::to_string(i + 1) + "]", origin)
          .fail("transaction", "no [[transaction]] is named " + transaction);
    }
  }
}

template <typename Definition>
const Definition* find_named(const std::vector<Definition>& list, std::string_view name) {
  const std::string key = table_name(name);
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const Definition& definition) { return definition.name == key; });
  return found == list.end() ? nullptr : &*found;
}

constexpr std::string_view kDefaultConfig =
    R"toml(# Ravnmor region configuration (TOML). docs/configuration.md describes every
# key; `ravnmor config check` checks this file without starting the region.
# The options of `ravnmor serve` override the [region] settings.

[region]
name = "RAVNMOR"          # 1-8 letters or digits, shown in every screen header
# applid = "RAVNMOR"      # APPLID; the name when not set
# sysid = "RAVN"          # SYSID; the name's first four characters when not set
listen = "127.0.0.1:3270"
max_sessions = 64         # terminals at once
codepage = "cp037"        # EBCDIC code page of the terminals (c3270 -codepage cp037)
idle_timeout = 0          # seconds without input that end a session; 0 = never
lock_wait = 60            # seconds a task waits for an ENQ name another holds; 0 = no limit
wait_limit = 60           # seconds of the longest DELAY or WAIT EVENT (longer: INVREQ 10)
trace = false             # programs write trace lines to logs/trace.log

[log]
level = "info"            # debug, info, warning or error: what logs/region.log records
size = "4M"               # a log in logs/ is rotated at this size
keep = 3                  # earlier generations kept of each log

# Files. type: "keyed" (records found by a key inside them), "entry" (by the
# byte address at which they were added, RBA) or "relative" (by record number,
# RRN). operations: what programs may do; a command not allowed answers INVREQ.
[[file]]
name = "ACCOUNTS"         # sample records are loaded when the region is created
type = "keyed"
key_length = 6
key_offset = 0
record_length = 80
recoverable = true        # changes belong to the task's unit of work
open = true
enabled = true
operations = ["read", "add", "update", "delete", "browse"]

# Transient data queues: "intrapartition" ones live in the region store;
# "extrapartition" ones are a file in the region directory (file = "...",
# direction = "input" or "output"). trigger_level with transaction starts that
# transaction when the queue holds that many records. open and enabled: as
# the region starts (SET TDQUEUE OPEN or CLOSED changes it while it runs).
[[tdqueue]]
name = "MSGS"             # the region's messages
type = "intrapartition"
[[tdqueue]]
name = "NOTE"             # where the started program NOTE writes
type = "intrapartition"

# Temporary storage queues whose names begin with a model's prefix are
# recoverable.
[[tsmodel]]
prefix = "RCV"
recoverable = true

# Journals: JOURNAL JFILEID(id) appends a record to journals/NAME in the region
# directory; `ravnmor journal show NAME` prints them.
[[journal]]
name = "AUDIT"
id = 1                    # JFILEID(1); a journal's place in this file when not set

# Programs: built into ravnmor, or (library = "path.so", entry = "name") your own.
[[program]]
name = "QCMD"             # the command-level interpreter
[[program]]
name = "DEMO"
[[program]]
name = "ECHO"
[[program]]
name = "HELLO"
[[program]]
name = "NOTE"             # writes what START gave it to the queue NOTE
[[program]]
name = "TURNS"            # counts its turns in its COMMAREA (RETURN TRANSID)

[[transaction]]
name = "QCMD"
program = "QCMD"
[[transaction]]
name = "DEMO"
program = "DEMO"
[[transaction]]
name = "NOTE"
program = "NOTE"
[[transaction]]
name = "TURN"
program = "TURNS"
)toml";

// ACCOUNTS: a 6-digit key, a name of 20 characters, a city of 16 and a
// balance of 9 digits in cents.
constexpr std::string_view kSampleRecords[] = {
    "100100ANDERSEN, KARI      OSLO            000125000",
    "100200BAKER, THOMAS       LEEDS           000003250",
    "100300CHEN, LI            VANCOUVER       000980000",
    "100400DUBOIS, MARIE       LYON            000047525",
    "100500EKSTROM, LARS       UPPSALA         000000000",
    "100600FERREIRA, ANA       PORTO           000233010",
    "100700GARCIA, LUIS        SEVILLA         000011999",
    "100800HANSEN, NILS        BERGEN          000500000",
};

}  // namespace

RegionConfig parse_config(std::string_view text, std::string_view origin) {
  toml::table root;
  try {
    root = toml::parse(text, origin);
  } catch (const toml::parse_error& error) {
    throw ConfigError(std::string(origin) + ':' + std::to_string(error.source().begin.line) + ": " +
                      std::string(error.description()));
  }
  RegionConfig config;
  read_table(root, "region", origin, config, read_region);
  read_table(root, "log", origin, config, read_log);
  const std::pair<std::string_view, std::function<void()>> lists[] = {
      {"file", [&] { read_list(root, "file", origin, config.files, read_file); }},
      {"tdqueue", [&] { read_list(root, "tdqueue", origin, config.td_queues, read_td_queue); }},
      {"tsmodel", [&] { read_list(root, "tsmodel", origin, config.ts_models, read_ts_model); }},
      {"journal", [&] { read_list(root, "journal", origin, config.journals, read_journal); }},
      {"program", [&] { read_list(root, "program", origin, config.programs, read_program); }},
      {"transaction",
       [&] { read_list(root, "transaction", origin, config.transactions, read_transaction); }},
  };
  for (const auto& list : lists) list.second();
  for (const auto& entry : root) {
    const toml::key& key = entry.first;
    if (std::none_of(std::begin(lists), std::end(lists),
                     [&](const auto& list) { return list.first == key.str(); }) &&
        key.str() != "region" && key.str() != "log") {
      throw ConfigError(std::string(origin) + ':' + std::to_string(key.source().begin.line) + ": " +
                        std::string(key.str()) + ": unknown table");
    }
  }
  for (std::size_t i = 0; i < config.journals.size(); ++i) {
    if (config.journals[i].id == 0) config.journals[i].id = static_cast<int>(i + 1);
  }
  check_references(root, config, origin);
  if (config.applid.empty()) config.applid = config.name;
  if (config.sysid.empty()) config.sysid = config.name.substr(0, kMaxRegionName / 2);
  return config;
}

const FileDefinition* RegionConfig::file(std::string_view name) const {
  return find_named(files, name);
}
const TdQueueDefinition* RegionConfig::td_queue(std::string_view name) const {
  return find_named(td_queues, name);
}
const JournalDefinition* RegionConfig::journal(std::string_view name) const {
  return find_named(journals, name);
}
const JournalDefinition* RegionConfig::journal(int id) const {
  auto found = std::find_if(journals.begin(), journals.end(),
                            [id](const JournalDefinition& journal) { return journal.id == id; });
  return found == journals.end() ? nullptr : &*found;
}
const ProgramDefinition* RegionConfig::program(std::string_view name) const {
  return find_named(programs, name);
}
const TransactionDefinition* RegionConfig::transaction(std::string_view name) const {
  return find_named(transactions, name);
}

bool RegionConfig::recoverable_ts_queue(std::string_view name) const {
  return std::any_of(ts_models.begin(), ts_models.end(), [&](const TsModel& model) {
    return model.recoverable && name.starts_with(model.prefix);
  });
}

std::string_view default_config_text() {
  return kDefaultConfig;
}

std::vector<std::string> sample_records() {
  return {std::begin(kSampleRecords), std::end(kSampleRecords)};
}

std::string code_page_problem(std::string_view name) {
  std::string problem = "unknown code page '";
  problem.append(name).append("' (known: ");
  const char* separator = "";
  for (const terminal::CodePage& page : terminal::code_pages()) {
    problem.append(separator).append(page.name());
    separator = ", ";
  }
  return problem.append(")");
}

}  // namespace ravnmor::region
