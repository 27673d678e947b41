#include "syntax/arguments.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/qcmd.hpp"
#include "syntax/syntax.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd::testing {
namespace {

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
  static std::int32_t word(const std::uint8_t* value, int index = 0) {
    std::int32_t result;
    std::memcpy(&result, value + 4 * index, sizeof result);
    return result;
  }
  static std::int16_t half(const std::uint8_t* value) {
    std::int16_t result;
    std::memcpy(&result, value, sizeof result);
    return result;
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

TEST_F(ArgumentsTest, LiteralsOfEachType) {
  evaluate("GETMAIN SET(4096) LENGTH(70000) FLENGTH(-12abc) INITIMG('Ab')");
  EXPECT_EQ(word(option("SET").value), 4096);
  EXPECT_EQ(option("SET").length, 4);
  EXPECT_EQ(half(option("LENGTH").value), 70000 - 65536);  // cut to 16 bits
  EXPECT_EQ(option("LENGTH").length, 2);
  EXPECT_EQ(word(option("FLENGTH").value), -12);
  EXPECT_EQ(text(option("INITIMG").value), "'Ab'");  // quotes and case kept
  EXPECT_EQ(option("INITIMG").length, 4);

  evaluate("GETMAIN FLENGTH(ABC)");
  EXPECT_EQ(word(option("FLENGTH").value), 0);
  EXPECT_EQ(option("FLENGTH").present, 1);

  evaluate("DELAY INTERVAL(123) TIME(0123456C)");
  const std::uint8_t interval[] = {0x00, 0x00, 0x12, 0x3C};
  const std::uint8_t time[] = {0x01, 0x23, 0x45, 0x6C};
  EXPECT_EQ(std::memcmp(option("INTERVAL").value, interval, 4), 0);
  EXPECT_EQ(std::memcmp(option("TIME").value, time, 4), 0);
  EXPECT_EQ(option("TIME").length, 4);

  evaluate("ASKTIME ABSTIME(0000000100000002)");
  EXPECT_EQ(word(option("ABSTIME").value, 0), 1);
  EXPECT_EQ(word(option("ABSTIME").value, 1), 2);
  EXPECT_EQ(option("ABSTIME").length, 8);
  evaluate("ASKTIME ABSTIME(1A)");
  EXPECT_EQ(word(option("ABSTIME").value, 0), 0x1A);
  EXPECT_EQ(word(option("ABSTIME").value, 1), 0);
  evaluate("ASKTIME ABSTIME(ffffffff7g)");
  EXPECT_EQ(static_cast<std::uint32_t>(word(option("ABSTIME").value, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(word(option("ABSTIME").value, 1), 7);
  EXPECT_EQ(GlobalErrorNum, 0u);
}

TEST_F(ArgumentsTest, EmptyParenthesesMakeAReceivingArea) {
  evaluate("RETRIEVE SET() INTO() LENGTH()");
  EXPECT_EQ(option("SET").length, 4);
  EXPECT_EQ(option("INTO").length, 32767);
  EXPECT_EQ(option("LENGTH").length, 2);
  for (const char* name : {"SET", "INTO", "LENGTH"}) {
    EXPECT_EQ(option(name).present, 1) << name;
    EXPECT_NE(option(name).value, nullptr) << name;
  }
  EXPECT_EQ(finddynnode(1)->type, kTypePointer);
  EXPECT_EQ(finddynnode(2)->type, kTypeString);
  EXPECT_EQ(finddynnode(3)->type, kTypeHalfword);
  EXPECT_EQ(GlobalErrorNum, 0u);
}

TEST_F(ArgumentsTest, FaultsScheduleTheirMessages) {
  const struct {
    const char* text;
    const char* option;  // left not present
    std::uint32_t message;
  } cases[] = {
      {"LINK PROGRAM(P) LENGTH(&L)", "LENGTH", kMsgNoVariable},
      {"LINK PROGRAM(P) LENGTH 5", "LENGTH", kMsgNoParenthesis},
      {"LINK PROGRAM", "PROGRAM", kMsgNoParenthesis},
      {"LINK PROGRAM(", "PROGRAM", kMsgNoVariable},
      {"LINK PROGRAM(P", "PROGRAM", kMsgNoCloseParenthesis},
      {"LINK COMMAREA('A B')", "COMMAREA", kMsgNoCloseParenthesis},
      {"LINK COMMAREA 'X' PROGRAM(P)", "COMMAREA", kMsgNoParenthesis},
      {"INQUIRE FILE() OPENSTATUS(&HWORD)", nullptr, kMsgNoVerbArgument},
      {"INQUIRE FILE OPENSTATUS(&HWORD)", nullptr, kMsgNoVerbArgument},
      {"INQUIRE FILE(&NONE)", nullptr, kMsgNoVariable},
      {"INQUIRE FILE(F1 OPENSTATUS(&HWORD)", nullptr, kMsgNoCloseParenthesis},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    GlobalErrorNum = 0;
    evaluate(c.text);
    EXPECT_EQ(GlobalErrorNum, c.message);
    if (c.option != nullptr) {
      EXPECT_EQ(option(c.option).present, 0);
    }
  }
  // The first fault is the one reported; later options are still evaluated.
  GlobalErrorNum = 0;
  evaluate("LINK COMMAREA 'X' LENGTH(&L) PROGRAM(P)");
  EXPECT_EQ(GlobalErrorNum, kMsgNoParenthesis);
  EXPECT_EQ(option("PROGRAM").present, 1);
  EXPECT_EQ(text(option("PROGRAM").value), "P");
  // The value ends at a blank.
  evaluate("LINK COMMAREA('A B') PROGRAM(P)");
  EXPECT_EQ(text(option("COMMAREA").value), "'A");
  EXPECT_EQ(option("PROGRAM").present, 1);
}

TEST_F(ArgumentsTest, VerbArgument) {
  evaluate("INQUIRE FILE(&STRING) OPENSTATUS(&HWORD)");
  EXPECT_STREQ(CmdIntSyntax.kwd[0].varname, "&STRING");
  EXPECT_EQ(CmdIntSyntax.kwd[0].value, findnode("&STRING")->value);
  EXPECT_EQ(CmdIntSyntax.kwd[0].length, 8);  // the table's length stays
  EXPECT_EQ(option("OPENSTATUS").present, 1);
  EXPECT_EQ(option("OPENSTATUS").length, 4);  // the option's type decides
  EXPECT_EQ(GlobalErrorNum, 0u);

  evaluate("SEND MAP(Menu1) MAPSET(S1) ERASE");
  EXPECT_EQ(text(CmdIntSyntax.kwd[0].value), "Menu1");
  EXPECT_EQ(CmdIntSyntax.kwd[0].dynvarno, 1);
  EXPECT_EQ(text(option("MAPSET").value), "S1");
  EXPECT_EQ(option("MAPSET").dynvarno, 2);
  EXPECT_EQ(option("ERASE").present, 1);
  EXPECT_EQ(GlobalErrorNum, 0u);
}

TEST_F(ArgumentsTest, OptionWordsInAnyCaseValuesAsTyped) {
  evaluate("writeq ts Queue(MyQ) from(&STRING) length(&HWORD) rewrite");
  EXPECT_EQ(option("QUEUE").present, 1);
  EXPECT_EQ(text(option("QUEUE").value), "MyQ");
  EXPECT_EQ(option("FROM").present, 1);
  EXPECT_EQ(option("LENGTH").present, 1);
  EXPECT_EQ(option("REWRITE").present, 1);
  EXPECT_EQ(option("MAIN").present, 0);
  // A variable's name is exact.
  evaluate("WRITEQ TS QUEUE(Q) FROM(&string)");
  EXPECT_EQ(option("FROM").present, 0);
  EXPECT_EQ(GlobalErrorNum, kMsgNoVariable);
}

// A separator written without "(" is no fault, but it takes the next words
// all the same: here DATE in the place of "(", "(" as its value and &STRING
// in the place of ")", so that neither it nor DATE is given.
TEST_F(ArgumentsTest, ABareSeparatorTakesTheNextWords) {
  evaluate("FORMATTIME ABSTIME(&HWORD) TIMESEP DATE(&STRING) DATESEP(-)");
  EXPECT_EQ(option("TIMESEP").present, 0);
  EXPECT_EQ(text(option("TIMESEP").value), "(");
  EXPECT_EQ(option("DATE").present, 0);
  EXPECT_EQ(option("DATESEP").present, 1);
  EXPECT_EQ(text(option("DATESEP").value), "-");
  EXPECT_EQ(GlobalErrorNum, 0u);
  evaluate("FORMATTIME TIMESEP = . ) YEAR(&HWORD)");
  EXPECT_EQ(option("TIMESEP").present, 1);
  EXPECT_EQ(text(option("TIMESEP").value), ".");
  EXPECT_EQ(option("YEAR").present, 1);
  EXPECT_EQ(GlobalErrorNum, 0u);
  // An unclosed separator is not reported.
  evaluate("FORMATTIME TIMESEP(: X) YEAR(&HWORD)");
  EXPECT_EQ(option("TIMESEP").present, 0);
  EXPECT_EQ(option("YEAR").present, 1);
  EXPECT_EQ(GlobalErrorNum, 0u);
}

// Dynamic numbers follow the operands of the text, as the translator counts
// them: every parenthesised operand not beginning with "&", listed or not.
TEST_F(ArgumentsTest, DynamicNumbersFollowTheOperands) {
  evaluate("READ RESP(R) FILE(F) INTO(&STRING) KEYLENGTH(0) RIDFLD() QUEUE(Q) SYSID(S1)");
  EXPECT_EQ(dynamic_texts(), (std::vector<std::string>{"R", "F", "type 3", "", "Q", "S1"}));
  EXPECT_EQ(option("FILE").dynvarno, 2);
  EXPECT_EQ(option("KEYLENGTH").dynvarno, 3);
  EXPECT_EQ(half(option("KEYLENGTH").value), 0);
  EXPECT_EQ(option("RIDFLD").dynvarno, 4);
  EXPECT_EQ(option("SYSID").dynvarno, 6);
  EXPECT_EQ(finddynnode(6)->value, option("SYSID").value);

  // Nested parentheses are one operand, and the words in them are not options.
  evaluate("SET TERMINAL(T1) ACQSTATUS(DFHVALUE(ACQUIRED)) UCTRAN");
  EXPECT_EQ(dynamic_texts(), (std::vector<std::string>{"T1", "type 4"}));
  EXPECT_EQ(option("ACQUIRED").present, 0);
  EXPECT_EQ(option("UCTRAN").present, 1);

  // So are quoted words, and an option given twice takes two numbers.
  evaluate("LINK COMMAREA('A X(1)') PROGRAM(P1) PROGRAM(P2) LENGTH(3)");
  EXPECT_EQ(dynamic_texts(), (std::vector<std::string>{"'A", "P1", "P2", "type 3"}));
  EXPECT_EQ(option("PROGRAM").dynvarno, 3);
  EXPECT_EQ(text(option("PROGRAM").value), "P2");
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
  EXPECT_EQ(half(option("ITEM").value), 2);

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
