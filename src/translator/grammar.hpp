// The checker and translator of one EXEC CICS command: the parse entry the
// command screen calls, the parser that reads the statement token by token
// against the command rows of encoding.hpp, and the condition and key codes
// of the HANDLE lists.
#pragma once

#include <cstdint>
#include <span>

#include "translator/encoding.hpp"
#include "vars/run.hpp"

namespace qcmd {

// Translates the command of `buffer` (transaction identifier, blank,
// command). 0 when it was accepted without any diagnostic, else the highest
// severity in the diagnostic list (1 warnings only, 2 errors).
std::int32_t parse_online_command(CommandBuffer* buffer);

// Translates the NUL-terminated statement text at `text` ("EXEC CICS ...
// ;") as the parse entry does once it has built that text: the diagnostic
// list holds the findings, the result is as parse_online_command's.
std::int32_t parse_statement(char* text);

// Parses the statement text from ParseBufferPtr on: 0 when it was accepted
// (possibly after discarding a statement with a syntax error), 1 when the
// parser gave up.
int yyparse();

// The parser's stack limit: nesting deeper than this ends the parse with
// "yacc stack overflow".
extern int yy_stack_limit;
inline constexpr int kDefaultStackLimit = 10000;

// Set once the keyword hash table has been built.
extern std::int16_t hash_flg;

// Codes of the condition and key lists. kNoCode: the token is none;
// kUnsupportedCode: a condition the interpreter recognises but does not handle.
inline constexpr int kNoCode = -1;
inline constexpr int kUnsupportedCode = -2;
int condition_code(std::int32_t token);
int key_code(std::int32_t token);

// The command families, listed in families.cpp.
std::span<const std::span<const encoding::Command>> command_families();

}  // namespace qcmd
