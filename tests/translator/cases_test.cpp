// Commands typed as a user types them, run through translate_line, the
// pipeline of the command screen (verb recognition, the example variables,
// argument evaluation, the translator), against two tables of cases kept one a line
// in data files beside this test:
//   commands.txt  the descriptor, parameter positions and diagnostics of each
//                 command, worked out by hand from the option lists
//   verbs.txt     every verb of the syntax table in its plainest accepted
//                 form, and in a form the translator must refuse
#include "support/cases.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shell/translate.hpp"
#include "syntax/syntax.hpp"
#include "translate_support.hpp"

namespace qcmd::testing {
namespace {

constexpr char kUnchecked[] = "-";

using Line = ravnmor::testing::CaseLine;

std::vector<Line> read_cases(const std::string& name) {
  return ravnmor::testing::read_cases("translator/" + name);
}

// "E text" or "W text", with \n for a newline.
struct Diagnostic {
  int severity;
  std::string text;
  bool operator==(const Diagnostic&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Diagnostic& d) {
  return out << d.severity << ":" << d.text;
}

Diagnostic diagnostic_of(const std::string& field) {
  std::string text = field.substr(2);
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return {field[0] == 'W' ? kSeverityWarning : kSeverityError, text};
}

// How a line is taken, by the highest severity of its diagnostics.
Translation translation_of(int severity) {
  if (severity == kSeverityError) return Translation::kErrors;
  return severity == kSeverityWarning ? Translation::kWarnings : Translation::kAccepted;
}

class TranslationCases : public Translating {
 protected:
  void SetUp() override {
    begin_translations();
    variable("&H", kTypeHalfword);               // a short name, for commands with many options
    variable("&M1I", kTypeString, "MAP INPUT");  // a map's input area
  }
  void TearDown() override {
    CmdIntSyntax = SyntaxEntry{};
    Translating::TearDown();
  }

  static std::vector<Diagnostic> found_diagnostics() {
    std::vector<Diagnostic> list;
    for (int i = 0; i <= err_token_no; ++i) list.push_back({err_severity[i], err_token[i]});
    return list;
  }

  // The copy in the command buffer: the descriptor and its NUL with every
  // single quote written twice, cut to 36 bytes.
  static std::string buffer_copy(const std::string& descriptor) {
    std::string copy;
    for (char c : descriptor + '\0') {
      copy += c;
      if (c == '\'') copy += c;
    }
    return copy.substr(0, kDescriptorLength + 1);
  }

  // What position `p` points at: &NAME a variable, #N dynamic variable N,
  // 'TEXT'N a character value blank-padded to N, hN a halfword, fN a
  // fullword, ? anything.
  static void check_argument(int p, const std::string& value) {
    SCOPED_TRACE("position " + std::to_string(p));
    const auto* at = static_cast<const std::uint8_t*>(param(p));
    ASSERT_NE(at, nullptr);
    const std::string rest = value.substr(1);
    switch (value[0]) {
      case '&':
        ASSERT_NE(findnode(value.c_str()), nullptr) << value;
        EXPECT_EQ(at, findnode(value.c_str())->value) << value;
        break;
      case '#': {
        const varnode* node = finddynnode(static_cast<std::int16_t>(std::stoi(rest)));
        ASSERT_NE(node, nullptr) << value;
        EXPECT_EQ(at, node->value) << value;
        break;
      }
      case '\'': {
        const std::size_t close = rest.find('\'');
        std::string padded = rest.substr(0, close);
        const int length = std::stoi(rest.substr(close + 1));
        padded.resize(length, ' ');
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(at), length), padded);
        EXPECT_EQ(at[length], '\0');
        break;
      }
      case 'h': {
        std::int16_t half;
        std::memcpy(&half, at, sizeof half);
        EXPECT_EQ(half, std::stoi(rest));
        break;
      }
      case 'f': {
        std::int32_t full;
        std::memcpy(&full, at, sizeof full);
        EXPECT_EQ(full, std::stoi(rest));
        break;
      }
      default:
        EXPECT_EQ(value, "?");
    }
  }

  // The positions 2-16 not named must hold the filler.
  static void check_arguments(const std::string& field) {
    std::map<int, std::string> named;
    std::istringstream words(field);
    for (std::string word; words >> word;) {
      named[std::stoi(word)] = word.substr(word.find('=') + 1);
    }
    for (int p = kFirstArgSlot + 1; p <= kPresetSlots + 1; ++p) {
      if (named.count(p) == 1) {
        check_argument(p, named[p]);
      } else {
        EXPECT_TRUE(absent(p)) << "position " << p << " should be absent";
      }
    }
  }
};

TEST_F(TranslationCases, CommandsGiveTheirDescriptorsArgumentsAndDiagnostics) {
  const std::vector<Line> lines = read_cases("commands.txt");
  ASSERT_FALSE(lines.empty());
  for (const Line& line : lines) {
    SCOPED_TRACE("commands.txt:" + std::to_string(line.number) + " " + line.fields[0]);
    ASSERT_GE(line.fields.size(), 3u);
    Translation result = translate_line(line.fields[0]);
    if (result == Translation::kNoVerb) {
      // No verb of the command screen: the translator alone, as in a program.
      result = translation_of(translate(line.fields[0]));
    }
    std::vector<Diagnostic> diagnostics;
    int highest = 0;
    for (std::size_t i = 3; i < line.fields.size(); ++i) {
      diagnostics.push_back(diagnostic_of(line.fields[i]));
      highest = std::max(highest, diagnostics.back().severity);
    }
    EXPECT_EQ(found_diagnostics(), diagnostics);
    EXPECT_EQ(result, translation_of(highest));
    if (line.fields[1] == kUnchecked) continue;
    const std::string descriptor = descriptor_of(line.fields[1]);
    EXPECT_EQ(std::string(tolData.descriptor, kDescriptorLength), descriptor);
    EXPECT_EQ(std::string(CmdIntBuffer.Descriptor, kDescriptorLength + 1), buffer_copy(descriptor));
    check_arguments(line.fields[2]);
  }
}

TEST_F(TranslationCases, EveryVerbIsTranslatedAndRefusedAsItsRulesSay) {
  const std::vector<Line> lines = read_cases("verbs.txt");
  ASSERT_EQ(lines.size(), std::size(SyntaxTable));
  for (std::size_t row = 0; row < lines.size(); ++row) {
    const Line& line = lines[row];
    SCOPED_TRACE("verbs.txt:" + std::to_string(line.number) + " " + SyntaxTable[row].verb);
    ASSERT_EQ(line.fields.size(), 3u);
    const std::string& accepted = line.fields[0];
    const std::string& refused = line.fields[1];
    ASSERT_EQ(refused.compare(0, std::strlen(SyntaxTable[row].verb), SyntaxTable[row].verb), 0)
        << "the cases follow the syntax table's order";
    if (accepted != kUnchecked) {
      EXPECT_EQ(translate_line(accepted), Translation::kAccepted) << accepted;
      EXPECT_EQ(found_diagnostics(), std::vector<Diagnostic>{}) << accepted;
    }
    EXPECT_EQ(translate_line(refused), Translation::kErrors) << refused;
    const std::vector<Diagnostic> found = found_diagnostics();
    ASSERT_FALSE(found.empty()) << refused;
    EXPECT_EQ(found.front(), diagnostic_of(line.fields[2])) << refused;
  }
}

}  // namespace
}  // namespace qcmd::testing
