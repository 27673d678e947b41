#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "syntax/arguments.hpp"
#include "syntax/syntax.hpp"
#include "translate_support.hpp"

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

TEST_F(Grammar, ReturnAloneIsTheDescriptorOnly) {
  EXPECT_EQ(translate("RETURN"), 0);
  EXPECT_EQ(descriptor(), expected(0x0E08, 1));
  EXPECT_EQ(ArgList[0], static_cast<void*>(CmdIntBuffer.Descriptor));
  EXPECT_EQ(std::string(CmdIntBuffer.Descriptor, kDescriptorLength), expected(0x0E08, 1));
  EXPECT_EQ(CmdIntBuffer.Descriptor[kDescriptorLength], '\0');
  for (int p = 2; p <= kPresetSlots + 1; ++p) EXPECT_TRUE(absent(p)) << p;
  for (int k = 17; k < kArgSlots; ++k) EXPECT_EQ(ArgList[k], nullptr);
}

TEST_F(Grammar, AddressPlacesItsOptionsByPriority) {
  varnode* eib = variable("&P", kTypePointer);
  varnode* cwa = variable("&Q", kTypePointer);
  EXPECT_EQ(translate("ADDRESS EIB(&P)"), 0);
  EXPECT_EQ(descriptor(), expected(0x0202, 2, {{5, 'E'}}));
  EXPECT_EQ(param(2), eib->value);

  // Written in the other order, still CWA (priority 2) before EIB (3).
  EXPECT_EQ(translate("ADDRESS EIB(&P) CWA(&Q)"), 0);
  EXPECT_EQ(descriptor(), expected(0x0202, 3, {{4, 'C'}, {5, 'E'}}));
  EXPECT_EQ(param(2), cwa->value);
  EXPECT_EQ(param(3), eib->value);
}

TEST_F(Grammar, UnknownWordIsAnUnsupportedOption) {
  variable("&P", kTypePointer);
  EXPECT_EQ(translate("ADDRESS EIB(&P) FOO"), 2);
  EXPECT_EQ(diagnostics(), Strings{"Ravnmor option \"FOO\" is not supported."});
  // The parse goes on after it: a second one is reported too.
  EXPECT_EQ(translate("ADDRESS FOO(1) EIB(&P) bar"), 2);
  EXPECT_EQ(diagnostics(), (Strings{"Ravnmor option \"FOO\" is not supported.",
                                    "Ravnmor option \"bar\" is not supported."}));
  // Listed but not carried out.
  EXPECT_EQ(translate("ADDRESS COMMAREA(&P)"), 2);
  EXPECT_EQ(diagnostics(), Strings{"Ravnmor option \"COMMAREA\" is not supported."});
}

TEST_F(Grammar, CharacterValuesAreCutOrPaddedToTheirLength) {
  EXPECT_EQ(translate("RETURN TRANSID(ABCDEFG)"), 0);
  EXPECT_EQ(descriptor(), expected(0x0E08, 2, {{4, 'T'}}));
  EXPECT_EQ(param_text(2, 5), std::string("ABCD\0", 5));
  EXPECT_EQ(translate("RETURN TRANSID('AB')"), 0);
  EXPECT_EQ(param_text(2, 5), std::string("AB  \0", 5));
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

TEST_F(Grammar, DefaultLengthFromTheDataArea) {
  variable("&STRING", kTypeString, "EXAMPLE STRING ARGUMENT");
  EXPECT_EQ(translate("RETURN COMMAREA(&STRING)"), 0);
  EXPECT_EQ(descriptor(), expected(0x0E08, 3, {{3, 'C'}}));  // highest position 3
  std::int16_t length = 0;
  std::memcpy(&length, param(4), sizeof length);
  EXPECT_EQ(length, 23);
  // An explicit LENGTH wins over the default.
  EXPECT_EQ(translate("RETURN COMMAREA(&STRING) LENGTH(5)"), 0);
  std::memcpy(&length, param(4), sizeof length);
  EXPECT_EQ(length, 5);
  // Empty parentheses: a dynamic variable and the longest halfword length.
  varnode* area = dynamic(kTypeString);
  EXPECT_EQ(translate("RETURN COMMAREA()"), 0);
  EXPECT_EQ(param(3), area->value);
  std::memcpy(&length, param(4), sizeof length);
  EXPECT_EQ(length, 32767);
}

TEST_F(Grammar, DynamicVariablesFollowTheOperandsInTextOrder) {
  // TRANSID(0) and LENGTH(0) are literals and take numbers 1 and 2 like
  // every literal operand; COMMAREA() then takes number 3.
  dynamic(kTypeString);
  dynamic(kTypeHalfword);
  varnode* area = dynamic(kTypeString);
  EXPECT_EQ(translate("RETURN TRANSID(0) LENGTH(0) COMMAREA()"), 0);
  EXPECT_EQ(param(3), area->value);
  EXPECT_EQ(dyncount, 0);  // reset when the parse entry returns
}

TEST_F(Grammar, EvaluationAndTranslatorAgreeOnDynamicNumbers) {
  // A literal "0" before empty parentheses: evaluation makes a variable for
  // both, and the translator must take the second one for COMMAREA().
  initialize();
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (std::strcmp(entry.verb, "RETURN") == 0) CmdIntSyntax = entry;
  }
  ASSERT_NE(CmdIntSyntax.verblen, 0u);
  const std::string text = "QCMD RETURN LENGTH(0) COMMAREA()";
  std::memcpy(CmdIntBuffer.Syntax, text.data(), text.size());
  CmdIntBuffer.Length = static_cast<std::int32_t>(text.size());
  ProcessInputString();
  const varnode* area = nullptr;
  for (int i = 1; i <= CmdIntSyntax.numkwds; ++i) {
    if (std::strcmp(CmdIntSyntax.kwd[i].name, "COMMAREA") == 0) {
      area = finddynnode(CmdIntSyntax.kwd[i].dynvarno);
    }
  }
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->dseqno, 2);
  EXPECT_EQ(parse_online_command(&CmdIntBuffer), 0);
  EXPECT_EQ(param(3), area->value);
  CmdIntSyntax = SyntaxEntry{};
}

