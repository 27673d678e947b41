// The terminal and conversation commands: each case's descriptor and
// arguments are worked out from the option lists of the commands.
#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using Terminal = CommandCases;

const Diagnostic kConflictingOptions{kSeverityError, "Conflicting or duplicate options."};
const Diagnostic kConflictingOption{kSeverityError, "Conflicting or duplicate option"};

TEST_F(Terminal, SendEncodesCollectedOptionsByItsFinalForm) {
  check_all({
      {"SEND CONTROL ERASE FREEKB",
       expected(0x1812, 8, {{9, 'T'}, {12, 'E'}, {14, 'F'}, {17, 'H'}}),
       {},
       {}},
      {"SEND CONTROL CURSOR(100) SET(&FWORD) LDC(AB) ALARM WAIT",
       expected(0x1812, 8, {{7, 'L'}, {8, 'C'}, {9, 'S'}, {10, 'W'}, {15, 'A'}, {17, 'H'}}),
       {half(5, 100), chr(6, "AB", 2), var(8, "&FWORD")},
       {}},
      {"SEND CONTROL FORMFEED OUTPARTN(P1) ACTPARTN(A1) MSR(&FWORD) LAST",
       expected(0x1812, 8,
                {{3, 'F'}, {4, 'M'}, {5, 'O'}, {9, 'T'}, {17, 'H'}, {18, 'A'}, {19, 'L'}}),
       {var(2, "&FWORD"), chr(3, "P1", 2), chr(4, "A1", 2)},
       {}},
      {"SEND FROM(&STRING) ERASE WAIT LDC(XY)",
       expected(0x0404, 12, {{9, 'E'}, {11, 'L'}, {18, 'W'}, {19, 'L'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 23), chr(7, "XY", 2)},
       {}},
      {"SEND FROM(&STRING) LENGTH(5) LAST CONVID(C1)",
       expected(0x0404, 12, {{10, 'L'}, {19, 'L'}, {20, 'C'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 5), chr(10, "C1", 4)},
       {}},
      {"SEND", expected(0x0404, 12, {}), {}, {}},
      {"SEND MAP(M1) MAPSET(MS1) ERASE",
       expected(0x1804, 12, {{9, 'T'}, {12, 'E'}, {17, 'H'}}),
       {chr(2, "M1", 7), chr(5, "MS1", 7)},
       {}},
      {"SEND MAP(M1) FROM(&STRING) CURSOR",
       expected(0x1804, 12, {{8, 'C'}, {9, 'T'}, {17, 'H'}, {19, 'L'}, {21, 'F'}}),
       {chr(2, "M1", 7), var(3, "&STRING"), half(4, 23), chr(5, "M1", 7), half(9, -1)},
       {}},
      {"SEND MAP(M1) LENGTH(9) MSR(3) FORMFEED DATAONLY",
       expected(0x1804, 12, {{3, 'D'}, {4, 'L'}, {9, 'T'}, {17, 'H'}, {20, 'F'}}),
       {chr(2, "M1", 7), half(4, 9), chr(5, "M1", 7), full(12, 3)},
       {}},
      {"SEND PAGE SET(&FWORD) LAST",
       expected(0x1808, 5, {{9, 'L'}, {10, 'S'}}),
       {var(5, "&FWORD")},
       {}},
      {"SEND TEXT FROM(&STRING) ERASE",
       expected(0x1806, 13, {{9, 'T'}, {12, 'E'}, {17, 'H'}, {19, 'L'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 23)},
       {}},
      // LENGTH given: no "L" at 19; MAPPED at 11 keeps 17 blank.
      {"SEND TEXT FROM(&STRING) LENGTH(10) MAPPED",
       expected(0x1806, 13, {{9, 'T'}, {11, 'M'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 10)},
       {}},
      // OUTPARTN overwrites FROM's "F" at 21 without a warning.
      {"SEND TEXT FROM(&STRING) OUTPARTN(P1) ACTPARTN(A1) MSR(7) TRAILER(&DWORD) HEADER(&PACKED)",
       expected(0x1806, 13,
                {{3, 'H'}, {4, 'T'}, {9, 'T'}, {17, 'H'}, {19, 'L'}, {21, 'O'}, {22, 'A'}}),
       {var(2, "&STRING"), half(3, 23), var(9, "&PACKED"), var(10, "&DWORD"), chr(11, "P1", 2),
        chr(12, "A1", 2), full(13, 7)},
       {}},
      {"SEND TEXT LENGTH(4) CURSOR(80) SET(&FWORD)",
       expected(0x1806, 13, {{8, 'C'}, {9, 'S'}, {17, 'H'}}),
       {half(3, 4), half(4, 80), var(6, "&FWORD")},
       {requires_option("FROM")}},
  });
}

TEST_F(Terminal, SendWithEmptyParenthesesTakesItsDynamicVariableInTurn) {
  check_all({
      // SET() after CONTROL: the first dynamic variable, although CURSOR(5)
      // follows it and is encoded first.
      {"SEND CONTROL SET() CURSOR(5)",
       expected(0x1812, 8, {{8, 'C'}, {9, 'S'}, {17, 'H'}}),
       {half(5, 5), dyn(8, 1)},
       {}},
      // Before the form is chosen SET() is ignored.
      {"SEND SET() CONTROL FREEKB", expected(0x1812, 8, {{9, 'T'}, {14, 'F'}, {17, 'H'}}), {}, {}},
      {"SEND TEXT FROM(&STRING) LENGTH(2) TRAILER()",
       expected(0x1806, 13, {{4, 'T'}, {9, 'T'}, {17, 'H'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 2), dyn(10, 2)},
       {}},
      {"SEND TRAILER() TEXT FROM(&STRING) LENGTH(2)",
       expected(0x1806, 13, {{9, 'T'}, {17, 'H'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 2)},
       {}},
  });
}

TEST_F(Terminal, SendReportsClashesDuplicatesAndUnsupportedForms) {
  check_all({
      {"SEND TEXT FROM(&STRING) MAP(M1)",
       expected(0x1806, 13, {{9, 'T'}, {17, 'H'}, {19, 'L'}, {21, 'F'}}),
       {var(2, "&STRING"), half(3, 23), any(5)},
       {kConflictingOptions}},
      {"SEND CONTROL PAGE", expected(0x1812, 8, {{9, 'T'}, {17, 'H'}}), {}, {kConflictingOptions}},
      {"SEND CONTROL FREEKB FREEKB",
       expected(0x1812, 8, {{9, 'T'}, {14, 'F'}, {17, 'H'}}),
       {},
       {duplicate_flag()}},
      {"SEND FROM() ERASE", expected(0x0404, 12, {{9, 'E'}}), {}, {unsupported("FROM")}},
      {"SEND CONTROL ERASE RESP(&FWORD)",
       expected(0x1812, 8, {{9, 'T'}, {12, 'E'}, {17, 'H'}, {26, 'N'}}),
       {},
       {}},
  });
}

TEST_F(Terminal, ReceiveTerminalAndMapForms) {
  variable("&M1I", kTypeString, "MAP INPUT");
  check_all({
      {"RECEIVE INTO(&STRING)",
       expected(0x0402, 7, {{3, 'I'}, {8, 'L'}}),
       {var(2, "&STRING"), half(3, 23)},
       {}},
      {"RECEIVE SET(&FWORD) LENGTH(&HWORD)",
       expected(0x0402, 7, {{3, 'S'}, {8, 'L'}}),
       {var(2, "&FWORD"), var(3, "&HWORD")},
       {}},
      {"RECEIVE LENGTH() INTO(&STRING) ASIS",
       expected(0x0402, 7, {{3, 'I'}, {4, 'A'}, {8, 'L'}}),
       {var(2, "&STRING"), dyn(3, 1)},
       {}},
      {"RECEIVE INTO(&STRING) CONVID(C1) MAXLENGTH(80)",
       expected(0x0402, 7, {{3, 'I'}, {7, 'H'}, {8, 'L'}, {20, 'C'}}),
       {var(2, "&STRING"), half(3, 23), half(4, 80), chr(6, "C1", 4)},
       {}},
      {"RECEIVE",
       expected(0x0402, 7, {}),
       {},
       {requires_option("INTO or SET"), requires_option("LENGTH")}},
      {"RECEIVE MAP(M1) INTO(&STRING) MAPSET(S1)",
       expected(0x1802, 7, {{3, 'T'}, {5, 'I'}}),
       {chr(2, "M1", 7), var(3, "&STRING"), any(4), chr(5, "S1", 7)},
       {}},
      {"RECEIVE MAP(M1) SET(&FWORD) LENGTH(6)",
       expected(0x1802, 7, {{3, 'T'}, {5, 'S'}}),
       {chr(2, "M1", 7), var(3, "&FWORD"), half(4, 6), chr(5, "M1", 7)},
       {}},
      // Neither INTO nor SET: the map's own input variable &M1I.
      {"RECEIVE MAP(M1)",
       expected(0x1802, 7, {{3, 'T'}}),
       {chr(2, "M1", 7), var(3, "&M1I"), chr(5, "M1", 7)},
       {}},
      {"RECEIVE MAP(M1) FROM(&STRING)",
       expected(0x1802, 7, {{3, 'F'}}),
       {chr(2, "M1", 7), var(3, "&M1I"), half(4, 23), chr(5, "M1", 7), var(6, "&STRING")},
       {}},
      {"RECEIVE MAP(M1) LENGTH()",
       expected(0x1802, 7, {{3, 'T'}}),
       {chr(2, "M1", 7), var(3, "&M1I"), chr(5, "M1", 7)},
       {unsupported("LENGTH")}},
  });
}

TEST_F(Terminal, ConverseDefaultsBothLengths) {
  check_all({
      // INTO(v) names data area 2 but passes nothing at 4.
      {"CONVERSE FROM(&STRING) INTO(&FWORD)",
       expected(0x0406, 15, {{3, 'F'}, {4, 'I'}, {5, 'T'}}),
       {var(2, "&STRING"), half(3, 23), half(5, 4)},
       {}},
      {"CONVERSE FROM(&STRING) FROMLENGTH(5) TOLENGTH(&HWORD) INTO() MAXLENGTH(80) ERASE",
       expected(0x0406, 15, {{3, 'F'}, {4, 'I'}, {5, 'T'}, {10, 'E'}, {15, 'H'}}),
       {var(2, "&STRING"), half(3, 5), dyn(4, 2), var(5, "&HWORD"), half(13, 80)},
       {}},
      {"CONVERSE FROM(&STRING) CONVID(C1) TOFLENGTH(&FWORD) MAXFLENGTH(100) FROMFLENGTH(9)",
       expected(0x0406, 15, {{3, 'F'}, {5, 'F'}, {15, 'F'}, {16, 'F'}, {20, 'C'}}),
       {var(2, "&STRING"), full(3, 9), var(5, "&FWORD"), chr(6, "C1", 4), full(13, 100)},
       {}},
      {"CONVERSE INTO(&STRING) CTLCHAR(X) DEST(D1)",
       expected(0x0406, 15, {{4, 'I'}, {5, 'T'}, {7, 'C'}, {9, 'D'}}),
       {half(5, 23), chr(7, "X", 1), chr(9, "D1", 4)},
       {requires_option("FROM")}},
      {"CONVERSE FROM(&STRING) SET(&FWORD) STATE(&FWORD)",
       expected(0x0406, 15, {{3, 'F'}, {4, 'S'}}),
       {var(2, "&STRING"), half(3, 23), var(4, "&FWORD")},
       {unsupported("STATE")}},
  });
}

TEST_F(Terminal, IssueSwitchesToItsSecondWord) {
  check_all({
      {"ISSUE ABEND CONVID(C1) STATE(&FWORD)",
       expected(0x0430, 3, {{22, 'S'}}),
       {chr(2, "C1", 4), var(3, "&FWORD")},
       {}},
      {"ISSUE CONFIRMATION", expected(0x0434, 3, {}), {}, {}},
      {"ISSUE ERASEAUP WAIT", expected(0x0418, 3, {{3, 'W'}}), {}, {}},
      {"ISSUE ERROR", expected(0x0436, 3, {}), {}, {}},
      {"ISSUE PRINT", expected(0x041C, 3, {}), {}, {}},
      {"ISSUE SIGNAL PRINT", expected(0x041E, 3, {}), {}, {kConflictingOption}},
      {"ISSUE",
       expected(0x0E0C, 2, {}),
       {},
       {{kSeverityError,
         "Missing option ABEND,CONFIRMATION,ERASEAUP,ERROR,PREPARE,PRINT,or SIGNAL."}}},
      {"ISSUE WAIT",
       expected(0x0E0C, 2, {{3, 'W'}}),
       {},
       {{kSeverityError,
         "Missing option ABEND,CONFIRMATION,ERASEAUP,ERROR,PREPARE,PRINT,or SIGNAL."}}},
  });
  EXPECT_EQ(evaluate_and_translate("ISSUE PREPARE"), 0);
  EXPECT_EQ(evaluate_and_translate("ISSUE PREPARE SIGNAL"), kSeverityError);
  EXPECT_EQ(found_diagnostics(), std::vector<Diagnostic>{kConflictingOption});
}

TEST_F(Terminal, WaitFormsAndTheirRequiredOperand) {
  check_all({
      {"WAIT EVENT ECADDR(&FWORD)", expected(0x1202, 2, {}), {var(2, "&FWORD")}, {}},
      {"WAIT JOURNAL JFILEID(3) REQID(&FWORD) STARTIO",
       expected(0x1404, 3, {{3, 'R'}, {4, 'S'}}),
       {half(2, 3), var(3, "&FWORD")},
       {}},
      {"WAIT CONVID(C1) STATE(&FWORD)",
       expected(0x042C, 3, {{3, 'S'}}),
       {chr(2, "C1", 4), var(3, "&FWORD")},
       {}},
      {"WAIT EVENT", expected(0x1202, 2, {}), {}, {requires_option("ECADDR")}},
      {"WAIT JOURNAL STARTIO", expected(0x1404, 3, {{4, 'S'}}), {}, {requires_option("JFILEID")}},
      {"WAIT EVENT JOURNAL ECADDR(&FWORD)",
       expected(0x1202, 2, {}),
       {var(2, "&FWORD")},
       {kConflictingOptions}},
      // A second CONVID still passes its name.
      {"WAIT CONVID(C1) CONVID(C2)",
       expected(0x042C, 3, {}),
       {chr(2, "C2", 4)},
       {kConflictingOptions}},
  });
  EXPECT_EQ(evaluate_and_translate("WAIT TERMINAL"), kSeverityError);
  const Diagnostic not_supported{
      kSeverityError,
      "Command 'WAIT TERMINAL' is currently not supported by Kelda PL/I preprocessor."};
  EXPECT_EQ(found_diagnostics(), std::vector<Diagnostic>{not_supported});
}

TEST_F(Terminal, ConversationCommands) {
  check_all({
      {"ALLOCATE SYSID(S1) PROFILE(P1) STATE(&FWORD)",
       expected(0x0420, 4, {{3, 'P'}, {4, 'S'}}),
       {chr(2, "S1", 4), chr(3, "P1", 8), var(4, "&FWORD")},
       {}},
      {"ALLOCATE PROFILE(P1)",
       expected(0x0420, 4, {{3, 'P'}}),
       {chr(3, "P1", 8)},
       {requires_option("SYSID")}},
      {"CONNECT PROCESS CONVID(C1) PROCNAME(&STRING) SYNCLEVEL(2)",
       expected(0x0432, 6, {}),
       {chr(2, "C1", 4), var(3, "&STRING"), half(4, 23), half(5, 2)},
       {}},
      {"CONNECT PROCESS STATE(&FWORD) PROCLENGTH(4)",
       expected(0x0432, 6, {{6, 'S'}}),
       {half(4, 4), var(6, "&FWORD")},
       {requires_option("CONVID"), requires_option("PROCNAME"), requires_option("SYNCLEVEL")}},
      {"CONNECT PROCESS CONVID(C1) PROCNAME(&STRING) PROCLENGTH(3) SYNCLEVEL(1) PIPLIST(&DWORD)",
       expected(0x0432, 6, {}),
       {chr(2, "C1", 4), var(3, "&STRING"), half(4, 3), half(5, 1)},
       {unsupported("PIPLIST")}},
      {"EXTRACT ATTRIBUTES SESSION(S1) STATE(&FWORD)",
       expected(0x043E, 3, {}),
       {chr(2, "S1", 4), var(3, "&FWORD")},
       {}},
      {"EXTRACT ATTRIBUTES CONVID(C1)",
       expected(0x043E, 3, {}),
       {chr(2, "C1", 4)},
       {requires_option("STATE")}},
      {"EXTRACT PROCESS CONVID(C1) PROCNAME(&STRING) PROCLENGTH(&HWORD) MAXPROCLEN(8) "
       "SYNCLEVEL(&HWORD)",
       expected(0x042E, 8, {{4, 'N'}, {5, 'L'}, {6, 'M'}, {7, 'S'}}),
       {chr(2, "C1", 4), var(3, "&STRING"), var(4, "&HWORD"), full(5, 8), var(6, "&HWORD")},
       {}},
      {"EXTRACT PROCESS PIPLIST(&STRING)",
       expected(0x042E, 8, {{8, 'P'}}),
       {var(7, "&STRING")},
       {requires_option("PIPLENGTH")}},
      {"EXTRACT PROCESS PIPLIST(&STRING) PIPLENGTH(&HWORD)",
       expected(0x042E, 8, {{8, 'P'}, {9, 'I'}}),
       {var(7, "&STRING"), var(8, "&HWORD")},
       {}},
      {"FREE", expected(0x0422, 3, {}), {}, {}},
      {"FREE CONVID(C1) STATE(&FWORD)",
       expected(0x0422, 3, {{3, 'C'}, {4, 'S'}}),
       {chr(2, "C1", 4), var(3, "&FWORD")},
       {}},
      {"PURGE MESSAGE", expected(0x180A, 1, {}), {}, {}},
      {"PURGE MESSAGE NOHANDLE", expected(0x180A, 1, {{26, 'N'}}), {}, {}},
  });
}

}  // namespace
}  // namespace qcmd::testing
