// Running a region as an operator does: the store's health, backup and
// restore, the region log and its rotation, the command's conventions.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void remove_wal(const fs::path& region) {
  fs::remove(region / "store.db-wal");
  fs::remove(region / "store.db-shm");
}

TEST(Operating, StoreKeepsEveryWriteOverAStopAndRestoresABackup) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  const fs::path region = server.region_dir();
  const fs::path backup = region.parent_path() / "backup.db";
  S3270 terminal;
  connect(terminal, server);
  EXPECT_EQ(run_command(terminal, "WRITEQ TS QUEUE(Q1) FROM(&STRING)"), "EIBRESP : NORMAL");
  Finished backed_up = ravnmor({"store", "backup", "--region", region.string(), backup.string()});
  EXPECT_EQ(backed_up.status, 0) << backed_up.err;
  EXPECT_NE(backed_up.out.find(" backed up to " + backup.string()), std::string::npos);
  EXPECT_EQ(ravnmor({"store", "backup", "--region", region.string(), backup.string()}).status, 1)
      << "a backup never overwrites a file";
  EXPECT_EQ(run_command(terminal, "WRITEQ TS QUEUE(Q2) FROM(&STRING)"), "EIBRESP : NORMAL");
  Finished refused = ravnmor({"store", "restore", "--region", region.string(), backup.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "ravnmor store: region directory " + region.string() +
                             " is in use by process " + std::to_string(server.process().pid()) +
                             "; stop that region before restoring its store\n");

  // A clean stop leaves store.db complete: without its WAL it holds both writes.
  ASSERT_TRUE(server.restart([&] { remove_wal(region); })) << server.startup_line();
  S3270 after_stop;
  connect(after_stop, server);
  EXPECT_EQ(run_command(after_stop, "READQ TS QUEUE(Q1) INTO(&STRING)"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(after_stop, "READQ TS QUEUE(Q2) INTO(&STRING)"), "EIBRESP : NORMAL");

  // The backup was taken between the writes: restored, it has Q1 and not Q2.
  Finished restored;
  ASSERT_TRUE(server.restart([&] {
    restored = ravnmor({"store", "restore", "--region", region.string(), backup.string()});
  }));
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_TRUE(fs::exists(region / "store.db.before-restore"));
  S3270 after_restore;
  connect(after_restore, server);
  EXPECT_EQ(run_command(after_restore, "READQ TS QUEUE(Q1) INTO(&STRING)"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(after_restore, "READQ TS QUEUE(Q2) INTO(&STRING)"), "EIBRESP : QIDERR");
  EXPECT_EQ(ravnmor({"store", "check", "--region", region.string()}).status, 0);
}

// Each unusable store ends the start with one line and status 1, and is
// left exactly as it was.
TEST(Operating, AnUnusableStoreEndsTheStartAndIsLeftAlone) {
  RegionServer made;
  ASSERT_NE(made.port(), 0) << made.startup_line();
  ASSERT_TRUE(made.restart([] {}));  // a store with its schema, complete in store.db
  made.process().signal(SIGTERM);
  ASSERT_TRUE(made.process().wait_for_exit());
  const std::string sound = contents(fs::path(made.region_dir()) / "store.db");
  constexpr std::size_t kPage = 4096;
  ASSERT_GT(sound.size(), kPage);

  const fs::path scratch = fresh_directory("unusable");
  struct Case {
    const char* name;
    std::string bytes;  // the store.db file; a directory when empty
    const char* reason;
  };
  std::string damaged = sound;
  for (std::size_t i = kPage; i < damaged.size(); ++i) damaged[i] = static_cast<char>(i * 7);
  const Case cases[] = {
      {"garbage-header", std::string(kPage, '\x5A'), "file is not a database"},
      {"garbage-pages", damaged, "damaged: "},
      {"directory", "", "it is not a file"},
  };
  for (const Case& c : cases) {
    const fs::path region = scratch / c.name;
    fs::create_directories(region);
    if (c.bytes.empty()) {
      fs::create_directory(region / "store.db");
    } else {
      std::ofstream(region / "store.db", std::ios::binary) << c.bytes;
    }
    Finished run = ravnmor({"serve", "--listen", "127.0.0.1:0", "--region", region.string()});
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_EQ(run.out, "") << c.name;
    const std::string line = "ravnmor serve: region store " + (region / "store.db").string() +
                             " cannot be used: " + c.reason;
    EXPECT_TRUE(run.err.starts_with(line)) << c.name << ": " << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << c.name << ": " << run.err;
    if (!c.bytes.empty()) {
      EXPECT_EQ(contents(region / "store.db"), c.bytes) << c.name;
    }
    EXPECT_EQ(ravnmor({"store", "check", "--region", region.string()}).status, 1) << c.name;
  }
  fs::remove_all(scratch);
}

TEST(Operating, TheRegionLogRecordsTheRegionAndRotatesAtItsSize) {
  RegionServer server({"--log-level", "debug", "--quiet"});
  ASSERT_NE(server.port(), 0) << server.startup_line();
  const fs::path logs = fs::path(server.region_dir()) / "logs";
  ASSERT_TRUE(server.restart([&] {
    std::ofstream(fs::path(server.region_dir()) / "region.toml")
        << "[log]\nsize = \"1K\"\nkeep = 2\n";
  }));
  constexpr int kTerminals = 12;
  for (int i = 0; i < kTerminals; ++i) {
    S3270 terminal;
    connect(terminal, server);
  }
  // The last terminal has gone before the stop, whichever came first.
  ASSERT_TRUE(server.log_shows("session 12 T012: disconnected: the terminal closed"));
  server.process().signal(SIGTERM);
  EXPECT_EQ(server.process().read_error_to_end(), "") << "--quiet leaves standard error alone";
  ASSERT_TRUE(server.process().wait_for_exit());

  EXPECT_TRUE(fs::exists(logs / "region.log.2"));
  EXPECT_FALSE(fs::exists(logs / "region.log.3"));
  std::string all;
  for (const char* name : {"region.log.2", "region.log.1", "region.log"}) {
    const std::string text = contents(logs / name);
    EXPECT_LE(text.size(), 1024u) << name;
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_EQ(text.back(), '\n') << name;
    all += text;
  }
  std::istringstream lines(all);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.size() > 24 && line[4] == '-' && line[10] == ' ') << line;
  }
  EXPECT_NE(all.find("session 12 T012: disconnected: the terminal closed the connection"),
            std::string::npos)
      << all;
  EXPECT_NE(all.find("DEBUG [pid "), std::string::npos) << all;
  EXPECT_NE(
      all.find("INFO  [pid " + std::to_string(server.process().pid()) + "] region RAVNMOR stopped"),
      std::string::npos)
      << all;
}

