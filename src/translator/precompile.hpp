// The precompiler of programs written in C or C++: copies a program's source
// through unchanged except for its EXEC CICS statements, each replaced by a
// call of the region's EXEC interface, and the built-in functions DFHRESP and
// DFHVALUE, replaced by their numbers. The statements are checked and encoded
// by the same scanner and grammar as the commands typed at QCMD, so a program
// gets the descriptors, the argument order and the diagnostics the
// interpreter gives.
//
// The code it writes calls, as the program header declares them,
//   void ravnmor_exec(const char *descriptor, void *const *arguments, int count);
//   DFHEIBLK *ravnmor_eib(void);
// arguments[i] being the address for parameter position i + 2, a null
// pointer where the command passes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qcmd {

// A finding about the source, at a line and column counted from 1 (columns in
// bytes): the EXEC of a statement, the word DFHRESP or DFHVALUE, or where a
// comment or a string began.
struct SourceDiagnostic {
  int line;
  int column;
  std::int16_t severity;  // kSeverityWarning or kSeverityError
  std::string text;
};

struct Precompiled {
  std::string output;                         // the translated source; not to be used when failed()
  std::vector<SourceDiagnostic> diagnostics;  // in the order of the source
  bool failed() const;                        // an error among the diagnostics
};

// Translates `source`; `file_name` is what the #line directives of the output
// name. Uses the translator's global state, so one translation at a time.
Precompiled precompile(std::string_view source, std::string_view file_name);

// "FILE:LINE:COLUMN: error: TEXT" (or "warning:").
std::string diagnostic_line(std::string_view file_name, const SourceDiagnostic& diagnostic);

}  // namespace qcmd
