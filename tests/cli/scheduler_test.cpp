// Tasks that start by themselves, at s3270 against `ravnmor serve`: START at
// another terminal and without one, CANCEL, a START kept over a restart,
// RETRIEVE, DELAY, POST and WAIT EVENT, the pseudo-conversation of TURN and
// RETURN at QCMD.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <string>

#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

const std::string kNormal = "EIBRESP : NORMAL";

void pause_ms(int milliseconds) {
  poll(nullptr, 0, milliseconds);
}

// Runs READQ TD of the NOTE queue (at the initial screen of QCMD) until it
// finds a record, bounded; its response.
std::string next_note(S3270& terminal) {
  constexpr int kPauseMs = 200;
  std::string answer;
  eventually(
      [&] {
        answer = execute(terminal, "READQ TD QUEUE(NOTE) SET(&FWORD) LENGTH(&HWORD)");
        return answer != "EIBRESP : QZERO";
      },
      kPauseMs);
  return answer;
}

TEST(Scheduler, StartedTasksRunAtAFreeTerminalOrInAWorker) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 issuer, target;
  connect(issuer, server);  // T001
  connect(target, server);  // T002
  ASSERT_TRUE(act(issuer, {"String(\"QCMD\")", "Enter"}));
  ASSERT_TRUE(act(target, {"String(\"QCMD\")", "Enter"}));
  // QCMD was started by its terminal: nothing to retrieve.
  EXPECT_EQ(execute(issuer, "RETRIEVE INTO(&STRING)"), "EIBRESP : ENDDATA");
  EXPECT_EQ(execute(issuer, "START TRANSID(NOTE) TERMID(T999)"), "EIBRESP : TERMIDERR");

  // Due at once, but T002 is busy in QCMD: the task waits until it is free.
  EXPECT_EQ(execute(issuer, "START TRANSID(NOTE) TERMID(T002) FROM(&STRING) INTERVAL(0)"), kNormal);
  pause_ms(1000);
  EXPECT_TRUE(has(target.screen()[0], "Ravnmor Command Interpreter"));
  ASSERT_TRUE(act(target, {"PF(3)"}));
  EXPECT_TRUE(shows(target, 5, "It retrieved: EXAMPLE STRING ARGUMENT")) << target.screen_text();

  // Due in two seconds at a terminal that is free.
  ASSERT_TRUE(act(target, {"Clear"}));
  EXPECT_EQ(execute(issuer,
                    "START TRANSID(NOTE) TERMID(T002) FROM(&STRING) LENGTH(3) "
                    "RTRANSID(RT) INTERVAL(2)"),
            kNormal);
  EXPECT_TRUE(shows(target, 5, "It retrieved: EXA")) << target.screen_text();
  EXPECT_TRUE(has(target.screen()[6], "RTRANSID 'RT  '"));

  // Without a terminal: a worker runs NOTE, which writes its record.
  EXPECT_EQ(execute(issuer, "DELETEQ TD QUEUE(NOTE)"), kNormal);
  EXPECT_EQ(execute(issuer, "START TRANSID(NOTE) FROM(&STRING)"), kNormal);
  EXPECT_EQ(next_note(issuer), kNormal);
  EXPECT_TRUE(server.log_shows("runs transaction NOTE without a terminal"));

  // Cancelled before it is due, it never runs.
  EXPECT_EQ(execute(issuer, "START TRANSID(NOTE) INTERVAL(2) REQID(GONE)"), kNormal);
  EXPECT_EQ(execute(issuer, "CANCEL REQID(GONE)"), kNormal);
  EXPECT_EQ(execute(issuer, "CANCEL REQID(GONE)"), "EIBRESP : NOTFND");
  pause_ms(3000);
  EXPECT_EQ(server.log().find("START request GONE"), std::string::npos);
}

TEST(Scheduler, APendingStartOutlivesARestartAndRunsOnce) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  {
    S3270 terminal;
    connect(terminal, server);
    ASSERT_TRUE(act(terminal, {"String(\"QCMD\")", "Enter"}));
    EXPECT_EQ(execute(terminal, "START TRANSID(NOTE) FROM(&STRING) INTERVAL(3) REQID(ONCE)"),
              kNormal);
  }
  ASSERT_TRUE(server.restart());
  const std::string restarted = "listening on " + server.address();
  ASSERT_TRUE(server.log_shows("START request ONCE runs"));
  EXPECT_GT(server.log().find("START request ONCE runs"), server.log().find(restarted));

  S3270 terminal;
  connect(terminal, server);
  ASSERT_TRUE(act(terminal, {"String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(next_note(terminal), kNormal);
  pause_ms(1000);
  EXPECT_EQ(execute(terminal, "READQ TD QUEUE(NOTE) SET(&FWORD) LENGTH(&HWORD)"),
            "EIBRESP : QZERO");
}

TEST(Scheduler, APseudoConversationDelayAndReturnAtQcmd) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 terminal;
  connect(terminal, server);
  // Three inputs, each a task of TURN that counts itself in its COMMAREA.
  ASSERT_TRUE(act(terminal, {"String(\"TURN\")", "Enter"}));
  EXPECT_TRUE(shows(terminal, 3, "Turn 1 of transaction TURN."));
  ASSERT_TRUE(act(terminal, {"Enter"}));
  EXPECT_TRUE(shows(terminal, 3, "Turn 2 of transaction TURN."));
  ASSERT_TRUE(act(terminal, {"Enter"}));
  EXPECT_TRUE(shows(terminal, 3, "Turn 3 of transaction TURN."));
  ASSERT_TRUE(act(terminal, {"PF(3)"}));
  EXPECT_TRUE(shows(terminal, 3, "ended after 3 turns"));

  ASSERT_TRUE(act(terminal, {"Clear", "String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(execute(terminal, "RETURN"), kNormal);
  // The run goes on after RETURN; DELAY waits at least its interval.
  auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(execute(terminal, "DELAY INTERVAL(1)"), kNormal);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_EQ(execute(terminal, "POST SET(&FWORD) INTERVAL(1)"), kNormal);
  EXPECT_EQ(execute(terminal, "WAIT EVENT ECADDR(&FWORD)"), kNormal);
  // RETURN TRANSID takes effect when the run ends: the next input starts TURN.
  EXPECT_EQ(execute(terminal, "RETURN TRANSID(TURN)"), kNormal);
  ASSERT_TRUE(act(terminal, {"PF(3)"}));
  ASSERT_TRUE(act(terminal, {"Enter"}));
  EXPECT_TRUE(shows(terminal, 3, "Turn 1 of transaction TURN.")) << terminal.screen_text();
}

}  // namespace
}  // namespace ravnmor::cli::testing
