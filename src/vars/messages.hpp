// The message line: any screen schedules a message number for the user, and
// the next screen with a message line (row 20) shows the catalogue's text for
// it once. Only one number is pending; the first scheduled wins.
#pragma once

#include <cstdint>

#include "host/host.hpp"

namespace qcmd {

// The interpreter's message numbers (texts in the monitor's catalogue).
inline constexpr std::uint32_t kMsgInitial = 3210;  // initial screen entered / verb found
inline constexpr std::uint32_t kMsgNoVerb = 3211;
inline constexpr std::uint32_t kMsgFirstPage = 3212;  // PF7 on the first page of verbs
inline constexpr std::uint32_t kMsgLastPage = 3213;   // PF8 on the last page of verbs
inline constexpr std::uint32_t kMsgUserScreenFailed = 3214;
inline constexpr std::uint32_t kMsgDiagnostics = 3220;  // the translator found something
inline constexpr std::uint32_t kMsgNoVariable = 3230;
inline constexpr std::uint32_t kMsgNoParenthesis = 3231;
inline constexpr std::uint32_t kMsgNoCloseParenthesis = 3232;
inline constexpr std::uint32_t kMsgNoVerbArgument = 3233;
inline constexpr std::uint32_t kMsgNameWithoutAmpersand = 3240;
inline constexpr std::uint32_t kMsgLengthTooLarge = 3241;
inline constexpr std::uint32_t kMsgBadLength = 3242;
inline constexpr std::uint32_t kMsgNoMoreData = 3250;
inline constexpr std::uint32_t kMsgAtFirstPage = 3251;
inline constexpr std::uint32_t kMsgBadHexLine = 3252;

inline constexpr std::uint32_t kMessageRow = 20;

// The pending message number; 0 when none.
extern std::uint32_t GlobalErrorNum;

// Schedules `number` unless one is already pending.
void cintschedmsg(std::uint32_t number);

// The message line of `number` in `line` (kMessageLineSize bytes): "OXM",
// the number, the severity letter, a blank and the catalogue's text, at
// most kMessageLineSize - 1 characters, the last position the terminator.
// Its length.
inline constexpr int kMessageLineSize = host::kScreenColumns;
int compose_message_line(std::uint32_t number, char* line);

// Puts the pending message on `row` of the screen being built and clears it.
void cintdspmsg(std::uint32_t row);

}  // namespace qcmd
