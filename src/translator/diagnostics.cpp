#include "translator/diagnostics.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "translator/scanner.hpp"

namespace qcmd {

namespace {

constexpr const char* kProductName = "Ravnmor";

struct FixedText {
  const char* text;
  std::int16_t severity;
};

// ORDER FixedDiagnostic: one row per enumerator, same order.
constexpr FixedText kFixedTexts[] = {
    {"Duplicate or mutually exclusive options. Please check the command syntax", kSeverityWarning},
    {"Number of options for ASSIGN command exceeded 16.", kSeverityWarning},
    {"You have exceeded the maximum allowable number of arguments\n", kSeverityError},
    {"Conflicting or duplicate options.", kSeverityError},
    {"Conflicting or duplicate option", kSeverityError},
    {"Option HANDLE already specified", kSeverityError},
    {"Missing option ABEND,CONFIRMATION,ERASEAUP,ERROR,PREPARE,PRINT,or SIGNAL.", kSeverityError},
};

LexReportSink* lex_report_sink = nullptr;

void save_error(const std::string& text) {
  save_error_token(text.c_str(), kSeverityError);
}

}  // namespace

char err_token[kMaxDiagnostics][kDiagnosticLength + 1];
std::int32_t err_severity[kMaxDiagnostics];
std::int32_t err_token_no = -1;
int print_error_count = 0;
int print_warning_count = 0;

void store_message_text(char (&slot)[kDiagnosticLength + 1], const char* text) {
  const std::size_t length = std::strlen(text);
  const std::size_t kept = length <= kDiagnosticLength ? length : kCutLength;
  std::memcpy(slot, text, kept);
  slot[kept] = '\0';
}

void save_error_token(const char* text, std::int16_t severity) {
  if (err_token_no >= kMaxDiagnostics - 1) return;
  ++err_token_no;
  store_message_text(err_token[err_token_no], text);
  err_severity[err_token_no] = severity;
}

void clear_error_tokens() {
  std::fill(std::begin(err_severity), std::end(err_severity), 0);
  std::memset(err_token[0], ' ', kDiagnosticLength);
  err_token[0][kDiagnosticLength] = '\0';
  err_token_no = -1;
}

std::int32_t highest_error_severity() {
  std::int32_t highest = 0;
  for (int i = 0; i <= err_token_no; ++i) highest = std::max(highest, err_severity[i]);
  return highest;
}

void bad_option(const char* option) {
  save_error(std::string(kProductName) + " option \"" + option + "\" is not supported.");
}

void missing_option(const char* names) {
  save_error(std::string("Command requires the ") + names + " option.");
}

void incompatible_options(const char* names) {
  save_error(std::string("Incompatible options ") + names + ".");
}

void bad_command(const char* words) {
  save_error(std::string("Command '") + words +
             "' is currently not supported by Kelda PL/I preprocessor.");
}

void yyerror(const char* message) {
  if (exec_cics == 0) return;
  save_error(std::string("CICS option ") + yylval + " unsupported or " + message + "\n");
}

void save_fixed_diagnostic(FixedDiagnostic which) {
  const FixedText& fixed = kFixedTexts[static_cast<int>(which)];
  save_error_token(fixed.text, fixed.severity);
}

void print_error(const char* text) {
  ++print_error_count;
  if (lex_report_sink != nullptr) lex_report_sink->report(text, kSeverityError);
}
void print_warning(const char* text) {
  ++print_warning_count;
  if (lex_report_sink != nullptr) lex_report_sink->report(text, kSeverityWarning);
}

void set_lex_report_sink(LexReportSink* sink) {
  lex_report_sink = sink;
}

}  // namespace qcmd
