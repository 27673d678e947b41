#include "cli/shell_tools.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/byte_text.hpp"
#include "cli/region_start.hpp"
#include "monitor/region/region.hpp"

namespace ravnmor::cli {

namespace {

std::string outcome_text(store::Outcome outcome, const store::Store& store) {
  switch (outcome) {
    case store::Outcome::busy:
      return "the region store stayed locked past the busy timeout: " + store.last_error();
    case store::Outcome::no_space:
      return "the region store is full: " + store.last_error();
    case store::Outcome::failed:
      return "the region store failed: " + store.last_error();
    default:
      return "unexpected answer from the region store";
  }
}

}  // namespace

int run_tool(std::string_view tool, const std::function<void()>& body) {
  try {
    body();
    return kSuccess;
  } catch (const ToolFailure& failure) {
    std::fprintf(stderr, "ravnmor %.*s: %s\n", static_cast<int>(tool.size()), tool.data(),
                 failure.message.c_str());
    return failure.status;
  }
}

std::string read_file(const std::string& path) {
  if (std::filesystem::is_directory(path)) throw ToolFailure{path + " is a directory"};
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) throw ToolFailure{"cannot read " + path + ": " + std::strerror(errno)};
  return text.str();
}

void add_region_option(CLI::App* command, std::string& region) {
  region = "./" + std::string(region::kDefaultRegionDirectory);
  command->add_option("--region", region, "region directory")->capture_default_str();
}

region::RegionConfig region_config(const std::string& region) {
  const std::filesystem::path path = std::filesystem::path(region) / "region.toml";
  try {
    return region::read_config(path);
  } catch (const std::runtime_error& problem) {
    throw ToolFailure{problem.what()};
  }
}

std::unique_ptr<store::Store> region_store(const std::string& region) {
  const std::filesystem::path path = std::filesystem::path(region) / store::kStoreFileName;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) throw ToolFailure{path.string() + ": no such file"};
  store::OpenedStore opened = store::open_sqlite_store(region);
  if (!opened.store) throw ToolFailure{opened.error};
  return std::move(opened.store);
}

std::string holder_text(const store::Store& store) {
  return "task " + std::to_string(store.last_holder().task) + " of process " +
         std::to_string(store.last_holder().process) + "; try again when its unit of work ends";
}

void require_ok(store::Outcome outcome, const store::Store& store) {
  if (outcome != store::Outcome::ok) throw ToolFailure{outcome_text(outcome, store)};
}

std::string stored_name(std::string_view typed, std::size_t length, std::string_view what) {
  std::string problem;
  std::optional<std::string> name = unescaped(typed, problem);
  if (!name) throw ToolFailure{std::string(what) + " name " + std::string(typed) + ": " + problem};
  if (name->empty() || name->size() > length) {
    throw ToolFailure{std::string(what) + " name " + std::string(typed) + ": 1 to " +
                      std::to_string(length) + " characters"};
  }
  name->resize(length, ' ');
  return *name;
}

std::string_view unpadded(std::string_view stored) {
  const std::size_t end = stored.find_last_not_of(' ');
  return stored.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

std::string shown_name(std::string_view stored) {
  return escaped(unpadded(stored));
}

std::vector<TdQueueRecords> intrapartition_queues(const region::RegionConfig& config,
                                                  store::Store& store) {
  std::map<std::string, TdQueueRecords> queues;
  for (const region::TdQueueDefinition& queue : config.td_queues) {
    if (queue.kind != region::TdKind::intrapartition) continue;
    std::string name = stored_name(queue.name, kTdNameLength, "TD queue");
    queues[name] = {name, 0, &queue};
  }
  std::vector<store::NamedCount> held;
  require_ok(store.td_queues(held), store);
  for (const store::NamedCount& queue : held) {
    TdQueueRecords& entry = queues[queue.name];
    entry.name = queue.name;
    entry.records = queue.count;
  }
  std::vector<TdQueueRecords> list;
  for (auto& [name, queue] : queues) list.push_back(queue);
  return list;
}

void print_entry(std::string_view label, store::ByteView data) {
  std::printf("%.*s  %5zu  %s\n", static_cast<int>(label.size()), label.data(), data.size(),
              escaped(data).c_str());
}

const char* file_type_name(region::FileType type) {
  switch (type) {
    case region::FileType::entry_sequenced:
      return "entry";
    case region::FileType::relative:
      return "relative";
    case region::FileType::keyed:
      break;
  }
  return "keyed";
}

std::string count_of(std::int64_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

}  // namespace ravnmor::cli
