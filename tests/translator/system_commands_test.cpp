// System programming and the remaining commands: each case's descriptor and
// arguments are worked out from the option lists of the commands.
#include <string>

#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using System = CommandCases;

constexpr unsigned kAddress = 0x0202, kAssign = 0x0208, kDeedit = 0x2002, kDump = 0x1C02,
                   kEnter = 0x1A04, kJournal = 0x1402, kSyncpoint = 0x1602, kTrace = 0x1A02;

Diagnostic not_offered(const char* words) {
  return {kSeverityError, std::string("Command '") + words +
                              "' is currently not supported by Kelda PL/I preprocessor."};
}

TEST_F(System, AssignSetsBitsAndPassesByPriority) {
  const Diagnostic too_many{kSeverityError,
                            "You have exceeded the maximum allowable number of arguments\n"};
  const Diagnostic over_limit{kSeverityWarning,
                              "Number of options for ASSIGN command exceeded 16."};
  variable("&H", kTypeHalfword);
  check_all({
      {"ASSIGN", expected(kAssign, 1), {}, {}},
      // APPLID (priority 2) comes before USERID (53) whatever the order written.
      {"ASSIGN USERID(&STRING) APPLID(&HWORD)",
       expected(kAssign, 3, {{3, 0x24}, {16, 0x28}}),
       {var(2, "&HWORD"), var(3, "&STRING")},
       {}},
      {"ASSIGN SCRNWD(&HWORD) SCRNHT(&FWORD) STARTCODE(&STRING)",
       expected(kAssign, 4, {{11, 0x2D}}),
       {var(2, "&FWORD"), var(3, "&HWORD"), var(4, "&STRING")},
       {}},
      // Seventeen options: the seventeenth area is dropped, the count warned
      // of. A short name keeps the command within the command line.
      {"ASSIGN ABCODE(&STRING) APPLID(&H) COLOR(&H) CWALENG(&H) DELIMITER(&H) DESTCOUNT(&H) "
       "DESTID(&H) DESTIDLENG(&H) EXTDS(&H) FACILITY(&H) FCI(&H) HILIGHT(&H) INPARTN(&H) "
       "LDCMNEM(&H) LDCNUM(&H) MAPCOLUMN(&H) MAPHEIGHT(&FWORD)",
       expected(kAssign, 18, {{3, 0x2F}, {4, 0x2F}, {5, 0x2F}, {6, 0x2F}, {7, 0x28}}),
       {var(2, "&STRING"), var(3, "&H"), var(4, "&H"), var(5, "&H"), var(6, "&H"), var(7, "&H"),
        var(8, "&H"), var(9, "&H"), var(10, "&H"), var(11, "&H"), var(12, "&H"), var(13, "&H"),
        var(14, "&H"), var(15, "&H"), var(16, "&H")},
       {too_many, over_limit}},
      {"ADDRESS TWA(&FWORD) EIB(&HWORD)",
       expected(kAddress, 3, {{5, 'E'}, {7, 'T'}}),
       {var(2, "&HWORD"), var(3, "&FWORD")},
       {}},
  });
}

