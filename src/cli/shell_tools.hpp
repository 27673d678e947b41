// What the region's shell tools (ravnmor file, ts, td, inquire) share: the
// region's configuration and store opened beside a running region or
// without one, names as the store keeps them, and one line for standard
// error when a tool fails.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/region_start.hpp"
#include "monitor/region/config.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::cli {

// Why a tool stopped: one line, printed after "ravnmor TOOL: ", and the
// exit status.
struct ToolFailure {
  std::string message;
  int status = kFailure;  // kBadUsage for what the command line left unclear
};

// Runs a tool; prints its failure and gives the exit status.
int run_tool(std::string_view tool, const std::function<void()>& body);

// The whole of the file at `path`. Throws ToolFailure.
std::string read_file(const std::string& path);

// Adds the --region option (default ./ravnmor-region) to `command`.
void add_region_option(CLI::App* command, std::string& region);

// The region's configuration, DIR/region.toml. Throws ToolFailure.
region::RegionConfig region_config(const std::string& region);

// The region's store, DIR/store.db, which must exist: a tool never makes a
// region. It waits for a running region's writes as its sessions do (the
// store's busy timeout). Throws ToolFailure.
std::unique_ptr<store::Store> region_store(const std::string& region);

// The task that holds what the store last answered `held` for, and what to
// do: "task 7 of process 4242; try again when its unit of work ends".
std::string holder_text(const store::Store& store);

// Throws ToolFailure, saying what the store reported, unless `outcome` is ok.
void require_ok(store::Outcome outcome, const store::Store& store);

// The length of a queue name as the commands pass it: QUEUE(...) of the TS
// commands is 8 bytes, of the TD commands 4; FILE(...) is 8.
inline constexpr std::size_t kTsNameLength = 8;
inline constexpr std::size_t kTdNameLength = region::kMaxTdQueueName;
inline constexpr std::size_t kFileNameLength = region::kMaxFileName;

// A name typed on the command line (with escapes, see escaped()) as the store
// keeps it: blank-padded to `length`. Throws ToolFailure when it is longer.
std::string stored_name(std::string_view typed, std::size_t length, std::string_view what);

// A stored name without its blank padding.
std::string_view unpadded(std::string_view stored);

// A stored name for a person: escaped, without its blank padding.
std::string shown_name(std::string_view stored);

// An intrapartition TD queue by its stored name, with its record count and
// its definition (nullptr for records of a queue region.toml does not define).
struct TdQueueRecords {
  std::string name;
  std::int64_t records = 0;
  const region::TdQueueDefinition* definition = nullptr;
};

// The intrapartition queues the configuration defines and those the store
// holds records of, in name order. Throws ToolFailure.
std::vector<TdQueueRecords> intrapartition_queues(const region::RegionConfig& config,
                                                  store::Store& store);

// One item or record for a person: its label (a key, an item number), its
// length and its bytes escaped.
void print_entry(std::string_view label, store::ByteView data);

// A file type as region.toml writes it: keyed, entry, relative.
const char* file_type_name(region::FileType type);

// "1 record", "2 records".
std::string count_of(std::int64_t count, std::string_view noun);

}  // namespace ravnmor::cli
