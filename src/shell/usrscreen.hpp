// The user's own screen and the execution of a prepared command. The
// interpreter's screens and the user's application screen share the one
// terminal, so the program keeps a copy of the user's screen: written back to
// the terminal before every command it executes and on PF6, and read back
// after a command that changes the terminal's screen.
#pragma once

#include <cstdint>

#include "host/layout.hpp"

namespace qcmd {

// The saved user screen, in the monitor's terminal I/O area layout: size at
// host::kTioaSizeField, stream length at host::kTioaDataLength (counting from
// host::kTioaData), write command, WCC, then the orders and data.
inline constexpr std::size_t kSavedScreenSize = host::kTioaSize;
extern std::uint8_t cint_tioa[kSavedScreenSize];

// Makes cint_tioa an erase/write of an empty screen (the start of a run).
void cintemptyscr();

// Reads the terminal's screen back into cint_tioa as a stream that recreates
// it, the cursor included. Returns 0.
int cintsavescr();

// Shows the saved user screen until the user presses a key (PF6).
void cintusrscreen();

// Executes the command that the translator prepared in ArgList: the saved
// user screen is written first; a successful XCTL or ABEND CANCEL ends the
// run; after a screen-changing verb the terminal's screen is read back and a
// key awaited. Returns 0.
int cintroute();

// FREEMAIN is given the data area that holds the address to free: entry 1 of
// `arglist` is replaced by the address stored there. Returns 0.
int enablefreemain(void** arglist);

// 1 when the recognised verb writes to the terminal or passes control (its
// output is then read back into the saved screen), else 0.
int usrscreenchange();

}  // namespace qcmd
