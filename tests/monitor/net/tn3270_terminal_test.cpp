#include "monitor/net/tn3270_terminal.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "monitor/net/raw_client.hpp"
#include "support/test_region.hpp"

namespace ravnmor::net {
namespace {

using namespace telnet;
using testing::Bytes;

// A connection on one end of a socket pair whose other end has already
// agreed to the 3270 mode, as a client answers the server's requests.
class Tn3270TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    client_ = ends[1];
    Bytes agreement = {kIac, kWill, kTerminalType, kIac, kSb, kTerminalType, kTerminalTypeIs};
    for (char c : std::string_view("IBM-3278-2")) agreement.push_back(static_cast<std::uint8_t>(c));
    agreement.insert(agreement.end(), {kIac, kSe, kIac, kWill, kEndOfRecord, kIac, kDo,
                                       kEndOfRecord, kIac, kWill, kBinary, kIac, kDo, kBinary});
    put(agreement);
    connection_ = std::make_unique<Connection>(ends[0], ConnectionLimits{});
    ASSERT_TRUE(connection_->negotiate()) << connection_->error();
    take(true);
  }
  void TearDown() override { close(client_); }

  void put(const Bytes& bytes) {
    ASSERT_EQ(write(client_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What the region has written to the client (waiting for it unless `now`).
  Bytes take(bool now = false) {
    constexpr std::size_t kChunk = 8192;
    const auto patience = std::chrono::milliseconds(testing::kPatience).count();
    pollfd entry{client_, POLLIN, 0};
    Bytes got(kChunk);
    if (poll(&entry, 1, now ? 0 : static_cast<int>(patience)) <= 0) return {};
    got.resize(static_cast<std::size_t>(std::max<ssize_t>(0, read(client_, got.data(), kChunk))));
    return got;
  }

  region::TestRegion region_;
  int client_ = -1;
  std::unique_ptr<Connection> connection_;
};

// Each unusable record is logged and answered by the screen drawn again
// (keyboard restored, the field holding the "x" sent with SysReq); the wait ends with PF3.
TEST_F(Tn3270TerminalTest, UnusableInputRedrawsTheScreenAndTheWaitGoesOn) {
  Tn3270Terminal terminal(*connection_);
  // An unprotected field at 0 (SF X'40') with "ab", a protected one at 79.
  ASSERT_TRUE(terminal.send(Bytes{'5', 'C', 0x1D, ' ', 'a', 'b', 0x11, 'A', '|', 0x1D, '-'}));
  EXPECT_EQ(take(true), Bytes{}) << "held until the key wait";
  put({0x7D, 0x40, 0x40, kIac, kEor});  // typed while the keyboard is locked: dropped
  const std::vector<Bytes> answers = {
      {0x01, 0x6C, 0x61, 0x02, 0x11, 0x40, 0xC1, 0xA7, kIac, kEor},  // SysReq, "x" typed
      {0x99, 0x40, 0x40, kIac, kEor},                                // no key sends X'99'
      {0x7D, 0x40, 0x40, 0x11, 0x7F, 0x7F, kIac, kEor},              // SBA off the screen
      {0x7D, 0x40, kIac, kEor},                                      // cursor cut off
      {kIac, kEor},                                                  // empty
      {0xF3, 0x40, 0xC2, kIac, kEor},                                // PF3
  };
  std::thread client([&] {
    EXPECT_EQ(take().at(1), 0xC3) << "the screen goes out with the keyboard restored";
    for (const Bytes& answer : answers) {
      put(answer);
      if (&answer == &answers.back()) break;
      const Bytes redraw = take();  // Erase/Write, WCC restore, SF X'C1' (MDT), "x", null
      EXPECT_EQ(Bytes(redraw.begin(), redraw.begin() + 6),
                (Bytes{0xF5, 0xC2, 0x1D, 0xC1, 0xA7, 0x00}));
    }
  });
  Bytes record;
  EXPECT_TRUE(terminal.receive(record));
  client.join();
  EXPECT_EQ(terminal::ebcdic_copy(record), (Bytes{0xF3, 0x40, 0xC2}));
  for (const char* reason :
       {"came while its keyboard was locked", "SysReq", "X'99' is not the AID of a key",
        "SBA address 4095", "the cursor address is cut off", "an empty record"}) {
    EXPECT_NE(region_.region_log().find(reason), std::string::npos) << reason;
  }
}

TEST_F(Tn3270TerminalTest, AClosedConnectionFailsTheReceive) {
  Tn3270Terminal terminal(*connection_);
  put({0x7D, 0x40});  // half a record, then the client goes
  close(client_);
  client_ = -1;
  Bytes record;
  EXPECT_FALSE(terminal.receive(record));
  EXPECT_EQ(terminal.error(), "the client closed the connection in the middle of a record");
  EXPECT_FALSE(connection_->closed_cleanly());
  EXPECT_FALSE(terminal.send(Bytes{'5', 'C'})) << "a terminal that is gone stays gone";
}

}  // namespace
}  // namespace ravnmor::net