// Started by systemd (NOTIFY_SOCKET set), the region says when it is ready
// and when it stops.
TEST(Operating, TellsSystemdItIsReadyAndStopping) {
  const fs::path directory = fresh_directory("notify");
  const fs::path socket_path = directory / "notify.socket";
  int listener = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  auto next_message = [&] {
    pollfd entry{listener, POLLIN, 0};
    char text[512] = {};
    if (poll(&entry, 1, std::chrono::milliseconds(kPatience).count()) <= 0) return std::string();
    ssize_t got = recv(listener, text, sizeof text - 1, 0);
    return std::string(text, got > 0 ? static_cast<std::size_t>(got) : 0);
  };
  setenv("NOTIFY_SOCKET", socket_path.c_str(), 1);
  {
    RegionServer server;
    unsetenv("NOTIFY_SOCKET");
    ASSERT_NE(server.port(), 0) << server.startup_line();
    const std::string ready = next_message();
    EXPECT_TRUE(ready.starts_with("READY=1\nSTATUS=listening on " + server.address())) << ready;
    server.process().signal(SIGTERM);
    EXPECT_EQ(next_message(), "STOPPING=1");
  }
  close(listener);
  fs::remove_all(directory);
}

TEST(Operating, VersionHelpAndExitStatus) {
  for (const char* flag : {"--version", "-V"}) {
    Finished version = ravnmor({flag});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("ravnmor 0.")) << version.out;
  }
  EXPECT_NE(ravnmor({"--help"}).out.find("With no subcommand, ravnmor starts a region"),
            std::string::npos);
  const std::string serve = ravnmor({"serve", "--help"}).out;
  for (const char* shown : {"the region's, 127.0.0.1:3270", "--region TEXT=./ravnmor-region",
                            "--trace", "the region's, 64", "--log-level", "--quiet"}) {
    EXPECT_NE(serve.find(shown), std::string::npos) << shown << "\n" << serve;
  }
  EXPECT_NE(ravnmor({"demo", "--help"}).out.find("type N TEXT"), std::string::npos);
  EXPECT_EQ(ravnmor({"nosuch"}).status, 2);
  EXPECT_EQ(ravnmor({"store"}).status, 2);
  EXPECT_EQ(ravnmor({"store", "restore"}).status, 2);
  const fs::path nowhere = fresh_directory("nowhere") / "none";
  Finished missing = ravnmor({"store", "check", "--region", nowhere.string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "ravnmor store: " + (nowhere / "store.db").string() + ": no such file\n");
  fs::remove_all(nowhere.parent_path());
}

