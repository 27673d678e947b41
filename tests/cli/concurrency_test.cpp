// Many terminals on one region at once, and a session process killed among them.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "monitor/net/scheduler.hpp"
#include "process.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

constexpr int kTerminals = 50;

std::set<pid_t> session_processes(pid_t listener) {
  std::ifstream children("/proc/" + std::to_string(listener) + "/task/" + std::to_string(listener) +
                         "/children");
  std::set<pid_t> pids;
  for (pid_t pid; children >> pid;) {
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
    if (name != net::kSchedulerProcessName) pids.insert(pid);  // the scheduler is no session
  }
  return pids;
}

// A row of the screen; empty when the terminal has no screen (it is gone).
std::string row_of(S3270& terminal, int row) {
  auto screen = terminal.screen();
  return static_cast<int>(screen.size()) > row ? screen[row] : "";
}

bool row_starts_with(S3270& terminal, int row, const std::string& text) {
  return row_of(terminal, row).starts_with(text);
}

using Terminals = std::vector<std::unique_ptr<S3270>>;

// Gives every terminal the same actions at once, so that the sessions work
// side by side, then waits on each for the region's answer; `good` then says
// whether the terminal shows what it should. One flag per terminal: all
// actions answered and the screen good.
std::vector<bool> on_every_terminal(Terminals& terminals, const std::vector<std::string>& actions,
                                    const std::function<bool(S3270&)>& good) {
  std::vector<bool> passed(terminals.size(), true);
  std::vector<std::string> all = actions;
  all.push_back("Wait(60,Unlock)");
  for (const std::string& action : all) {
    for (auto& terminal : terminals) terminal->start(action);
    for (std::size_t i = 0; i < terminals.size(); ++i) {
      if (!terminals[i]->reply().ok) passed[i] = false;
    }
  }
  for (std::size_t i = 0; i < terminals.size(); ++i) {
    passed[i] = passed[i] && good(*terminals[i]);
  }
  return passed;
}

TEST(Concurrency, FiftyTerminalsAndAKilledSession) {
  RegionServer server({"--max-sessions", std::to_string(kTerminals + 1)});
  ASSERT_NE(server.port(), 0) << server.startup_line();
  std::vector<std::unique_ptr<S3270>> terminals;
  for (int i = 0; i < kTerminals; ++i) {
    terminals.push_back(std::make_unique<S3270>());
    terminals.back()->start("Connect(" + server.address() + ")");
  }
  // Every connection was started before any is waited on: the sessions run side by side.
  for (auto& terminal : terminals) {
    ASSERT_TRUE(terminal->reply().ok);
    ASSERT_TRUE(terminal->run("Wait(60,InputField)").ok);
  }
  for (auto& terminal : terminals) {
    ASSERT_TRUE(row_starts_with(*terminal, 2, " Ravnmor transaction region"));
  }
  std::set<pid_t> sessions = session_processes(server.process().pid());
  ASSERT_EQ(sessions.size(), static_cast<std::size_t>(kTerminals));

  kill(*sessions.begin(), SIGKILL);  // one of them, as a crash would
  auto qcmd_started = on_every_terminal(terminals, {"String(\"QCMD\")", "Enter"}, [](S3270& t) {
    return row_of(t, 0).find("Ravnmor Command Interpreter") != std::string::npos;
  });
  auto qcmd_ended = on_every_terminal(
      terminals, {"PF(3)"}, [](S3270& t) { return row_of(t, 0) == std::string(80, ' '); });
  auto routed = on_every_terminal(terminals, {"String(\"nosuch\")", "Enter"}, [](S3270& t) {
    return row_starts_with(t, 2, " Transaction NOSUCH is not defined");
  });
  int answered = 0;
  for (std::size_t i = 0; i < terminals.size(); ++i) {
    if (qcmd_started[i] && qcmd_ended[i] && routed[i]) ++answered;
  }
  EXPECT_EQ(answered, kTerminals - 1);
  EXPECT_TRUE(server.log_shows("was killed by signal 9 (Killed)")) << server.log();

  S3270 newcomer;
  ASSERT_TRUE(newcomer.run("Connect(" + server.address() + ")").ok);
  ASSERT_TRUE(newcomer.run("Wait(60,InputField)").ok);
  EXPECT_TRUE(row_starts_with(newcomer, 4, " Terminal  T051"));
}

}  // namespace
}  // namespace ravnmor::cli::testing
