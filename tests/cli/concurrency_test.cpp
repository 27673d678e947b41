// Many terminals on one region at once, and a session process killed among them.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "process.hpp"
#include "region_server.hpp"

namespace ravnmor::cli::testing {
namespace {

constexpr int kTerminals = 50;

std::set<pid_t> session_processes(pid_t listener) {
  std::ifstream children("/proc/" + std::to_string(listener) + "/task/" + std::to_string(listener) +
                         "/children");
  std::set<pid_t> pids;
  for (pid_t pid; children >> pid;) pids.insert(pid);
  return pids;
}

bool row_starts_with(S3270& terminal, int row, const std::string& text) {
  auto screen = terminal.screen();
  return static_cast<int>(screen.size()) > row && screen[row].starts_with(text);
}

// Types `word` on the top line, presses Enter and waits for the answer.
bool enter_word(S3270& terminal, const std::string& word) {
  return terminal.run("String(\"" + word + "\")").ok && terminal.run("Enter").ok &&
         terminal.run("Wait(60,InputField)").ok;
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
  int answered = 0;
  for (auto& terminal : terminals) {
    if (enter_word(*terminal, "nosuch") &&
        row_starts_with(*terminal, 2, " Transaction NOSUCH is not defined")) {
      ++answered;
    }
  }
  EXPECT_EQ(answered, kTerminals - 1);
  EXPECT_TRUE(server.log_shows("was killed by signal 9 (Killed)")) << server.error_log();

  S3270 newcomer;
  ASSERT_TRUE(newcomer.run("Connect(" + server.address() + ")").ok);
  ASSERT_TRUE(newcomer.run("Wait(60,InputField)").ok);
  EXPECT_TRUE(row_starts_with(newcomer, 4, " Terminal  T051"));
}

}  // namespace
}  // namespace ravnmor::cli::testing
