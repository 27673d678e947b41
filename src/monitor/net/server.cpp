#include "monitor/net/server.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "monitor/net/connection.hpp"
#include "monitor/net/session.hpp"

namespace ravnmor::net {

namespace {

constexpr int kListenBacklog = 64;
// How long sessions are given to end after SIGTERM before they are killed.
constexpr auto kStopGrace = std::chrono::seconds(5);
// A scheduler that ends sooner than this after its start is started again
// only after this much time.
constexpr auto kSchedulerRestartPause = std::chrono::seconds(1);

// Signals reach the listener's poll loop through this pipe: one byte each.
int signal_pipe[2] = {-1, -1};
constexpr char kChildSignal = 'C';
constexpr char kStopSignal = 'S';

void on_signal(int number) {
  int saved = errno;
  char byte = number == SIGCHLD ? kChildSignal : kStopSignal;
  [[maybe_unused]] ssize_t ignored = write(signal_pipe[1], &byte, 1);
  errno = saved;
}

void on_session_stop(int) {
  request_stop();
}

void set_handler(int number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(number, &action, nullptr);
}

// Each listener gets a pipe of its own, not one inherited from a parent.
void install_listener_signals() {
  for (int& end : signal_pipe) {
    if (end >= 0) close(end);
  }
  if (pipe2(signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0) signal_pipe[0] = signal_pipe[1] = -1;
  set_handler(SIGCHLD, on_signal);
  set_handler(SIGINT, on_signal);
  set_handler(SIGTERM, on_signal);
  set_handler(SIGPIPE, SIG_IGN);
}

// A session process leaves shutdown to the listener (Ctrl-C at the console
// reaches the whole process group) and ends its task cleanly on SIGTERM.
void install_session_signals() {
  set_handler(SIGCHLD, SIG_DFL);
  set_handler(SIGINT, SIG_IGN);
  set_handler(SIGTERM, on_session_stop);
}

std::string describe_end(int status) {
  if (WIFEXITED(status)) return "ended with exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) {
    int number = WTERMSIG(status);
    return "was killed by signal " + std::to_string(number) + " (" + strsignal(number) + ")";
  }
  return "ended with wait status " + std::to_string(status);
}

bool ended_badly(int status) {
  return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

std::string format_address(const sockaddr_storage& address) {
  char host[INET6_ADDRSTRLEN] = "?";
  std::uint16_t port = 0;
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, host, sizeof host);
    port = ntohs(v4.sin_port);
    return std::string(host) + ":" + std::to_string(port);
  }
  const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
  inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host);
  port = ntohs(v6.sin6_port);
  return "[" + std::string(host) + "]:" + std::to_string(port);
}

}  // namespace

std::optional<ListenAddress> parse_listen_address(std::string_view text, std::string& error) {
  auto colon = text.rfind(':');
  if (colon == std::string_view::npos) {
    error = "bad listen address '" + std::string(text) + "': expected HOST:PORT";
    return std::nullopt;
  }
  std::string_view host = text.substr(0, colon);
  std::string_view port = text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  unsigned value = 0;
  auto [end, problem] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (host.empty() || port.empty() || problem != std::errc{} || end != port.data() + port.size() ||
      value > 65535) {
    error = "bad listen address '" + std::string(text) + "': expected HOST:PORT, PORT 0-65535";
    return std::nullopt;
  }
  return ListenAddress{std::string(host), static_cast<std::uint16_t>(value)};
}

Server::~Server() {
  if (listen_fd_ >= 0) close(listen_fd_);
}