TEST_F(System, DeeditDumpEnterJournalSyncpointTrace) {
  check_all({
      {"BIF DEEDIT FIELD(&STRING) LENGTH(23)",
       expected(kDeedit, 3, {{3, 'L'}}),
       {var(2, "&STRING"), half(3, 23)},
       {}},
      {"BIF DEEDIT LENGTH(5)",
       expected(kDeedit, 3, {{3, 'L'}}),
       {half(3, 5)},
       {requires_option("FIELD")}},
      {"DUMP DUMPCODE(D1) FROM(&STRING) TASK",
       expected(kDump, 3, {{3, 'F'}, {4, 'L'}, {6, 'T'}}),
       {chr(2, "D1", 4), var(3, "&STRING"), half(4, 23)},
       {}},
      {"DUMP COMPLETE TABLES",
       expected(kDump, 1, {{5, 'C'}, {10, 'T'}}),
       {},
       {requires_option("DUMPCODE")}},
      {"ENTER TRACEID(5) FROM(&STRING) ACCOUNT",
       expected(kEnter, 3, {{3, 'F'}, {6, 'A'}}),
       {half(2, 5), var(3, "&STRING")},
       {}},
      {"ENTER RESOURCE(R1) ENTRYNAME(E1)",
       expected(kEnter, 5, {{4, 'R'}, {5, 'E'}}),
       {chr(4, "R1", 8), chr(5, "E1", 8)},
       {requires_option("TRACEID")}},
      {"JOURNAL JFILEID(1) JTYPEID(JT) FROM(&STRING) WAIT",
       expected(kJournal, 4, {{3, 'L'}, {4, 'F'}, {8, 'W'}}),
       {half(2, 1), chr(3, "JT", 2), var(4, "&STRING"), half(5, 23)},
       {}},
      // REQID takes position 4 from FROM without a duplicate warning.
      {"JOURNAL JFILEID(1) JTYPEID(JT) FROM(&STRING) REQID(&FWORD)",
       expected(kJournal, 6, {{3, 'L'}, {4, 'R'}}),
       {half(2, 1), chr(3, "JT", 2), var(4, "&STRING"), half(5, 23), var(6, "&FWORD")},
       {}},
      {"JOURNAL REQID(&FWORD) FROM(&STRING)",
       expected(kJournal, 6, {{3, 'L'}, {4, 'R'}}),
       {var(4, "&STRING"), half(5, 23), var(6, "&FWORD")},
       {requires_option("JFILEID"), requires_option("JTYPEID")}},
      {"SYNCPOINT", expected(kSyncpoint, 1), {}, {}},
      {"SYNCPOINT ROLLBACK", expected(kSyncpoint, 1, {{3, 'R'}}), {}, {}},
      {"TRACE ON SYSTEM", expected(kTrace, 1, {{3, 'Y'}, {4, 'S'}}), {}, {}},
      {"TRACE OFF EI USER SINGLE",
       expected(kTrace, 1, {{3, 'N'}, {5, 'E'}, {6, 'U'}, {7, 'S'}}),
       {},
       {}},
      {"TRACE USER", expected(kTrace, 1, {{6, 'U'}}), {}, {requires_option("ON or OFF")}},
  });
}

