// The command screen: one recognised command with its verb, every option and
// the value the command gives it, the command line, a status line and the
// response of the last execution. It leads the user through three steps:
// Enter with the line unchanged checks the command, a second Enter executes
// it, and the result screen shows the response; a changed line starts again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcmd {

// The status and response texts of the next screen (NUL-terminated); both
// are cleared once a screen has been built.
inline constexpr std::size_t kStatusBufferSize = 34;
inline constexpr std::size_t kRespBufferSize = 30;
extern char statusbuffer[kStatusBufferSize];
extern char respbuffer[kRespBufferSize];

// Paging of the option lines: the index of the first option shown (options
// count from 1) and the step of PF7/PF8.
inline constexpr std::int16_t kKwdsPerScreen = 12;
extern std::int16_t firstkwd;
extern std::int16_t kwdsperscreen;

// Runs the command screen for the command in CmdIntBuffer, whose verb is in
// CmdIntSyntax, until PF3 or the end of the run. Returns 0.
int CintCmdScreen();

// Builds and sends the screen; `step` only goes into the trace line. Returns
// 0, or the failed send's status (the run then ends). Reads nothing.
int ShowCmdScreen(std::int8_t* key, int step);

// Reads one key into `*key` and acts on it. 0 moves the dialogue on to its
// next step (Enter with the line unchanged, PF8 on the last page), 1 shows
// the screen again.
int ReadCmdScreen(std::int8_t* key);

}  // namespace qcmd