bool Server::open(const ServerOptions& options) {
  options_ = options;
  std::string shown = options.listen.host + ":" + std::to_string(options.listen.port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  std::string port = std::to_string(options.listen.port);
  if (int problem = getaddrinfo(options.listen.host.c_str(), port.c_str(), &hints, &found)) {
    error_ = "bad listen address '" + shown + "': " + gai_strerror(problem);
    return false;
  }
  int fd = socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
  int on = 1;
  bool listening = fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                   bind(fd, found->ai_addr, found->ai_addrlen) == 0 &&
                   listen(fd, kListenBacklog) == 0;
  freeaddrinfo(found);
  if (!listening) {
    error_ = "cannot listen on " + shown + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  listen_fd_ = fd;
  // From here on SIGINT and SIGTERM stop the listener: a signal that comes
  // right after the start-up line still ends it cleanly.
  install_listener_signals();
  return true;
}

std::string Server::local_address() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
  return format_address(address);
}

void Server::run(const SessionHandler& handler, const ServerLog& log) {
  while (!stopping_) {
    bool scheduler_due = scheduler_.scheduler && count(Kind::scheduler) == 0;
    if (scheduler_due &&
        std::chrono::steady_clock::now() - scheduler_started_ >= kSchedulerRestartPause) {
      start_scheduler(log);
      scheduler_due = false;
    }
    pollfd entries[] = {
        {listen_fd_, POLLIN, 0}, {signal_pipe[0], POLLIN, 0}, {scheduler_pipe_, POLLIN, 0}};
    int timeout = scheduler_due
                      ? static_cast<int>(std::chrono::milliseconds(kSchedulerRestartPause).count())
                      : -1;
    if (poll(entries, scheduler_pipe_ >= 0 ? 3 : 2, timeout) < 0) {
      if (errno == EINTR) continue;
      log(region::LogLevel::error, std::string("listener: poll: ") + std::strerror(errno));
      break;
    }
    char signals[64];
    ssize_t count =
        (entries[1].revents & POLLIN) ? read(signal_pipe[0], signals, sizeof signals) : 0;
    for (ssize_t i = 0; i < count; ++i) {
      if (signals[i] == kStopSignal) stopping_ = true;
    }
    reap(log);
    if (scheduler_pipe_ >= 0 && (entries[2].revents & (POLLIN | POLLHUP))) {
      char wanted[64];
      ssize_t got = read(scheduler_pipe_, wanted, sizeof wanted);
      if (got <= 0 && errno != EAGAIN) {
        close(scheduler_pipe_);  // the scheduler is gone; reap() notes it
        scheduler_pipe_ = -1;
      } else if (got > 0 && !stopping_) {
        start_workers(static_cast<int>(got), log);
      }
    }
    if (!stopping_ && (entries[0].revents & POLLIN)) accept_one(handler, log);
  }
  close(listen_fd_);
  listen_fd_ = -1;
  if (scheduler_pipe_ >= 0) close(scheduler_pipe_);
  scheduler_pipe_ = -1;
  if (count(Kind::session) > 0) {
    log(region::LogLevel::info, "stopping " + std::to_string(count(Kind::session)) + " session(s)");
  }
  stop_sessions(log);
}

void Server::start_scheduler(const ServerLog& log) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    log(region::LogLevel::error, std::string("scheduler: pipe: ") + std::strerror(errno));
    scheduler_started_ = std::chrono::steady_clock::now();
    return;
  }
  if (scheduler_pipe_ >= 0) close(scheduler_pipe_);
  scheduler_pipe_ = ends[0];
  fcntl(scheduler_pipe_, F_SETFL, O_NONBLOCK);
  scheduler_started_ = std::chrono::steady_clock::now();
  pid_t pid = start_process(ends[1], scheduler_.scheduler);
  if (pid < 0) {
    log(region::LogLevel::error, std::string("scheduler: fork: ") + std::strerror(errno));
    return;
  }
  sessions_[pid] = Session{0, Kind::scheduler};
  log(region::LogLevel::debug, "scheduler (pid " + std::to_string(pid) + ") started");
}

void Server::start_workers(int wanted, const ServerLog& log) {
  int room = scheduler_.most_workers - count(Kind::worker);
  for (int i = 0; i < std::min(wanted, room); ++i) {
    pid_t pid = start_process(-1, [this](int) { return scheduler_.worker(); });
    if (pid < 0) {
      log(region::LogLevel::error, std::string("worker: fork: ") + std::strerror(errno));
      return;
    }
    sessions_[pid] = Session{0, Kind::worker};
    log(region::LogLevel::debug, "worker (pid " + std::to_string(pid) + ") started");
  }
}

