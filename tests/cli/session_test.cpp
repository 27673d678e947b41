// A region's terminals end to end: s3270 against `ravnmor serve`.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

// s3270's status line: keyboard, formatting, protection, connection, mode,
// model, rows, columns, cursor row, cursor column, window, timing.
std::vector<std::string> status_fields(const std::string& status) {
  std::istringstream words(status);
  std::vector<std::string> fields;
  for (std::string field; words >> field;) fields.push_back(field);
  return fields;
}

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

TEST(Session, GreetsRoutesAndClears) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 terminal;  // asks for a model 4 (43 rows); the region still writes 24x80
  connect(terminal, server);
  auto screen = terminal.screen();
  ASSERT_EQ(screen.size(), 24u);
  EXPECT_EQ(trimmed(screen[2]), " Ravnmor transaction region RAVNMOR") << terminal.screen_text();
  EXPECT_EQ(trimmed(screen[4]), " Terminal  T001    Session 1");
  EXPECT_TRUE(screen[5].starts_with(" Date      20")) << screen[5];
  EXPECT_NE(screen[7].find("Type QCMD"), std::string::npos);
  auto status = status_fields(terminal.run("Query(Cursor)").status);
  ASSERT_GE(status.size(), 10u);
  EXPECT_EQ(status[0], "U");  // keyboard unlocked
  EXPECT_EQ(status[1], "F");  // formatted
  EXPECT_EQ(status[6], "24");
  EXPECT_EQ(status[7], "80");
  EXPECT_EQ(status[8] + "," + status[9], "0,1");  // cursor in the input field

  ASSERT_TRUE(terminal.run("String(\"xyzzy more words\")").ok);
  ASSERT_TRUE(terminal.run("Enter").ok);
  ASSERT_TRUE(terminal.run("Wait(20,InputField)").ok);
  screen = terminal.screen();
  EXPECT_EQ(trimmed(screen[0]), "");
  EXPECT_EQ(trimmed(screen[2]), " Transaction XYZZY is not defined in region RAVNMOR. Try QCMD.");
  for (int row : {1, 3, 4, 5, 23}) EXPECT_EQ(trimmed(screen[row]), "") << row;

  // Clear: an empty unformatted screen on which a word at the top left routes too.
  ASSERT_TRUE(terminal.run("Clear").ok);
  status = status_fields(terminal.run("Wait(20,Unlock)").status);
  ASSERT_GE(status.size(), 2u);
  EXPECT_EQ(status[1], "U");  // unformatted
  for (const std::string& row : terminal.screen()) EXPECT_EQ(trimmed(row), "");
  ASSERT_TRUE(terminal.run("String(\"nosuch\")").ok);
  ASSERT_TRUE(terminal.run("Enter").ok);
  ASSERT_TRUE(terminal.run("Wait(20,InputField)").ok);
  EXPECT_EQ(trimmed(terminal.screen()[2]),
            " Transaction NOSUCH is not defined in region RAVNMOR. Try QCMD.");

  // PA keys and an empty Enter change nothing and leave the keyboard free.
  ASSERT_TRUE(terminal.run("PA(1)").ok);
  ASSERT_TRUE(terminal.run("Enter").ok);
  ASSERT_TRUE(terminal.run("Wait(20,Unlock)").ok);
  EXPECT_EQ(trimmed(terminal.screen()[2]),
            " Transaction NOSUCH is not defined in region RAVNMOR. Try QCMD.");
  EXPECT_TRUE(terminal.run("Disconnect").ok);
}

