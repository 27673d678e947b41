#include "syntax/arguments.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/bytes.hpp"
#include "support/cases.hpp"
#include "support/qcmd.hpp"
#include "syntax/syntax.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd::testing {
namespace {

constexpr char kCommandMark[] = "command ";

class ArgumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initialize();
    deleteallvars();
    GlobalErrorNum = 0;
    add_user(kTypeHalfword, "&HWORD", 2);
    varnode* string = add_user(kTypeString, "&STRING", 23);
    std::memcpy(string->value, "EXAMPLE STRING ARGUMENT", 24);
  }
  void TearDown() override {
    deleteallvars();
    CmdIntSyntax = SyntaxEntry{};
    CmdIntBuffer = CommandBuffer{};
    GlobalErrorNum = 0;
  }

  static varnode* add_user(std::int32_t type, const char* name, std::int32_t len) {
    varnode* node = addvarnode(type, 0);
    std::strcpy(node->name, name);
    node->len = len;
    return node;
  }

  // Recognises the verb of `text`, which follows the transaction
  // identifier, as the initial screen does, and evaluates the arguments.
  static void evaluate(const std::string& text) {
    deletedynvars();  // as leaving the command screen does
    ASSERT_EQ(type_command("QCMD " + text), 0) << text;
    ProcessInputString();
  }

  // Evaluates a changed command text for the same verb.
  static void retype(const std::string& text) {
    CmdIntBuffer = CommandBuffer{};
    CmdIntBuffer.Length = static_cast<std::int32_t>(text.size());
    std::memcpy(CmdIntBuffer.Syntax, text.data(), text.size());
    ProcessInputString();
  }

  static KeywordEntry& option(const char* name) {
    for (int i = 1; i <= CmdIntSyntax.numkwds; ++i) {
      if (std::strcmp(CmdIntSyntax.kwd[i].name, name) == 0) return CmdIntSyntax.kwd[i];
    }
    ADD_FAILURE() << "no option " << name;
    return CmdIntSyntax.kwd[0];
  }

  static std::string text(const std::uint8_t* value) {
    return value == nullptr ? "(null)" : reinterpret_cast<const char*>(value);
  }
  // An option's value as arguments.txt writes it.
  static std::string shown(const KeywordEntry& entry) {
    const std::uint8_t* value = entry.value;
    if (value == nullptr) return "(null)";
    char hex[20] = "";
    switch (entry.type) {
      case kTypeHalfword:
        return std::to_string(host::load_half(value, 0));
      case kTypeFullword:
      case kTypePointer:
        return std::to_string(static_cast<std::int32_t>(host::load_word(value, 0)));
      case kTypePacked:
        std::snprintf(hex, sizeof hex, "%02X%02X%02X%02X", value[0], value[1], value[2], value[3]);
        return hex;
      case kTypeDoubleword:
        std::snprintf(hex, sizeof hex, "%08X %08X", host::load_word(value, 0),
                      host::load_word(value, 4));
        return hex;
      default: {  // a receiving area is blanks with no end: the first 64 at most
        const char* chars = reinterpret_cast<const char*>(value);
        std::string shown(chars, strnlen(chars, 64));
        return shown.substr(0, shown.find_last_not_of(' ') + 1);
      }
    }
  }

  static int dynamic_count() {
    int count = 0;
    for (varnode* node = varanchor.head; node != nullptr; node = node->next) {
      count += node->dynamic != 0;
    }
    return count;
  }
  // Dynamic variables 1 to n: a string's text without trailing blanks, or
  // the type code of any other type.
  static std::vector<std::string> dynamic_texts() {
    std::vector<std::string> result;
    for (std::int16_t n = 1; n <= dynamic_count(); ++n) {
      varnode* node = finddynnode(n);
      if (node == nullptr) {
        result.push_back("(missing)");
      } else if (node->type != kTypeString) {
        result.push_back("type " + std::to_string(node->type));
      } else {
        std::string value(reinterpret_cast<const char*>(node->value),
                          strnlen(reinterpret_cast<const char*>(node->value), 64));
        result.push_back(value.substr(0, value.find_last_not_of(' ') + 1));
      }
    }
    return result;
  }
};

// The cases of arguments.txt.
TEST_F(ArgumentsTest, CommandsAsTheTableOfCasesSays) {
  std::string command;
  for (const auto& line : ravnmor::testing::read_cases("syntax/arguments.txt")) {
    const std::vector<std::string>& f = line.fields;
    ASSERT_GE(f.size(), 2u);
    const bool is_command = f[0].starts_with(kCommandMark);
    if (is_command) command = f[0].substr(std::strlen(kCommandMark));
    SCOPED_TRACE("arguments.txt:" + std::to_string(line.number) + " " + command);
    // Field i, where the line gives it, against what `found` gives.
    const auto check = [&f](std::size_t i, const std::function<std::string()>& found) {
      if (f.size() > i && !f[i].empty()) {
        EXPECT_EQ(found(), f[i]) << "field " << i;
      }
    };
    if (is_command) {
      GlobalErrorNum = 0;
      evaluate(command);
      check(1, [] { return std::to_string(GlobalErrorNum); });
      check(2, [] { return std::to_string(dynamic_count()); });
      continue;
    }
    const KeywordEntry& entry = f[0] == "(verb)" ? CmdIntSyntax.kwd[0] : option(f[0].c_str());
    check(1, [&] { return std::to_string(entry.present); });
    check(2, [&] { return std::to_string(entry.length); });
    check(3, [&] { return std::to_string(entry.dynvarno); });
    check(4, [&] { return shown(entry); });
    if (entry.dynvarno != 0) {
      const varnode* node = finddynnode(entry.dynvarno);
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(node->value, entry.value);
      EXPECT_EQ(node->type, entry.type);
    }
  }
}

