// DEMO: a small program of the region that shows what a program does with
// the terminal: a screen with a header, texts and an input field; the key and
// the field read back; an answer on the next screen; PF3 ends it with SEND
// CONTROL ERASE FREEKB and RETURN.
#pragma once

#include "monitor/region/programs.hpp"

namespace ravnmor::exec {

inline constexpr const char* kDemoName = "DEMO";

// The program's entry function.
void demo_program();

// Registers program DEMO and transaction DEMO in `table`.
void register_demo(region::ProgramTable& table);

}  // namespace ravnmor::exec
