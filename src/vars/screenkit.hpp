// What every screen of the interpreter is built with: the cell of a row and
// column, text placed there in a field of one of the terminal's attributes,
// and the send that ends the process when the terminal is gone.
#pragma once

#include <cstddef>

#include "host/host.hpp"

namespace qcmd {

using host::offset_of;

// Puts `length` characters of `text` at `offset` in a field whose attribute
// is the terminal constant at `attribute` (one of host::kCnv*Attr).
void place(const char* text, int length, int offset, std::size_t attribute);
// The same for a NUL-terminated text.
void place(const char* text, int offset, std::size_t attribute);

// Sends the screen being built. When the terminal is gone the run cannot go
// on: TerminateQCMD is set, error 353 logged for `function` and the process
// ends with status 1.
void send_or_exit(const char* function);

}  // namespace qcmd