TEST_F(ArgumentsTest, LaterPassesKeepTheStorageAndTheOrder) {
  evaluate("READQ TS QUEUE(Q1) INTO() ITEM(2)");
  std::uint8_t* into = option("INTO").value;
  std::memcpy(into, "RECEIVED", 9);  // as an executed command fills it
  retype("QCMD READQ TS QUEUE(Q1) INTO() ITEM(2)");
  EXPECT_EQ(option("INTO").value, into);
  EXPECT_EQ(text(option("INTO").value), "RECEIVED");
  EXPECT_EQ(dynamic_count(), 3);

  // A literal typed anew goes into the same storage.
  retype("QCMD READQ TS QUEUE(Q22) INTO() ITEM(2)");
  EXPECT_EQ(text(option("QUEUE").value), "Q22");
  EXPECT_EQ(option("QUEUE").length, 3);
  EXPECT_EQ(option("INTO").value, into);

  // An operand added before the others: numbering stays in text order, and
  // every option keeps its contents.
  retype("QCMD READQ TS SYSID(S1) QUEUE(Q22) INTO() ITEM(2)");
  EXPECT_EQ(dynamic_texts(), (std::vector<std::string>{"S1", "Q22", "RECEIVED", "type 3"}));
  EXPECT_EQ(option("INTO").dynvarno, 3);
  EXPECT_EQ(shown(option("ITEM")), "2");

  // One taken away, or turned into a variable: its dynamic variable goes.
  retype("QCMD READQ TS QUEUE(Q22) INTO(&STRING) ITEM(2)");
  EXPECT_EQ(dynamic_texts(), (std::vector<std::string>{"Q22", "type 3"}));
  EXPECT_EQ(option("SYSID").value, nullptr);
  EXPECT_EQ(option("SYSID").present, 0);
  EXPECT_EQ(option("INTO").value, findnode("&STRING")->value);
  EXPECT_EQ(option("ITEM").dynvarno, 2);
  EXPECT_EQ(GlobalErrorNum, 0u);
}

TEST_F(ArgumentsTest, DeletedVariablesAreLetGo) {
  evaluate("WRITEQ TS QUEUE(Q) FROM(&STRING)");
  ASSERT_EQ(option("FROM").value, findnode("&STRING")->value);
  deletenode(findnode("&STRING")->seqno);
  retype("QCMD WRITEQ TS QUEUE(Q) FROM(&STRING)");
  EXPECT_EQ(option("FROM").value, nullptr);
  EXPECT_EQ(option("FROM").present, 0);
  EXPECT_STREQ(option("FROM").varname, " ");
  EXPECT_EQ(GlobalErrorNum, kMsgNoVariable);

  // Dynamic variables deleted under the command are made again.
  deletedynvars();
  retype("QCMD WRITEQ TS QUEUE(Q) FROM()");
  EXPECT_EQ(dynamic_texts(), (std::vector<std::string>{"Q", ""}));
  EXPECT_EQ(option("QUEUE").value, finddynnode(1)->value);
}

TEST_F(ArgumentsTest, OddTextIsHandled) {
  // No verb: nothing is evaluated.
  CmdIntSyntax = SyntaxEntry{};
  CmdIntBuffer.Length = 20;
  std::memcpy(CmdIntBuffer.Syntax, "QCMD READ FILE(F1)", 18);
  EXPECT_EQ(ProcessInputString(), 0);
  EXPECT_EQ(dynamic_count(), 0);

  // A full line of parentheses, a bad length, the identifier alone.
  // "QCMD LINK PROGRAM" and 147 expanded "(" fill 458 of the 459 characters.
  evaluate("LINK PROGRAM" + std::string(210, '('));
  EXPECT_EQ(std::strlen(LocalBuffer), 17u + 147 * 3);
  EXPECT_EQ(option("PROGRAM").present, 0);
  CmdIntBuffer.Length = -4;
  EXPECT_EQ(ProcessInputString(), 0);
  CmdIntBuffer.Length = 1000;
  EXPECT_EQ(ProcessInputString(), 0);
  evaluate("INQUIRE FILE");
  EXPECT_EQ(CmdIntSyntax.kwd[0].value, nullptr);
  EXPECT_EQ(GetArgValue(0), 1);
  EXPECT_EQ(GetArgValue(99), 1);
}

}  // namespace
}  // namespace qcmd::testing