// DUMP at QCMD over s3270 writes a dump that `ravnmor dump` lists and shows.
TEST(Operating, ADumpTakenAtQcmdIsListedAndShown) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 terminal;
  connect(terminal, server);
  EXPECT_EQ(run_command(terminal, "DUMP DUMPCODE(E2E) FROM(&STRING) LENGTH(7)"),
            "EIBRESP : NORMAL");
  Finished listed = ravnmor({"dump", "list", "--region", server.region_dir()});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("-E2E_-"), std::string::npos) << listed.out;
  Finished shown = ravnmor({"dump", "show", "--region", server.region_dir()});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("DUMP E2E   task"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("*EXAMPLE*"), std::string::npos) << shown.out;
  EXPECT_EQ(ravnmor({"dump", "show", "NOSUCH", "--region", server.region_dir()}).status, 1);
}

// What one terminal's SET changes, every terminal of the region sees: a
// second session finds the file closed and the queue closed.
TEST(Operating, ASetAtOneTerminalIsSeenAtAnother) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 first, second;
  connect(first, server);
  connect(second, server);
  EXPECT_EQ(run_command(first, "SET FILE(ACCOUNTS) CLOSED"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(first, "SET TDQUEUE(MSGS) CLOSED"), "EIBRESP : NORMAL");
  ASSERT_TRUE(act(second, {"String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(execute(second, "WRITEQ TD QUEUE(MSGS) FROM(&STRING)"), "EIBRESP : NOTOPEN");
  EXPECT_EQ(execute(second, "READ FILE(ACCOUNTS) INTO(&STRING) RIDFLD(100100)"),
            "EIBRESP : NOTOPEN");
  EXPECT_EQ(execute(second, "INQUIRE FILE(ACCOUNTS) OPENSTATUS(&FWORD)"), "EIBRESP : NORMAL");
  ASSERT_TRUE(act(second, {"PF(5)"}));  // the variables: &FWORD holds CLOSED, 19
  const std::vector<std::string> rows = second.screen();
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const std::string& row) {
    return has(row, "&FWORD ") && has(row, " 0000000019 ");
  })) << second.screen_text();
}

// JOURNAL at QCMD appends records that `ravnmor journal show` prints.
TEST(Operating, AJournalWrittenAtQcmdIsShown) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 terminal;
  connect(terminal, server);
  EXPECT_EQ(run_command(terminal, "JOURNAL JFILEID(1) JTYPEID(E2) FROM(&FWORD) LENGTH(4)"),
            "EIBRESP : NORMAL");
  Finished shown = ravnmor({"journal", "show", "audit", "--region", server.region_dir()});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("terminal T001  transaction QCMD  JTYPEID E2\n"
                           "  data (4 bytes) \\x15\\xCD[\\x07\n"),
            std::string::npos)
      << shown.out;
  Finished undefined = ravnmor({"journal", "show", "NOSUCH", "--region", server.region_dir()});
  EXPECT_EQ(undefined.status, 1);
  EXPECT_NE(undefined.err.find("defines no journal NOSUCH"), std::string::npos) << undefined.err;
}

// HANDLE ABEND PROGRAM names a program of the region as the task's exit: an
// ABEND then runs it instead of ending the task, and QCMD goes on.
TEST(Operating, AnAbendRunsTheExitThatHandleAbendNamed) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 terminal;
  connect(terminal, server);
  ASSERT_TRUE(act(terminal, {"String(\"QCMD\")", "Enter"}));
  EXPECT_EQ(execute(terminal, "HANDLE ABEND PROGRAM(HELLO)"), "EIBRESP : NORMAL");
  EXPECT_EQ(execute(terminal, "ABEND ABCODE(XY12)"), "EIBRESP : NORMAL");
  EXPECT_EQ(execute(terminal, "ASKTIME"), "EIBRESP : NORMAL");  // the task went on
  EXPECT_NE(server.log("error.log").find("abend XY12, handled by HELLO"), std::string::npos)
      << server.log("error.log");
}

}  // namespace
}  // namespace ravnmor::cli::testing
