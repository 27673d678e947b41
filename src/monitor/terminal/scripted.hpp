// A terminal with a scripted user, for tests and for the demo run from
// standard input. The user's actions wait in a queue: typing, cursor moves
// and keys. Each receive() plays actions up to the next key and returns the
// record that key sends; when the actions run out before a key, the user has
// hung up: receive() fails and so does every later send().
//
// More actions can come from a stream, one per line (read only when the
// queue is empty, so it works interactively):
//   type N TEXT     replace the N-th unprotected field (from 1) with TEXT
//   input TEXT      type TEXT at the cursor
//   cursor ROW COL  move the cursor (from 1)
//   tab | eof       Tab key, Erase EOF
//   enter | clear | pf N | pa N
//   hangup          the user goes away
// Blank lines and lines starting with '#' are skipped. After every send the
// screen is printed (24 framed lines) to the display stream, if one is given.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/terminal/screen.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::terminal {

class ScriptedTerminal : public Terminal {
 public:
  ScriptedTerminal() = default;
  ScriptedTerminal(std::istream& script, std::ostream& display)
      : script_(&script), display_(&display) {}

  // Queue actions; each returns *this so a script reads as one expression.
  ScriptedTerminal& type_field(int n, std::string_view text);
  ScriptedTerminal& type(std::string_view text);  // at the cursor
  ScriptedTerminal& cursor(int row, int column);
  ScriptedTerminal& tab();
  ScriptedTerminal& erase_eof();
  ScriptedTerminal& press(std::uint8_t aid);  // any AID (EBCDIC)
  ScriptedTerminal& enter() { return press(aid::kEnter); }
  ScriptedTerminal& clear() { return press(aid::kClear); }
  ScriptedTerminal& pf(int n) { return press(aid::pf(n)); }
  ScriptedTerminal& pa(int n) { return press(aid::pa(n)); }
  ScriptedTerminal& hang_up();

  // Queues the action of one script line; false (nothing queued) when the
  // line is not an action.
  bool queue_line(std::string_view line);

  bool send(std::span<const std::uint8_t> record) override;
  bool receive(std::vector<std::uint8_t>& record) override;
  Screen& screen() override { return screen_; }

  bool hung_up() const { return hung_up_; }
  // Problems met so far: malformed records sent, refused typing, bad lines.
  const std::vector<std::string>& problems() const { return problems_; }
  // Every record sent, as it was sent.
  const std::vector<std::vector<std::uint8_t>>& sent() const { return sent_; }

  // The screen as 24 framed lines with a status line below.
  static void print(const Screen& screen, std::ostream& out);

 private:
  enum class Kind { type_field, type, cursor, tab, erase_eof, key, hang_up };
  struct Action {
    Kind kind;
    int number = 0;  // field, row, or the AID
    int column = 0;
    std::string text;
  };

  ScriptedTerminal& queue(Action action);
  bool next_action(Action& action);
  void perform(const Action& action);
  void refuse(const std::string& what);

  Screen screen_;
  std::deque<Action> actions_;
  std::istream* script_ = nullptr;
  std::ostream* display_ = nullptr;
  bool hung_up_ = false;
  std::vector<std::string> problems_;
  std::vector<std::vector<std::uint8_t>> sent_;
};

}  // namespace ravnmor::terminal
