// Runs commands through the pipeline of the command screen (the example
// variables, verb recognition, argument evaluation, the parse entry) and
// compares the translated call with an expectation written out by hand: the
// 35 descriptor characters, what each parameter position points at, and the
// diagnostics in order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "shell/lifecycle.hpp"
#include "support/qcmd.hpp"
#include "syntax/arguments.hpp"
#include "syntax/syntax.hpp"
#include "translate_support.hpp"

namespace qcmd::testing {

enum class Points { kVariable, kDynamic, kCharacter, kHalfword, kFullword, kAnything };

// What one parameter position points at.
struct Arg {
  int position;
  Points points;
  std::string text;  // variable name, or a character value before padding
  int number;        // dynamic number, character length or binary value
};

inline Arg var(int position, const char* name) {
  return {position, Points::kVariable, name, 0};
}
inline Arg dyn(int position, int number) {
  return {position, Points::kDynamic, "", number};
}
inline Arg chr(int position, const char* text, int length) {
  return {position, Points::kCharacter, text, length};
}
inline Arg half(int position, int value) {
  return {position, Points::kHalfword, "", value};
}
inline Arg full(int position, int value) {
  return {position, Points::kFullword, "", value};
}
// A position whose contents the case leaves open.
inline Arg any(int position) {
  return {position, Points::kAnything, "", 0};
}

struct Diagnostic {
  int severity;
  std::string text;
  bool operator==(const Diagnostic&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Diagnostic& d) {
  return out << d.severity << ":" << d.text;
}

inline Diagnostic requires_option(const char* names) {
  return {kSeverityError, std::string("Command requires the ") + names + " option."};
}
inline Diagnostic duplicate_flag() {
  return {kSeverityWarning,
          "Duplicate or mutually exclusive options. Please check the command syntax"};
}
inline Diagnostic unsupported(const char* word) {
  return {kSeverityError, std::string("Ravnmor option \"") + word + "\" is not supported."};
}

struct Case {
  const char* command;     // after the transaction identifier
  std::string descriptor;  // from expected()
  std::vector<Arg> args;   // positions 2-16 not named here must hold the filler
  std::vector<Diagnostic> diagnostics;
};

class CommandCases : public Translating {
 protected:
  void SetUp() override {
    Translating::SetUp();
    seed_example_variables();
  }
  void TearDown() override {
    CmdIntSyntax = SyntaxEntry{};
    Translating::TearDown();
  }

  // Recognises the verb and evaluates the arguments as the initial and
  // command screens do (making the dynamic variables of the literals and
  // empty parentheses), then translates.
  static std::int32_t evaluate_and_translate(const std::string& command) {
    deletedynvars();
    type_command("QCMD " + command);
    ProcessInputString();
    return parse_online_command(&CmdIntBuffer);
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

  static void check_argument(const Arg& arg) {
    SCOPED_TRACE("position " + std::to_string(arg.position));
    const auto* at = static_cast<const std::uint8_t*>(param(arg.position));
    ASSERT_NE(at, nullptr);
    switch (arg.points) {
      case Points::kVariable: {
        const varnode* node = findnode(arg.text.c_str());
        ASSERT_NE(node, nullptr) << arg.text;
        EXPECT_EQ(at, node->value) << arg.text;
        break;
      }
      case Points::kDynamic: {
        const varnode* node = finddynnode(static_cast<std::int16_t>(arg.number));
        ASSERT_NE(node, nullptr) << "dynamic " << arg.number;
        EXPECT_EQ(at, node->value) << "dynamic " << arg.number;
        break;
      }
      case Points::kCharacter: {
        std::string padded = arg.text;
        padded.resize(arg.number, ' ');
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(at), arg.number), padded);
        EXPECT_EQ(at[arg.number], '\0');
        break;
      }
      case Points::kHalfword: {
        std::int16_t value;
        std::memcpy(&value, at, sizeof value);
        EXPECT_EQ(value, arg.number);
        break;
      }
      case Points::kFullword: {
        std::int32_t value;
        std::memcpy(&value, at, sizeof value);
        EXPECT_EQ(value, arg.number);
        break;
      }
      case Points::kAnything:
        break;
    }
  }

  static void check(const Case& c) {
    SCOPED_TRACE(c.command);
    const std::int32_t result = evaluate_and_translate(c.command);
    EXPECT_EQ(found_diagnostics(), c.diagnostics);
    int highest = 0;
    for (const Diagnostic& d : c.diagnostics) highest = std::max(highest, d.severity);
    EXPECT_EQ(result, highest);
    EXPECT_EQ(descriptor(), c.descriptor);
    EXPECT_EQ(std::string(CmdIntBuffer.Descriptor, kDescriptorLength + 1),
              buffer_copy(c.descriptor));
    for (int p = kFirstArgSlot + 1; p <= kPresetSlots + 1; ++p) {
      auto named =
          std::find_if(c.args.begin(), c.args.end(), [&](const Arg& a) { return a.position == p; });
      if (named != c.args.end()) {
        check_argument(*named);
      } else {
        EXPECT_TRUE(absent(p)) << "position " << p << " should be absent";
      }
    }
  }

  static void check_all(std::initializer_list<Case> cases) {
    for (const Case& c : cases) check(c);
  }
};

}  // namespace qcmd::testing