TEST_F(Grammar, DuplicateFlagIsAWarning) {
  EXPECT_EQ(translate("RETURN IMMEDIATE IMMEDIATE"), 1);
  EXPECT_EQ(diagnostics(),
            Strings{"Duplicate or mutually exclusive options. Please check the command syntax"});
  EXPECT_EQ(err_severity[0], kSeverityWarning);
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

TEST_F(Grammar, ExpressionsAreTheirTokensConcatenated) {
  variable("&X", kTypeString, "ABCDEF");
  EXPECT_EQ(translate("RETURN COMMAREA(&X) TRANSID(A + B)"), 0);
  EXPECT_STREQ(dataName1, "&X");
  EXPECT_EQ(param_text(2, 4), "A+B ");
  EXPECT_EQ(translate("RETURN TRANSID(-(1)*2)"), 0);
  EXPECT_EQ(param_text(2, 4), "-(1)");  // cut to four characters of "-(1)*2"
}

TEST_F(Grammar, StackLimitEndsTheParse) {
  yy_stack_limit = 2;
  EXPECT_EQ(translate("RETURN TRANSID(((((A)))))"), 2);
  yy_stack_limit = kDefaultStackLimit;
  // The "(" that overflows leaves the option word as the last text.
  EXPECT_EQ(diagnostics(), Strings{"CICS option TRANSID unsupported or yacc stack overflow\n"});
  reset_scanner();
}

TEST_F(Grammar, ASecondStatementIsTranslatedToo) {
  EXPECT_EQ(translate("RETURN; EXEC CICS ASKTIME"), 0);
  EXPECT_EQ(descriptor(), expected(0x1002, 2));
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

TEST_F(Grammar, ASecondDecidingWordClashesAndTheFormStays) {
  // SEND TEXT (67): X'1806', base 13. MAP's name still goes to 2 and 5, so
  // FROM counts as given; LENGTH is absent, so "L" at 19; the defaults "T"
  // at 9 and "H" at 17.
  EXPECT_EQ(translate("SEND TEXT MAP(M)"), 2);
  EXPECT_EQ(diagnostics(), Strings{"Conflicting or duplicate options."});
  EXPECT_EQ(commandOpcode(), 67);
  EXPECT_EQ(descriptor(), expected(0x1806, 13, {{9, 'T'}, {17, 'H'}, {19, 'L'}}));
  // ISSUE has its own text for the clash.
  EXPECT_EQ(translate("ISSUE ABEND PRINT"), 2);
  EXPECT_EQ(diagnostics(), Strings{"Conflicting or duplicate option"});
  EXPECT_EQ(commandOpcode(), 37);
  // Without its second word ISSUE keeps the ABEND entry and says so.
  EXPECT_EQ(translate("ISSUE WAIT"), 2);
  EXPECT_EQ(diagnostics(),
            Strings{"Missing option ABEND,CONFIRMATION,ERASEAUP,ERROR,PREPARE,PRINT,or SIGNAL."});
  EXPECT_EQ(descriptor(), expected(0x0E0C, 2, {{3, 'W'}}));
  // WAIT TERMINAL while WAIT's form is open.
  EXPECT_EQ(translate("WAIT TERMINAL"), 2);
  EXPECT_EQ(diagnostics(), Strings{"Command 'WAIT TERMINAL' is currently not supported by Kelda "
                                   "PL/I preprocessor."});
}

TEST_F(Grammar, RequiredOptionsAreTheOnesNotWritten) {
  variable("&STRING", kTypeString, "ABC");
  EXPECT_EQ(translate("READ FILE(F)"), 2);
  EXPECT_EQ(diagnostics(), (Strings{"Command requires the SET or INTO option.",
                                    "Command requires the RIDFLD option."}));
  EXPECT_EQ(translate("READ RIDFLD(&STRING)"), 2);
  EXPECT_EQ(diagnostics(), (Strings{"Command requires the FILE or DATASET option.",
                                    "Command requires the SET or INTO option."}));
  // An option whose variable does not exist was still given.
  EXPECT_EQ(translate("READ FILE(F) INTO(&NOSUCH) RIDFLD(&STRING)"), 0);
  // The completion's findings come before the token that ended the options.
  EXPECT_EQ(translate("READ FILE(F) ABEND"), 2);
  EXPECT_EQ(diagnostics(),
            (Strings{"Command requires the SET or INTO option.",
                     "Command requires the RIDFLD option.", syntax_error_at("ABEND")}));
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

}  // namespace
}  // namespace qcmd
