// C sources through the precompiler against programs.txt: the translated
// output and the diagnostics of each.
#include "translator/precompile.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cases.hpp"
#include "translate_support.hpp"

namespace qcmd::testing {
namespace {

constexpr char kUnchecked[] = "-";
constexpr char kFileName[] = "prog.c";
constexpr char kDescriptorOpen[] = "${";

std::string with_newlines(std::string text) {
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return text;
}

// ${...} replaced by the descriptor it writes, as a C string.
std::string with_descriptors(std::string text) {
  for (std::size_t at; (at = text.find(kDescriptorOpen)) != std::string::npos;) {
    const std::size_t close = text.find('}', at);
    const std::size_t start = at + sizeof kDescriptorOpen - 1;
    std::string literal = "\"";
    for (const char c : descriptor_of(text.substr(start, close - start))) {
      if (c == '"' || c == '\\') literal += '\\';
      literal += c;
    }
    text.replace(at, close + 1 - at, literal + "\"");
  }
  return text;
}

TEST(Precompile, ProgramsGiveTheirOutputAndDiagnostics) {
  const auto lines = ravnmor::testing::read_cases("translator/programs.txt");
  ASSERT_FALSE(lines.empty());
  for (const auto& line : lines) {
    SCOPED_TRACE("programs.txt:" + std::to_string(line.number));
    ASSERT_GE(line.fields.size(), 2u);
    const Precompiled result = precompile(with_newlines(line.fields[0]), kFileName);
    std::vector<std::string> expected;
    bool errors = false;
    for (std::size_t i = 2; i < line.fields.size(); ++i) {
      expected.push_back(std::string(kFileName) + ":" + line.fields[i]);
      errors = errors || line.fields[i].find(": error: ") != std::string::npos;
    }
    std::vector<std::string> found;
    for (const SourceDiagnostic& d : result.diagnostics)
      found.push_back(diagnostic_line(kFileName, d));
    EXPECT_EQ(found, expected);
    EXPECT_EQ(result.failed(), errors);
    if (line.fields[1] == kUnchecked) continue;
    EXPECT_EQ(result.output,
              "#line 1 \"prog.c\"\n" + with_descriptors(with_newlines(line.fields[1])));
  }
}

}  // namespace
}  // namespace qcmd::testing
