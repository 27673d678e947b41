// How a region knows the interpreter: program QCMD, started by transaction
// QCMD, an interpreter (a RETURN it executes for its user ends nothing). The
// table is the region's program table (anything with add_program,
// add_transaction and add_interpreter), so the interpreter needs none of the
// monitor's code.
#pragma once

#include "shell/lifecycle.hpp"

namespace qcmd {

inline constexpr const char kProgramName[] = "QCMD";
inline constexpr const char kTransactionName[] = "QCMD";

template <typename ProgramTable>
void register_qcmd(ProgramTable& table) {
  table.add_program(kProgramName, main);
  table.add_transaction(kTransactionName, kProgramName);
  table.add_interpreter(kProgramName);
}

}  // namespace qcmd
