// The EXEC interface block as the user sees it: the name of a response code
// (shown after a command has run) and a screen with every field of the EIB of
// the interpreter's own task, that is what the last executed command left.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcmd {

// A response name padded with blanks (14 characters for the codes 0 to 25,
// 13 for the others) and a NUL: callers pass an area of this size.
inline constexpr std::size_t kRespNameSize = 15;

// 0 when `resp` names a condition: its padded name is copied into `name`.
// 1 otherwise: `name` receives 13 blanks and the caller shows the number.
int cnveibresp(std::int32_t resp, char* name);

// Shows the EIB screen until the user presses PF3.
void cinteibscreen();

// Builds and sends the screen once, then reads the key into `key`. A screen
// that cannot be sent ends the run and the process.
void showeibscreen(std::int8_t* key);

// Reads the key of the last input into `key`; returns 0.
int readeibscreen(std::int8_t* key);

}  // namespace qcmd
