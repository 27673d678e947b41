// The program table: the programs the region can run, each a name and an
// entry function, and the transactions that start them. Programs register
// from outside the monitor (the command line registers QCMD, tests their own
// programs), so the monitor never depends on a program's code.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace ravnmor::region {

inline constexpr std::size_t kMaxProgramName = 8;
inline constexpr std::size_t kMaxTransactionName = 4;

using ProgramEntry = std::function<void()>;
// Makes a program's code ready to run (a library program loads its library);
// false when it cannot be.
using ProgramLoader = std::function<bool()>;

class ProgramTable {
 public:
  // Adds or replaces a program. Names are 1-8 characters, kept in upper case;
  // a name that does not fit throws std::invalid_argument.
  void add_program(std::string_view name, ProgramEntry entry, ProgramLoader loader = {});
  // Maps a transaction (1-4 characters) to a program name.
  void add_transaction(std::string_view transaction, std::string_view program);
  // Marks a program as an interpreter (QCMD): it executes its user's
  // commands as its own, so a RETURN it passes on ends nothing; the
  // TRANSID and COMMAREA of the last RETURN TRANSID are acted on when the
  // program ends.
  void add_interpreter(std::string_view program);

  // Lookups take names as programs pass them: blank-padded, any case.
  const ProgramEntry* find_program(std::string_view name) const;
  // The entry of a program whose code can run now (a library program's
  // library is loaded first); nullptr when the table does not have it or
  // its code cannot be loaded.
  const ProgramEntry* runnable(std::string_view name) const;
  std::optional<std::string> program_of(std::string_view transaction) const;
  bool interprets(std::string_view program) const;

 private:
  struct Program {
    ProgramEntry entry;
    ProgramLoader loader;
  };
  std::map<std::string, Program> programs_;
  std::map<std::string, std::string> transactions_;
  std::set<std::string> interpreters_;
};

// The process's table.
ProgramTable& program_table();

// A name as the table keeps it: trailing blanks and NULs dropped, upper case.
std::string table_name(std::string_view name);

}  // namespace ravnmor::region
