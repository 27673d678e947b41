// The scanner of the command language: turns the statement text in
// ParseBuffer into the token numbers of tokens.hpp, one per call of yylex.
// It also knows text outside commands, where it replaces the built-in
// functions DFHVALUE(name) and DFHRESP(name) by their numbers on yyout.
//
// Driving it: the parse entry fills ParseBuffer (zeros, then "EXEC CICS ",
// the command, ";" and a blank from kParseTextOffset on), points
// ParseBufferPtr at kParseTextOffset and calls yylex until it returns
// TK_END_OF_INPUT (0). Each token's text is in yytext (exactly what was
// matched) and, for the tokens that carry one, in yylval: EXEC_CICS, names and
// keywords (as written), NUMBER, STRING (without its quotes), and COMMA,
// PERIOD, COLON, PLUS, MINUS, ARROW, INFIXOP. LPAREN, RPAREN and SEMICOLON
// leave yylval as it was.
//
// Nothing is reset between parses: the mode, is_argument and the DFHVALUE and
// DFHRESP state carry over, so an unbalanced "(" or an unclosed string in one
// command is still in force in the next. A command scanned to its final ";"
// leaves the scanner in the initial mode; the grammar's error rule consumes
// tokens up to that ";" and clears exec_cics.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "translator/diagnostics.hpp"
#include "translator/tokens.hpp"

namespace qcmd {

inline constexpr int kParseBufferSize = 352;
inline constexpr int kParseTextOffset = 4;  // the statement text starts here
inline constexpr int kMaxTokenLength = 1024;
inline constexpr int kTokenValueSize = 4096;
inline constexpr int kStringBodySize = 8192;
inline constexpr int kMaxLexMessages = 16;

enum class LexMode { kInitial, kCommand, kString, kComment, kDfhvalue, kDfhresp };

extern char ParseBuffer[kParseBufferSize];
extern char* ParseBufferPtr;  // read position; the zero byte after the text ends input

// The matched text, NUL-terminated, with room for the character looked at
// after a token of the longest length.
extern char yytext[kMaxTokenLength + 2];
extern char yylval[kTokenValueSize];   // the text handed to the grammar
extern std::int16_t is_argument;       // 1 after "(", 0 after ")": names are no keywords
extern char chr_str[kStringBodySize];  // string body; DFHVALUE/DFHRESP comment text
extern LexMode lex_mode;
extern std::int32_t exec_cics;  // an EXEC CICS prefix has been seen (cleared by the grammar)

// Lexical messages about DFHVALUE and DFHRESP, reported at the next ";" of the
// initial mode. lex_error_no is the index of the last one stored, -1 for none.
extern char lex_error[kMaxLexMessages][kDiagnosticLength + 1];
extern std::int16_t lex_severity[kMaxLexMessages];
extern std::int32_t lex_error_no;

// DFHVALUE and DFHRESP: "(" seen, and arguments counted.
extern std::int16_t open_dfhvalue;
extern std::int16_t dfhvalue_argument;
extern std::int16_t open_dfhresp;
extern std::int16_t dfhresp_argument;

// Where the scanner writes: the built-in function replacements, the text they
// pass over, and characters no rule takes. The standard output by default.
extern std::ostream* yyout;

// The byte at the read position (0 at the end), advancing past it.
int my_input();
// Moves the read position back over the character just read.
void my_unput();

// The next token's number; TK_END_OF_INPUT at the end of the text.
std::int32_t yylex();

// Stores a lexical message; beyond the sixteenth it is dropped, beyond 256
// characters it is cut to its first 31.
void save_lex_error(const char* text, std::int16_t severity);

// Back to the state of a freshly loaded program: initial mode, no argument,
// no messages, nothing pending. For a fresh interpreter state.
void reset_scanner();

}  // namespace qcmd
