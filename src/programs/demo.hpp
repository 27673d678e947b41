// DEMO: a small program of the region that shows what a program does with
// the terminal: a screen with a header, texts and an input field; the key and
// the field read back; an answer on the next screen; PF3 ends it with SEND
// CONTROL ERASE FREEKB and RETURN.
#pragma once

namespace programs {

inline constexpr const char kDemoName[] = "DEMO";

// The program's entry function.
void demo_program();

// Registers program DEMO and transaction DEMO in the region's program table
// (anything with add_program and add_transaction).
template <typename ProgramTable>
void register_demo(ProgramTable& table) {
  table.add_program(kDemoName, demo_program);
  table.add_transaction(kDemoName, kDemoName);
}

}  // namespace programs
