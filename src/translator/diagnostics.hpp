// The translator diagnostic list: every finding made while one command is
// parsed, as a line of text with a severity. The parse entry empties it before
// the parse and takes the highest severity as its result; any entry stops the
// command. save_error_token is the one way in; the builders below format
// their texts and go through it.
#pragma once

#include <cstdint>

namespace qcmd {

inline constexpr int kMaxDiagnostics = 16;     // per command; later ones are dropped
inline constexpr int kDiagnosticLength = 256;  // longest text stored whole
inline constexpr int kCutLength = 31;          // what is kept of a longer one
inline constexpr std::int16_t kSeverityWarning = 1;
inline constexpr std::int16_t kSeverityError = 2;

// Entries 0 to err_token_no are in use (-1: the list is empty). Each slot holds
// up to 256 characters and the terminating NUL.
extern char err_token[kMaxDiagnostics][kDiagnosticLength + 1];
extern std::int32_t err_severity[kMaxDiagnostics];
extern std::int32_t err_token_no;

// Appends `text` with `severity` (1 warning, 2 error). A text longer than 256
// characters is cut to its first 31; a seventeenth entry is dropped.
void save_error_token(const char* text, std::int16_t severity);

// Stores a message text in a slot: whole up to 256 characters, else cut to
// its first 31 (also used for the scanner's own messages).
void store_message_text(char (&slot)[kDiagnosticLength + 1], const char* text);

// Empties the list before a parse: severities 0, the first text blank.
void clear_error_tokens();

// The result of a parse: 0 for an empty list, else the highest severity.
std::int32_t highest_error_severity();

// Builders; each appends one entry of severity 2.
void bad_option(const char* option);           // an option word the command cannot carry out
void missing_option(const char* names);        // e.g. "FILE or DATASET", "FLENGTH or LENGTH "
void incompatible_options(const char* names);  // "KEYLENGTH and RBA/RRN"
void bad_command(const char* words);           // e.g. "INQUIRE TASK"

// The parser's report ("syntax error", "yacc stack overflow"), naming the text
// of the token at which it stopped (the scanner's yylval). Recorded only while
// the scanner has seen an EXEC CICS prefix (exec_cics set).
void yyerror(const char* message);

// The fixed texts the translator appends as they stand.
enum class FixedDiagnostic {
  kDuplicateOption,         // a descriptor flag position written twice (warning)
  kAssignOptionsExceeded,   // ASSIGN, HANDLE AID/CONDITION over their count (warning)
  kTooManyArguments,        // a 17th argument placed by priority
  kConflictingOptions,      // SEND or WAIT: a second deciding word
  kConflictingOption,       // DELETEQ, READQ, WRITEQ, ISSUE: a second deciding word
  kHandleAlreadySpecified,  // HANDLE twice in PUSH or POP
  kMissingIssueWord,        // ISSUE without its second word
};
void save_fixed_diagnostic(FixedDiagnostic which);

// The scanner's own reports. They are not entered in the list; each is
// counted and, while a sink is set (a program's translation shows them),
// handed to it with its severity.
extern int print_error_count;
extern int print_warning_count;
void print_error(const char* text);
void print_warning(const char* text);

class LexReportSink {
 public:
  virtual ~LexReportSink() = default;
  virtual void report(const char* text, std::int16_t severity) = 0;
};
// nullptr (the start): the reports are only counted.
void set_lex_report_sink(LexReportSink* sink);

}  // namespace qcmd
