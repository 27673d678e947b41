// ravnmor inquire: the region's resources at a glance, from its
// configuration and its store: files with their definition, status and
// record count, TS and TD queues, the connected terminals and the ENQ names
// held. The JSON document
// is the model; the text form is printed from it.
#include <cstdio>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/byte_text.hpp"
#include "cli/commands.hpp"
#include "cli/shell_tools.hpp"
#include "monitor/region/lock.hpp"
#include "monitor/services/resources.hpp"

namespace ravnmor::cli {

namespace {

using nlohmann::ordered_json;

constexpr std::string_view kTool = "inquire";

struct InquireOptions {
  std::string region;
  bool json = false;
};

ordered_json operations(const region::FileOperations& allows) {
  ordered_json list = ordered_json::array();
  for (auto [allowed, name] :
       {std::pair(allows.read, "read"), std::pair(allows.add, "add"),
        std::pair(allows.update, "update"), std::pair(allows.remove, "delete"),
        std::pair(allows.browse, "browse")}) {
    if (allowed) list.push_back(name);
  }
  return list;
}

// What the resources' status is now: what SET commands changed while the
// region runs, else (and always once it has stopped) as configured.
class Status {
 public:
  Status(store::Store& store, bool running) : store_(store), running_(running) {}

  bool on(std::string_view kind, std::string_view name, std::string_view attribute,
          bool configured) {
    if (!running_) return configured;
    std::int64_t value = configured;
    store::Outcome outcome = store_.status_read({kind, name, attribute}, value);
    if (outcome != store::Outcome::not_found) require_ok(outcome, store_);
    return value != 0;
  }

