#include "shell/translate.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/initscreen.hpp"
#include "shell/lifecycle.hpp"
#include "syntax/arguments.hpp"
#include "syntax/syntax.hpp"
#include "translator/descriptor.hpp"
#include "translator/diagnostics.hpp"
#include "translator/grammar.hpp"
#include "translator/scanner.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd {

namespace {
constexpr std::string_view kTransactionWord = "QCMD ";
}

void begin_translations() {
  initialize();
  deleteallvars();
  reset_scanner();
  reset_descriptor_state();
  GlobalErrorNum = 0;
  seed_example_variables();
  for (void*& entry : ArgList) entry = nullptr;
}

Translation translate_line(std::string_view command) {
  deletedynvars();
  std::string text = std::string(kTransactionWord) + std::string(command);
  std::size_t length = std::min(text.size(), kCommandTextSize);
  std::memset(&CmdIntBuffer, 0, sizeof CmdIntBuffer);
  std::memcpy(CmdIntBuffer.Syntax, text.data(), length);
  CmdIntBuffer.Length = static_cast<std::int32_t>(length);
  if (checkverb() != 0) return Translation::kNoVerb;
  ProcessInputString();
  switch (parse_online_command(&CmdIntBuffer)) {
    case 0:
      return Translation::kAccepted;
    case kSeverityWarning:
      return Translation::kWarnings;
    default:
      return Translation::kErrors;
  }
}

}  // namespace qcmd