void Server::accept_one(const SessionHandler& handler, const ServerLog& log) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  int fd = accept4(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
  if (fd < 0) return;  // the client gave up before we took it, or out of descriptors
  const std::string peer = format_address(address);
  if (count(Kind::session) < options_.max_sessions) {
    start_session(fd, peer, handler, log);
    return;
  }
  log(region::LogLevel::warning, "connection from " + peer + " refused: all " +
                                     std::to_string(options_.max_sessions) +
                                     " sessions are in use");
  if (refusal_ && count(Kind::refusal) < kMostRefusals) {
    start_refusal(fd, peer, log);
  } else {
    close(fd);
  }
}

int Server::count(Kind kind) const {
  int counted = 0;
  for (const auto& [pid, session] : sessions_) counted += session.kind == kind;
  return counted;
}

pid_t Server::start_process(int fd, const std::function<int(int)>& body) {
  std::fflush(nullptr);  // the child must not write the parent's buffered output again
  pid_t pid = fork();
  if (pid == 0) {
    close(listen_fd_);
    close(signal_pipe[0]);
    close(signal_pipe[1]);
    if (scheduler_pipe_ >= 0) close(scheduler_pipe_);
    install_session_signals();
    int status = body(fd);
    std::fflush(nullptr);
    _exit(status);
  }
  if (fd >= 0) close(fd);
  return pid;
}

void Server::start_refusal(int fd, const std::string& peer, const ServerLog& log) {
  pid_t pid = start_process(fd, refusal_);
  if (pid < 0) {
    log(region::LogLevel::error, "connection from " + peer + " closed: " + std::strerror(errno));
    return;
  }
  sessions_[pid] = Session{0, Kind::refusal};
}

void Server::start_session(int fd, const std::string& peer, const SessionHandler& handler,
                           const ServerLog& log) {
  int number = next_number_++;
  pid_t pid = start_process(fd, [&](int session_fd) { return handler(session_fd, number); });
  if (pid < 0) {
    log(region::LogLevel::error,
        "connection from " + peer + " dropped: cannot start a session: " + std::strerror(errno));
    return;
  }
  sessions_[pid] = Session{number, Kind::session};
  log(region::LogLevel::info, "session " + std::to_string(number) + " (" +
                                  terminal_identity(number).id + ", pid " + std::to_string(pid) +
                                  ") connected from " + peer);
}

std::string Server::process_name(const Session& session) {
  switch (session.kind) {
    case Kind::scheduler:
      return "scheduler";
    case Kind::worker:
      return "worker";
    default:
      return "session " + std::to_string(session.number);
  }
}

void Server::reap(const ServerLog& log) {
  int status = 0;
  pid_t pid;
  while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
    auto session = sessions_.find(pid);
    if (session == sessions_.end()) continue;
    log(ended_badly(status) ? region::LogLevel::warning : region::LogLevel::debug,
        process_name(session->second) + " (pid " + std::to_string(pid) + ") " +
            describe_end(status));
    sessions_.erase(session);
  }
}

void Server::stop_sessions(const ServerLog& log) {
  for (const auto& [pid, session] : sessions_) kill(pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  while (!sessions_.empty() && std::chrono::steady_clock::now() < deadline) {
    pollfd entry{signal_pipe[0], POLLIN, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    poll(&entry, 1, static_cast<int>(left.count()) + 1);
    char drained[64];
    while (read(signal_pipe[0], drained, sizeof drained) > 0) {
    }
    reap(log);
  }
  for (const auto& [pid, session] : sessions_) {
    log(region::LogLevel::warning, process_name(session) + " (pid " + std::to_string(pid) +
                                       ") did not stop in time and was killed");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  sessions_.clear();
}

}  // namespace ravnmor::net
