// The message catalogue: the texts that QCMD shows on its message line as
// "OXM<number><severity> <text>". The line has 79 characters, so a text has
// at most 70 (the prefix takes nine). Severity: I information, W warning (the
// key could not be honoured), E error (what was typed cannot be used).
#include <cstdio>
#include <cstring>

#include "host/host.hpp"

namespace ravnmor::region {

namespace {

struct Message {
  int number;
  char severity;
  const char* text;
};

// In ascending order of number.
constexpr Message kMessages[] = {
    {3210, 'I', "Type a command after QCMD and press Enter, or press PF3 to end"},
    {3211, 'E', "The command line does not begin with a command this interpreter knows"},
    {3212, 'W', "The first page of commands is already shown"},
    {3213, 'W', "The last page of commands is already shown"},
    {3214, 'E', "Your saved screen could not be written back to the terminal"},
    {3220, 'E', "The command was not executed: press PF9 to see the diagnostics"},
    {3230, 'E', "An option value is missing or names a variable that does not exist"},
    {3231, 'E', "An option must be followed by its value in parentheses"},
    {3232, 'E', "An option value is not closed by a right parenthesis"},
    {3233, 'E', "The command's own argument is missing or empty"},
    {3240, 'E', "A variable name must begin with an ampersand (&)"},
    {3241, 'E', "A variable cannot be longer than 32767 bytes"},
    {3242, 'E', "Type a length in digits, or a type letter: A, D, F, H or P"},
    {3250, 'W', "There is no more data after this page"},
    {3251, 'W', "This is already the first page of data"},
    {3252, 'E', "A line holds a character that is not a hexadecimal digit: not stored"},
};

constexpr char kUnknownSeverity = 'W';

}  // namespace

}  // namespace ravnmor::region

namespace host {

void oxgetmsg(int number, char* text, char* code) {
  using ravnmor::region::kMessages;
  const char* found = nullptr;
  char severity = ravnmor::region::kUnknownSeverity;
  for (const auto& message : kMessages) {
    if (message.number == number) {
      found = message.text;
      severity = message.severity;
    }
  }
  if (text != nullptr) {
    if (found != nullptr) {
      std::snprintf(text, kMessageTextSize, "%s", found);
    } else {
      std::snprintf(text, kMessageTextSize, "Message %d is not in the message catalogue", number);
    }
  }
  if (code != nullptr) *code = severity;
}

}  // namespace host
