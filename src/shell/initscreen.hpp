// Verb recognition and the initial screen: the first screen of every run,
// listing the verbs the interpreter knows in two pages, with the command line
// and the keys. Enter with a recognised verb leads to the command screen;
// PF3 ends the run.
#pragma once

#include <cstdint>

namespace qcmd {

// The first verb row shown: 0 for the first page, kSecondPageRow for the
// second. Kept from one run to the next.
inline constexpr std::int16_t kSecondPageRow = 13;
extern std::int16_t firstrow;

// Looks for the verb of CmdIntBuffer after its first word (the transaction
// identifier): the longest verb phrase of SyntaxTable that the text there
// begins with, copied into CmdIntSyntax. 0 when found, else 1 and
// CmdIntSyntax all zero.
int checkverb();

// The initial screen's loop, until PF3 or the end of the run. Returns 0.
int cintscreen();

// Builds and sends the initial screen, then reads the key into `*key`.
// Returns 0, or the failed send's status (the run then ends).
int showinitscreen(std::int8_t* key);

// Reads the key of the last input into `*key` and acts on it. Returns 0.
int readinitscreen(std::int8_t* key);

}  // namespace qcmd
