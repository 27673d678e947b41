#include "monitor/net/server.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "monitor/net/connection.hpp"
#include "monitor/net/raw_client.hpp"

namespace ravnmor::net {
namespace {

using namespace telnet;
using testing::Bytes;
using testing::client_agreement;
using testing::RawClient;

Bytes text_bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// The server's side of the negotiation, complete once it asks for BINARY.
const Bytes kLastServerRequest = {kIac, kWill, kBinary};

// A session for the tests: echoes each record; "EXIT1" ends the session
// with status 1, "KILL" kills it; a failure of the connection is logged.
int echo_session(int fd, int number, const ServerLog& log, ConnectionLimits limits) {
  Connection connection(fd, limits);
  if (!connection.negotiate()) {
    log(region::LogLevel::warning, "session " + std::to_string(number) + ": " + connection.error());
    return 0;
  }
  std::vector<std::uint8_t> record;
  while (connection.receive_record(record)) {
    if (record == text_bytes("EXIT1")) return 1;
    if (record == text_bytes("KILL")) raise(SIGKILL);
    connection.send_record(record);
  }
  log(region::LogLevel::warning, "session " + std::to_string(number) + ": " + connection.error());
  return 0;
}

// A listener in its own process, as `ravnmor serve` runs it, logging to a file.
class ServerProcess {
 public:
  explicit ServerProcess(int max_sessions, ConnectionLimits limits = {}) {
    log_path_ = std::filesystem::temp_directory_path() /
                ("ravnmor-server-test-" + std::to_string(getpid()) + "-" +
                 std::to_string(counter_++) + ".log");
    std::filesystem::remove(log_path_);
    int port_pipe[2];
    EXPECT_EQ(pipe(port_pipe), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(port_pipe[0]);
      Server server;
      if (!server.open({{"127.0.0.1", 0}, max_sessions})) _exit(3);
      std::string address = server.local_address();
      std::uint16_t port =
          static_cast<std::uint16_t>(std::stoi(address.substr(address.rfind(':') + 1)));
      [[maybe_unused]] ssize_t put = write(port_pipe[1], &port, sizeof port);
      close(port_pipe[1]);
      std::string path = log_path_;
      ServerLog log = [path](region::LogLevel level, const std::string& line) {
        if (level == region::LogLevel::debug) return;  // every session's end
        std::ofstream(path, std::ios::app) << region::log_level_name(level) << ' ' << line << "\n";
      };
      server.run([&](int fd, int number) { return echo_session(fd, number, log, limits); }, log);
      _exit(0);
    }
    close(port_pipe[1]);
    EXPECT_EQ(read(port_pipe[0], &port_, sizeof port_), static_cast<ssize_t>(sizeof port_));
    close(port_pipe[0]);
  }

  ~ServerProcess() {
    if (pid_ > 0) stop();
    std::filesystem::remove(log_path_);
  }

  std::uint16_t port() const { return port_; }

  // SIGTERM; returns the listener's wait status.
  int stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

