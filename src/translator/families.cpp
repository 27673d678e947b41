// Every family of command rows the translator knows. A family's file
// defines its function; adding a family is one declaration and one entry.
#include <span>

#include "translator/encoding.hpp"
#include "translator/grammar.hpp"

namespace qcmd {

using encoding::Command;

std::span<const Command> handle_commands();
std::span<const Command> program_commands();
std::span<const Command> task_commands();
std::span<const Command> system_commands();
std::span<const Command> terminal_commands();
std::span<const Command> file_commands();
std::span<const Command> queue_commands();

namespace {

const std::span<const Command> kFamilies[] = {
    handle_commands(),   program_commands(), task_commands(),  system_commands(),
    terminal_commands(), file_commands(),    queue_commands(),
};

}  // namespace

std::span<const std::span<const Command>> command_families() {
  return kFamilies;
}

}  // namespace qcmd
