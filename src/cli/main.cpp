#include <cstdio>

#include "cli/commands.hpp"

int main(int argc, char** argv) {
  CLI::App app{"Ravnmor: a transaction-processing monitor with the QCMD command interpreter"};
  app.require_subcommand(0, 1);
  ravnmor::cli::Action action;
  ravnmor::cli::add_demo_command(app, action);
  ravnmor::cli::add_check_command(app, action);
  ravnmor::cli::add_serve_command(app, action);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? 0 : 2;
  }
  if (!action) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  }
  return action();
}
