// Argument evaluation: before the command screen is drawn, the command text is
// read option by option and every option of CmdIntSyntax that the text gives
// is marked present and pointed at its value. A literal (or an empty pair of
// parentheses) is held in a dynamic variable made for it; &NAME points the
// option at the user variable's own storage. Faults are scheduled as messages
// (the first one reaches the user) and leave the option not present.
//
// Dynamic variable numbers. The translator finds the dynamic variable of an
// operand by its number, counting operands as it parses; evaluation and
// translator agree because both count by one rule:
//
//   Every parenthesised operand in the command text, from left to right,
//   whose text is empty or does not begin with "&" takes the next dynamic
//   number (1, 2, ...). That is the verb's own argument (INQUIRE FILE(F1),
//   SEND MAP(M1)), every option written with parentheses, whether the
//   command's syntax entry lists it or not (RESP(R), a condition's label, an
//   option the screen does not show), each occurrence of an option given
//   twice, and a literal "0". Only an operand beginning with "&" takes none.
//   The whole operand counts once, however many tokens or nested parentheses
//   it holds (LENGTH(DFHVALUE(X)) is one).
//
// So the translator counts once per operand, before the option's action,
// whatever the action does with it (by reference, by value, by priority,
// collected, a label, or nothing); an action that needs the operand's data
// area (empty parentheses, a literal where a data area is expected) takes
// finddynnode(that number). Evaluation keeps the numbering on every pass:
// when the text has changed the order of the operands, the dynamic
// variables from the first changed operand on are made again in text order,
// each keeping the contents that its option's variable had.
#pragma once

#include <cstddef>

#include "vars/variables.hpp"

namespace qcmd {

// The command text with a blank before and after every parenthesis.
inline constexpr std::size_t kLocalBufferSize = 460;
extern char LocalBuffer[kLocalBufferSize];

// Evaluates the arguments of the current command from CmdIntBuffer. Returns 0.
int ProcessInputString();
int PrepareForDisplay();

// Evaluates the verb's own argument into entry 0; `verbword` is the first
// word of the verb in LocalBuffer. 1 when the argument is missing, else 0.
int getverbargval(const char* verbword);

// Evaluates the argument of option `option` (1 to numkwds) at the current
// token. 0 when it was well formed, 1 when a fault was found.
int GetArgValue(int option);

// The translator's half of the rule above: whether the operand text of an
// option written with parentheses takes the next dynamic number. Empty
// parentheses are "" or the translator's "&DYNAMIC".
bool operand_takes_dynamic(const char* operand);

// Makes a dynamic variable of the type of option `option` (0 to numkwds) of
// CmdIntSyntax and records its number and storage in the option. Returns the
// variable, or nullptr for an option out of range or when storage is short.
varnode* createdynamicvar(int option);

}  // namespace qcmd
