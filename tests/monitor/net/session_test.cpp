// A session process's whole life on one connection, fed hostile input at the
// telnet level: the session ends without a crash, says why in the region
// log, and closes the connection.
#include "monitor/net/session.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "host/host.hpp"
#include "monitor/net/raw_client.hpp"
#include "monitor/net/routing.hpp"
#include "monitor/net/telnet.hpp"
#include "monitor/region/programs.hpp"
#include "programs/demo.hpp"
#include "support/test_region.hpp"

namespace ravnmor::net {
namespace {

using namespace telnet;
using testing::Bytes;
using testing::client_agreement;

// Everything the client sent before it hung up (or stayed silent, when
// `hang_up` is false) is waiting on the socket when the session starts.
struct Outcome {
  int status;
  std::string log;
  bool closed;  // the session closed its end of the connection
};

Outcome run_session_on(const Bytes& from_client, bool hang_up) {
  region::TestRegion region;
  int ends[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  EXPECT_EQ(write(ends[1], from_client.data(), from_client.size()),
            static_cast<ssize_t>(from_client.size()));
  if (hang_up) shutdown(ends[1], SHUT_WR);
  ConnectionLimits limits{std::chrono::milliseconds(200), std::chrono::seconds(5)};
  Outcome outcome{run_session(ends[0], 1, limits), region.region_log(), false};
  std::uint8_t buffer[4096];
  ssize_t got;
  while ((got = recv(ends[1], buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
  }
  outcome.closed = got == 0;
  close(ends[1]);
  return outcome;
}

TEST(Session, HostileInputEndsTheSessionAndIsLogged) {
  struct Case {
    const char* name;
    bool negotiated;
    Bytes input;
    bool hang_up;
    const char* logged;
  };
  Bytes oversized(kMaxInboundRecord + 1, 0x40);
  oversized.front() = 0x7D;  // Enter, then more than any screen holds
  Bytes endless_sub = {kIac, kSb, kTerminalType, kTerminalTypeIs};
  endless_sub.resize(endless_sub.size() + 2 * kMaxSubnegotiation, 'X');
  const Case cases[] = {
      {"record beyond the 3270 maximum", true, oversized, true,
       "session 1 T001: inbound record longer than 15363 bytes"},
      {"subnegotiation without SE", false, endless_sub, true,
       "session 1 T001: subnegotiation longer than 64 bytes (no IAC SE)"},
      {"no answer to the negotiation",
       false,
       {},
       false,
       "session 1 T001: the client did not agree to the 3270 mode in time"},
      {"closed in the middle of a record",
       true,
       {0x7D, 0x40, 0x40, 0x11},
       true,
       "session 1 T001: the client closed the connection in the middle of a record"},
  };
  for (const Case& c : cases) {
    Bytes input = c.negotiated ? client_agreement() : Bytes{};
    input.insert(input.end(), c.input.begin(), c.input.end());
    Outcome outcome = run_session_on(input, c.hang_up);
    EXPECT_EQ(outcome.status, 0) << c.name;
    EXPECT_NE(outcome.log.find(c.logged), std::string::npos) << c.name << "\n" << outcome.log;
    EXPECT_TRUE(outcome.closed) << c.name;
  }
  // A client that agrees and leaves between records ends its session quietly.
  Outcome quiet = run_session_on(client_agreement(), true);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_NE(quiet.log.find("INFO  [pid "), std::string::npos) << quiet.log;
  EXPECT_NE(quiet.log.find("session 1 T001: disconnected: the terminal closed the connection"),
            std::string::npos)
      << quiet.log;
  EXPECT_EQ(quiet.log.find("WARN"), std::string::npos) << quiet.log;
  EXPECT_TRUE(quiet.closed);
}

// After a task the keyboard is free: the region writes a keyboard restore
// only when the task left it locked, never a second write after a task
// that freed it (an emulator would take it for the answer to its next key).
TEST(Session, FreesTheKeyboardAfterATaskOnlyWhenTheTaskDidNot) {
  region::TestRegion region;
  programs::register_demo(region::program_table());
  region::program_table().add_program("SILENT", [] {});
  region::program_table().add_transaction("SLNT", "SILENT");
  terminal::ScriptedTerminal& user = region.terminal();
  user.type("slnt").enter();
  route_terminal(user, terminal_identity(1));
  ASSERT_EQ(user.sent().size(), 2u);  // the greeting, then the restore
  EXPECT_EQ(user.sent()[1], keyboard_restore());

  terminal::ScriptedTerminal demo_user;
  demo_user.type("demo").enter().pf(3);
  route_terminal(demo_user, terminal_identity(2));
  ASSERT_GE(demo_user.sent().size(), 3u);
  EXPECT_NE(demo_user.sent().back(), keyboard_restore());  // the demo's own erase ends it
  EXPECT_FALSE(demo_user.screen().keyboard_locked());
}

// A task that ends by ABEND CANCEL leaves the user a line naming the code.
TEST(Session, AnAbendedTaskIsNamedWithItsCode) {
  region::TestRegion region;
  region::program_table().add_program("QUITTER", [] {
    char code[] = "QU1T";
    host::oxdfhei1(".,AC                  \"            ", code);  // ABEND ABCODE CANCEL
  });
  region::program_table().add_transaction("QUIT", "QUITTER");
  terminal::ScriptedTerminal& user = region.terminal();
  user.type("quit").enter();
  route_terminal(user, terminal_identity(1));
  ASSERT_EQ(user.sent().size(), 2u);  // the greeting, then the message
  EXPECT_EQ(user.sent()[1], message_screen("Transaction QUIT abended with code QU1T."));
}

}  // namespace
}  // namespace ravnmor::net
