#include "support/screens.hpp"

#include "host/host.hpp"

namespace ravnmor::testing {

std::string text_at(const Screen& screen, int offset, int length) {
  return screen.text_at(offset / kScreenWidth + 1, offset % kScreenWidth + 1, length);
}

::testing::AssertionResult shows_at(const Screen& screen, int offset, std::string_view text) {
  const std::string found = text_at(screen, offset, static_cast<int>(text.size()));
  if (found == text) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << offset << ": \"" << found << "\"";
}

bool shows(const Screen& screen, std::string_view text) {
  for (const std::string& line : screen.lines()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

int first_showing(const std::vector<Screen>& screens, std::string_view text) {
  for (std::size_t i = 0; i < screens.size(); ++i) {
    if (shows(screens[i], text)) return static_cast<int>(i);
  }
  return -1;
}

std::vector<const Screen*> titled(const std::vector<Screen>& screens, std::string_view title) {
  std::vector<const Screen*> found;
  for (const Screen& screen : screens) {
    if (screen.row_text(1).find(title) != std::string::npos) found.push_back(&screen);
  }
  return found;
}

std::string padded(std::string text) {
  text.resize(kScreenWidth, ' ');
  return text;
}

std::string catalogue_line(std::uint32_t number) {
  char text[host::kMessageTextSize] = {};
  char code = ' ';
  host::oxgetmsg(static_cast<int>(number), text, &code);
  return "OXM" + std::to_string(number) + code + " " + text;
}

}  // namespace ravnmor::testing
