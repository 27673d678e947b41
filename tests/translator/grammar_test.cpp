#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "syntax/arguments.hpp"
#include "syntax/syntax.hpp"
#include "translate_support.hpp"
#include "translator/descriptor.hpp"

namespace qcmd {
namespace {

using Grammar = testing::Translating;
using Strings = std::vector<std::string>;

constexpr const char* kSyntaxErrorAt = "CICS option %s unsupported or syntax error\n";

std::string syntax_error_at(const char* token) {
  char text[256];
  std::snprintf(text, sizeof text, kSyntaxErrorAt, token);
  return text;
}

TEST_F(Grammar, LiteralsRotateThroughTwentySlots) {
  EXPECT_EQ(translate("RETURN TRANSID(T1) LENGTH(7)"), 0);
  const void* first = param(2);
  const void* second = param(4);
  EXPECT_NE(first, second);
  std::int16_t length = 0;
  std::memcpy(&length, second, sizeof length);
  EXPECT_EQ(length, 7);
  for (int i = 2; i < kLiteralSlots; ++i) translate("RETURN TRANSID(T2)");
  EXPECT_EQ(translate("RETURN TRANSID(T3)"), 0);
  EXPECT_EQ(param(2), first);  // the twenty-first literal reuses the first slot
  EXPECT_EQ(param_text(2, 3), std::string("T3 "));
}

TEST_F(Grammar, ResponseOptionsMarkPosition26) {
  EXPECT_EQ(translate("ASKTIME RESP(&R) RESP2(&R2) NOHANDLE"), 0);
  EXPECT_EQ(descriptor(), expected(0x1002, 2, {{26, 'N'}}));
  EXPECT_STREQ(resp_name, "&R");
  EXPECT_STREQ(resp2_name, "&R2");
  EXPECT_TRUE(absent(2));  // no argument is passed for them
}

TEST_F(Grammar, SyntaxErrorsNameTheTokenAndRecoverAtTheStatementEnd) {
  // An empty command: the ";" follows the prefix, whose text is the last value.
  EXPECT_EQ(translate(""), 2);
  EXPECT_EQ(diagnostics(), Strings{syntax_error_at("EXEC CICS")});
  EXPECT_EQ(exec_cics, 0);
  // A keyword the command does not list.
  EXPECT_EQ(translate("ASKTIME ABEND"), 2);
  EXPECT_EQ(diagnostics(), Strings{syntax_error_at("ABEND")});
  // Empty parentheses where the option does not take them: ")" leaves the
  // option word as the last text.
  EXPECT_EQ(translate("RETURN TRANSID()"), 2);
  EXPECT_EQ(diagnostics(), Strings{syntax_error_at("TRANSID")});
  // A keyword inside an expression after a closing parenthesis.
  EXPECT_EQ(translate("RETURN TRANSID(A(1) + FROM)"), 2);
  EXPECT_EQ(diagnostics(), Strings{syntax_error_at("FROM")});
  // The next parse is normal again.
  EXPECT_EQ(translate("RETURN"), 0);
}

TEST_F(Grammar, AnUnclosedStringEndsTheInput) {
  EXPECT_EQ(translate("RETURN TRANSID('AB"), 2);
  ASSERT_EQ(diagnostics().size(), 1u);
  reset_scanner();  // the string mode would carry into the next command
}

TEST_F(Grammar, StackLimitEndsTheParse) {
  yy_stack_limit = 2;
  EXPECT_EQ(translate("RETURN TRANSID(((((A)))))"), 2);
  yy_stack_limit = kDefaultStackLimit;
  // The "(" that overflows leaves the option word as the last text.
  EXPECT_EQ(diagnostics(), Strings{"CICS option TRANSID unsupported or yacc stack overflow\n"});
  reset_scanner();
}

TEST_F(Grammar, HandleConditionListsItsCodesAndNumbersEachCommand) {
  EXPECT_EQ(translate("HANDLE CONDITION NOTFND ERROR(L1)"), 0);
  std::string first = expected(0x0204, 1, {{3, 0x49}, {4, 0x2E}, {24, ' '}, {25, '!'}});
  EXPECT_EQ(descriptor(), first);
  EXPECT_STREQ(handle_labels[0], "dfhNullLabel");
  EXPECT_STREQ(handle_labels[1], "L1");
  EXPECT_EQ(translate("HANDLE CONDITION NOTFND"), 0);
  EXPECT_EQ(at(25), '"');
  EXPECT_EQ(translate("HANDLE CONDITION TASKIDERR"), 2);
  EXPECT_EQ(diagnostics(), Strings{"Ravnmor option \"TASKIDERR\" is not supported."});
  // IGNORE CONDITION: no labels and no sequence number.
  EXPECT_EQ(translate("IGNORE CONDITION NONVAL INVREQ"), 0);
  EXPECT_EQ(descriptor(), expected(0x020A, 1, {{3, ' '}, {4, 0x38}}));
  EXPECT_EQ(translate("IGNORE CONDITION INVREQ(L1)"), 2);
}

TEST_F(Grammar, HandleAidKeysWithoutLabelsAreShifted) {
  EXPECT_EQ(translate("HANDLE AID PF3"), 0);
  EXPECT_EQ(descriptor(), expected(0x0206, 1, {{3, 'I'}, {22, 'V'}, {24, ' '}, {25, '!'}}));
  // With a label the code stays X'27', a single quote, which the copy in the
  // command buffer writes twice: the rest moves one place to the right.
  EXPECT_EQ(translate("HANDLE AID PF3(L1) CLEAR"), 0);
  EXPECT_EQ(at(3), '\'');
  EXPECT_EQ(at(4), 0x3D + 0x22);
  EXPECT_EQ(CmdIntBuffer.Descriptor[2], '\'');
  EXPECT_EQ(CmdIntBuffer.Descriptor[3], '\'');
  EXPECT_EQ(CmdIntBuffer.Descriptor[4], 0x3D + 0x22);
  EXPECT_EQ(CmdIntBuffer.Descriptor[kCountPosition], '!');
  EXPECT_EQ(CmdIntBuffer.Descriptor[kDescriptorLength], ' ');  // the NUL fell off
}

TEST_F(Grammar, SeventeenKeysExceedTheList) {
  std::string command = "HANDLE AID";
  for (int key = 1; key <= 17; ++key) command += " PF" + std::to_string(key);
  EXPECT_EQ(translate(command), 1);
  EXPECT_EQ(diagnostics(), Strings{"Number of options for ASSIGN command exceeded 16."});
  EXPECT_EQ(at(18), 0x34 + 0x22);  // PF16 is the sixteenth and last stored
}

TEST_F(Grammar, CompletionRunsBeforeTheTokenThatEndsTheOptionsIsReported) {
  std::string command = "HANDLE AID";
  for (int key = 1; key <= 17; ++key) command += " PF" + std::to_string(key);
  EXPECT_EQ(translate(command + " ABEND"), 2);
  EXPECT_EQ(diagnostics(), (Strings{"Number of options for ASSIGN command exceeded 16.",
                                    syntax_error_at("ABEND")}));
  // With no option yet there is no completion, only the error.
  EXPECT_EQ(translate("HANDLE AID ABEND"), 2);
  EXPECT_EQ(diagnostics(), Strings{syntax_error_at("ABEND")});
}

TEST_F(Grammar, ArgumentOriginsTellVariablesLiteralsAndDefaults) {
  varnode* area = variable("&STRING", kTypeString, "ABC");
  EXPECT_EQ(translate("RETURN COMMAREA(&STRING) TRANSID(T1)"), 0);
  EXPECT_EQ(argument_origin(param(3)).variable, area);
  const ArgumentOrigin literal = argument_origin(param(2));
  EXPECT_EQ(literal.kind, ArgumentKind::kLiteral);
  EXPECT_EQ(literal.length, 4);
  EXPECT_EQ(argument_origin(param(4)).kind, ArgumentKind::kDefaultLength);
  EXPECT_EQ(argument_origin(param(5)).kind, ArgumentKind::kAbsent);
}

TEST_F(Grammar, HandleAbendDefaultsToCancel) {
  EXPECT_EQ(translate("HANDLE ABEND"), 0);
  EXPECT_EQ(descriptor(), expected(0x0E0E, 1, {{3, 'C'}, {24, ' '}, {25, '!'}}));
  EXPECT_EQ(translate("HANDLE ABEND PROGRAM(ERRPGM)"), 0);
  EXPECT_EQ(descriptor(), expected(0x0E0E, 2, {{3, 'P'}, {24, ' '}, {25, '"'}}));
  EXPECT_EQ(param_text(2, 9), std::string("ERRPGM  \0", 9));
  EXPECT_EQ(translate("HANDLE ABEND LABEL(L9) RESET"), 1);  // both write position 3
  EXPECT_EQ(at(3), 'R');
  EXPECT_STREQ(handle_abend_label, "L9");
}

// Equal priorities keep the order written (no command of the table has two).
TEST_F(Grammar, PriorityListKeepsOrderAndDropsTheSeventeenth) {
  clear_error_tokens();
  init_cics_command(5);
  int sentinels[17];
  const int priorities[] = {5, 2, 9, 2};
  for (int i = 0; i < 4; ++i) insertByPriority(&sentinels[i], priorities[i]);
  gen_tolvik_command();
  // 2 (first written), 2 (second), 5, 9: equal priorities keep their order.
  EXPECT_EQ(ArgList[1], &sentinels[1]);
  EXPECT_EQ(ArgList[2], &sentinels[3]);
  EXPECT_EQ(ArgList[3], &sentinels[0]);
  EXPECT_EQ(ArgList[4], &sentinels[2]);

  init_cics_command(5);
  for (int i = 0; i < 17; ++i) insertByPriority(&sentinels[i], i);
  ASSERT_EQ(err_token_no, 0);
  EXPECT_STREQ(err_token[0], "You have exceeded the maximum allowable number of arguments\n");
  EXPECT_EQ(err_severity[0], kSeverityError);
  gen_tolvik_command();
  EXPECT_EQ(ArgList[16], &sentinels[15]);
}

// The sequence number of a HANDLE command is written in base 96 at 24-25
// and is not reset by a new command.
TEST_F(Grammar, SequenceNumberIsBase96) {
  init_cics_command(26);
  tolData.sequence = 95;
  incrTolSeqNo();  // 96 = 1 * 96 + 0
  EXPECT_EQ(at(24), '!');
  EXPECT_EQ(at(25), ' ');
  init_cics_command(26);
  incrTolSeqNo();
  EXPECT_EQ(tolData.sequence, 97);
  EXPECT_EQ(at(25), '!');
}

}  // namespace
}  // namespace qcmd
