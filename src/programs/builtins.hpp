// The region's built-in programs, there for LINK, XCTL and LOAD to have
// targets in every region, and to show tasks that start by themselves:
//   ECHO   gives its COMMAREA back reversed, byte for byte (LINK ECHO
//          COMMAREA(&STRING) turns "ABC" into "CBA"); without one it does nothing.
//   HELLO  sends a short text screen: its name, the transaction and terminal,
//          the start of its COMMAREA and who gets control next.
//   NOTE   (transaction NOTE) for START: RETRIEVEs its data, writes a record
//          "NOTE at T002: data" ("at no terminal" for a task without one) to
//          transient data queue NOTE and, at a terminal, shows what it got.
//   TURNS  (transaction TURN) a pseudo-conversation: each turn is a task that
//          counts itself in its COMMAREA, shows the count and ends with
//          RETURN TRANSID(TURN) COMMAREA; PF3 or Clear ends it.
// Each makes its entry call, does its work and ends with RETURN and go-back.
// Like every program they reach the monitor only through host/.
#pragma once

namespace programs {

inline constexpr const char kEchoName[] = "ECHO";
inline constexpr const char kHelloName[] = "HELLO";
inline constexpr const char kNoteName[] = "NOTE";
inline constexpr const char kTurnsName[] = "TURNS";

void echo_program();
void hello_program();
void note_program();
void turns_program();

// Registers the built-in programs in the region's program table (anything
// with add_program and add_transaction), with the transactions of NOTE and
// TURNS. The one place that names them; a region runs those that its
// configuration defines.
template <typename ProgramTable>
void register_builtin_programs(ProgramTable& table) {
  table.add_program(kEchoName, echo_program);
  table.add_program(kHelloName, hello_program);
  table.add_program(kNoteName, note_program);
  table.add_transaction("NOTE", kNoteName);
  table.add_program(kTurnsName, turns_program);
  table.add_transaction("TURN", kTurnsName);
}

}  // namespace programs
