#include <cstdio>

#include "cli/commands.hpp"

namespace ravnmor::cli {

void add_demo_command(CLI::App& app, Action& action) {
  auto* demo = app.add_subcommand("demo", "run the demo program on a terminal driven from standard input");
  demo->callback([&action] {
    action = [] {
      std::puts("the demo program is not built yet");
      return 1;
    };
  });
}

}  // namespace ravnmor::cli
