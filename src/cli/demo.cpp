// ravnmor demo: runs the DEMO program of the region at a terminal driven from
// standard input (one action a line: type N TEXT, input TEXT, enter, pf N,
// ...), printing each screen the program sends.
#include "monitor/exec/demo.hpp"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "cli/commands.hpp"
#include "monitor/exec/builtins.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/terminal/scripted.hpp"
#include "shell/register.hpp"

namespace ravnmor::cli {

namespace {

int run_demo(const std::string& directory) {
  try {
    region::Region region = region::Region::open(directory);
    region::set_current_region(&region);
    exec::register_demo(region::program_table());
    exec::register_builtin_programs(region::program_table());
    qcmd::register_qcmd(region::program_table());
    terminal::ScriptedTerminal user(std::cin, std::cout);
    region::TaskStart start;
    start.transaction = exec::kDemoName;
    region::TaskOutcome outcome = region::run_transaction(user, start);
    region::set_current_region(nullptr);
    bool ended = outcome.end == region::TaskEnd::returned;
    std::printf("ravnmor: DEMO %s%s\n", ended ? "ended" : "failed (see the region's error log)",
                outcome.terminal_lost ? " (the terminal's input ran out)" : "");
    return ended ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ravnmor: %s\n", error.what());
    return 1;
  }
}

}  // namespace

void add_demo_command(CLI::App& app, Action& action) {
  auto* demo =
      app.add_subcommand("demo", "run the demo program on a terminal driven from standard input");
  auto directory = std::make_shared<std::string>(region::kDefaultRegionDirectory);
  demo->add_option("--region", *directory, "region directory (created when missing)");
  demo->callback([&action, directory] { action = [directory] { return run_demo(*directory); }; });
}

}  // namespace ravnmor::cli
