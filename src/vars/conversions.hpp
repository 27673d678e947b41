// Conversions between what a user types or sees and a variable's bytes:
// hexadecimal text, and packed decimal (4 bytes: seven digits, one a
// half-byte, then the sign half, C positive or D negative) in its 8-character
// text form such as "0123456C".
#pragma once

#include <cstdint>

namespace qcmd {

inline constexpr int kPackedTextLength = 8;

// Compare values of the screens: 8 blanks and 8 zero bytes.
extern char blnkss[kPackedTextLength];
extern char zeroes[kPackedTextLength];

// 0 when the first `count` characters are all hexadecimal digits (or count
// <= 0), 1 otherwise.
int checkhex(const char* text, int count);

// The first `count` hexadecimal characters as count/2 bytes at `out`, then a
// zero byte at out[count]; `out` holds at least count + 1 bytes. Characters
// that are not digits count as 0.
int hex2charstr(int count, const char* text, std::uint8_t* out);

// The text form of a 4-byte packed value and a NUL (9 bytes) at `out`.
int pckd2strng(char* out, const std::uint8_t* packed);

// 0 when `text` (one to six digits, or the full form 0dddddd[CD]) was stored
// at `out` as packed decimal; 1, leaving `out` alone, when it is not one.
int strng2pckd(std::uint8_t* out, const char* text);

}  // namespace qcmd
