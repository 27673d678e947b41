#include <cstdio>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"

namespace {

constexpr const char* kAbout =
    R"(With no subcommand, ravnmor starts a region in ./ravnmor-region on a free
loopback port and opens c3270 on it in this terminal (standard input must be
one); the region stops when c3270 exits. In c3270, F1-F12 are PF1-PF12; type
QCMD and press Enter. `ravnmor SUBCOMMAND --help` lists a subcommand's options.
Exit status: 0 success, 1 failure, 2 bad usage.)";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Ravnmor: a transaction-processing monitor with the QCMD command interpreter"};
  app.require_subcommand(0, 1);
  app.set_version_flag("-V,--version", ravnmor::cli::version_text(), "print the version and exit");
  ravnmor::cli::Action action;
  ravnmor::cli::add_demo_command(app, action);
  ravnmor::cli::add_check_command(app, action);
  ravnmor::cli::add_serve_command(app, action);
  ravnmor::cli::add_store_command(app, action);
  ravnmor::cli::add_dump_command(app, action);
  ravnmor::cli::add_journal_command(app, action);
  ravnmor::cli::add_config_command(app, action);
  ravnmor::cli::add_file_command(app, action);
  ravnmor::cli::add_queue_commands(app, action);
  ravnmor::cli::add_inquire_command(app, action);
  ravnmor::cli::add_header_command(app, action);
  ravnmor::cli::add_program_command(app, action);
  ravnmor::cli::add_translate_commands(app, action);
  app.footer(kAbout);  // after the subcommands: they would inherit it
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? ravnmor::cli::kSuccess : ravnmor::cli::kBadUsage;
  }
  return action();
}
