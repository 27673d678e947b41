// The message catalogue: the texts that QCMD shows on its message line as
// "OXM<number><severity> <text>", from column 2 of row 20. On the command
// screen the response field starts at column 45 of that row, so a text has
// at most 34 characters (the prefix takes nine); it then fits every screen
// with a message line. Severity: I information, W warning (the key could not
// be honoured), E error (what was typed cannot be used).
#include <cstdio>
#include <cstring>
#include <string_view>

#include "host/host.hpp"

namespace ravnmor::region {

namespace {

constexpr std::size_t kMaxText = 34;

struct Message {
  int number;
  char severity;
  std::string_view text;
};

// In ascending order of number.
constexpr Message kMessages[] = {
    {3210, 'I', "Type a command, or PF3 to end"},
    {3211, 'E', "That is not a command QCMD knows"},
    {3212, 'W', "Already at the first page"},
    {3213, 'W', "Already at the last page"},
    {3214, 'E', "Could not show your saved screen"},
    {3220, 'E', "Not executed: PF9 shows why"},
    {3230, 'E', "Missing value or unknown variable"},
    {3231, 'E', "An option needs a value in ( )"},
    {3232, 'E', "A value lacks its closing )"},
    {3233, 'E', "The command's argument is missing"},
    {3240, 'E', "A name must begin with &"},
    {3241, 'E', "A length must be below 32768"},
    {3242, 'E', "Type a length, or A, D, F, H, P"},
    {3250, 'W', "No more data after this page"},
    {3251, 'W', "This is the first page of data"},
    {3252, 'E', "Not hexadecimal: line not stored"},
};

constexpr bool all_fit() {
  for (const Message& message : kMessages) {
    if (message.text.size() > kMaxText) return false;
  }
  return true;
}
static_assert(all_fit(), "a message text must fit before the command screen's response field");

constexpr char kUnknownSeverity = 'W';

}  // namespace

}  // namespace ravnmor::region

namespace host {

void oxgetmsg(int number, char* text, char* code) {
  using ravnmor::region::kMessages;
  const ravnmor::region::Message* found = nullptr;
  char severity = ravnmor::region::kUnknownSeverity;
  for (const auto& message : kMessages) {
    if (message.number == number) {
      found = &message;
      severity = message.severity;
    }
  }
  if (text != nullptr) {
    if (found != nullptr) {
      std::snprintf(text, kMessageTextSize, "%.*s", static_cast<int>(found->text.size()),
                    found->text.data());
    } else {
      std::snprintf(text, kMessageTextSize, "Message %d is not in the message catalogue", number);
    }
  }
  if (code != nullptr) *code = severity;
}

}  // namespace host
