// One TN3270 connection: a connected socket and the telnet codec on it. Its
// records are the 3270 data stream exactly as it travels (EBCDIC); the
// terminal above it translates.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "monitor/net/telnet.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::net {

struct ConnectionLimits {
  // How long a client may take to agree to the 3270 mode.
  std::chrono::milliseconds negotiation = std::chrono::seconds(10);
  // How long the client may leave outbound data unread before it counts as gone.
  std::chrono::milliseconds output = std::chrono::seconds(60);
  // How long a record may be waited for; zero waits for ever.
  std::chrono::milliseconds idle{0};
};

class Connection {
 public:
  // Takes ownership of a connected socket.
  Connection(int fd, ConnectionLimits limits);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs the telnet negotiation. False (and error()) when the client does not
  // agree to the 3270 mode within the negotiation limit.
  bool negotiate();

  // Sends one record. False when the client is gone.
  bool send_record(std::span<const std::uint8_t> record);

  // Waits for the client's next record, for ever unless an idle limit is set
  // (a half-open connection is found by TCP keepalive). False when the client
  // closed, reset, sent what is not TN3270, stayed idle past the limit, or the
  // session was asked to stop.
  bool receive_record(std::vector<std::uint8_t>& record);
  // The same, asking `wake` every period of the wait whether to stop
  // waiting (Arrival::woken); the idle limit counts the whole wait.
  terminal::Arrival receive_record(std::vector<std::uint8_t>& record, const terminal::Wake& wake);

  // Takes in what the client has sent so far without waiting and drops the
  // complete records among it; their number. A failure shows in error().
  std::size_t discard_arrived();

  const std::string& error() const { return error_; }
  // True when the connection ended because the client stayed idle too long.
  bool idle_timed_out() const { return idle_timed_out_; }
  // True when the connection ended the ordinary way: the client closed it
  // between records.
  bool closed_cleanly() const { return closed_cleanly_; }
  const std::string& terminal_type() const { return codec_.terminal_type(); }

 private:
  enum class Wait { kReadable, kWritable };
  bool wait(Wait what, int timeout_ms);
  // Whether the client has sent something within `timeout_ms`; false
  // without an error when it has not (or a signal came).
  bool readable_within(int timeout_ms);
  bool read_some(int timeout_ms);
  bool flush();
  bool fail(std::string message);

  int fd_;
  ConnectionLimits limits_;
  TelnetCodec codec_;
  std::string error_;
  bool closed_cleanly_ = false;
  bool idle_timed_out_ = false;
};

// Set by the session process's SIGTERM handler: the waiting operation gives
// up and the session ends.
bool stop_requested();
void request_stop();

}  // namespace ravnmor::net