  std::string log() const {
    std::ifstream in(log_path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Waits (bounded) for the error log to contain `text`.
  bool log_shows(const std::string& text) const {
    auto deadline = std::chrono::steady_clock::now() + testing::kPatience;
    while (log().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

 private:
  static inline int counter_ = 0;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
  std::filesystem::path log_path_;
};

// Connects and completes the negotiation; the server's requests are read first.
void negotiate(RawClient& client) {
  ASSERT_TRUE(client.connected());
  client.read_until([](const Bytes& b) {
    return testing::ends_with(b, {kIac, kDo, kTerminalType});
  });
  client.send_bytes({kIac, kWill, kTerminalType});
  client.read_until([](const Bytes& b) {
    return testing::ends_with(b, {kTerminalTypeSend, kIac, kSe});
  });
  Bytes rest = client_agreement();
  rest.erase(rest.begin(), rest.begin() + 3);  // WILL TERMINAL-TYPE went first
  client.send_bytes(rest);
  client.read_until([](const Bytes& b) { return testing::ends_with(b, kLastServerRequest); });
  client.clear();
}

// One echo round trip: `record` goes out framed, the same comes back framed.
bool echoes(RawClient& client, const Bytes& framed_out, const Bytes& framed_back) {
  client.send_bytes(framed_out);
  const Bytes& got =
      client.read_until([&](const Bytes& b) { return b.size() >= framed_back.size(); });
  bool same = got == framed_back;
  client.clear();
  return same;
}

TEST(Server, HostileClientsEndOnlyTheirOwnSession) {
  ServerProcess server(8,
                       ConnectionLimits{std::chrono::milliseconds(300), std::chrono::seconds(5)});
  RawClient bystander(server.port());
  negotiate(bystander);

  struct Case {
    const char* name;
    std::function<void(RawClient&)> act;
    const char* logged;
  };
  // The reasons each hostile input is logged with are the session's tests
  // (monitor/net/session_test.cpp) and the codec's; here, that the listener
  // and the other sessions go on.
  const Case cases[] = {
      {"plain text", [](RawClient& c) { c.send_bytes(text_bytes("hello\r\n")); },
       "data before the 3270 mode was agreed"},
      {"reset mid-record",
       [](RawClient& c) {
         negotiate(c);
         c.send_bytes({0x7D});
         c.reset();
       },
       "the connection failed: Connection reset by peer"},
  };
  for (const Case& c : cases) {
    RawClient hostile(server.port());
    c.act(hostile);
    EXPECT_TRUE(server.log_shows(c.logged)) << c.name << "\nlog:\n" << server.log();
    if (hostile.connected() && !std::string_view(c.name).starts_with("reset")) {
      hostile.read_to_end();
      EXPECT_TRUE(hostile.closed_by_peer()) << c.name;
    }
  }
  EXPECT_TRUE(echoes(bystander, {0x7D, 255, 239}, {0x7D, 255, 239}));
  EXPECT_EQ(server.log().find("exit status"), std::string::npos) << server.log();
}

TEST(Server, LogsFailedSessionsAndGoesOn) {
  ServerProcess server(4);
  RawClient bystander(server.port());
  negotiate(bystander);
  {
    RawClient failing(server.port());
    negotiate(failing);
    failing.send_bytes({'E', 'X', 'I', 'T', '1', 255, 239});
    EXPECT_TRUE(server.log_shows(") ended with exit status 1")) << server.log();
  }
  {
    RawClient crashing(server.port());
    negotiate(crashing);
    crashing.send_bytes({'K', 'I', 'L', 'L', 255, 239});
    EXPECT_TRUE(server.log_shows(") was killed by signal 9 (Killed)")) << server.log();
  }
  EXPECT_TRUE(echoes(bystander, {0x7D, 255, 239}, {0x7D, 255, 239}));
  RawClient newcomer(server.port());
  negotiate(newcomer);
  EXPECT_TRUE(echoes(newcomer, {0x6D, 255, 239}, {0x6D, 255, 239}));
}

TEST(Server, StopsSessionsOnSigterm) {
  ServerProcess server(4);
  RawClient a(server.port());
  RawClient b(server.port());
  negotiate(a);
  negotiate(b);
  int status = server.stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  a.read_to_end();
  b.read_to_end();
  EXPECT_TRUE(a.closed_by_peer());
  EXPECT_TRUE(b.closed_by_peer());
  EXPECT_NE(server.log().find("the session was asked to stop"), std::string::npos) << server.log();
  EXPECT_EQ(server.log().find("killed"), std::string::npos) << server.log();
}

TEST(Server, OpenReportsBadAddressesAndBusyPorts) {
  struct Case {
    const char* text;
    bool valid;
    const char* host;
    std::uint16_t port;
  };
  const Case cases[] = {
      {"127.0.0.1:3270", true, "127.0.0.1", 3270},
      {"localhost:0", true, "localhost", 0},
      {"[::1]:2323", true, "::1", 2323},
      {"0.0.0.0:65535", true, "0.0.0.0", 65535},
      {"127.0.0.1", false, "", 0},
      {":3270", false, "", 0},
      {"host:65536", false, "", 0},
      {"host:32a", false, "", 0},
      {"host:", false, "", 0},
      {"host:-1", false, "", 0},
  };
  for (const Case& c : cases) {
    std::string error;
    auto parsed = parse_listen_address(c.text, error);
    ASSERT_EQ(parsed.has_value(), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(parsed->host, c.host);
      EXPECT_EQ(parsed->port, c.port);
    } else {
      EXPECT_NE(error.find("bad listen address '" + std::string(c.text) + "'"), std::string::npos)
          << error;
    }
  }
  Server first;
  ASSERT_TRUE(first.open({{"127.0.0.1", 0}, 1})) << first.error();
  std::string address = first.local_address();
  std::uint16_t port =
      static_cast<std::uint16_t>(std::stoi(address.substr(address.rfind(':') + 1)));
  EXPECT_EQ(address, "127.0.0.1:" + std::to_string(port));
  Server second;
  EXPECT_FALSE(second.open({{"127.0.0.1", port}, 1}));
  EXPECT_EQ(second.error(),
            "cannot listen on 127.0.0.1:" + std::to_string(port) + ": Address already in use");
  Server foreign;
  EXPECT_FALSE(foreign.open({{"192.0.2.1", 0}, 1}));  // not an address of this machine
  EXPECT_EQ(foreign.error(), "cannot listen on 192.0.2.1:0: Cannot assign requested address");
}

}  // namespace
}  // namespace ravnmor::net
