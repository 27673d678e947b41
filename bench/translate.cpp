// Translation throughput: every verb of the command language with typical
// options, each command also with a response option and with NOHANDLE,
// through translate_line (verb recognition, argument evaluation and the
// translator, as the command screen runs them); beside it the scanner alone over the same
// statements, so that the ratio shows what the parser and its actions add.
#include "shell/translate.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "translator/descriptor.hpp"
#include "translator/grammar.hpp"
#include "translator/keywords.hpp"
#include "translator/scanner.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace {

using namespace qcmd;

const char* const kCommands[] = {
    // Terminal and conversation commands.
    "ALLOCATE SYSID(SYSB) PROFILE(PROF1) STATE(&FWORD)",
    "CONNECT PROCESS CONVID(CNV1) PROCNAME(&STRING) SYNCLEVEL(1)",
    "CONVERSE FROM(&STRING) INTO(&STRING) TOLENGTH(&HWORD) MAXLENGTH(80)",
    "CONVERSE FROM(&STRING) FROMLENGTH(10) SET(&FWORD) TOLENGTH(&HWORD) ERASE",
    "EXTRACT ATTRIBUTES CONVID(CNV1) STATE(&FWORD)",
    "EXTRACT PROCESS CONVID(CNV1) PROCNAME(&STRING) PROCLENGTH(&HWORD) SYNCLEVEL(&HWORD)",
    "FREE CONVID(CNV1) STATE(&FWORD)",
    "FREE",
    "ISSUE ABEND CONVID(CNV1)",
    "ISSUE CONFIRMATION CONVID(CNV1) STATE(&FWORD)",
    "ISSUE ERASEAUP WAIT",
    "ISSUE ERROR CONVID(CNV1)",
    "ISSUE PRINT",
    "ISSUE SIGNAL CONVID(CNV1)",
    "PURGE MESSAGE",
    "RECEIVE INTO(&STRING) LENGTH(&HWORD)",
    "RECEIVE SET(&FWORD) LENGTH(&HWORD) ASIS",
    "RECEIVE MAP('MAP1') MAPSET('SET1') INTO(&STRING)",
    "RECEIVE MAP('MAP1') MAPSET('SET1')",
    "SEND FROM(&STRING) LENGTH(23) WAIT",
    "SEND CONTROL ERASE FREEKB",
    "SEND CONTROL CURSOR(100) ALARM FREEKB",
    "SEND MAP('MAP1') MAPSET('SET1') ERASE FREEKB",
    "SEND MAP('MAP1') MAPSET('SET1') FROM(&STRING) DATAONLY CURSOR",
    "SEND PAGE",
    "SEND TEXT FROM(&STRING) ERASE FREEKB",
    "SEND TEXT FROM(&STRING) LENGTH(10) CURSOR(0) ACCUM",
    "WAIT CONVID(CNV1)",
    "WAIT EVENT ECADDR(&FWORD)",
    "WAIT JOURNAL JFILEID(2) REQID(&FWORD)",
    // File commands.
    "DELETE FILE('FILEA') RIDFLD(&STRING) KEYLENGTH(4) GENERIC",
    "DELETE DATASET('FILEA') RIDFLD(&STRING) NUMREC(&HWORD) GENERIC",
    "ENDBR FILE('FILEA') REQID(1)",
    "READ FILE('FILEA') INTO(&STRING) RIDFLD(&STRING) LENGTH(&HWORD)",
    "READ FILE('FILEA') SET(&FWORD) RIDFLD(&STRING) GTEQ UPDATE",
    "READ DATASET('FILEA') INTO(&STRING) RIDFLD(&FWORD) RBA",
    "READNEXT FILE('FILEA') INTO(&STRING) RIDFLD(&STRING) LENGTH(&HWORD)",
    "READNEXT FILE('FILEA') SET(&FWORD) RIDFLD(&STRING) REQID(2)",
    "READPREV FILE('FILEA') INTO(&STRING) RIDFLD(&STRING)",
    "READPREV FILE('FILEA') SET(&FWORD) RIDFLD(&STRING) KEYLENGTH(4)",
    "RESETBR FILE('FILEA') RIDFLD(&STRING) GTEQ",
    "REWRITE FILE('FILEA') FROM(&STRING) LENGTH(23)",
    "REWRITE FILE('FILEA') FROM(&STRING)",
    "STARTBR FILE('FILEA') RIDFLD(&STRING) KEYLENGTH(4) GENERIC GTEQ",
    "STARTBR FILE('FILEA') RIDFLD(&STRING) REQID(3) EQUAL",
    "UNLOCK FILE('FILEA')",
    "WRITE FILE('FILEA') FROM(&STRING) RIDFLD(&STRING) LENGTH(23)",
    "WRITE FILE('FILEA') FROM(&STRING) RIDFLD(&FWORD) RRN MASSINSERT",
    // Queue commands.
    "DELETEQ TS QUEUE('Q1')",
    "DELETEQ TD QUEUE('TDQ1')",
    "DELETEQ QUEUE('Q1') SYSID(SYSB)",
    "READQ TS QUEUE('Q1') INTO(&STRING) ITEM(1)",
    "READQ TS QUEUE('Q1') SET(&FWORD) LENGTH(&HWORD)",
    "READQ TD QUEUE('TDQ1') INTO(&STRING) LENGTH(&HWORD)",
    "READQ QUEUE('Q1') INTO(&STRING)",
    "WRITEQ TS QUEUE('Q1') FROM(&STRING) LENGTH(23) MAIN",
    "WRITEQ TS QUEUE('Q1') FROM(&STRING) ITEM(&HWORD) REWRITE",
    "WRITEQ TD QUEUE('TDQ1') FROM(&STRING)",
    "WRITEQ QUEUE('Q1') FROM(&STRING) AUXILIARY",
    // Program control.
    "ABEND ABCODE('AB01')",
    "ABEND ABCODE('AB02') CANCEL",
    "LINK PROGRAM('PROG1') COMMAREA(&STRING) LENGTH(23)",
    "LINK PROGRAM('PROG1')",
    "LOAD PROGRAM('PROG1') SET(&FWORD) LENGTH(&HWORD) HOLD",
    "RELEASE PROGRAM('PROG1')",
    "RETURN",
    "RETURN TRANSID('QCMD') COMMAREA(&STRING)",
    "RETURN TRANSID('QCMD') COMMAREA(&STRING) LENGTH(10)",
    "XCTL PROGRAM('PROG2') COMMAREA(&STRING)",
    "XCTL PROGRAM('PROG2')",
    // Conditions and abends.
    "HANDLE ABEND PROGRAM('ERRPGM')",
    "HANDLE ABEND LABEL(ERR1)",
    "HANDLE ABEND CANCEL",
    "HANDLE ABEND RESET",
    "HANDLE AID PF3(END1) CLEAR ENTER(GO1) PA1",
    "HANDLE CONDITION NOTFND(NF1) ERROR(ERR1) LENGERR",
    "HANDLE CONDITION QIDERR ITEMERR(IE1)",
    "IGNORE CONDITION NOTFND LENGERR QZERO",
    "PUSH HANDLE",
    "POP HANDLE",
    // Task, interval and storage control.
    "ASKTIME",
    "ASKTIME ABSTIME(&DWORD)",
    "FORMATTIME ABSTIME(&DWORD) YYMMDD(&STRING) TIME(&STRING) TIMESEP",
    "FORMATTIME ABSTIME(&DWORD) DATE(&STRING) DATESEP('-') DAYOFWEEK(&FWORD)",
    "FORMATTIME ABSTIME(&DWORD) MMDDYYYY(&STRING) YEAR(&FWORD) DAYCOUNT(&FWORD)",
    "DELAY INTERVAL(10)",
    "DELAY TIME(123000) REQID('REQ1')",
    "DELAY FOR SECONDS(5)",
    "POST INTERVAL(100) SET(&FWORD)",
    "START TRANSID('TRN1') INTERVAL(0) FROM(&STRING) LENGTH(23)",
    "START TRANSID('TRN1') TERMID('T001') TIME(120000)",
    "CANCEL REQID('REQ1') TRANSID('TRN1')",
    "CANCEL",
    "RETRIEVE INTO(&STRING) LENGTH(&HWORD)",
    "RETRIEVE SET(&FWORD) RTRANSID(&STRING) WAIT",
    "SUSPEND",
    "ENQ RESOURCE(&STRING) LENGTH(23)",
    "ENQ RESOURCE(&STRING) TASK",
    "DEQ RESOURCE(&STRING) LENGTH(23)",
    "GETMAIN SET(&FWORD) LENGTH(100) INITIMG('00')",
    "GETMAIN SET(&FWORD) FLENGTH(4096) SHARED",
    "FREEMAIN DATA(&STRING)",
    // System programming.
    "INQUIRE DATASET('FILEA') OPENSTATUS(&FWORD) ENABLESTATUS(&FWORD)",
    "INQUIRE PROGRAM('PROG1')",
    "INQUIRE SYSTEM CICSSTATUS(&FWORD)",
    "INQUIRE TASK LIST LISTSIZE(&FWORD) SET(&FWORD)",
    "INQUIRE TDQUEUE('TDQ1') NUMITEMS(&FWORD) TYPE(&FWORD)",
    "INQUIRE TERMINAL('T001') DEVICE(&FWORD) SERVSTATUS(&FWORD)",
    "INQUIRE TRANSACTION('TRN1') PROGRAM(&STRING)",
    "INQUIRE CONNECTION('SYSB') CONNSTATUS(&FWORD)",
    "SET DATASET('FILEA') OPEN ENABLED",
    "SET TDQUEUE('TDQ1') CLOSED",
    "SET TERMINAL('T001') ACQUIRED UCTRAN",
    "SET TASK(1) PURGETYPE(&FWORD)",
    "COLLECT STATISTICS SET(&FWORD) TASK",
    // The rest.
    "ADDRESS EIB(&FWORD)",
    "ADDRESS CWA(&FWORD) TWA(&FWORD) TCTUA(&FWORD)",
    "ASSIGN USERID(&STRING) APPLID(&STRING)",
    "ASSIGN SYSID(&STRING) OPID(&STRING) TERMCODE(&HWORD) SCRNHT(&HWORD) SCRNWD(&HWORD)",
    "BIF DEEDIT FIELD(&STRING) LENGTH(23)",
    "DUMP DUMPCODE('DMP1') FROM(&STRING) LENGTH(23)",
    "DUMP DUMPCODE('DMP2') TASK",
    "ENTER TRACEID(5) FROM(&STRING)",
    "JOURNAL JFILEID(2) JTYPEID('XX') FROM(&STRING) LENGTH(23) WAIT",
    "SYNCPOINT",
    "SYNCPOINT ROLLBACK",
    "TRACE ON SYSTEM",
    "TRACE OFF",
};

