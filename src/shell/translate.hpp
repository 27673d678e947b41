// A command translated as the command screen translates it: the text after
// the transaction identifier, verb recognition, argument evaluation (which
// makes the dynamic variables of its literals) and the translator. The
// descriptor and ArgList are then ready for cintroute. ravnmor check, the
// translation benchmark and the tests translate through here.
#pragma once

#include <string_view>

namespace qcmd {

enum class Translation { kAccepted, kWarnings, kErrors, kNoVerb };

// A fresh interpreter state: the command syntax table built, no variables
// but the five examples, the translator's counters at their start, no
// message pending.
void begin_translations();

// Translates `command` (as typed after "QCMD "), with the variables as they
// stand; the dynamic variables of the command before it are deleted first.
Translation translate_line(std::string_view command);

}  // namespace qcmd
