#include "support/cases.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ravnmor::testing {

namespace {

constexpr char kSeparator = '|';
constexpr char kNote = '#';

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<CaseLine> read_cases(const std::string& name) {
  std::ifstream in(std::string(RAVNMOR_TEST_SOURCE_DIR) + "/" + name);
  EXPECT_TRUE(in.good()) << "cannot read " << name;
  std::vector<CaseLine> lines;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    if (trimmed(text).empty() || text[0] == kNote) continue;
    CaseLine line{number, {}};
    std::istringstream fields(text);
    for (std::string field; std::getline(fields, field, kSeparator);) {
      line.fields.push_back(trimmed(field));
    }
    if (text.back() == kSeparator) line.fields.emplace_back();  // an empty last field
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace ravnmor::testing
