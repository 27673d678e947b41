#include "monitor/net/connection.hpp"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace ravnmor::net {

namespace {

volatile std::sig_atomic_t stop_flag = 0;

// A dead peer that never answers is given up after idle + interval * count
// seconds: the half-open connection of a terminal whose network went away.
constexpr int kKeepaliveIdleSeconds = 60;
constexpr int kKeepaliveIntervalSeconds = 10;
constexpr int kKeepaliveProbes = 3;
constexpr std::size_t kReadChunk = 4096;

void set_socket_options(int fd, const ConnectionLimits& limits) {
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepaliveIdleSeconds, sizeof kKeepaliveIdleSeconds);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepaliveIntervalSeconds,
             sizeof kKeepaliveIntervalSeconds);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepaliveProbes, sizeof kKeepaliveProbes);
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // one record, one round trip
  unsigned user_timeout = static_cast<unsigned>(limits.output.count());
  setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &user_timeout, sizeof user_timeout);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int remaining_ms(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

bool stop_requested() {
  return stop_flag != 0;
}
void request_stop() {
  stop_flag = 1;
}

Connection::Connection(int fd, ConnectionLimits limits) : fd_(fd), limits_(limits) {
  set_socket_options(fd_, limits_);
}

Connection::~Connection() {
  if (fd_ >= 0) close(fd_);
}

bool Connection::fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
  return false;
}

// Waits until the socket is ready; timeout -1 waits for ever. A signal that
// asks the session to stop ends the wait.
bool Connection::wait(Wait what, int timeout_ms) {
  pollfd entry{fd_, static_cast<short>(what == Wait::kReadable ? POLLIN : POLLOUT), 0};
  for (;;) {
    if (stop_requested()) return fail("the session was asked to stop");
    int ready = poll(&entry, 1, timeout_ms);
    if (ready > 0) return true;
    if (ready == 0) return fail("timed out");
    if (errno != EINTR) return fail(std::string("poll: ") + std::strerror(errno));
  }
}

bool Connection::read_some(int timeout_ms) {
  if (!wait(Wait::kReadable, timeout_ms)) return false;
  std::uint8_t buffer[kReadChunk];
  ssize_t got = read(fd_, buffer, sizeof buffer);
  if (got == 0) {
    closed_cleanly_ = error_.empty() && !codec_.in_record();
    return fail(closed_cleanly_ ? "the client closed the connection"
                                : "the client closed the connection in the middle of a record");
  }
  if (got < 0) {
    if (errno == EAGAIN || errno == EINTR) return true;
    return fail(std::string("the connection failed: ") + std::strerror(errno));
  }
  codec_.feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(got)));
  if (codec_.failed()) return fail(codec_.error());
  return flush();
}

bool Connection::flush() {
  std::vector<std::uint8_t> output = codec_.take_output();
  std::size_t sent = 0;
  auto deadline = std::chrono::steady_clock::now() + limits_.output;
  while (sent < output.size()) {
    ssize_t put = send(fd_, output.data() + sent, output.size() - sent, MSG_NOSIGNAL);
    if (put >= 0) {
      sent += static_cast<std::size_t>(put);
    } else if (errno == EAGAIN || errno == EINTR) {
      if (!wait(Wait::kWritable, remaining_ms(deadline))) {
        return fail("the client does not take its output");
      }
    } else {
      return fail(std::string("the connection failed: ") + std::strerror(errno));
    }
  }
  return true;
}

bool Connection::negotiate() {
  codec_.start();
  if (!flush()) return false;
  auto deadline = std::chrono::steady_clock::now() + limits_.negotiation;
  while (!codec_.ready()) {
    if (!read_some(remaining_ms(deadline))) {
      if (error_ == "timed out") error_ = "the client did not agree to the 3270 mode in time";
      return false;
    }
  }
  return true;
}

bool Connection::send_record(std::span<const std::uint8_t> record) {
  if (!error_.empty()) return false;
  codec_.send_record(record);
  return flush();
}

bool Connection::readable_within(int timeout_ms) {
  if (stop_requested()) return fail("the session was asked to stop");
  pollfd entry{fd_, POLLIN, 0};
  int ready = poll(&entry, 1, timeout_ms);
  if (ready < 0 && errno != EINTR) return fail(std::string("poll: ") + std::strerror(errno));
  return ready > 0;
}

bool Connection::receive_record(std::vector<std::uint8_t>& record) {
  return receive_record(record, terminal::Wake{}) == terminal::Arrival::record;
}

terminal::Arrival Connection::receive_record(std::vector<std::uint8_t>& record,
                                             const terminal::Wake& wake) {
  if (!error_.empty()) return terminal::Arrival::gone;
  const bool limited = limits_.idle.count() > 0;
  const bool waking = wake.due && wake.period.count() > 0;
  const auto deadline = std::chrono::steady_clock::now() + limits_.idle;
  for (;;) {
    if (auto next = codec_.next_record()) {
      record = std::move(*next);
      return terminal::Arrival::record;
    }
    int timeout = limited ? remaining_ms(deadline) : -1;
    if (waking && (timeout < 0 || wake.period.count() < timeout)) {
      if (!readable_within(static_cast<int>(wake.period.count()))) {
        if (!error_.empty()) return terminal::Arrival::gone;
        if (wake.due()) return terminal::Arrival::woken;
        continue;
      }
      timeout = 0;  // something has come: read it at once
    }
    if (!read_some(timeout)) {
      if (limited && error_ == "timed out") {
        idle_timed_out_ = true;
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits_.idle).count();
        error_ = "no input for " + std::to_string(seconds) +
                 (seconds == 1 ? " second" : " seconds") + ": the idle limit ended the session";
      }
      return terminal::Arrival::gone;
    }
  }
}

std::size_t Connection::discard_arrived() {
  std::size_t dropped = 0;
  pollfd entry{fd_, POLLIN, 0};
  while (error_.empty() && poll(&entry, 1, 0) > 0 && read_some(0)) {
  }
  while (codec_.next_record()) ++dropped;
  return dropped;
}

}  // namespace ravnmor::net
