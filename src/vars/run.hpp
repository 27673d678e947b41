// State of one interpreter run shared by every screen: the run-end flag, the
// display mode, the trace switch and the command input buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcmd {

// 1 once anything has ended the run (a screen that could not be sent, a
// transfer of control); every screen loop stops on it.
extern std::int16_t TerminateQCMD;

// Option and variable values: 0 shown as characters/decimal, 1 as hexadecimal.
inline constexpr std::int16_t kDisplayCharacter = 0;
inline constexpr std::int16_t kDisplayHex = 1;
extern std::int16_t displaymode;

// 1 when the monitor's trace switches were on at the start of the run.
extern std::int32_t debugtrace;

// Writes one trace line through the monitor when tracing is on.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The command input buffer: the command text as typed (transaction identifier
// first, user's case kept, trailing blanks dropped) and, from byte 236, the
// descriptor text of the last translated command, which the argument list's
// first entry points at.
inline constexpr std::size_t kCommandTextSize = 230;
inline constexpr std::size_t kCommandReadMax = kCommandTextSize - 1;  // read from the screen
inline constexpr std::size_t kCommandDescriptorOffset = 236;
inline constexpr std::size_t kCommandBufferSize = 352;

struct CommandBuffer {
  std::int32_t Length;            // characters of Syntax in use, 0 to 230
  char Syntax[kCommandTextSize];  // not NUL-terminated when all 230 are used
  char unused[2];
  char Descriptor[kCommandBufferSize - kCommandDescriptorOffset];
};
static_assert(sizeof(CommandBuffer) == kCommandBufferSize);
static_assert(offsetof(CommandBuffer, Descriptor) == kCommandDescriptorOffset);

extern CommandBuffer CmdIntBuffer;

// Length of the transaction identifier and its blank that begin the text.
inline constexpr int kTransactionPrefix = 5;

}  // namespace qcmd
