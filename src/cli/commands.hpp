// The subcommands of the ravnmor command. Each adds itself to the app and
// sets the action that runs when it is chosen; the action's result is the
// process exit status (0 success, 1 failure, 2 bad usage).
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace ravnmor::cli {

using Action = std::function<int()>;

// Registered in main.cpp, one per subcommand file.
void add_demo_command(CLI::App& app, Action& action);
void add_check_command(CLI::App& app, Action& action);
void add_store_command(CLI::App& app, Action& action);
void add_dump_command(CLI::App& app, Action& action);
void add_journal_command(CLI::App& app, Action& action);
void add_config_command(CLI::App& app, Action& action);
void add_file_command(CLI::App& app, Action& action);
void add_queue_commands(CLI::App& app, Action& action);  // ts and td
void add_inquire_command(CLI::App& app, Action& action);
void add_header_command(CLI::App& app, Action& action);
void add_program_command(CLI::App& app, Action& action);
void add_translate_commands(CLI::App& app, Action& action);  // translate and build
// Also sets the action of ravnmor without a subcommand: a region and c3270 on it.
void add_serve_command(CLI::App& app, Action& action);

}  // namespace ravnmor::cli
