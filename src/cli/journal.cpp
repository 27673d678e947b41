// ravnmor journal show: the records that JOURNAL appended to one journal of
// a region (journals/NAME in its directory, region/journal.hpp), numbered as
// JOURNAL's REQID counts them, each with its time, task, terminal,
// transaction and JTYPEID, then its prefix and data.
#include "monitor/region/journal.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "cli/shell_tools.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"

namespace ravnmor::cli {

namespace {

struct JournalOptions {
  std::string region;
  std::string name;
};

void print_record(std::size_t number, const region::JournalRecord& record) {
  std::printf("%zu  %s  task %u  terminal %s  transaction %s  JTYPEID %s\n", number,
              record.time.c_str(), record.task, region::journal_text(record.terminal).c_str(),
              region::journal_text(record.transaction).c_str(),
              region::journal_text(record.type).c_str());
  if (!record.prefix.empty()) {
    std::printf("  prefix (%zu bytes) %s\n", record.prefix.size(),
                region::journal_text(record.prefix).c_str());
  }
  std::printf("  data (%zu bytes) %s\n", record.data.size(),
              region::journal_text(record.data).c_str());
}

int show(const JournalOptions& options) {
  const std::filesystem::path directory(options.region);
  const std::string name = region::table_name(options.name);
  try {
    if (region::read_config(directory / "region.toml").journal(name) == nullptr) {
      std::fprintf(stderr, "ravnmor journal: %s/region.toml defines no journal %s\n",
                   options.region.c_str(), name.c_str());
      return kFailure;
    }
  } catch (const std::runtime_error& problem) {
    std::fprintf(stderr, "ravnmor journal: %s\n", problem.what());
    return kFailure;
  }
  std::ifstream in(region::journal_path(directory, name), std::ios::binary);
  std::size_t number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (std::optional<region::JournalRecord> record = region::parse_journal_line(line)) {
      print_record(number, *record);
    } else {
      std::printf("%zu  (not a journal record) %s\n", number, region::journal_text(line).c_str());
    }
  }
  return kSuccess;
}

}  // namespace

void add_journal_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<JournalOptions>();
  auto* journal = app.add_subcommand("journal", "the records that JOURNAL wrote");
  journal->require_subcommand(1);
  auto* show_command = journal->add_subcommand("show", "one journal's records, oldest first");
  add_region_option(show_command, options->region);
  show_command->add_option("NAME", options->name, "the journal's name in region.toml")->required();
  show_command->callback([&action, options] { action = [options] { return show(*options); }; });
}

}  // namespace ravnmor::cli
