#include "monitor/region/programs.hpp"

#include <stdexcept>

namespace ravnmor::region {

namespace {

std::string checked_name(std::string_view name, std::size_t longest, const char* what) {
  std::string key = table_name(name);
  if (key.empty() || key.size() > longest) {
    throw std::invalid_argument(std::string(what) + " name '" + std::string(name) + "' must be 1-" +
                                std::to_string(longest) + " characters");
  }
  return key;
}

}  // namespace

std::string table_name(std::string_view name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
  std::string key(name);
  // Names are in the region's character image; only a-z have an upper case
  // here (and std::toupper would consult the locale on every lookup).
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

void ProgramTable::add_program(std::string_view name, ProgramEntry entry, ProgramLoader loader) {
  programs_[checked_name(name, kMaxProgramName, "program")] = {std::move(entry), std::move(loader)};
}

void ProgramTable::add_transaction(std::string_view transaction, std::string_view program) {
  transactions_[checked_name(transaction, kMaxTransactionName, "transaction")] =
      checked_name(program, kMaxProgramName, "program");
}

void ProgramTable::add_interpreter(std::string_view program) {
  interpreters_.insert(checked_name(program, kMaxProgramName, "program"));
}

bool ProgramTable::interprets(std::string_view program) const {
  return interpreters_.contains(table_name(program));
}

const ProgramEntry* ProgramTable::find_program(std::string_view name) const {
  auto found = programs_.find(table_name(name));
  return found == programs_.end() ? nullptr : &found->second.entry;
}

const ProgramEntry* ProgramTable::runnable(std::string_view name) const {
  auto found = programs_.find(table_name(name));
  if (found == programs_.end()) return nullptr;
  const Program& program = found->second;
  return !program.loader || program.loader() ? &program.entry : nullptr;
}

std::optional<std::string> ProgramTable::program_of(std::string_view transaction) const {
  auto found = transactions_.find(table_name(transaction));
  if (found == transactions_.end()) return std::nullopt;
  return found->second;
}

ProgramTable& program_table() {
  static ProgramTable table;
  return table;
}

}  // namespace ravnmor::region