TEST(Session, RunsATransactionAndRoutesAgainAfterIt) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 terminal;
  connect(terminal, server);
  ASSERT_TRUE(terminal.run("String(\"demo\")").ok);
  ASSERT_TRUE(terminal.run("Enter").ok);
  ASSERT_TRUE(terminal.run("Wait(20,InputField)").ok);
  auto screen = terminal.screen();
  EXPECT_NE(terminal.screen_text().find("Ravnmor Demonstration"), std::string::npos)
      << terminal.screen_text();
  EXPECT_TRUE(screen[7].starts_with("  Your name . . .")) << screen[7];
  auto status = status_fields(terminal.run("Query(Cursor)").status);
  ASSERT_GE(status.size(), 10u);
  EXPECT_EQ(status[8] + "," + status[9], "7,19");  // the name field

  ASSERT_TRUE(terminal.run("String(\"Ada\")").ok);
  ASSERT_TRUE(terminal.run("Enter").ok);
  ASSERT_TRUE(terminal.run("Wait(20,Unlock)").ok);
  EXPECT_EQ(trimmed(terminal.screen()[3]), "  Hello, Ada!") << terminal.screen_text();
  EXPECT_EQ(trimmed(terminal.screen()[5]), "  You typed 3 characters and pressed Enter.");

  // PF3 ends the task: the screen is erased and the next word routes again.
  ASSERT_TRUE(terminal.run("PF(3)").ok);
  ASSERT_TRUE(terminal.run("Wait(20,Unlock)").ok);
  for (const std::string& row : terminal.screen()) EXPECT_EQ(trimmed(row), "");
  ASSERT_TRUE(terminal.run("String(\"qqq\")").ok);
  ASSERT_TRUE(terminal.run("Enter").ok);
  ASSERT_TRUE(terminal.run("Wait(20,InputField)").ok);
  EXPECT_EQ(trimmed(terminal.screen()[2]),
            " Transaction QQQ is not defined in region RAVNMOR. Try QCMD.");
}

TEST(Session, DroppedTerminalsLeaveTheRegionServing) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 steady;
  connect(steady, server);
  {
    S3270 dropped;
    connect(dropped, server);
    ASSERT_TRUE(dropped.run("String(\"demo\")").ok);
    ASSERT_TRUE(dropped.run("Enter").ok);
    ASSERT_TRUE(dropped.run("Wait(20,InputField)").ok);
    ASSERT_TRUE(dropped.run("String(\"half typ\")").ok);
    // The emulator dies in the middle of the task: the task's receive fails.
    dropped.process().signal(SIGKILL);
  }
  S3270 newcomer;
  connect(newcomer, server);
  EXPECT_EQ(trimmed(newcomer.screen()[4]), " Terminal  T003    Session 3");
  ASSERT_TRUE(steady.run("String(\"abc\")").ok);
  ASSERT_TRUE(steady.run("Enter").ok);
  ASSERT_TRUE(steady.run("Wait(20,InputField)").ok);
  EXPECT_EQ(trimmed(steady.screen()[2]),
            " Transaction ABC is not defined in region RAVNMOR. Try QCMD.");
  std::string log = server.log();
  EXPECT_EQ(log.find("exit status"), std::string::npos) << log;
  EXPECT_EQ(log.find("killed by signal"), std::string::npos) << log;
}

TEST(Session, RefusesTerminalsAboveTheCap) {
  RegionServer server({"--max-sessions", "1"});
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 first;
  connect(first, server);
  S3270 second;
  ASSERT_TRUE(second.run("Connect(" + server.address() + ")").ok);
  // The region shows one screen that says so and closes at the next key.
  ASSERT_TRUE(second.run("Wait(20,Unlock)").ok);
  EXPECT_EQ(trimmed(second.screen()[2]), " Region RAVNMOR: the region is full, try again later.");
  second.run("Enter");
  EXPECT_TRUE(second.run("Wait(20,Disconnect)").ok);
  ASSERT_TRUE(first.run("String(\"still\")").ok);
  ASSERT_TRUE(first.run("Enter").ok);
  ASSERT_TRUE(first.run("Wait(20,InputField)").ok);
  EXPECT_EQ(trimmed(first.screen()[2]),
            " Transaction STILL is not defined in region RAVNMOR. Try QCMD.");
  EXPECT_TRUE(server.log_shows(" refused: all 1 sessions are in use")) << server.log();
  // Once the first session has ended and been reaped, its place is free again.
  ASSERT_TRUE(first.run("Disconnect").ok);
  bool admitted = false;
  for (int tries = 0; tries < 50 && !admitted; ++tries) {
    S3270 next;
    ASSERT_TRUE(next.run("Connect(" + server.address() + ")").ok);
    ASSERT_TRUE(next.run("Wait(20,Unlock)").ok);
    admitted = trimmed(next.screen()[2]) == " Ravnmor transaction region RAVNMOR";
  }
  EXPECT_TRUE(admitted);
}

}  // namespace
}  // namespace ravnmor::cli::testing
