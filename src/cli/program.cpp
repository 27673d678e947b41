// ravnmor program refresh NAME: asks every session of the region to load the
// program's library again before its next run, after `ravnmor build` has
// replaced it. The request is the program's copy number in the store, which
// each session compares with the copy it has loaded.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.hpp"
#include "cli/shell_tools.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/program_library.hpp"

namespace ravnmor::cli {

namespace {

constexpr std::string_view kProgramTool = "program";

struct ProgramOptions {
  std::string region;
  std::string name;
};

void refresh(const ProgramOptions& options) {
  const region::RegionConfig config = region_config(options.region);
  const std::string name = region::table_name(options.name);
  const region::ProgramDefinition* program = config.program(name);
  if (program == nullptr) throw ToolFailure{"no program " + name + " in region.toml"};
  if (program->library.empty()) {
    throw ToolFailure{"program " + name + " is built into ravnmor: it has no library to load"};
  }
  std::unique_ptr<store::Store> store = region_store(options.region);
  const store::StatusKey key{services::kProgramKind, name, services::kCopyStatus};
  std::int64_t copy = 0;  // none yet: the copy every session loaded
  const store::Outcome read = store->status_read(key, copy);
  if (read != store::Outcome::not_found) require_ok(read, *store);
  require_ok(store->status_write(key, copy + 1), *store);
  std::printf("program %s: every session loads %s again before its next run\n", name.c_str(),
              program->library.c_str());
}

}  // namespace

void add_program_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<ProgramOptions>();
  auto* group = app.add_subcommand(std::string(kProgramTool), "the region's programs");
  group->require_subcommand(1);
  auto* command = group->add_subcommand(
      "refresh", "load a program's library again in every session, before its next run");
  add_region_option(command, options->region);
  command->add_option("NAME", options->name, "the program's name in region.toml")->required();
  command->callback([&action, options] {
    action = [options] { return run_tool(kProgramTool, [&] { refresh(*options); }); };
  });
}

}  // namespace ravnmor::cli
