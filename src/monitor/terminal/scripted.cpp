#include "monitor/terminal/scripted.hpp"

#include <charconv>
#include <istream>
#include <ostream>

namespace ravnmor::terminal {

namespace {

// The first word of `line` (removed from it) and the rest after one blank.
std::string_view take_word(std::string_view& line) {
  const auto end = line.find(' ');
  const std::string_view word = line.substr(0, end);
  line = end == std::string_view::npos ? std::string_view{} : line.substr(end + 1);
  return word;
}

bool take_number(std::string_view& line, int low, int high, int& number) {
  const std::string_view word = take_word(line);
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
  return error == std::errc{} && end == word.data() + word.size() && number >= low &&
         number <= high;
}

}  // namespace

ScriptedTerminal& ScriptedTerminal::queue(Action action) {
  actions_.push_back(std::move(action));
  return *this;
}

ScriptedTerminal& ScriptedTerminal::type_field(int n, std::string_view text) {
  return queue({Kind::type_field, n, 0, std::string(text)});
}
ScriptedTerminal& ScriptedTerminal::type(std::string_view text) {
  return queue({Kind::type, 0, 0, std::string(text)});
}
ScriptedTerminal& ScriptedTerminal::cursor(int row, int column) {
  return queue({Kind::cursor, row, column, {}});
}
ScriptedTerminal& ScriptedTerminal::tab() {
  return queue({Kind::tab, 0, 0, {}});
}
ScriptedTerminal& ScriptedTerminal::erase_eof() {
  return queue({Kind::erase_eof, 0, 0, {}});
}
ScriptedTerminal& ScriptedTerminal::press(std::uint8_t aid) {
  return queue({Kind::key, aid, 0, {}});
}
ScriptedTerminal& ScriptedTerminal::hang_up() {
  return queue({Kind::hang_up, 0, 0, {}});
}

bool ScriptedTerminal::queue_line(std::string_view line) {
  std::string_view rest = line;
  const std::string_view verb = take_word(rest);
  int first = 0;
  int second = 0;
  if (verb == "type" && take_number(rest, 1, kCells, first)) return type_field(first, rest), true;
  if (verb == "input" && !rest.empty()) return type(rest), true;
  if (verb == "cursor" && take_number(rest, 1, kRows, first) &&
      take_number(rest, 1, kColumns, second)) {
    return cursor(first, second), true;
  }
  if (verb == "pf" && take_number(rest, 1, aid::kPfKeys, first)) return pf(first), true;
  if (verb == "pa" && take_number(rest, 1, aid::kPaKeys, first)) return pa(first), true;
  if (!rest.empty()) return false;
  if (verb == "tab") return tab(), true;
  if (verb == "eof") return erase_eof(), true;
  if (verb == "enter") return enter(), true;
  if (verb == "clear") return clear(), true;
  if (verb == "hangup") return hang_up(), true;
  return false;
}

void ScriptedTerminal::refuse(const std::string& what) {
  problems_.push_back(what);
  if (display_) *display_ << "? " << what << '\n';
}

bool ScriptedTerminal::next_action(Action& action) {
  std::string line;
  while (actions_.empty() && script_ && std::getline(*script_, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (!queue_line(line)) refuse("not an action: " + line);
  }
  if (actions_.empty()) return false;
  action = std::move(actions_.front());
  actions_.pop_front();
  return true;
}

// The scripted user presses Reset first whenever the keyboard is locked, so
// every action meets an unlocked keyboard.
void ScriptedTerminal::perform(const Action& action) {
  screen_.reset_keyboard();
  switch (action.kind) {
    case Kind::type_field: {
      const auto field = screen_.unprotected_field(action.number);
      if (!field) return refuse("no unprotected field " + std::to_string(action.number));
      screen_.set_cursor(field->first());
      if (field->length > 0) screen_.erase_eof();
      const auto fits =
          std::min<std::size_t>(action.text.size(), static_cast<std::size_t>(field->length));
      screen_.type(std::string_view(action.text).substr(0, fits));
      if (fits < action.text.size())
        refuse("text too long for field " + std::to_string(action.number) + ": " + action.text);
      break;
    }
    case Kind::type:
      if (!screen_.type(action.text)) refuse("typing refused at a protected cell: " + action.text);
      break;
    case Kind::cursor:
      screen_.set_cursor(address_of(action.number, action.column));
      break;
    case Kind::tab:
      screen_.tab();
      break;
    case Kind::erase_eof:
      if (!screen_.erase_eof()) refuse("erase EOF refused at a protected cell");
      break;
    case Kind::key:
    case Kind::hang_up:
      break;
  }
}

bool ScriptedTerminal::send(std::span<const std::uint8_t> record) {
  if (hung_up_) return false;
  sent_.emplace_back(record.begin(), record.end());
  const StreamResult result = screen_.apply_outbound(record);
  for (const auto& problem : result.problems) problems_.push_back("sent record: " + problem);
  if (display_) print(screen_, *display_);
  return true;
}

bool ScriptedTerminal::receive(std::vector<std::uint8_t>& record) {
  Action action;
  while (!hung_up_ && next_action(action)) {
    if (action.kind == Kind::hang_up) break;
    perform(action);
    if (action.kind == Kind::key) {
      const auto aid = static_cast<std::uint8_t>(action.number);
      record = screen_.inbound_for(aid);
      screen_.attention(aid);
      return true;
    }
  }
  hung_up_ = true;
  return false;
}

void ScriptedTerminal::print(const Screen& screen, std::ostream& out) {
  const std::string rule = "+" + std::string(kColumns, '-') + "+\n";
  out << rule;
  for (int row = 1; row <= kRows; ++row) out << '|' << screen.row_text(row) << "|\n";
  out << rule;
  out << "cursor " << screen.cursor() / kColumns + 1 << ',' << screen.cursor() % kColumns + 1
      << (screen.keyboard_locked() ? "  keyboard locked" : "") << (screen.alarm() ? "  alarm" : "")
      << '\n';
}

}  // namespace ravnmor::terminal
