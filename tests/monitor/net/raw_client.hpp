// A raw TCP client for the server tests: sends bytes as they stand and reads
// with a time limit, so that a test waits for a condition instead of sleeping;
// and what a TN3270 client says to agree on the 3270 mode.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/net/telnet.hpp"

namespace ravnmor::net::testing {

using Bytes = std::vector<std::uint8_t>;

// Generous: the limit only bounds a test that has already failed.
inline constexpr auto kPatience = std::chrono::seconds(20);

// What a TN3270 client answers to the server's requests, in the order the
// server asks: WILL TERMINAL-TYPE, the type, then EOR and BINARY both ways.
inline Bytes client_agreement(std::string_view type = "IBM-3278-2-E") {
  using namespace telnet;
  Bytes bytes = {kIac, kWill, kTerminalType, kIac, kSb, kTerminalType, kTerminalTypeIs};
  bytes.insert(bytes.end(), type.begin(), type.end());
  bytes.insert(bytes.end(), {kIac, kSe, kIac, kWill, kEndOfRecord, kIac, kDo, kEndOfRecord, kIac,
                             kWill, kBinary, kIac, kDo, kBinary});
  return bytes;
}

class RawClient {
 public:
  explicit RawClient(std::uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { close_now(); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }

  void send_bytes(const Bytes& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

  // Reads until `done` holds for everything received so far, the peer closes,
  // or the patience runs out. Returns everything received.
  const Bytes& read_until(const std::function<bool(const Bytes&)>& done) {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done(received_) && !closed_by_peer_) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
      std::uint8_t buffer[4096];
      ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got <= 0) {
        closed_by_peer_ = true;
      } else {
        received_.insert(received_.end(), buffer, buffer + got);
      }
    }
    return received_;
  }

  // Reads until the peer closes the connection.
  const Bytes& read_to_end() {
    return read_until([](const Bytes&) { return false; });
  }

  bool closed_by_peer() const { return closed_by_peer_; }
  void clear() { received_.clear(); }

  void close_now() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // Closes with a reset instead of an orderly end.
  void reset() {
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close_now();
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool closed_by_peer_ = false;
  Bytes received_;
};

inline bool ends_with(const Bytes& bytes, const Bytes& tail) {
  return bytes.size() >= tail.size() &&
         std::equal(tail.begin(), tail.end(), bytes.end() - static_cast<long>(tail.size()));
}

}  // namespace ravnmor::net::testing
