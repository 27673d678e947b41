// Driving QCMD at s3270 for the end-to-end tests: keys and text, a command
// taken through the command screen's steps, the response it shows.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "process.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {

// Runs s3270 actions, then waits until the region has answered and the
// keyboard is free again.
inline bool act(S3270& terminal, const std::vector<std::string>& actions) {
  for (const std::string& action : actions) {
    if (!terminal.run(action).ok) return false;
  }
  return terminal.run("Wait(20,Unlock)").ok;
}

inline void connect(S3270& terminal, const RegionServer& server) {
  ASSERT_TRUE(terminal.run("Connect(" + server.address() + ")").ok);
  ASSERT_TRUE(terminal.run("Wait(20,InputField)").ok);
}

inline bool has(const std::string& row, const std::string& text) {
  return row.find(text) != std::string::npos;
}

// Waits (bounded) until `row` of the screen holds `text`.
inline bool shows(S3270& terminal, int row, const std::string& text) {
  auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    auto screen = terminal.screen();
    if (static_cast<int>(screen.size()) > row && has(screen[row], text)) return true;
    terminal.run("Wait(1,Output)");  // an error when nothing changed in time
  }
  return false;
}

// The command screen's response line (row 20 from column 46).
inline std::string response(S3270& terminal) {
  return terminal.screen()[19].substr(45);
}

// Starts QCMD from the routing screen, types `command` after QCMD on the
// initial screen's command line (where the cursor stands) and takes it
// through the three steps: the syntax check, the confirmation and the
// execution; then leaves QCMD. The response that the result screen shows.
inline std::string run_command(S3270& terminal, const std::string& command) {
  if (!act(terminal, {"String(\"QCMD\")", "Enter"})) return "no initial screen";
  if (!act(terminal, {"String(\" " + command + "\")", "Enter"})) return "no check screen";
  std::string status = terminal.screen()[18];
  if (!has(status, "STATUS: Command syntax check")) return "check: " + status;
  if (!act(terminal, {"Enter"})) return "no confirm screen";
  status = terminal.screen()[18];
  if (!has(status, "STATUS: About to execute command")) return "confirm: " + status;
  // Before executing, QCMD writes the user's screen, which frees the
  // keyboard; the result screen follows.
  if (!act(terminal, {"Enter"}) || !shows(terminal, 18, "STATUS : Command executed")) {
    return "no result screen";
  }
  std::string answer = response(terminal);
  // PF3 leaves the command screen; the initial screen's PF3 ends QCMD.
  if (!act(terminal, {"PF(3)"}) || !act(terminal, {"PF(3)"})) return "QCMD did not end";
  answer.erase(answer.find_last_not_of(' ') + 1);
  return answer;
}

}  // namespace ravnmor::cli::testing
