// The interpreter at the scripted terminal: a test region with QCMD
// registered, a test's own program run with the anchors a QCMD run takes,
// and command texts recognised as the initial screen recognises them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/screens.hpp"
#include "support/test_region.hpp"
#include "vars/messages.hpp"

namespace qcmd::testing {

namespace region = ravnmor::region;
namespace terminal = ravnmor::terminal;
using ravnmor::terminal::Screen;
using ravnmor::testing::catalogue_line;
using ravnmor::testing::first_showing;
using ravnmor::testing::padded;
using ravnmor::testing::shows;
using ravnmor::testing::shows_at;
using ravnmor::testing::text_at;
using ravnmor::testing::titled;

inline constexpr char kCommandTitle[] = "Ravnmor Command Interpreter";
inline constexpr char kEibTitle[] = "Exec Interface Block";
inline constexpr char kDiagnosticsTitle[] = "Translator Diagnostic Messages";

// Puts `text` in the command buffer as the initial screen reads it and
// recognises its verb with checkverb; returns checkverb's result (0: a verb).
int type_command(std::string_view text);

// The text of the message line of a screen.
inline std::string message_line(const Screen& screen) {
  return screen.row_text(static_cast<int>(kMessageRow));
}

class QcmdTest : public ::testing::Test {
 protected:
  QcmdTest();

  // Runs QCMD at the scripted terminal.
  region::TaskOutcome run() { return test_region.run("QCMD"); }

  // Runs `body` as a program at the terminal with the anchors of a QCMD
  // run, the syntax table built, the example variables made and an empty
  // saved user screen; the variables are deleted when it returns.
  region::TaskOutcome run_program(std::function<void()> body);

  // Every screen sent so far, and the i-th of them.
  std::vector<Screen> screens() const { return test_region.screens(); }
  Screen screen_sent(std::size_t i) const;

  region::TestRegion test_region;
  terminal::ScriptedTerminal& user = test_region.terminal();
};

}  // namespace qcmd::testing
