// QCMD at a real emulator: s3270 against `ravnmor serve`, checked against the
// scripted terminal that the interpreter's own tests use.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "monitor/net/session.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/scripted.hpp"
#include "process.hpp"
#include "qcmd_terminal.hpp"
#include "region_server.hpp"
#include "shell/register.hpp"
#include "support/test_region.hpp"

namespace ravnmor::cli::testing {
namespace {

using Lines = std::vector<std::string>;

// Dates and times in headers differ between two runs; nothing else may.
Lines without_clock(Lines lines) {
  static const std::regex kClock(R"(\d{4}-\d{2}-\d{2} +\d{2}:\d{2}(:\d{2})?)");
  for (std::string& line : lines) line = std::regex_replace(line, kClock, "<clock>");
  return lines;
}

std::string joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// A scripted terminal that notes the screen each time the region waits for
// the user: what a person sees before pressing the next key.
class WatchedTerminal : public terminal::Terminal {
 public:
  explicit WatchedTerminal(terminal::ScriptedTerminal& user) : user_(user) {}
  bool send(std::span<const std::uint8_t> record) override { return user_.send(record); }
  bool receive(std::vector<std::uint8_t>& record) override {
    seen_.push_back(without_clock(user_.screen().lines()));
    return user_.receive(record);
  }
  terminal::Screen& screen() override { return user_.screen(); }
  const std::vector<Lines>& seen() const { return seen_; }

 private:
  terminal::ScriptedTerminal& user_;
  std::vector<Lines> seen_;
};

TEST(Qcmd, InitialScreenPagesAndReturnsToRoutingAsTheScriptedTerminalShows) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 emulator;
  connect(emulator, server);
  // What the user does; each step ends in one key.
  const std::vector<std::vector<std::string>> steps = {
      {"String(\"QCMD\")", "Enter"},   {"PF(8)"}, {"PF(7)"}, {"PF(3)"},
      {"String(\"nosuch\")", "Enter"},
  };
  std::vector<Lines> shown = {emulator.screen()};
  for (const auto& step : steps) {
    ASSERT_TRUE(act(emulator, step)) << step.front() << "\n" << emulator.screen_text();
    shown.push_back(emulator.screen());
  }
  EXPECT_TRUE(emulator.run("Disconnect").ok);
  ASSERT_EQ(shown.size(), steps.size() + 1);
  for (const Lines& screen : shown) ASSERT_EQ(screen.size(), 24u);

  // What each screen holds is the scripted terminal's tests' to say; here
  // only that the emulator saw QCMD's pages, then routing again.
  EXPECT_TRUE(has(shown[1][0], "Ravnmor Command Interpreter")) << joined(shown[1]);
  EXPECT_NE(shown[2][5], shown[1][5]);  // the second page of verbs
  EXPECT_TRUE(has(shown[5][2], "Transaction NOSUCH is not defined")) << joined(shown[5]);

  // The same keys at the scripted terminal, routed the same way.
  region::TestRegion scripted;
  qcmd::register_qcmd(region::program_table());
  terminal::ScriptedTerminal user;
  user.type("QCMD").enter().pf(8).pf(7).pf(3).type("nosuch").enter();
  WatchedTerminal watched(user);
  net::route_terminal(watched, net::terminal_identity(1));
  ASSERT_EQ(watched.seen().size(), shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(without_clock(shown[i]), watched.seen()[i]) << "screen " << i << ", s3270:\n"
                                                          << joined(shown[i]) << "scripted:\n"
                                                          << joined(watched.seen()[i]);
  }
}

TEST(Qcmd, TemporaryStorageIsSharedBySessionsAndOutlivesTheRegion) {
  RegionServer server;
  ASSERT_NE(server.port(), 0) << server.startup_line();
  S3270 writer;
  S3270 reader;
  connect(writer, server);
  connect(reader, server);
  EXPECT_EQ(run_command(reader, "READQ TS QUEUE(Q1) INTO(&STRING)"), "EIBRESP : QIDERR");
  EXPECT_EQ(run_command(writer, "WRITEQ TS QUEUE(Q1) FROM(&STRING)"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(reader, "READQ TS QUEUE(Q1) INTO(&STRING)"), "EIBRESP : NORMAL");
  ASSERT_TRUE(server.restart()) << server.startup_line();
  S3270 later;
  connect(later, server);
  EXPECT_EQ(run_command(later, "READQ TS QUEUE(Q1) INTO(&STRING) ITEM(1)"), "EIBRESP : NORMAL");
  EXPECT_EQ(run_command(later, "READQ TS QUEUE(Q2) INTO(&STRING)"), "EIBRESP : QIDERR");
  // After QCMD the terminal routes again.
  EXPECT_TRUE(act(later, {"String(\"nosuch\")", "Enter"}));
  EXPECT_TRUE(later.screen()[2].starts_with(" Transaction NOSUCH is not defined"));
}

}  // namespace
}  // namespace ravnmor::cli::testing
