// ravnmor ts list|show|delete and ravnmor td list|show: the region's
// temporary storage queues and its intrapartition transient data queues
// from the shell. Showing changes nothing: a TS queue's read cursor stays
// where it was and TD records stay to be read.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/shell_tools.hpp"

namespace ravnmor::cli {

namespace {

constexpr std::string_view kTsTool = "ts";
constexpr std::string_view kTdTool = "td";
constexpr std::int64_t kToolTask = 1;  // the one task of this process

struct QueueOptions {
  std::string region;
  std::string name;
};

void ts_list(const QueueOptions& options) {
  std::unique_ptr<store::Store> store = region_store(options.region);
  std::vector<store::NamedCount> queues;
  require_ok(store->ts_queues(queues), *store);
  for (const store::NamedCount& queue : queues) {
    std::printf("%-8s  %s\n", shown_name(queue.name).c_str(),
                count_of(queue.count, "item").c_str());
  }
}

void ts_show(const QueueOptions& options) {
  const std::string name = stored_name(options.name, kTsNameLength, "TS queue");
  std::unique_ptr<store::Store> store = region_store(options.region);
  int item = 0;
  store::Outcome outcome = store->ts_scan(
      name, [&](store::ByteView data) { print_entry(std::to_string(++item), data); });
  if (outcome == store::Outcome::not_found) throw ToolFailure{"no TS queue " + options.name};
  require_ok(outcome, *store);
}

// The deletion is a unit of work of this process, so that it waits for no
// task but refuses a queue that a task's unit of work has changed and not
// yet committed.
void ts_delete(const QueueOptions& options) {
  const std::string name = stored_name(options.name, kTsNameLength, "TS queue");
  std::unique_ptr<store::Store> store = region_store(options.region);
  const store::UnitOfWork tool{getpid(), kToolTask};
  store::Outcome outcome = store->ts_delete(name, &tool);
  if (outcome == store::Outcome::not_found) throw ToolFailure{"no TS queue " + options.name};
  if (outcome == store::Outcome::held) {
    throw ToolFailure{"TS queue " + options.name + " is in use by " + holder_text(*store)};
  }
  require_ok(outcome, *store);
  require_ok(store->uow_commit(tool), *store);
  std::printf("TS queue %s deleted\n", shown_name(name).c_str());
}

void td_list(const QueueOptions& options) {
  const region::RegionConfig config = region_config(options.region);
  std::unique_ptr<store::Store> store = region_store(options.region);
  for (const TdQueueRecords& queue : intrapartition_queues(config, *store)) {
    std::printf("%-4s  %s%s\n", shown_name(queue.name).c_str(),
                count_of(queue.records, "record").c_str(),
                queue.definition ? "" : "  (not defined in region.toml)");
  }
}

// The stored name of the intrapartition queue `typed`; an extrapartition
// queue has its records in its file, not in the store.
std::string intrapartition_name(const region::RegionConfig& config, const std::string& typed) {
  const region::TdQueueDefinition* queue = config.td_queue(typed);
  if (queue == nullptr) return stored_name(typed, kTdNameLength, "TD queue");
  if (queue->kind == region::TdKind::extrapartition) {
    throw ToolFailure{"TD queue " + queue->name + " is extrapartition: its records are in " +
                      queue->path};
  }
  return stored_name(queue->name, kTdNameLength, "TD queue");
}

void td_show(const QueueOptions& options) {
  const region::RegionConfig config = region_config(options.region);
  const std::string name = intrapartition_name(config, options.name);
  std::unique_ptr<store::Store> store = region_store(options.region);
  int record = 0;
  require_ok(store->td_scan(
                 name, [&](store::ByteView data) { print_entry(std::to_string(++record), data); }),
             *store);
  if (record == 0 && config.td_queue(options.name) == nullptr) {
    throw ToolFailure{"no TD queue " + options.name};
  }
}

// A subcommand of ts or td: its name, what it does, the function that does
// it and the help of its NAME argument (nullptr when it takes none).
struct QueueTool {
  const char* name;
  const char* description;
  void (*body)(const QueueOptions&);
  const char* queue;
};

void add_group(CLI::App& app, Action& action, std::string_view group, const char* description,
               std::initializer_list<QueueTool> tools) {
  auto options = std::make_shared<QueueOptions>();
  auto* parent = app.add_subcommand(std::string(group), description);
  parent->require_subcommand(1);
  for (const QueueTool& tool : tools) {
    auto* command = parent->add_subcommand(tool.name, tool.description);
    add_region_option(command, options->region);
    if (tool.queue != nullptr) command->add_option("NAME", options->name, tool.queue)->required();
    command->callback([&action, options, group, body = tool.body] {
      action = [options, group, body] { return run_tool(group, [&] { body(*options); }); };
    });
  }
}

}  // namespace

void add_queue_commands(CLI::App& app, Action& action) {
  constexpr const char* kTsName = "the queue's name (\\xHH for a byte that is no character)";
  add_group(app, action, kTsTool, "list, show or delete temporary storage queues",
            {{"list", "every queue with its item count", ts_list, nullptr},
             {"show", "the items of a queue, leaving it as it is", ts_show, kTsName},
             {"delete", "delete a queue", ts_delete, kTsName}});
  add_group(
      app, action, kTdTool, "list or show intrapartition transient data queues",
      {{"list", "every queue with its record count", td_list, nullptr},
       {"show", "the records of a queue, without reading them", td_show, "the queue's name"}});
}

}  // namespace ravnmor::cli