 private:
  store::Store& store_;
  bool running_;
};

// The name field of a listing: without its blank padding, in hexadecimal
// when it is not printable.
void put_name(ordered_json& object, std::string_view base, std::string_view stored) {
  const std::string_view name = unpadded(stored);
  EncodedField field = encoded_field(
      base, store::ByteView(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
  object[field.name] = field.text;
}

ordered_json region_part(const region::RegionConfig& config, const std::string& directory) {
  ordered_json region = {{"name", config.name},
                         {"applid", config.applid},
                         {"sysid", config.sysid},
                         {"directory", directory}};
  std::optional<std::string> holder = region::RegionLock::holder_of(directory);
  region["running"] = holder.has_value();
  if (holder && !holder->empty()) region["process"] = std::stoll(*holder);
  return region;
}

ordered_json files_part(const region::RegionConfig& config, store::Store& store, Status& status) {
  std::vector<store::NamedCount> counts;
  require_ok(store.file_counts(counts), store);
  ordered_json files = ordered_json::array();
  for (const region::FileDefinition& file : config.files) {
    const std::string stored = stored_name(file.name, kFileNameLength, "file");
    std::int64_t records = 0;
    for (const store::NamedCount& count : counts) {
      if (count.name == stored) records = count.count;
    }
    ordered_json entry = {{"name", file.name}, {"type", file_type_name(file.type)}};
    if (file.type == region::FileType::keyed) {
      entry["key_length"] = file.key_length;
      entry["key_offset"] = file.key_offset;
    }
    entry["record_length"] = file.record_length;
    entry["recoverable"] = file.recoverable;
    entry["open"] = status.on(services::kFileKind, file.name, services::kOpenStatus, file.open);
    entry["enabled"] =
        status.on(services::kFileKind, file.name, services::kEnabledStatus, file.enabled);
    entry["operations"] = operations(file.allows);
    entry["records"] = records;
    files.push_back(entry);
  }
  return files;
}

ordered_json ts_part(store::Store& store) {
  std::vector<store::NamedCount> queues;
  require_ok(store.ts_queues(queues), store);
  ordered_json list = ordered_json::array();
  for (const store::NamedCount& queue : queues) {
    ordered_json entry;
    put_name(entry, "name", queue.name);
    entry["items"] = queue.count;
    list.push_back(entry);
  }
  return list;
}

ordered_json td_part(const region::RegionConfig& config, store::Store& store) {
  ordered_json list = ordered_json::array();
  for (const TdQueueRecords& queue : intrapartition_queues(config, store)) {
    ordered_json entry;
    put_name(entry, "name", queue.name);
    entry["type"] = "intrapartition";
    entry["defined"] = queue.definition != nullptr;
    entry["records"] = queue.records;
    if (queue.definition != nullptr) {
      const region::TdQueueDefinition& definition = *queue.definition;
      entry["recoverable"] = definition.recoverable;
      entry["trigger_level"] = definition.trigger_level;
      entry["transaction"] = definition.transaction;
    }
    list.push_back(entry);
  }
  for (const region::TdQueueDefinition& queue : config.td_queues) {
    if (queue.kind != region::TdKind::extrapartition) continue;
    list.push_back(
        {{"name", queue.name},
         {"type", "extrapartition"},
         {"defined", true},
         {"file", queue.path},
         {"direction", queue.direction == region::TdDirection::input ? "input" : "output"}});
  }
  return list;
}

ordered_json sessions_part(store::Store& store) {
  std::vector<store::Store::ConnectedTerminal> connected;
  require_ok(store.terminals(connected), store);
  ordered_json list = ordered_json::array();
  for (const store::Store::ConnectedTerminal& session : connected) {
    ordered_json entry;
    put_name(entry, "terminal", session.terminal);
    entry["process"] = session.process;
    list.push_back(entry);
  }
  return list;
}

ordered_json enqueues_part(store::Store& store) {
  std::vector<store::Store::HeldName> held;
  require_ok(store.enqueues(held), store);
  ordered_json list = ordered_json::array();
  for (const store::Store::HeldName& name : held) {
    ordered_json entry;
    // A unit of work's lock (a TS queue, a file record) is kept with the ENQ
    // names under a leading NUL, which a program's ENQ name never needs.
    const bool lock = !name.resource.empty() && name.resource.front() == 0;
    entry["kind"] = lock ? "lock" : "enq";
    EncodedField resource = encoded_field(
        "resource",
        lock ? store::Bytes(name.resource.begin() + 1, name.resource.end()) : name.resource);
    entry[resource.name] = resource.text;
    entry["process"] = name.holder.process;
    entry["task"] = name.holder.task;
    entry["luw"] = name.holder.luw;
    list.push_back(entry);
  }
  return list;
}

ordered_json inquiry(const InquireOptions& options) {
  const region::RegionConfig config = region_config(options.region);
  std::unique_ptr<store::Store> store = region_store(options.region);
  ordered_json region = region_part(config, options.region);
  Status status(*store, region["running"].get<bool>());
  return {{"region", region},
          {"files", files_part(config, *store, status)},
          {"ts_queues", ts_part(*store)},
          {"td_queues", td_part(config, *store)},
          {"sessions", sessions_part(*store)},
          {"enqueues", enqueues_part(*store)}};
}

// The text of a name field that put_name() or encoded_field() wrote.
std::string text_of(const ordered_json& object, std::string_view base) {
  if (object.contains(base)) return object[std::string(base)].get<std::string>();
  const std::string hex = object[field_name(base, Encoding::hex)].get<std::string>();
  std::string problem;
  return escaped(decode(hex, Encoding::hex, problem).value_or(store::Bytes{}));
}

std::string on_off(const ordered_json& entry, const char* field, const char* on, const char* off) {
  return entry[field].get<bool>() ? on : off;
}

void print_file(const ordered_json& file) {
  std::string shape = file["type"].get<std::string>();
  if (file.contains("key_length")) {
    shape += ", key " + file["key_length"].dump() + " at " + file["key_offset"].dump();
  }
  std::printf("  %-8s  %s, records up to %s bytes, %s, %s, %s\n",
              file["name"].get<std::string>().c_str(), shape.c_str(),
              file["record_length"].dump().c_str(), on_off(file, "open", "open", "closed").c_str(),
              on_off(file, "enabled", "enabled", "disabled").c_str(),
              count_of(file["records"].get<std::int64_t>(), "record").c_str());
}

void print_td_queue(const ordered_json& queue) {
  std::string shape = queue["type"].get<std::string>();
  if (queue.contains("records")) {
    shape += ", " + count_of(queue["records"].get<std::int64_t>(), "record");
  }
  if (queue.contains("file")) {
    shape += ", " + queue["direction"].get<std::string>() + " " + queue["file"].get<std::string>();
  }
  if (!queue["defined"].get<bool>()) shape += " (not defined in region.toml)";
  std::printf("  %-4s  %s\n", text_of(queue, "name").c_str(), shape.c_str());
}

// A heading and the entries of one list of the document, one a line.
void print_section(const ordered_json& inquiry, const char* heading, const char* list,
                   const std::function<void(const ordered_json&)>& print) {
  std::printf("%s\n", heading);
  if (inquiry[list].empty()) std::printf("  (none)\n");
  for (const ordered_json& entry : inquiry[list]) print(entry);
}

void print_text(const ordered_json& inquiry) {
  const ordered_json& region = inquiry["region"];
  std::string state = region["running"].get<bool>() ? "running" : "not running";
  if (region.contains("process")) state += ", process " + region["process"].dump();
  std::printf(
      "region %s (APPLID %s, SYSID %s) in %s: %s\n", region["name"].get<std::string>().c_str(),
      region["applid"].get<std::string>().c_str(), region["sysid"].get<std::string>().c_str(),
      region["directory"].get<std::string>().c_str(), state.c_str());
  print_section(inquiry, "files", "files", print_file);
  print_section(inquiry, "TS queues", "ts_queues", [](const ordered_json& queue) {
    std::printf("  %-8s  %s\n", text_of(queue, "name").c_str(),
                count_of(queue["items"].get<std::int64_t>(), "item").c_str());
  });
  print_section(inquiry, "TD queues", "td_queues", print_td_queue);
  print_section(inquiry, "sessions", "sessions", [](const ordered_json& session) {
    std::printf("  %-4s  process %s\n", text_of(session, "terminal").c_str(),
                session["process"].dump().c_str());
  });
  print_section(inquiry, "enqueues", "enqueues", [](const ordered_json& name) {
    std::printf("  %s %s  held by task %s of process %s%s\n",
                name["kind"].get<std::string>().c_str(), text_of(name, "resource").c_str(),
                name["task"].dump().c_str(), name["process"].dump().c_str(),
                name["luw"].get<bool>() ? " until its syncpoint" : "");
  });
}

void inquire(const InquireOptions& options) {
  ordered_json document = inquiry(options);
  if (options.json) {
    std::printf("%s\n", document.dump(2).c_str());
  } else {
    print_text(document);
  }
}

}  // namespace

void add_inquire_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<InquireOptions>();
  auto* command = app.add_subcommand(
      "inquire", "the region's files, queues and enqueues, with their status and counts");
  add_region_option(command, options->region);
  command->add_flag("--json", options->json, "one JSON document");
  command->callback([&action, options] {
    action = [options] { return run_tool(kTool, [&] { inquire(*options); }); };
  });
}

}  // namespace ravnmor::cli
