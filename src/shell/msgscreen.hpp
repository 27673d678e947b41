// The diagnostics screen: the translator's findings for the last command it
// checked, one a line with W (warning) or E (error). The command screen
// enters it with PF9; PF3 leaves it.
#pragma once

#include <cstdint>

namespace qcmd {

// Shows the diagnostics screen until the user presses PF3.
void cintmsgscreen();

// Builds and sends the screen once, then reads the key into `*key`. When the
// screen cannot be sent, the run ends and so does the process (status 1).
void showmsgscreen(std::int8_t* key);

// Reads the key of the last input into `*key`. Returns 0.
int readmsgscreen(std::int8_t* key);

}  // namespace qcmd
