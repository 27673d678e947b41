// The region's listener: accepts TN3270 connections and gives each one its
// own session process (fork after accept), so that a crash or an exit in one
// session never touches another. It caps the number of sessions, reaps them,
// logs their coming and going, and on SIGINT or SIGTERM ends them all. It
// also keeps the scheduler's process running and forks the workers that
// run started tasks without a terminal. It never opens the store itself: a
// connection must not cross a fork.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/region/log.hpp"

namespace ravnmor::net {

struct ListenAddress {
  std::string host;
  std::uint16_t port = 0;
};

// Parses HOST:PORT ([HOST]:PORT for an IPv6 literal). Empty result and a
// reason in `error` when the text is not such an address.
std::optional<ListenAddress> parse_listen_address(std::string_view text, std::string& error);

struct ServerOptions {
  ListenAddress listen;
  int max_sessions = 64;
};

// Runs in the session process with the accepted socket and the session's
// number (1, 2, ... in the order of connection); its result is the process's
// exit status.
using SessionHandler = std::function<int(int fd, int session_number)>;

// Runs in a process of its own with a socket accepted over the session
// limit, to tell the client so; its result is the process's exit status.
using RefusalHandler = std::function<int(int fd)>;

// How many turned-away clients are told so at once; more are closed at once.
inline constexpr int kMostRefusals = 8;

// The scheduler (scheduler.hpp): the body of its process, which writes one
// byte to `wake_fd` for each worker it wants, and the body of a worker
// process. Each result is the process's exit status.
struct SchedulerHandlers {
  std::function<int(int wake_fd)> scheduler;
  std::function<int()> worker;
  int most_workers = 0;  // workers running at once
};

// Receives one line for the region log and its level.
using ServerLog = std::function<void(region::LogLevel, const std::string&)>;

class Server {
 public:
  Server() = default;
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Resolves, binds and listens, and takes over SIGINT, SIGTERM and SIGCHLD
  // for the listener. False with a one-line reason in error().
  bool open(const ServerOptions& options);
  const std::string& error() const { return error_; }
  // The address actually bound (the port chosen when 0 was asked for).
  std::string local_address() const;

  // What a client over the session limit is given; without one it is closed.
  void set_refusal(RefusalHandler refusal) { refusal_ = std::move(refusal); }

  // Runs the scheduler's process beside the sessions (restarted when it
  // ends) and forks the workers it asks for.
  void set_scheduler(SchedulerHandlers handlers) { scheduler_ = std::move(handlers); }

  // Serves until SIGINT or SIGTERM, then stops every session and returns.
  void run(const SessionHandler& handler, const ServerLog& log);

 private:
  enum class Kind { session, refusal, scheduler, worker };
  struct Session {
    int number;  // the session's; 0 for the other kinds
    Kind kind = Kind::session;
  };
  void accept_one(const SessionHandler& handler, const ServerLog& log);
  void start_session(int fd, const std::string& peer, const SessionHandler& handler,
                     const ServerLog& log);
  void start_refusal(int fd, const std::string& peer, const ServerLog& log);
  pid_t start_process(int fd, const std::function<int(int)>& body);
  void start_scheduler(const ServerLog& log);
  void start_workers(int wanted, const ServerLog& log);
  int count(Kind kind) const;
  static std::string process_name(const Session& session);
  void reap(const ServerLog& log);
  void stop_sessions(const ServerLog& log);

  int listen_fd_ = -1;
  ServerOptions options_;
  std::map<pid_t, Session> sessions_;
  int next_number_ = 1;
  RefusalHandler refusal_;
  SchedulerHandlers scheduler_;
  int scheduler_pipe_ = -1;  // the read end: a byte for each worker wanted
  std::chrono::steady_clock::time_point scheduler_started_;
  bool stopping_ = false;
  std::string error_;
};

}  // namespace ravnmor::net
