// The whole command language: every verb of the syntax table translated in
// its plainest accepted form, and once in a form the translator must refuse,
// with the first finding it must report.
#include <string>

#include "command_cases.hpp"

namespace qcmd::testing {
namespace {

using Coverage = CommandCases;

struct VerbCase {
  const char* accepted;  // nullptr: the translator takes no form of the row
  const char* refused;
  std::string first_finding;
};

std::string parse_error_at(const char* token) {
  return std::string("CICS option ") + token + " unsupported or syntax error\n";
}
std::string missing_text(const char* names) {
  return std::string("Command requires the ") + names + " option.";
}

// One row per verb of the syntax table, in the table's order. A refusal is
// a missing required option, or a keyword that belongs to another command.
const VerbCase kVerbs[] = {
    {"ABEND", "ABEND QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ADDRESS EIB(&FWORD)", "ADDRESS QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ALLOCATE SYSID(S1)", "ALLOCATE PROFILE(P1)", missing_text("SYSID")},
    {"ASKTIME", "ASKTIME QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ASSIGN", "ASSIGN QUEUE(Q1)", parse_error_at("QUEUE")},
    {"BIF DEEDIT FIELD(&STRING)", "BIF DEEDIT LENGTH(5)", missing_text("FIELD")},
    {"CANCEL", "CANCEL QUEUE(Q1)", parse_error_at("QUEUE")},
    {"CONNECT PROCESS CONVID(C1) PROCNAME(P1) PROCLENGTH(2) SYNCLEVEL(1)",
     "CONNECT PROCESS PROCNAME(P1) PROCLENGTH(2) SYNCLEVEL(1)", missing_text("CONVID")},
    {"CONVERSE FROM(&STRING) INTO(&STRING)", "CONVERSE INTO(&STRING)", missing_text("FROM")},
    {"DELAY", "DELAY QUEUE(Q1)", parse_error_at("QUEUE")},
    {"DELETE FILE(F1) RIDFLD(K1)", "DELETE RIDFLD(K1)", missing_text("FILE or DATASET")},
    // A keyword that cannot follow ends the list: its completion runs first.
    {"DELETEQ TD QUEUE(Q1)", "DELETEQ TD FROM(&STRING)", missing_text("QUEUE")},
    {"DELETEQ TS QUEUE(Q1)", "DELETEQ TS SYSID(S1)", missing_text("QUEUE")},
    {"DEQ RESOURCE(&STRING)", "DEQ LENGTH(5)", missing_text("RESOURCE")},
    {"DUMP DUMPCODE(D1)", "DUMP COMPLETE", missing_text("DUMPCODE")},
    {"ENDBR FILE(F1)", "ENDBR REQID(1)", missing_text("FILE or DATASET")},
    {"ENQ RESOURCE(&STRING)", "ENQ LENGTH(5)", missing_text("RESOURCE")},
    {"ENTER TRACEID(1)", "ENTER ACCOUNT", missing_text("TRACEID")},
    {"EXTRACT ATTRIBUTES STATE(&FWORD)", "EXTRACT ATTRIBUTES CONVID(C1)", missing_text("STATE")},
    {"EXTRACT PROCESS PROCNAME(&STRING)", "EXTRACT PROCESS QUEUE(Q1)", parse_error_at("QUEUE")},
    {"FORMATTIME ABSTIME(&DWORD) YYMMDD(&STRING)", "FORMATTIME YYMMDD(&STRING)",
     missing_text("ABSTIME")},
    {"FREE", "FREE QUEUE(Q1)", parse_error_at("QUEUE")},
    {"FREEMAIN DATA(&FWORD)", "FREEMAIN QUEUE(Q1)", parse_error_at("QUEUE")},
    {"GETMAIN SET(&FWORD) LENGTH(10)", "GETMAIN LENGTH(10)", missing_text("SET")},
    {"HANDLE ABEND PROGRAM(P1)", "HANDLE ABEND QUEUE(Q1)", parse_error_at("QUEUE")},
    {"HANDLE AID PF3", "HANDLE AID QUEUE", parse_error_at("QUEUE")},
    {"HANDLE CONDITION NOTFND", "HANDLE CONDITION QUEUE", parse_error_at("QUEUE")},
    {"IGNORE CONDITION NOTFND", "IGNORE CONDITION QUEUE", parse_error_at("QUEUE")},
    {"INQUIRE CONNECTION(C1) NETNAME(&STRING)", "INQUIRE CONNECTION(C1) QUEUE(Q1)",
     parse_error_at("QUEUE")},
    {"INQUIRE FILE(F1) OPENSTATUS(&FWORD)", "INQUIRE FILE OPENSTATUS(&FWORD)",
     parse_error_at("OPENSTATUS")},
    {"INQUIRE PROGRAM(P1)", "INQUIRE PROGRAM(P1) QUEUE(Q1)", parse_error_at("QUEUE")},
    {"INQUIRE SYSTEM CICSSTATUS(&FWORD)", "INQUIRE SYSTEM QUEUE(Q1)", parse_error_at("QUEUE")},
    {"INQUIRE TASK LIST LISTSIZE(&FWORD)", "INQUIRE TASK LIST QUEUE(Q1)", parse_error_at("QUEUE")},
    {"INQUIRE TDQUEUE(Q1) NUMITEMS(&FWORD)", "INQUIRE TDQUEUE(Q1) QUEUE(Q1)",
     parse_error_at("QUEUE")},
    {"INQUIRE TERMINAL(T1) DEVICE(&FWORD)", "INQUIRE TERMINAL(T1) QUEUE(Q1)",
     parse_error_at("QUEUE")},
    {"INQUIRE TRANSACTION(T1) PROGRAM(&STRING)", "INQUIRE TRANSACTION(T1) QUEUE(Q1)",
     parse_error_at("QUEUE")},
    {"ISSUE ABEND", "ISSUE ABEND QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ISSUE CONFIRMATION", "ISSUE CONFIRMATION QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ISSUE ERASEAUP", "ISSUE ERASEAUP QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ISSUE ERROR", "ISSUE ERROR QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ISSUE PRINT", "ISSUE PRINT QUEUE(Q1)", parse_error_at("QUEUE")},
    {"ISSUE SIGNAL", "ISSUE SIGNAL QUEUE(Q1)", parse_error_at("QUEUE")},
    {"JOURNAL JFILEID(1) JTYPEID(JT) FROM(&STRING)", "JOURNAL JTYPEID(JT) FROM(&STRING)",
     missing_text("JFILEID")},
    {"LINK PROGRAM(P1)", "LINK COMMAREA(&STRING)", missing_text("PROGRAM")},
    {"LOAD PROGRAM(P1)", "LOAD QUEUE(Q1)", parse_error_at("QUEUE")},
    {"POP HANDLE", "POP HANDLE HANDLE", "Option HANDLE already specified"},
    {"POST SET(&FWORD)", "POST INTERVAL(10)", missing_text("SET")},
    {"PURGE MESSAGE", "PURGE MESSAGE QUEUE(Q1)", parse_error_at("QUEUE")},
    {"PUSH HANDLE", "PUSH HANDLE HANDLE", "Option HANDLE already specified"},
    {"READ FILE(F1) INTO(&STRING) RIDFLD(K1)", "READ INTO(&STRING) RIDFLD(K1)",
     missing_text("FILE or DATASET")},
    {"READNEXT FILE(F1) INTO(&STRING) RIDFLD(&STRING)", "READNEXT FILE(F1) INTO(&STRING)",
     missing_text("RIDFLD")},
    {"READPREV FILE(F1) INTO(&STRING) RIDFLD(&STRING)", "READPREV INTO(&STRING) RIDFLD(K1)",
     missing_text("DATASET or FILE")},
    {"READQ TD QUEUE(Q1) INTO(&STRING)", "READQ TD INTO(&STRING)", missing_text("QUEUE")},
    {"READQ TS QUEUE(Q1) INTO(&STRING)", "READQ TS QUEUE(Q1)", missing_text("SET or INTO")},
    {"RECEIVE INTO(&STRING) LENGTH(&HWORD)", "RECEIVE", missing_text("INTO or SET")},
    {"RECEIVE MAP(M1) INTO(&STRING)", "RECEIVE MAP(M1) QUEUE(Q1)", parse_error_at("QUEUE")},
    {"RELEASE PROGRAM(P1)", "RELEASE HOLD", parse_error_at("HOLD")},
    {"RESETBR FILE(F1) RIDFLD(K1)", "RESETBR FILE(F1)", missing_text("RIDFLD")},
    {"RETRIEVE", "RETRIEVE FROM(&STRING)", parse_error_at("FROM")},
    {"RETURN", "RETURN QUEUE(Q1)", parse_error_at("QUEUE")},
    {"REWRITE FILE(F1) FROM(&STRING)", "REWRITE FILE(F1) LENGTH(5)", missing_text("FROM")},
    {"SEND FROM(&STRING)", "SEND QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SEND CONTROL ERASE", "SEND CONTROL QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SEND MAP(M1) MAPONLY", "SEND MAP(M1) QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SEND PAGE", "SEND PAGE QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SEND TEXT FROM(&STRING)", "SEND TEXT QUEUE(Q1)", missing_text("FROM")},
    {"SEND TEXT MAPPED FROM(&STRING)", "SEND TEXT MAPPED QUEUE(Q1)", missing_text("FROM")},
    // NOEDIT is a screen row of its own but no option of SEND TEXT.
    {nullptr, "SEND TEXT NOEDIT FROM(&STRING)", missing_text("FROM")},
    {"SET FILE(F1) OPEN", "SET FILE(F1) QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SET TDQUEUE(Q1) CLOSED", "SET TDQUEUE(Q1) QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SET TERMINAL(T1) ACQUIRED", "SET TERMINAL(T1) QUEUE", parse_error_at("QUEUE")},
    {"START TRANSID(T1)", "START INTERVAL(10)", missing_text("TRANSID")},
    {"STARTBR FILE(F1) RIDFLD(K1)", "STARTBR RIDFLD(K1)", missing_text("FILE or DATASET")},
    {"SUSPEND", "SUSPEND QUEUE(Q1)", parse_error_at("QUEUE")},
    {"SYNCPOINT", "SYNCPOINT QUEUE(Q1)", parse_error_at("QUEUE")},
    {"TRACE ON", "TRACE SYSTEM", missing_text("ON or OFF")},
    {"UNLOCK FILE(F1)", "UNLOCK SYSID(S1)", missing_text("FILE or DATASET")},
    {"WAIT CONVID(C1)", "WAIT CONVID(C1) QUEUE(Q1)", parse_error_at("QUEUE")},
    {"WAIT EVENT ECADDR(&FWORD)", "WAIT EVENT", missing_text("ECADDR")},
    {"WAIT JOURNAL JFILEID(1)", "WAIT JOURNAL QUEUE(Q1)", missing_text("JFILEID")},
    {"WRITE FILE(F1) FROM(&STRING) RIDFLD(K1)", "WRITE FILE(F1) FROM(&STRING)",
     missing_text("RIDFLD")},
    {"WRITEQ TD QUEUE(Q1) FROM(&STRING)", "WRITEQ TD FROM(&STRING)", missing_text("QUEUE")},
    {"WRITEQ TS QUEUE(Q1) FROM(&STRING)", "WRITEQ TS FROM(&STRING)", missing_text("QUEUE")},
    {"XCTL PROGRAM(P1)", "XCTL", missing_text("PROGRAM")},
};

TEST_F(Coverage, EveryVerbIsTranslatedAndRefusedAsItsRulesSay) {
  ASSERT_EQ(std::size(kVerbs), std::size(SyntaxTable));
  for (std::size_t row = 0; row < std::size(kVerbs); ++row) {
    const VerbCase& verb = kVerbs[row];
    const std::string phrase = SyntaxTable[row].verb;
    SCOPED_TRACE(phrase);
    ASSERT_EQ(std::string(verb.refused).compare(0, phrase.size(), phrase), 0)
        << "the cases follow the syntax table's order";
    if (verb.accepted != nullptr) {
      EXPECT_EQ(evaluate_and_translate(verb.accepted), 0) << verb.accepted;
      EXPECT_EQ(found_diagnostics(), std::vector<Diagnostic>{}) << verb.accepted;
    }
    EXPECT_EQ(evaluate_and_translate(verb.refused), kSeverityError) << verb.refused;
    const std::vector<Diagnostic> found = found_diagnostics();
    ASSERT_FALSE(found.empty()) << verb.refused;
    EXPECT_EQ(found.front().text, verb.first_finding) << verb.refused;
  }
}

}  // namespace
}  // namespace qcmd::testing
