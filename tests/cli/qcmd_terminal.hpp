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

// On the initial screen: replaces the command line by QCMD and `command`
// and takes it through the syntax check, the confirmation and the
// execution, each Enter answered by the first screen that frees the
// keyboard; a command that changes the screen shows the user's screen
// (kept in `user_screen`) until a key. Then back to the initial screen.
// The response that the result screen shows.
inline std::string execute(S3270& terminal, const std::string& command,
                           std::vector<std::string>* user_screen = nullptr) {
  if (!act(terminal, {"MoveCursor(2,6)", "EraseEOF", "String(\"QCMD " + command + "\")", "Enter"}))
    return "no check screen";
  const char* steps[] = {"STATUS: Command syntax check", "STATUS: About to execute command",
                         "STATUS : Command executed"};
  for (const char* status : steps) {
    if (status != steps[0] && !act(terminal, {"Enter"})) return "no screen after Enter";
    if (status == steps[2] && !has(terminal.screen()[18], status) && user_screen) {
      *user_screen = terminal.screen();
      if (!act(terminal, {"Enter"})) return "no screen after the user's screen";
    }
    if (!has(terminal.screen()[18], status))
      return "expected " + std::string(status) + ":\n" + terminal.screen_text();
  }
  std::string answer = response(terminal);
  answer.erase(answer.find_last_not_of(' ') + 1);
  return act(terminal, {"PF(3)"}) ? answer : "no initial screen";
}

// Starts QCMD from the routing screen, executes `command` and ends QCMD.
inline std::string run_command(S3270& terminal, const std::string& command) {
  if (!act(terminal, {"String(\"QCMD\")", "Enter"})) return "no initial screen";
  std::string answer = execute(terminal, command);
  return act(terminal, {"PF(3)"}) ? answer : "QCMD did not end";
}

}  // namespace ravnmor::cli::testing
