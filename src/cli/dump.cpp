// ravnmor dump list|show: the dumps that DUMP DUMPCODE wrote in a region's
// dumps/ directory, oldest first (their names begin with the date and time,
// then the code and the task), and one dump printed whole.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "cli/shell_tools.hpp"

namespace ravnmor::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLatest = "latest";

struct DumpOptions {
  std::string region;
  std::string name = kLatest;
};

std::vector<fs::path> dumps_of(const std::string& region) {
  std::vector<fs::path> dumps;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(region) / "dumps", error)) {
    if (entry.is_regular_file()) dumps.push_back(entry.path());
  }
  std::sort(dumps.begin(), dumps.end());
  return dumps;
}

int list(const DumpOptions& options) {
  for (const fs::path& dump : dumps_of(options.region)) {
    std::printf("%s  %ju bytes\n", dump.filename().c_str(),
                static_cast<std::uintmax_t>(fs::file_size(dump)));
  }
  return kSuccess;
}

int show(const DumpOptions& options) {
  std::vector<fs::path> dumps = dumps_of(options.region);
  fs::path chosen = fs::path(options.region) / "dumps" / options.name;
  if (options.name == kLatest) {
    if (dumps.empty()) {
      std::fprintf(stderr, "ravnmor dump: no dump in %s/dumps\n", options.region.c_str());
      return kFailure;
    }
    chosen = dumps.back();
  }
  std::ifstream in(chosen);
  if (!in) {
    std::fprintf(stderr, "ravnmor dump: no dump %s\n", chosen.c_str());
    return kFailure;
  }
  std::cout << in.rdbuf();
  return kSuccess;
}

}  // namespace

void add_dump_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<DumpOptions>();
  auto* dump = app.add_subcommand("dump", "list or show the dumps that DUMP DUMPCODE wrote");
  dump->require_subcommand(1);
  auto* list_command = dump->add_subcommand("list", "the region's dumps, oldest first");
  auto* show_command = dump->add_subcommand("show", "one dump, printed whole");
  for (CLI::App* command : {list_command, show_command}) {
    add_region_option(command, options->region);
  }
  show_command->add_option("NAME", options->name, "a file name from the list, or latest")
      ->capture_default_str();
  list_command->callback([&action, options] { action = [options] { return list(*options); }; });
  show_command->callback([&action, options] { action = [options] { return show(*options); }; });
}

}  // namespace ravnmor::cli
