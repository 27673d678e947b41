// A region started with `ravnmor serve` on a free loopback port in a fresh
// region directory, for the end-to-end tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "process.hpp"

namespace ravnmor::cli::testing {

inline std::filesystem::path fresh_directory(const std::string& purpose) {
  static int counter = 0;
  auto path =
      std::filesystem::temp_directory_path() /
      ("ravnmor-" + purpose + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

class RegionServer {
 public:
  explicit RegionServer(std::vector<std::string> extra = {})
      : directory_(fresh_directory("serve")), extra_(std::move(extra)) {
    start();
  }
  // Stops the region as a user does, so that no session of it still writes
  // to the directory being removed.
  ~RegionServer() {
    process_->signal(SIGTERM);
    process_->wait_for_exit();
    process_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  int port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  const std::string& startup_line() const { return startup_line_; }
  std::string region_dir() const { return (directory_ / "region").string(); }
  Process& process() { return *process_; }

  // Stops the region as a user does (SIGTERM), runs `while_stopped`, and
  // starts it again on the same directory; the port is a new one. False
  // when it did not stop or did not come back.
  bool restart(const std::function<void()>& while_stopped = {}) {
    process_->signal(SIGTERM);
    if (!process_->wait_for_exit()) return false;
    if (while_stopped) while_stopped();
    start();
    return port_ != 0;
  }

  // Kills the region and every process of it at once (SIGKILL), as a crash
  // of the machine would, and starts it again on the same directory.
  bool crash_and_restart() {
    const pid_t listener = process_->pid();
    std::ifstream children("/proc/" + std::to_string(listener) + "/task/" +
                           std::to_string(listener) + "/children");
    for (pid_t child; children >> child;) kill(child, SIGKILL);
    process_->signal(SIGKILL);
    if (!process_->wait_for_exit()) return false;
    start();
    return port_ != 0;
  }

  // A log file of the region ("region.log", "error.log"), empty when absent.
  std::string log(const std::string& name = "region.log") const {
    std::ifstream in(std::filesystem::path(region_dir()) / "logs" / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Waits (bounded) for the region log to show `text`.
  bool log_shows(const std::string& text) const {
    constexpr int kPauseMs = 10;
    return eventually([&] { return log().find(text) != std::string::npos; }, kPauseMs);
  }

 private:
  void start() {
    std::vector<std::string> argv = {ravnmor_binary(), "serve",    "--listen",
                                     "127.0.0.1:0",    "--region", region_dir()};
    argv.insert(argv.end(), extra_.begin(), extra_.end());
    process_ = std::make_unique<Process>(argv);
    port_ = 0;
    if (auto line = process_->read_line()) {
      startup_line_ = *line;
      auto colon = line->rfind(':');
      if (line->find(" listening on ") != std::string::npos && colon != std::string::npos) {
        port_ = std::stoi(line->substr(colon + 1));
      }
    }
  }

  std::filesystem::path directory_;
  std::vector<std::string> extra_;
  std::unique_ptr<Process> process_;
  std::string startup_line_;
  int port_ = 0;
};

}  // namespace ravnmor::cli::testing
