// Child processes for the end-to-end tests: the built ravnmor command and
// s3270, each talked to through pipes with bounded waits (a test waits for a
// condition, it never sleeps for one).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ravnmor::cli::testing {

// Bounds only a test that has already gone wrong.
inline constexpr auto kPatience = std::chrono::seconds(30);

// Asks `done` again and again, `pause_ms` apart, until it says yes or the
// patience runs out; whether it said yes.
inline bool eventually(const std::function<bool()>& done, int pause_ms) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    poll(nullptr, 0, pause_ms);
  }
  return true;
}

inline std::string ravnmor_binary() {
  const char* path = std::getenv("RAVNMOR_BINARY");
  return path ? path : "ravnmor";
}

class Process {
 public:
  // Starts `argv` with standard input, output and error on pipes.
  explicit Process(const std::vector<std::string>& argv) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      std::vector<char*> args;
      for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    stderr_ = err[0];
  }

  ~Process() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    for (int fd : {stdin_, stdout_, stderr_}) {
      if (fd >= 0) close(fd);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }

  void write_line(const std::string& line) {
    std::string text = line + "\n";
    [[maybe_unused]] ssize_t put = write(stdin_, text.data(), text.size());
  }

  void close_input() {
    close(stdin_);
    stdin_ = -1;
  }

  // The next line of standard output, without its newline; nothing when the
  // output ended or the patience ran out.
  std::optional<std::string> read_line() {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
      auto newline = out_buffer_.find('\n');
      if (newline != std::string::npos) {
        std::string line = out_buffer_.substr(0, newline);
        out_buffer_.erase(0, newline + 1);
        return line;
      }
      if (!read_more(stdout_, out_buffer_, deadline)) return std::nullopt;
    }
  }

  // Everything the process writes to standard error until it ends.
  std::string read_error_to_end() {
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (read_more(stderr_, text, deadline)) {
    }
    return text;
  }

  // Waits (bounded) for the process to end; its wait status.
  std::optional<int> wait_for_exit() {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!status_ && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        status_ = status;
      } else {
        pollfd none{};
        poll(&none, 0, 10);
      }
    }
    return status_;
  }

  void signal(int number) { kill(pid_, number); }

 private:
  static bool read_more(int fd, std::string& buffer,
                        std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[4096];
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int stdin_ = -1, stdout_ = -1, stderr_ = -1;
  std::string out_buffer_;
  std::optional<int> status_;
};

// A run of the ravnmor command to its end.
struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

inline Finished ravnmor(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {ravnmor_binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  Process process(argv);
  Finished run;
  while (auto line = process.read_line()) run.out += *line + "\n";
  run.err = process.read_error_to_end();
  auto status = process.wait_for_exit();
  if (status && WIFEXITED(*status)) run.status = WEXITSTATUS(*status);
  return run;
}

// An s3270 emulator driven by its actions; each reply is the action's data
// lines and whether it ended with "ok".
class S3270 {
 public:
  struct Reply {
    bool ok = false;
    std::vector<std::string> data;
    std::string status;
  };

  S3270() : process_({"s3270"}) {}
  explicit S3270(const std::vector<std::string>& argv) : process_(argv) {}

  Reply run(const std::string& action) {
    start(action);
    return reply();
  }

  // Sends an action without waiting: reply() then reads its answer.
  void start(const std::string& action) { process_.write_line(action); }

  Reply reply() {
    Reply reply;
    std::string previous;
    while (auto line = process_.read_line()) {
      if (*line == "ok" || *line == "error") {
        reply.ok = *line == "ok";
        reply.status = previous;
        return reply;
      }
      if (line->starts_with("data: ")) reply.data.push_back(line->substr(6));
      previous = *line;
    }
    return reply;  // s3270 went away
  }

  // The 24 rows of the screen as text.
  std::vector<std::string> screen() { return run("Ascii").data; }

  // The whole screen as one string, rows joined by newlines, for messages.
  std::string screen_text() {
    std::string text;
    for (const std::string& row : screen()) text += row + "\n";
    return text;
  }

  Process& process() { return process_; }

 private:
  Process process_;
};

}  // namespace ravnmor::cli::testing
