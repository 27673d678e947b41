// The region's built-in programs, there for LINK, XCTL and LOAD to have
// targets in every region:
//   ECHO   gives its COMMAREA back reversed, byte for byte (LINK ECHO
//          COMMAREA(&STRING) turns "ABC" into "CBA"); without one it does nothing.
//   HELLO  sends a short text screen: its name, the transaction and terminal,
//          the start of its COMMAREA and who gets control next.
// Each makes its entry call, does its work and ends with RETURN and go-back.
// Like every program they reach the monitor only through host/.
#pragma once

namespace programs {

inline constexpr const char kEchoName[] = "ECHO";
inline constexpr const char kHelloName[] = "HELLO";

void echo_program();
void hello_program();

// Registers ECHO and HELLO in the region's program table (anything with
// add_program): programs only, no transaction starts them.
template <typename ProgramTable>
void register_builtin_programs(ProgramTable& table) {
  table.add_program(kEchoName, echo_program);
  table.add_program(kHelloName, hello_program);
}

}  // namespace programs
