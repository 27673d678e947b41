// The region's built-in programs, there for LINK, XCTL and LOAD to have
// targets in every region:
//   ECHO   gives its COMMAREA back reversed, byte for byte (LINK ECHO
//          COMMAREA(&STRING) turns "ABC" into "CBA"); without one it does nothing.
//   HELLO  sends a short text screen: its name, the transaction and terminal,
//          the start of its COMMAREA and who gets control next.
// Each makes its entry call, does its work and ends with RETURN and go-back.
// A region program finds its COMMAREA in the running task.
#pragma once

#include "monitor/region/programs.hpp"

namespace ravnmor::exec {

inline constexpr const char* kEchoName = "ECHO";
inline constexpr const char* kHelloName = "HELLO";

void echo_program();
void hello_program();

// Registers ECHO and HELLO in `table` (programs only: no transaction starts them).
void register_builtin_programs(region::ProgramTable& table);

}  // namespace ravnmor::exec
