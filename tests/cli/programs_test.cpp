// Programs of your own at s3270 against `ravnmor serve`: the example
// application of examples/, built with `ravnmor build` and defined as the
// README says (ACCT's screens, a payment that changes the record, its audit
// line and the sum that the started ATOT writes), and a program that faults,
// which ends only its task and backs out its change, then mended and
// refreshed, and reached from QCMD by LOAD and XCTL.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFaultingProgram = R"(#include "ravnmor.h"
void fault(DFHEIBLK *dfheiptr, void *dfhcommarea) {
  char item[] = "WRITTEN BEFORE THE FAULT";
  (void)dfheiptr;
  (void)dfhcommarea;
  EXEC CICS WRITEQ TS QUEUE("RCVFAULT") FROM(item);
  *(volatile int *)dfhcommarea = 1;
}
)";

// The same program mended, for `ravnmor program refresh`.
constexpr const char* kMendedProgram = R"(#include "ravnmor.h"
void fault(DFHEIBLK *dfheiptr, void *dfhcommarea) {
  (void)dfheiptr;
  (void)dfhcommarea;
  EXEC CICS SEND TEXT FROM("MENDED") ERASE;
  EXEC CICS RETURN;
}
)";

constexpr const char* kFaultingDefinitions = R"(
[[program]]
name = "FAULT"
library = "../examples/fault.so"
entry = "fault"
[[transaction]]
name = "FLT"
program = "FAULT"
)";

// Builds `source` into `directory` with `ravnmor build`; its messages when
// it fails.
std::string build(const fs::path& source, const fs::path& directory) {
  const fs::path library = directory / source.filename().replace_extension(".so");
  Finished built = ravnmor({"build", source.string(), "-o", library.string()});
  return built.status == 0 ? "" : built.err;
}

// The records of TD queue AUDT, waiting (bounded) until they hold `text`.
std::string audit_lines_with(const RegionServer& server, const std::string& text) {
  constexpr int kPauseMs = 100;
  std::string lines;
  eventually(
      [&] {
        lines = ravnmor({"td", "show", "--region", server.region_dir(), "AUDT"}).out;
        return lines.find(text) != std::string::npos;
      },
      kPauseMs);
  return lines;
}

TEST(Programs, TheExampleRunsAndAFaultEndsOnlyItsTask) {
  if (std::system("command -v cc >/dev/null") != 0) GTEST_SKIP() << "no C compiler";
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  const fs::path examples = fs::path(server.region_dir()).parent_path() / "examples";
  fs::create_directories(examples);
  std::ofstream(examples / "fault.c") << kFaultingProgram;
  for (const fs::path& source :
       {fs::path(RAVNMOR_SOURCE_DIR) / "examples" / "acctinq.c",
        fs::path(RAVNMOR_SOURCE_DIR) / "examples" / "accttot.c", examples / "fault.c"}) {
    ASSERT_EQ(build(source, examples), "") << source;
  }
  ASSERT_TRUE(server.restart([&] {
    std::ofstream config(fs::path(server.region_dir()) / "region.toml", std::ios::app);
    config << std::ifstream(fs::path(RAVNMOR_SOURCE_DIR) / "examples" / "accounts.toml").rdbuf()
           << kFaultingDefinitions;
  })) << server.startup_line();

  S3270 terminal;
  connect(terminal, server);
  ASSERT_TRUE(act(terminal, {"String(\"ACCT\")", "Enter"}));
  ASSERT_TRUE(shows(terminal, 0, "ACCT  Account inquiry and payment")) << terminal.screen_text();
  ASSERT_TRUE(act(terminal, {"String(\"100200\")", "Enter"}));
  ASSERT_TRUE(shows(terminal, 5, "BAKER, THOMAS")) << terminal.screen_text();
  EXPECT_TRUE(has(terminal.screen()[7], "32.50"));
  ASSERT_TRUE(act(terminal, {"String(\"500\")", "Enter"}));
  EXPECT_TRUE(shows(terminal, 21, "Paid +500 cents")) << terminal.screen_text();
  // The next turn reads the record again: the payment is in the file.
  ASSERT_TRUE(act(terminal, {"Enter"}));
  EXPECT_TRUE(shows(terminal, 7, "37.50")) << terminal.screen_text();
  ASSERT_TRUE(act(terminal, {"PF(3)"}));
  EXPECT_TRUE(shows(terminal, 0, "ACCT ended.")) << terminal.screen_text();
  EXPECT_NE(audit_lines_with(server, "ACCT T001 100200 +500 000003750").find("+500"),
            std::string::npos);
  EXPECT_NE(audit_lines_with(server, "ATOT after 100200: 8 accounts").find("ATOT"),
            std::string::npos);

  // The faulting program: its task abends, its queue is backed out, and the
  // same session runs the next transaction.
  ASSERT_TRUE(act(terminal, {"Clear", "String(\"FLT\")", "Enter"}));
  const std::string abended = terminal.screen_text();
  EXPECT_TRUE(has(abended, "Transaction FLT abended with code APCK.")) << abended;
  EXPECT_NE(server.log("error.log").find("program FAULT abend APCK"), std::string::npos);
  EXPECT_EQ(ravnmor({"ts", "list", "--region", server.region_dir()}).out.find("RCVFAULT"),
            std::string::npos);
  ASSERT_TRUE(act(terminal, {"Clear", "String(\"ACCT\")", "Enter"}));
  EXPECT_TRUE(shows(terminal, 0, "ACCT  Account inquiry and payment")) << terminal.screen_text();

  // Mended, built again and refreshed: the session that ran the old copy
  // runs the new one.
  ASSERT_TRUE(act(terminal, {"PF(3)"}));
  std::ofstream(examples / "fault.c") << kMendedProgram;
  ASSERT_EQ(build(examples / "fault.c", examples), "");
  EXPECT_EQ(ravnmor({"program", "refresh", "--region", server.region_dir(), "FAULT"}).status, 0);
  // QCMD reaches the programs too: LOAD, and XCTL, which ends QCMD's run
  // (check, confirm, execute) and runs the program in its place.
  ASSERT_TRUE(act(terminal, {"Clear", "String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(execute(terminal, "LOAD PROGRAM(ACCTTOT) SET(&FWORD)"), "EIBRESP : NORMAL");
  ASSERT_TRUE(act(
      terminal, {"MoveCursor(2,6)", "EraseEOF", "String(\"QCMD XCTL PROGRAM(FAULT)\")", "Enter"}));
  ASSERT_TRUE(act(terminal, {"Enter"}) && act(terminal, {"Enter"}));
  EXPECT_TRUE(shows(terminal, 0, "MENDED")) << terminal.screen_text();
}

}  // namespace
}  // namespace ravnmor::cli::testing