TEST_F(System, InquireAndSetPassTheirResourceAfterTheVerb) {
  check_all({
      {"INQUIRE CONNECTION(C1) NETNAME(&STRING) CONNSTATUS(&FWORD)",
       expected(0x5802, 7, {{10, 'C'}, {12, 'N'}}),
       {chr(2, "C1", 4), var(5, "&FWORD"), var(7, "&STRING")},
       {}},
      {"INQUIRE FILE(F1) OPENSTATUS(&FWORD) TYPE(&HWORD) RECORDSIZE(&PACKED)",
       expected(0x4C02, 7, {{18, 'Z'}, {20, 'O'}, {22, 'T'}}),
       {chr(2, "F1", 8), var(4, "&FWORD"), var(5, "&HWORD"), var(6, "&PACKED")},
       {}},
      {"INQUIRE DATASET(LONGFILENAME) ENABLESTATUS(&FWORD)",
       expected(0x4C02, 7, {{21, 'E'}}),
       {chr(2, "LONGFILE", 8), var(3, "&FWORD")},
       {}},
      {"INQUIRE PROGRAM(P1)", expected(0x4E02, 2), {chr(2, "P1", 8)}, {}},
      {"INQUIRE SYSTEM CICSSTATUS(&FWORD)",
       expected(0x5402, 2, {{21, 'C'}}),
       {var(2, "&FWORD")},
       {}},
      {"INQUIRE TASK LIST LISTSIZE(&FWORD) SET(&HWORD) RUNNING",
       expected(0x5E02, 3, {{5, 'L'}, {15, 'S'}, {20, 'R'}}),
       {var(2, "&FWORD"), var(3, "&HWORD")},
       {}},
      {"INQUIRE TDQUEUE(Q1) NUMITEMS(&FWORD) ATITRANID(&STRING)",
       expected(0x5C02, 8, {{3, 'N'}, {8, 'X'}}),
       {chr(2, "Q1", 4), var(3, "&FWORD"), var(8, "&STRING")},
       {}},
      {"INQUIRE TERMINAL(T1) TERMSTATUS(&FWORD) DEVICE(&HWORD)",
       expected(0x5202, 7, {{16, 'D'}, {17, 'A'}}),
       {chr(2, "T1", 4), var(4, "&HWORD"), var(5, "&FWORD")},
       {}},
      {"INQUIRE TRANSACTION(QCMD) PROGRAM(&STRING) REMOTESYSTEM(&FWORD)",
       expected(0x5002, 3, {{3, 'P'}, {5, 'S'}}),
       {chr(2, "QCMD", 4), var(3, "&STRING"), var(5, "&FWORD")},
       {}},
      {"SET FILE(F1) OPEN ENABLED",
       expected(0x4C04, 2, {{20, 'O'}, {21, 'E'}}),
       {chr(2, "F1", 8)},
       {}},
      {"SET DATASET(F1) CLOSED DISABLED",
       expected(0x4C04, 2, {{20, 'C'}, {21, 'D'}}),
       {chr(2, "F1", 8)},
       {}},
      {"SET TDQUEUE(Q1) CLOSED", expected(0x5C04, 2, {{20, 'C'}}), {chr(2, "Q1", 4)}, {}},
      {"SET TERMINAL(T1) ACQSTATUS(&FWORD) UCTRANST(5)",
       expected(0x5204, 5, {{20, 'A'}, {21, 'S'}}),
       {chr(2, "T1", 4), var(4, "&FWORD"), full(5, 5)},
       {}},
      {"SET TERMINAL(T1) RELEASED ACQUIRED",
       expected(0x5204, 5, {{20, 'C'}}),
       {chr(2, "T1", 4)},
       {duplicate_flag()}},
  });
}

// The forms the monitor does not offer: read whole with their options,
// reported once, nothing encoded.
TEST_F(System, FormsNotOfferedAreReportedAndEncodeNothing) {
  check_all({
      {"COLLECT STATISTICS TASK(&FWORD) SET(&FWORD)",
       expected(0, 1),
       {},
       {not_offered("COLLECT STATISTICS")}},
      {"INQUIRE JOURNALNUM(1) OPENSTATUS(&FWORD)",
       expected(0, 1),
       {},
       {not_offered("INQUIRE JOURNALNUM")}},
      {"INQUIRE NETNAME(N1) TERMINAL(&STRING) USERID(&STRING)",
       expected(0, 1),
       {},
       {not_offered("INQUIRE NETNAME")}},
      {"INQUIRE STATISTICS RECORDING(&FWORD)",
       expected(0, 1),
       {},
       {not_offered("INQUIRE STATISTICS")}},
      {"INQUIRE TASK(5) FACILITY(&STRING)", expected(0, 1), {}, {not_offered("INQUIRE TASK")}},
      {"PERFORM STATISTICS RECORD ALL", expected(0, 1), {}, {not_offered("PERFORM STATISTICS")}},
      {"SET CONNECTION(C1) SERVSTATUS(&FWORD)",
       expected(0, 1),
       {},
       {not_offered("SET CONNECTION")}},
      {"SET JOURNALNUM(1) OPENSTATUS(&FWORD)", expected(0, 1), {}, {not_offered("SET JOURNALNUM")}},
      {"SET PROGRAM(P1) STATUS(&FWORD)", expected(0, 1), {}, {not_offered("SET PROGRAM")}},
      {"SET STATISTICS RECORDING(&FWORD)", expected(0, 1), {}, {not_offered("SET STATISTICS")}},
      {"SET TASK(1) PURGETYPE(X)", expected(0, 1), {}, {not_offered("SET TASK")}},
      {"SET TRANSACTION(T1) PRIORITY(1) STATUS(&FWORD) FOO",
       expected(0, 1),
       {},
       {not_offered("SET TRANSACTION"), unsupported("FOO")}},
  });
}

}  // namespace
}  // namespace qcmd::testing
