// The command syntax table: the 84 commands the interpreter can show on its
// command screen, each with its verb phrase and, in screen order, its options
// (name, whether required, argument type, initial value length). Verb
// recognition copies the row of the typed verb into CmdIntSyntax, the entry of
// the current command; only that copy is annotated afterwards (which options
// were given, where their values live). SyntaxTable is only read once built.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcmd {

inline constexpr std::size_t kVerbSize = 20;        // longest phrase 19 characters and a NUL
inline constexpr std::size_t kOptionNameSize = 20;  // NUL-terminated
inline constexpr std::size_t kOptionVarNameSize = 12;
inline constexpr std::size_t kKeywordEntries = 74;  // entry 0 and up to 73 options
inline constexpr std::size_t kMaxOptions = kKeywordEntries - 1;
inline constexpr std::size_t kVerbCount = 84;

// One option of a command; entry 0 of a row is the slot of the verb's own
// argument (as in INQUIRE FILE(name)), present when its type is non-zero.
struct KeywordEntry {
  char name[kOptionNameSize];        // upper case; " " for entry 0
  std::int16_t required;             // 1 shown without brackets, 0 shown in "[ " and " ]"
  std::int32_t type;                 // type code, as for variables (0 a bare word)
  std::int16_t length;               // initial length; once a value is attached, its length
  std::int16_t present;              // 1 when given in the typed command, well formed
  std::int16_t dynvarno;             // number of the dynamic variable made for the value
  char varname[kOptionVarNameSize];  // the user variable given as argument; " " if none
  std::uint8_t* value;               // the value's storage (user or dynamic variable)
};

struct SyntaxEntry {
  char verb[kVerbSize];               // upper case, words separated by one blank
  std::uint32_t verblen;              // characters of verb; 0 in CmdIntSyntax: no verb recognised
  std::int32_t numkwds;               // options after entry 0
  KeywordEntry kwd[kKeywordEntries];  // beyond numkwds all zero
};

// In ascending character order of the verb phrase (blank before letters), so
// that verb recognition, keeping the last match, finds the longest phrase.
extern SyntaxEntry SyntaxTable[kVerbCount];

// The entry of the current command: all zero when no verb is recognised.
extern SyntaxEntry CmdIntSyntax;

// Build cursors: the rows built so far, and the entry of the current row
// written last (after a build, 84 and the last row's option count).
extern int verbcount;
extern int kwdcount;

// Builds SyntaxTable (again: the same bytes each time). Called at the start of
// every interpreter run, before verb recognition.
void initialize();

}  // namespace qcmd