// Each command as written, with RESP and with NOHANDLE.
std::vector<std::string> corpus() {
  std::vector<std::string> commands;
  for (const char* command : kCommands) {
    commands.emplace_back(command);
    commands.push_back(std::string(command) + " RESP(&FWORD)");
    commands.push_back(std::string(command) + " NOHANDLE");
  }
  return commands;
}

void BM_Translate(benchmark::State& state) {
  begin_translations();
  std::vector<std::string> all = corpus();
  std::int64_t accepted = 0;
  for (auto _ : state) {
    for (const std::string& command : all) {
      accepted += translate_line(command) == Translation::kAccepted ? 1 : 0;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(all.size()));
  state.counters["commands"] = static_cast<double>(all.size());
  state.counters["accepted"] =
      static_cast<double>(accepted) / static_cast<double>(state.iterations());
  state.counters["ns_per_command"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<std::int64_t>(all.size())),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  deleteallvars();
}
BENCHMARK(BM_Translate);

// The same statements as the parse entry builds them, scanned to their end.
void BM_ScanOnly(benchmark::State& state) {
  begin_translations();
  build_hash_table();
  std::vector<std::string> statements;
  for (const std::string& command : corpus()) statements.push_back("EXEC CICS " + command + "; ");
  for (auto _ : state) {
    for (const std::string& statement : statements) {
      std::memset(ParseBuffer + kParseTextOffset, 0, kParseBufferSize - kParseTextOffset);
      std::memcpy(ParseBuffer + kParseTextOffset, statement.data(), statement.size());
      ParseBufferPtr = ParseBuffer + kParseTextOffset;
      while (yylex() != TK_END_OF_INPUT) {
      }
      exec_cics = 0;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(statements.size()));
  state.counters["ns_per_command"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<std::int64_t>(statements.size())),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  deleteallvars();
}
BENCHMARK(BM_ScanOnly);

}  // namespace
