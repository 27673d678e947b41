// Commands as a user types them at QCMD, translated by the interpreter's own
// pipeline (verb recognition, argument evaluation, the translator, with the
// example variables) and executed by cintroute against a fresh region: the
// response and what the command left in the variables. Each scenario runs its
// lines in order in one task; one line a case.
//
// An effect "&NAME=TEXT" expects a character variable to begin with TEXT, or
// a number variable to hold TEXT in decimal; "&NAME!=TEXT" expects it not to.
// "{year}" stands for the current year.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/bytes.hpp"
#include "host/host.hpp"
#include "monitor/region/programs.hpp"
#include "programs/builtins.hpp"
#include "shell/lifecycle.hpp"
#include "shell/translate.hpp"
#include "shell/usrscreen.hpp"
#include "support/test_region.hpp"
#include "vars/eibscreen.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd {
namespace {

struct Line {
  const char* command;
  const char* response;  // EIBRESP by name
  std::int32_t resp2;
  const char* effect = "";
};

struct Scenario {
  const char* name;
  std::vector<Line> lines;
};

const Scenario kScenarios[] = {
    {"temporary storage",
     {{"WRITEQ TS QUEUE(TQ1) FROM(&STRING) ITEM(&HWORD)", "NORMAL", 0, "&HWORD=1"},
      {"READQ TS QUEUE(TQ1) INTO(&STRING) ITEM(1) NUMITEMS(&HWORD)", "NORMAL", 0, "&HWORD=1"},
      {"READQ TS QUEUE(TQ1) INTO(&STRING) LENGTH(&HWORD) ITEM(1)", "LENGERR", 0, "&HWORD=23"},
      {"READQ TS QUEUE(TQ1) SET(&FWORD) LENGTH(&HWORD) ITEM(1)", "NORMAL", 0, "&FWORD!=123456789"},
      {"READQ TS QUEUE(NOQ) INTO(&STRING)", "QIDERR", 0},
      {"WRITEQ TS QUEUE(TQ1) FROM(&STRING) LENGTH(7)", "NORMAL", 0},
      // NEXT: after the item read last
      {"READQ TS QUEUE(TQ1) INTO(&STRING) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=7"},
      {"READQ TS QUEUE(TQ1) INTO(&STRING)", "ITEMERR", 0},  // past the last
      {"READQ TS QUEUE(TQ1) INTO(&STRING) ITEM(3)", "ITEMERR", 0},
      {"WRITEQ TS QUEUE(TQ1) FROM(&DWORD) LENGTH(4) ITEM(2) REWRITE", "NORMAL", 0},
      {"READQ TS QUEUE(TQ1) INTO(&STRING) LENGTH(&HWORD) ITEM(2)", "NORMAL", 0, "&HWORD=4"},
      {"WRITEQ TS QUEUE(TQ1) FROM(&STRING) ITEM(9) REWRITE", "ITEMERR", 0},
      {"WRITEQ TS QUEUE(TQ1) FROM(&STRING) LENGTH(-1)", "LENGERR", 0},
      {"WRITEQ TS QUEUE(TQ1) FROM(&STRING) SYSID(SYSB)", "SYSIDERR", 0},
      {"DELETEQ TS QUEUE(TQ1)", "NORMAL", 0},
      {"DELETEQ TS QUEUE(TQ1)", "QIDERR", 0}}},
    {"transient data",
     {{"WRITEQ TD QUEUE(TDQ1) FROM(&STRING)", "NORMAL", 0},
      {"READQ TD QUEUE(TDQ1) INTO(&STRING) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=23"},
      {"WRITEQ TD QUEUE(TDQ1) FROM(&DWORD) LENGTH(8)", "NORMAL", 0},
      {"WRITEQ TD QUEUE(TDQ1) FROM(&STRING) LENGTH(3)", "NORMAL", 0},
      {"READQ TD QUEUE(TDQ1) INTO(&STRING) LENGTH(2)", "LENGERR", 0},  // cut, and gone
      {"READQ TD QUEUE(TDQ1) INTO(&STRING) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=3"},
      {"READQ TD QUEUE(TDQ1) INTO(&STRING)", "QZERO", 0},
      {"WRITEQ TD QUEUE(TDQ1) FROM(&STRING) SYSID(SYSB)", "SYSIDERR", 0},
      {"DELETEQ TD QUEUE(TDQ1)", "NORMAL", 0}}},
    {"files",
     {{"WRITE FILE(FILEA) FROM(&STRING) RIDFLD(&DWORD)", "NORMAL", 0},
      {"WRITE FILE(FILEA) FROM(&STRING) RIDFLD(&DWORD)", "DUPREC", 0},
      {"WRITE FILE(FILEA) FROM(&STRING) RIDFLD(KEY2) KEYLENGTH(4)", "INVREQ", 5},  // keys are 8
      {"REWRITE FILE(FILEA) FROM(&STRING) LENGTH(5)", "INVREQ", 6},  // nothing read for update
      {"READ FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) UPDATE", "NORMAL", 0},
      {"REWRITE FILE(FILEA) FROM(&STRING) LENGTH(5)", "NORMAL", 0},
      {"READ FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=5"},
      {"READ FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) GTEQ", "INVREQ", 4},
      {"STARTBR FILE(FILEA) RIDFLD(&DWORD)", "NORMAL", 0},
      {"STARTBR FILE(FILEA) RIDFLD(&DWORD)", "INVREQ", 8},
      {"READNEXT FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) LENGTH(&HWORD)", "NORMAL", 0},
      {"READNEXT FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) LENGTH(&HWORD)", "ENDFILE", 0},
      {"READPREV FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) LENGTH(&HWORD)", "NORMAL", 0},
      {"RESETBR FILE(FILEA) RIDFLD(&DWORD)", "NORMAL", 0},
      {"ENDBR FILE(FILEA)", "NORMAL", 0},
      {"ENDBR FILE(FILEA)", "INVREQ", 7},
      {"STARTBR FILE(FILEA) RIDFLD(&DWORD) REQID(2)", "NORMAL", 0},
      {"ENDBR FILE(FILEA) REQID(2)", "NORMAL", 0},
      {"READ FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD) UPDATE", "NORMAL", 0},
      {"DELETE FILE(FILEA)", "NORMAL", 0},  // the record read for update
      {"STARTBR FILE(FILEA) RIDFLD(&DWORD) EQUAL", "NOTFND", 0},
      {"WRITE FILE(FILEA) FROM(&STRING) RIDFLD(&DWORD)", "NORMAL", 0},
      {"DELETE FILE(FILEA) RIDFLD(&DWORD)", "NORMAL", 0},
      {"READ FILE(FILEA) INTO(&STRING) RIDFLD(&DWORD)", "NOTFND", 0},
      {"UNLOCK FILE(FILEA)", "NORMAL", 0}}},
    {"storage",
     {{"GETMAIN SET(&FWORD) FLENGTH(100) INITIMG(&STRING)", "NORMAL", 0, "&FWORD!=123456789"},
      {"FREEMAIN DATA(&FWORD)", "NORMAL", 0},
      {"FREEMAIN DATA(&FWORD)", "INVREQ", 1},
      {"GETMAIN SET(&FWORD) LENGTH(0)", "LENGERR", 0}}},
    {"clock",
     {{"ASKTIME ABSTIME(&DWORD)", "NORMAL", 0},
      {"FORMATTIME ABSTIME(&DWORD) YEAR(&FWORD)", "NORMAL", 0, "&FWORD={year}"},
      {"FORMATTIME ABSTIME(&DWORD) YYYYMMDD(&STRING) DATESEP('-')", "NORMAL", 0, "&STRING={year}-"},
      {"ASKTIME ABSTIME(&PACKED)", "LENGERR", 202}}},
    {"programs",
     {{"LINK PROGRAM(ECHO) COMMAREA(&STRING) LENGTH(3)", "NORMAL", 0, "&STRING=AXEMPLE"},
      {"LINK PROGRAM(NOPROG)", "PGMIDERR", 1},
      {"LINK PROGRAM(ECHO) COMMAREA(&STRING) LENGTH(3) DATALENGTH(5)", "LENGERR", 0},
      {"LINK PROGRAM(ECHO) COMMAREA(&STRING) LENGTH(-1)", "LENGERR", 0},
      {"LINK PROGRAM(ECHO) SYSID(CICX)", "SYSIDERR", 0},
      {"XCTL PROGRAM(NOPROG)", "PGMIDERR", 1},
      {"LOAD PROGRAM(ECHO) SET(&FWORD) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=8"},
      {"RELEASE PROGRAM(ECHO)", "NORMAL", 0},
      {"RELEASE PROGRAM(ECHO)", "INVREQ", 5},
      {"ABEND ABCODE(ABCD)", "NORMAL", 0},  // taken by the program: the task goes on
      {"ASSIGN ABCODE(&STRING)", "NORMAL", 0, "&STRING=ABCD"}}},
    {"tasks",
     {{"DELAY INTERVAL(0)", "NORMAL", 0},
      {"DELAY INTERVAL(75)", "INVREQ", 6},
      {"DELAY INTERVAL(6000)", "INVREQ", 5},
      {"DELAY TIME(240000)", "INVREQ", 4},
      {"START TRANSID(QCMD) FROM(&STRING) LENGTH(5)", "NORMAL", 0},
      {"RETRIEVE INTO(&STRING) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=5"},
      {"RETRIEVE INTO(&STRING)", "ENDDATA", 0},
      {"START TRANSID(QCMD) FROM(&STRING) LENGTH(5) TERMID(T999)", "NORMAL", 0},
      {"START TRANSID(QCMD) FROM(&STRING) LENGTH(5) INTERVAL(010000)", "NORMAL", 0},
      {"RETRIEVE INTO(&STRING)", "ENDDATA", 0},  // neither for this terminal nor due yet
      {"START TRANSID(NONE)", "TRANSIDERR", 1},
      {"START TRANSID(QCMD) INTERVAL(010000) REQID(R1)", "NORMAL", 0},
      {"CANCEL REQID(R1)", "NORMAL", 0},
      {"CANCEL REQID(R1)", "NOTFND", 0},
      {"ENQ RESOURCE(&STRING) LENGTH(8)", "NORMAL", 0},
      {"DEQ RESOURCE(&STRING) LENGTH(8)", "NORMAL", 0},
      {"ENQ RESOURCE(&STRING) LENGTH(0)", "LENGERR", 2},
      {"SUSPEND", "NORMAL", 0},
      {"SYNCPOINT", "NORMAL", 0}}},
    {"terminal",
     {{"RECEIVE INTO(&STRING) LENGTH(&HWORD)", "NORMAL", 0, "&HWORD=0"},  // an empty screen
      {"SEND TEXT FROM(&STRING) ERASE", "NORMAL", 0},
      {"SEND CONTROL CURSOR(2000)", "INVREQ", 2},
      {"SEND FROM(&STRING) LENGTH(5)", "NORMAL", 0},
      {"CONVERSE FROM(&STRING) FROMLENGTH(5) SET(&FWORD) TOLENGTH(&HWORD)", "NORMAL", 0,
       "&FWORD!=123456789"},
      {"CONVERSE FROM(&STRING) INTO(&STRING)", "INVREQ", 3},  // no INTO area is passed
      {"CONVERSE FROM(&STRING) SET(&FWORD) CONVID(CNV1)", "NOTALLOC", 0}}},
    {"address and assign",
     {{"ADDRESS EIB(&FWORD)", "NORMAL", 0, "&FWORD!=123456789"},
      {"ADDRESS CSA(&FWORD)", "INVREQ", 1},
      {"ASSIGN SCRNHT(&HWORD)", "NORMAL", 0, "&HWORD=24"},
      {"ASSIGN DELIMITER(&HWORD)", "INVREQ", 5}}},
    {"handles",
     {{"HANDLE CONDITION ERROR(L1) LENGERR(L2)", "NORMAL", 0},
      {"IGNORE CONDITION QIDERR", "NORMAL", 0},
      {"HANDLE AID PF3(L1) CLEAR", "NORMAL", 0},
      {"PUSH HANDLE", "NORMAL", 0},
      {"POP HANDLE", "NORMAL", 0},
      {"POP HANDLE", "INVREQ", 1},  // nothing pushed
      {"HANDLE ABEND PROGRAM(NOPROG)", "PGMIDERR", 1},
      {"HANDLE ABEND PROGRAM(ECHO)", "NORMAL", 0},
      {"ABEND ABCODE(XY12)", "NORMAL", 0},  // ECHO runs as the exit; the task goes on
      {"ASSIGN ABCODE(&STRING)", "NORMAL", 0, "&STRING=XY12"},
      {"HANDLE ABEND CANCEL", "NORMAL", 0},
      {"HANDLE ABEND RESET", "NORMAL", 0}}},
    {"deedit",
     {{"ASKTIME ABSTIME(&DWORD)", "NORMAL", 0},
      {"FORMATTIME ABSTIME(&DWORD) YYYYMMDD(&STRING) DATESEP('-')", "NORMAL", 0, "&STRING={year}-"},
      // The digits of "YYYY-MM-DD" right-aligned in its ten bytes.
      {"BIF DEEDIT FIELD(&STRING) LENGTH(10)", "NORMAL", 0, "&STRING=00{year}"},
      {"BIF DEEDIT FIELD(&STRING) LENGTH(0)", "LENGERR", 1}}},
    {"connections",
     {{"ALLOCATE SYSID(SYSB)", "SYSIDERR", 1},
      {"CONNECT PROCESS CONVID(CNV1) PROCNAME(&STRING) SYNCLEVEL(1)", "NOTALLOC", 1},
      {"EXTRACT ATTRIBUTES CONVID(CNV1) STATE(&FWORD)", "NOTALLOC", 1},
      {"EXTRACT PROCESS CONVID(CNV1) PROCNAME(&STRING)", "NOTALLOC", 1},
      {"FREE CONVID(CNV1)", "NOTALLOC", 1},
      {"ISSUE ABEND CONVID(CNV1)", "NOTALLOC", 1},
      {"ISSUE CONFIRMATION CONVID(CNV1)", "NOTALLOC", 1},
      {"ISSUE ERROR CONVID(CNV1)", "NOTALLOC", 1},
      {"ISSUE SIGNAL CONVID(CNV1)", "NOTALLOC", 1},
      {"WAIT CONVID(CNV1)", "NOTALLOC", 1}}},
    {"maps",
     {{"SEND MAP(M1) MAPSET(S1)", "INVREQ", 5},
      {"RECEIVE MAP(M1) MAPSET(S1) INTO(&STRING)", "MAPFAIL", 0},
      {"SEND PAGE", "INVREQ", 5},
      {"PURGE MESSAGE", "INVREQ", 5},
      {"SEND TEXT MAPPED FROM(&STRING) LENGTH(10)", "INVREQ", 5},
      {"SEND TEXT FROM(HELLO)", "LENGERR", 3}}},
    {"trace, dump and journal",
     {{"TRACE ON", "NORMAL", 0},
      {"ENTER TRACEID(7) FROM(&STRING)", "NORMAL", 0},
      {"TRACE OFF", "NORMAL", 0},
      {"DUMP DUMPCODE(D1) FROM(&STRING) LENGTH(10)", "NORMAL", 0},
      {"DUMP DUMPCODE(D2) FROM(&HWORD) LENGTH(10)", "LENGERR", 203},
      {"JOURNAL JFILEID(1) JTYPEID(AB) FROM(&STRING)", "JIDERR", 1},
      {"WAIT JOURNAL JFILEID(1)", "JIDERR", 1},
      {"ISSUE ERASEAUP", "NORMAL", 0},
      {"ISSUE PRINT", "NORMAL", 0}}},
};

struct Outcome {
  std::string response;
  std::int32_t resp2 = 0;
  std::string effect;  // the effect's variable as it stands, or why it cannot be read
};

std::string current_year() {
  auto today = std::chrono::year_month_day(
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
  return std::to_string(static_cast<int>(today.year()));
}

std::string with_year(std::string text) {
  constexpr std::string_view kYear = "{year}";
  if (auto at = text.find(kYear); at != std::string::npos)
    text.replace(at, kYear.size(), current_year());
  return text;
}

// The variable an effect names, as the effect compares it.
std::string variable_text(const std::string& name, std::size_t length) {
  const varnode* node = findnode(name.c_str());
  if (node == nullptr || node->value == nullptr) return "no variable " + name;
  switch (node->type) {
    case kTypeString:
      return std::string(reinterpret_cast<const char*>(node->value), length);
    case kTypeHalfword:
      return std::to_string(host::load_half(node->value, 0));
    default:
      return std::to_string(static_cast<std::int32_t>(host::load_word(node->value, 0)));
  }
}

std::string response_name(std::int32_t resp) {
  char name[kRespNameSize] = {};
  if (cnveibresp(resp, name) != 0) return std::to_string(resp);
  std::string text(name);
  return text.substr(0, text.find(' '));
}

// Runs lines as one task of a fresh region.
class TableRun : public ::testing::Test {
 protected:
  TableRun() {
    programs::register_builtin_programs(ravnmor::region::program_table());
    ravnmor::region::program_table().add_program("TABLE", [this] { run_lines(); });
    ravnmor::region::program_table().add_transaction("QCMD", "TABLE");
  }

  // The task's body: each line translated, executed and looked at.
  void run_lines() {
    xtcbp = host::xtcb;
    cintemptyscr();
    TerminateQCMD = 0;
    begin_translations();
    for (const Line& line : lines) {
      Outcome outcome;
      if (translate_line(line.command) != Translation::kAccepted) {
        outcome.response = "not accepted";
      } else {
        cintroute();
        const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
        outcome.response =
            response_name(static_cast<std::int32_t>(host::load_word(eib, host::kEibResp)));
        outcome.resp2 = static_cast<std::int32_t>(host::load_word(eib, host::kEibResp2));
      }
      std::string effect = with_year(line.effect);
      if (auto at = effect.find('='); at != std::string::npos) {
        bool negated = at > 0 && effect[at - 1] == '!';
        std::string name = effect.substr(0, negated ? at - 1 : at);
        outcome.effect = variable_text(name, effect.size() - at - 1);
      }
      outcomes.push_back(outcome);
    }
    deleteallvars();
  }

  // Runs `to_run`; a command that shows the user's screen waits for a key
  // after it, and RECEIVE waits for one.
  void run(const std::vector<Line>& to_run) {
    lines = to_run;
    for (const Line& line : lines) {
      for (const char* verb : {"SEND", "LINK", "RECEIVE", "CONVERSE"}) {
        if (std::strncmp(line.command, verb, std::strlen(verb)) == 0) region.terminal().enter();
      }
    }
    region.run("QCMD");
  }

  ravnmor::region::TestRegion region;
  std::vector<Line> lines;
  std::vector<Outcome> outcomes;
};

class CommandsTest : public TableRun, public ::testing::WithParamInterface<Scenario> {};

TEST_P(CommandsTest, EachLineAnswersAndLeavesItsEffect) {
  const Scenario& scenario = GetParam();
  run(scenario.lines);
  ASSERT_EQ(outcomes.size(), scenario.lines.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const Line& line = scenario.lines[i];
    SCOPED_TRACE(line.command);
    EXPECT_EQ(outcomes[i].response, line.response);
    EXPECT_EQ(outcomes[i].resp2, line.resp2);
    std::string effect = with_year(line.effect);
    if (auto at = effect.find('='); at != std::string::npos) {
      bool negated = at > 0 && effect[at - 1] == '!';
      std::string value = effect.substr(at + 1);
      if (negated) {
        EXPECT_NE(outcomes[i].effect, value);
      } else {
        EXPECT_EQ(outcomes[i].effect, value);
      }
    }
  }
}

// What DUMP, ENTER and ISSUE PRINT leave in the region directory.
TEST_F(TableRun, DumpTraceAndPrintWriteTheirFiles) {
  run({{"TRACE ON", "NORMAL", 0},
       {"ENTER TRACEID(7) FROM(&STRING)", "NORMAL", 0},
       {"DUMP DUMPCODE(AB1) FROM(&STRING) LENGTH(10)", "NORMAL", 0},
       {"SEND TEXT FROM(&STRING) ERASE", "NORMAL", 0},
       {"ISSUE PRINT", "NORMAL", 0}});
  EXPECT_NE(region.trace().find("USER 7 4558414D504C4520535452494E472041"), std::string::npos);
  std::vector<std::filesystem::path> dumps;
  for (const auto& entry : std::filesystem::directory_iterator(region.directory() / "dumps")) {
    dumps.push_back(entry.path());
  }
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_NE(dumps[0].filename().string().find("-AB1_-1.txt"), std::string::npos);
  std::ifstream dump(dumps[0]);
  std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("FROM (10 bytes)\n  000000 4558414D504C45205354"), std::string::npos);
  EXPECT_NE(text.find("*EXAMPLE ST*"), std::string::npos);
  std::ifstream print(region.directory() / "print.txt");
  std::string printed((std::istreambuf_iterator<char>(print)), std::istreambuf_iterator<char>());
  EXPECT_NE(printed.find("EXAMPLE STRING ARGUMENT"), std::string::npos);
}

// Every verb of the initial screen in a plain form, run in turn (RETURN
// last): each does something or answers as a region without the facility
// answers. Only the verbs kNotServedYet names still answer INVREQ with
// EIBRESP2 0, the answer of a command the region has no service for.
const char* const kEveryVerb[] = {
    "ABEND",
    "ADDRESS EIB(&FWORD)",
    "ALLOCATE SYSID(S1)",
    "ASKTIME",
    "ASSIGN",
    "BIF DEEDIT FIELD(&STRING)",
    "CANCEL",
    "CONNECT PROCESS CONVID(C1) PROCNAME(P1) PROCLENGTH(2) SYNCLEVEL(1)",
    "CONVERSE FROM(&STRING) INTO(&STRING)",
    "DELAY",
    "DELETE FILE(F1) RIDFLD(K1)",
    "DELETEQ TD QUEUE(Q1)",
    "DELETEQ TS QUEUE(Q1)",
    "DEQ RESOURCE(&STRING)",
    "DUMP DUMPCODE(D1)",
    "ENDBR FILE(F1)",
    "ENQ RESOURCE(&STRING)",
    "ENTER TRACEID(1)",
    "EXTRACT ATTRIBUTES STATE(&FWORD)",
    "EXTRACT PROCESS PROCNAME(&STRING)",
    "FORMATTIME ABSTIME(&DWORD) YYMMDD(&STRING)",
    "FREE",
    "FREEMAIN DATA(&FWORD)",
    "GETMAIN SET(&FWORD) LENGTH(10)",
    "HANDLE ABEND PROGRAM(P1)",
    "HANDLE AID PF3",
    "HANDLE CONDITION NOTFND",
    "IGNORE CONDITION NOTFND",
    "INQUIRE CONNECTION(C1) NETNAME(&STRING)",
    "INQUIRE FILE(F1) OPENSTATUS(&FWORD)",
    "INQUIRE PROGRAM(P1)",
    "INQUIRE SYSTEM CICSSTATUS(&FWORD)",
    "INQUIRE TASK LIST LISTSIZE(&FWORD)",
    "INQUIRE TDQUEUE(Q1) NUMITEMS(&FWORD)",
    "INQUIRE TERMINAL(T1) DEVICE(&FWORD)",
    "INQUIRE TRANSACTION(T1) PROGRAM(&STRING)",
    "ISSUE ABEND",
    "ISSUE CONFIRMATION",
    "ISSUE ERASEAUP",
    "ISSUE ERROR",
    "ISSUE PRINT",
    "ISSUE SIGNAL",
    "JOURNAL JFILEID(1) JTYPEID(JT) FROM(&STRING)",
    "LINK PROGRAM(P1)",
    "LOAD PROGRAM(P1)",
    "POP HANDLE",
    "POST SET(&FWORD)",
    "PURGE MESSAGE",
    "PUSH HANDLE",
    "READ FILE(F1) INTO(&STRING) RIDFLD(K1)",
    "READNEXT FILE(F1) INTO(&STRING) RIDFLD(&STRING)",
    "READPREV FILE(F1) INTO(&STRING) RIDFLD(&STRING)",
    "READQ TD QUEUE(Q1) INTO(&STRING)",
    "READQ TS QUEUE(Q1) INTO(&STRING)",
    "RECEIVE INTO(&STRING) LENGTH(&HWORD)",
    "RECEIVE MAP(M1) INTO(&STRING)",
    "RELEASE PROGRAM(P1)",
    "RESETBR FILE(F1) RIDFLD(K1)",
    "RETRIEVE",
    "REWRITE FILE(F1) FROM(&STRING)",
    "SEND FROM(&STRING)",
    "SEND CONTROL ERASE",
    "SEND MAP(M1) MAPONLY",
    "SEND PAGE",
    "SEND TEXT FROM(&STRING)",
    "SEND TEXT MAPPED FROM(&STRING)",
    "SET FILE(F1) OPEN",
    "SET TDQUEUE(Q1) CLOSED",
    "SET TERMINAL(T1) ACQUIRED",
    "START TRANSID(T1)",
    "STARTBR FILE(F1) RIDFLD(K1)",
    "SUSPEND",
    "SYNCPOINT",
    "TRACE ON",
    "UNLOCK FILE(F1)",
    "WAIT CONVID(C1)",
    "WAIT EVENT ECADDR(&FWORD)",
    "WAIT JOURNAL JFILEID(1)",
    "WRITE FILE(F1) FROM(&STRING) RIDFLD(K1)",
    "WRITEQ TD QUEUE(Q1) FROM(&STRING)",
    "WRITEQ TS QUEUE(Q1) FROM(&STRING)",
    "XCTL PROGRAM(P1)",
    "RETURN",
};
const char* const kNotServedYet[] = {"INQUIRE", "SET ", "POST", "WAIT EVENT"};

TEST_F(TableRun, EveryVerbHasAServiceButTheListedOnes) {
  std::vector<Line> every;
  for (const char* command : kEveryVerb) every.push_back({command, "", 0});
  run(every);
  ASSERT_EQ(outcomes.size(), every.size());
  for (std::size_t i = 0; i < every.size(); ++i) {
    std::string command = every[i].command;
    bool listed = std::any_of(std::begin(kNotServedYet), std::end(kNotServedYet),
                              [&](const char* verb) { return command.starts_with(verb); });
    bool no_service = outcomes[i].response == "INVREQ" && outcomes[i].resp2 == 0;
    EXPECT_NE(outcomes[i].response, "not accepted") << command;
    EXPECT_EQ(no_service, listed) << command << ": " << outcomes[i].response;
  }
}

INSTANTIATE_TEST_SUITE_P(Services, CommandsTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace qcmd
