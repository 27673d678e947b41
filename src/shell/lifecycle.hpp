// The interpreter transaction from its start to its end. The monitor calls
// main once for every start of QCMD at a terminal; one call is one run of the
// interpreter, from the first screen until PF3 on the initial screen or a
// command that hands control elsewhere.
#pragma once

#include <cstdint>

namespace qcmd {

// Anchors in the monitor's blocks, taken at the start of every run.
extern std::uint8_t* xtcbp;  // the task control block
extern std::uint8_t* ldva;   // the task's local data area
extern std::uint8_t* lsm0;   // its shared anchor (+16)
extern std::uint8_t* xgva;   // the monitor's global area (anchor +248)

// The program's entry: prologue, the run, then SEND CONTROL ERASE FREEKB and
// RETURN, unless the run ended in a transfer of control or an abend.
void main();

// One run with `*count` characters of `text` as its first command text.
// Returns 1 when the run ended in a successful XCTL or ABEND (the transaction
// must issue nothing more), else 0.
std::int32_t cintmain(const std::int32_t* count, const char* text);

// Adds the five example variables every run starts with.
void seed_example_variables();

// Builds the command syntax table and holds the conversation. Returns 0.
int cintprepare();

}  // namespace qcmd
