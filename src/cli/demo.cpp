// ravnmor demo: runs the DEMO program of the region at a terminal driven from
// standard input, printing each screen the program sends.
#include "programs/demo.hpp"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/terminal/scripted.hpp"

namespace ravnmor::cli {

namespace {

// The input language of the scripted terminal, one action a line.
constexpr const char* kInputLanguage = R"(Standard input drives the terminal, one action a line:
  type N TEXT     replace the N-th unprotected field (from 1) with TEXT
  input TEXT      type TEXT at the cursor
  cursor ROW COL  move the cursor (from 1)
  tab | eof       the Tab key, Erase EOF
  enter | clear | pf N | pa N
                  press that key: the program gets the screen's input
  hangup          the user goes away (so does the end of the input)
Blank lines and lines starting with '#' are skipped. Every screen the program
sends is printed as 24 framed lines with a status line below.
Example: printf 'type 1 hello\nenter\npf 3\n' | ravnmor demo)";

int run_demo(const RegionSettings& settings) {
  std::unique_ptr<StartedRegion> started;
  try {
    started = start_region(settings);
  } catch (const StartFailure& failure) {
    std::fprintf(stderr, "ravnmor demo: %s\n", failure.message.c_str());
    return failure.status;
  }
  region::set_log_console(false);  // standard output shows the screens
  started->log_start("running " + std::string(programs::kDemoName));
  terminal::ScriptedTerminal user(std::cin, std::cout);
  region::TaskStart start;
  start.transaction = programs::kDemoName;
  region::TaskOutcome outcome = region::run_transaction(user, start);
  started->stop();
  bool ended = outcome.end == region::TaskEnd::returned;
  std::printf("ravnmor: DEMO %s%s\n", ended ? "ended" : "failed (see the region's error log)",
              outcome.terminal_lost ? " (the terminal's input ran out)" : "");
  return ended ? kSuccess : kFailure;
}

}  // namespace

void add_demo_command(CLI::App& app, Action& action) {
  auto* demo =
      app.add_subcommand("demo", "run the demo program on a terminal driven from standard input");
  auto settings = std::make_shared<RegionSettings>();
  settings->directory = "./" + std::string(region::kDefaultRegionDirectory);
  demo->add_option("--region", settings->directory, "region directory (created when missing)")
      ->capture_default_str();
  demo->footer(kInputLanguage);
  demo->callback([&action, settings] { action = [settings] { return run_demo(*settings); }; });
}

}  // namespace ravnmor::cli
