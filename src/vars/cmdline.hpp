// The command line that the initial, command and variables screens share:
// "====> " on row 3 and one input field of 230 characters after it that runs
// on across the row ends, shown from and read back into a command input
// buffer. Also the keys those screens act on.
#pragma once

#include <cstdint>

#include "vars/run.hpp"

namespace qcmd {

// Where the command line stands (cell of the attribute byte; text follows).
inline constexpr int kCmdPromptOffset = 160;
inline constexpr int kCmdFieldOffset = 166;
inline constexpr int kCmdPromptLength = 6;  // "====> "
// The cursor on a screen with a command line: just after the text typed.
inline constexpr int kCmdCursorBase = kCmdPromptOffset + 1;

// 3270 attention identifiers of the keys the screens act on.
inline constexpr std::uint8_t kAidEnter = 0x7D;
inline constexpr std::uint8_t kAidPf1 = 0xF1;  // PF1 to PF9 are 0xF1 to 0xF9
inline constexpr std::uint8_t kAidPf10 = 0x7A;
constexpr std::uint8_t aid_pf(int n) {
  return n == 10 ? kAidPf10 : static_cast<std::uint8_t>(kAidPf1 + (n - 1));
}

// A screen loop's key variable holds the raw key byte of the last input.
// The attention identifier of a raw key byte, through the monitor's table.
std::uint8_t key_aid(std::int8_t key);
// The monitor's start value for a screen loop's key (never PF3).
std::int8_t key_start();
bool key_is_pf3(std::int8_t key);
bool key_is_enter(std::int8_t key);

// Puts the command line of `buffer` on the screen being built; returns
// 6 + its length (the cursor goes kCmdCursorBase past that).
int dspcmdbuff(const CommandBuffer* buffer);

// Reads input field `field` (from 1) of the last input into `buffer`: at most
// 229 characters, leading blanks kept, trailing blanks and NULs dropped.
// Returns 1 when the text changed, else 0.
int readcmdbuff(CommandBuffer* buffer, int field);

// Copies the data of input field `field` (from 1) of the terminal's last
// input into `dest`, at most `maxlen` (and 230) bytes, and blank-fills the
// rest of `maxlen`; a field that is not in the input reads as blanks.
void cintrdlc(char* dest, int field, int maxlen);

}  // namespace qcmd
