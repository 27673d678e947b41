#include "monitor/net/tn3270_terminal.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "monitor/net/raw_client.hpp"

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
    drain();
  }
  void TearDown() override { close(client_); }

  void put(const Bytes& bytes) {
    ASSERT_EQ(write(client_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  Bytes drain() {
    Bytes got(4096);
    ssize_t n = recv(client_, got.data(), got.size(), MSG_DONTWAIT);
    got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return got;
  }

  int client_ = -1;
  std::unique_ptr<Connection> connection_;
};

TEST_F(Tn3270TerminalTest, TranslatesAtTheWireAndFollowsTheScreen) {
  Tn3270Terminal terminal(*connection_);
  // Erase/write, WCC, "Hi" with the region's image of the bytes.
  ASSERT_TRUE(terminal.send(Bytes{'5', 'C', 'H', 'i'}));
  EXPECT_EQ(drain(), (Bytes{0xF5, 0xC3, 0xC8, 0x89, kIac, kEor}));
  EXPECT_EQ(terminal.screen().row_text(1).substr(0, 3), "Hi ");
  // Enter, cursor 2 (C2), "ok" typed over the unformatted screen.
  put({0x7D, 0x40, 0xC2, 0x96, 0x92, kIac, kEor});
  Bytes record;
  ASSERT_TRUE(terminal.receive(record));
  EXPECT_EQ(record, (Bytes{'\'', ' ', 'B', 'o', 'k'}));
  EXPECT_EQ(terminal.screen().row_text(1).substr(0, 3), "ok ");
}

TEST_F(Tn3270TerminalTest, GarbageAndHangUpsFailTheWaitingOperation) {
  Tn3270Terminal terminal(*connection_);
  put({0x01, 0x02, kIac, kEor});  // no display key starts with X'01'
  Bytes record;
  EXPECT_FALSE(terminal.receive(record));
  EXPECT_EQ(terminal.error(), "the terminal sent a record that is not 3270 input");
  EXPECT_FALSE(terminal.send(Bytes{'5', 'C'})) << "a terminal that is gone stays gone";
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
}

}  // namespace
}  // namespace ravnmor::net
