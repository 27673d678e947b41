// Units of work, locks and ENQ names between real session processes at
// s3270: a second task waits for what the first holds until the first
// commits or ends; a killed session and a crashed region leave exactly what
// was committed, and nothing held.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <string>

#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

const std::string kNormal = "EIBRESP : NORMAL";
const std::string kQiderr = "EIBRESP : QIDERR";
constexpr int kHeldFor = 500;  // milliseconds the first task keeps what the second waits for

void pause_ms(int milliseconds) {
  poll(nullptr, 0, milliseconds);
}

// The session process of a terminal, from the region log's connect line.
pid_t session_of(const RegionServer& server, const std::string& terminal) {
  std::smatch found;
  const std::string log = server.log();
  if (!std::regex_search(log, found, std::regex("\\(" + terminal + ", pid ([0-9]+)\\)"))) return 0;
  return std::stoi(found[1]);
}

// Runs `command` at `waiting` while `holder` keeps what it waits for; then
// `release` at the holder. The waiting command's answer, which must not
// have come while the holder held.
std::string waits_for(S3270& waiting, const std::string& command, S3270& holder,
                      const std::string& release) {
  auto answer = std::async(std::launch::async, [&] { return execute(waiting, command); });
  if (answer.wait_for(std::chrono::milliseconds(kHeldFor)) == std::future_status::ready) {
    return "answered while held: " + answer.get();
  }
  if (release == "PF(3)") {
    act(holder, {"PF(3)"});
  } else {
    execute(holder, release);
  }
  return answer.get();
}

// The region's lock_wait, short for the deadlock below.
void wait_briefly(const RegionServer& server) {
  const std::filesystem::path config = std::filesystem::path(server.region_dir()) / "region.toml";
  std::stringstream text;
  text << std::ifstream(config).rdbuf();
  std::string changed =
      std::regex_replace(text.str(), std::regex("lock_wait = 60"), "lock_wait = 3");
  std::ofstream(config) << changed;
}

TEST(UnitsOfWork, WaitsCommitsAndBacksOutAcrossSessionsKillsAndCrashes) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  ASSERT_TRUE(server.restart([&] { wait_briefly(server); }));
  S3270 a, b;
  connect(a, server);  // T001
  connect(b, server);  // T002
  ASSERT_TRUE(act(a, {"String(\"QCMD\")", "Enter"}));
  ASSERT_TRUE(act(b, {"String(\"QCMD\")", "Enter"}));

  // A recoverable queue (its name matches the model RCV) is backed out.
  EXPECT_EQ(execute(a, "WRITEQ TS QUEUE(RCVA) FROM(&STRING)"), kNormal);
  EXPECT_EQ(execute(a, "SYNCPOINT ROLLBACK"), kNormal);
  EXPECT_EQ(execute(a, "DELETEQ TS QUEUE(RCVA)"), kQiderr);

  // B waits for the queue A changed until A's syncpoint, and for the name A
  // enqueued until A's task ends.
  EXPECT_EQ(execute(a, "WRITEQ TS QUEUE(RCVB) FROM(&STRING)"), kNormal);
  EXPECT_EQ(waits_for(b, "WRITEQ TS QUEUE(RCVB) FROM(&STRING)", a, "SYNCPOINT"), kNormal);
  EXPECT_EQ(execute(b, "SYNCPOINT"), kNormal);
  EXPECT_EQ(execute(a, "ENQ RESOURCE(&STRING) LENGTH(7)"), kNormal);
  EXPECT_EQ(waits_for(b, "ENQ RESOURCE(&STRING) LENGTH(7)", a, "PF(3)"), kNormal);
  ASSERT_TRUE(act(a, {"String(\"QCMD\")", "Enter"}));

  // Records: B's READ UPDATE waits for A's until A's syncpoint (ACCOUNTS is
  // recoverable). Then each holds one record and wants the other's: A's task,
  // the younger (its QCMD started last), gives way with abend ALCK, and its
  // unit of work backed out lets B go on.
  const std::string first = "READ FILE(ACCOUNTS) INTO() RIDFLD(100100) UPDATE";
  const std::string second = "READ FILE(ACCOUNTS) INTO() RIDFLD(100200) UPDATE";
  EXPECT_EQ(execute(a, first), kNormal);
  EXPECT_EQ(waits_for(b, first, a, "SYNCPOINT"), kNormal);
  EXPECT_EQ(execute(a, second), kNormal);
  auto a_waits = std::async(std::launch::async, [&] { return execute(a, first); });
  pause_ms(kHeldFor);
  EXPECT_EQ(execute(b, second), kNormal);
  EXPECT_EQ(a_waits.get(), "EIBRESP : INVREQ");
  EXPECT_NE(server.log("error.log").find("abend ALCK"), std::string::npos);
  EXPECT_EQ(execute(b, "SYNCPOINT"), kNormal);
  ASSERT_TRUE(act(a, {"PF(3)", "String(\"QCMD\")", "Enter"}));

  // A is killed holding an uncommitted change and a name: the change is
  // gone and the queue and the name are free for B.
  EXPECT_EQ(execute(a, "WRITEQ TS QUEUE(RCVC) FROM(&STRING)"), kNormal);
  EXPECT_EQ(execute(a, "ENQ RESOURCE(&STRING) LENGTH(5)"), kNormal);
  const pid_t session = session_of(server, "T001");
  ASSERT_GT(session, 0) << server.log();
  ASSERT_EQ(kill(session, SIGKILL), 0);
  EXPECT_EQ(execute(b, "DELETEQ TS QUEUE(RCVC)"), kQiderr);
  EXPECT_EQ(execute(b, "ENQ RESOURCE(&STRING) LENGTH(5)"), kNormal);

  // The region dies with B's change uncommitted: after the restart the
  // committed queue is there, the uncommitted one is not, nothing is held.
  EXPECT_EQ(execute(b, "WRITEQ TS QUEUE(RCVD) FROM(&STRING)"), kNormal);
  ASSERT_TRUE(server.crash_and_restart());
  S3270 c;
  connect(c, server);
  ASSERT_TRUE(act(c, {"String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(execute(c, "DELETEQ TS QUEUE(RCVD)"), kQiderr);
  EXPECT_EQ(execute(c, "DELETEQ TS QUEUE(RCVB)"), kNormal);
  EXPECT_EQ(execute(c, "ENQ RESOURCE(&STRING) LENGTH(7)"), kNormal);
}

}  // namespace
}  // namespace ravnmor::cli::testing
