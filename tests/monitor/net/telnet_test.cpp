#include "monitor/net/telnet.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/net/raw_client.hpp"

namespace ravnmor::net {
namespace {

using testing::client_agreement;

using Bytes = std::vector<std::uint8_t>;
using namespace telnet;

Bytes type_is(const std::string& name) {
  Bytes bytes = {kIac, kSb, kTerminalType, kTerminalTypeIs};
  bytes.insert(bytes.end(), name.begin(), name.end());
  bytes.insert(bytes.end(), {kIac, kSe});
  return bytes;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TelnetCodec negotiated(const std::string& type = "IBM-3278-2-E") {
  TelnetCodec codec;
  codec.start();
  codec.feed(client_agreement(type));
  codec.take_output();
  return codec;
}

TEST(TelnetCodec, NegotiatesOldModeStepByStep) {
  TelnetCodec codec;
  codec.start();
  EXPECT_EQ(codec.take_output(), (Bytes{255, 253, 24}));

  codec.feed(Bytes{255, 251, 24});
  EXPECT_EQ(codec.take_output(), (Bytes{255, 250, 24, 1, 255, 240}));
  EXPECT_FALSE(codec.ready());

  codec.feed(type_is("IBM-3278-2-E"));
  EXPECT_EQ(codec.take_output(), (Bytes{255, 253, 25, 255, 251, 25, 255, 253, 0, 255, 251, 0}));
  EXPECT_EQ(codec.terminal_type(), "IBM-3278-2-E");
  EXPECT_FALSE(codec.ready());

  codec.feed(Bytes{255, 251, 25, 255, 253, 25, 255, 251, 0});
  EXPECT_FALSE(codec.ready());
  codec.feed(Bytes{255, 253, 0});
  EXPECT_TRUE(codec.ready());
  EXPECT_TRUE(codec.take_output().empty()) << "agreements to our own requests need no answer";
  EXPECT_FALSE(codec.failed());
}

TEST(TelnetCodec, DeclinesTn3270eAndUnknownOptionsOnce) {
  TelnetCodec codec;
  codec.start();
  codec.take_output();
  // An unsolicited offer of TN3270E and requests for options the region does not do.
  codec.feed(Bytes{255, 251, 40, 255, 253, 40, 255, 253, 24, 255, 251, 1});
  EXPECT_EQ(codec.take_output(), (Bytes{255, 254, 40, 255, 252, 40, 255, 252, 24, 255, 254, 1}));
  // Their withdrawal is not answered again (no loop) and is no failure.
  codec.feed(Bytes{255, 252, 40, 255, 254, 40});
  EXPECT_TRUE(codec.take_output().empty());
  EXPECT_FALSE(codec.failed());
  codec.feed(client_agreement("IBM-3279-4-E"));
  EXPECT_TRUE(codec.ready());
}

TEST(TelnetCodec, ClientInitiatedAgreementIsAnsweredOnce) {
  TelnetCodec codec;
  codec.start();
  codec.take_output();
  codec.feed(Bytes{255, 251, 25, 255, 251, 25});  // WILL EOR twice before we asked
  EXPECT_EQ(codec.take_output(), (Bytes{255, 253, 25}));
  codec.feed(client_agreement("IBM-3278-2"));
  // The server still asks for what is not yet agreed and skips DO EOR.
  EXPECT_EQ(codec.take_output(),
            (Bytes{255, 250, 24, 1, 255, 240, 255, 251, 25, 255, 253, 0, 255, 251, 0}));
  EXPECT_TRUE(codec.ready());
}

TEST(TelnetCodec, AcceptsOnly3270TerminalTypes) {
  struct Case {
    const char* type;
    bool accepted;
  };
  const Case cases[] = {
      {"IBM-3278-2", true},  {"IBM-3278-2-E", true}, {"ibm-3279-5-e", true}, {"IBM-3277", true},
      {"IBM-DYNAMIC", true}, {"IBM-3287-1", false},  {"IBM-32789", false},   {"XTERM", false},
      {"", false},           {"IBM-3278X", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_3270_terminal_type(c.type), c.accepted) << c.type;
  }
  TelnetCodec codec;
  codec.start();
  codec.feed(concat({{kIac, kWill, kTerminalType}, type_is("VT100")}));
  EXPECT_TRUE(codec.failed());
  EXPECT_EQ(codec.error(), "terminal type 'VT100' is not a 3270 display");
}

TEST(TelnetCodec, RefusalOfARequiredOptionFails) {
  const Bytes refusals[] = {
      {255, 252, 24},                                                   // WONT TERMINAL-TYPE
      concat({{255, 251, 24}, type_is("IBM-3278-2"), {255, 254, 0}}),   // DONT BINARY
      concat({{255, 251, 24}, type_is("IBM-3278-2"), {255, 252, 25}}),  // WONT EOR
  };
  for (const Bytes& refusal : refusals) {
    TelnetCodec codec;
    codec.start();
    codec.feed(refusal);
    EXPECT_TRUE(codec.failed());
    EXPECT_NE(codec.error().find("not a TN3270 terminal"), std::string::npos) << codec.error();
  }
  // Leaving binary mode after agreement ends the 3270 mode too.
  TelnetCodec codec = negotiated();
  codec.feed(Bytes{255, 252, 0});
  EXPECT_TRUE(codec.failed());
  EXPECT_EQ(codec.take_output(), (Bytes{255, 254, 0}));
}

TEST(TelnetCodec, FramesRecordsAndUndoesDoubling) {
  TelnetCodec codec = negotiated();
  // Two records in one read, the first with a doubled 0xFF, the second split
  // across reads in the middle of its IAC EOR, with a NOP inside.
  codec.feed(Bytes{0x7D, 0x40, 255, 255, 0xC1, 255, 239, 0x6D, 255});
  auto first = codec.next_record();
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, (Bytes{0x7D, 0x40, 255, 0xC1}));
  EXPECT_FALSE(codec.next_record());
  codec.feed(Bytes{241, 0xF3, 255});
  EXPECT_FALSE(codec.next_record());
  codec.feed(Bytes{239});
  auto second = codec.next_record();
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, (Bytes{0x6D, 0xF3}));
  EXPECT_FALSE(codec.failed());

  codec.send_record(Bytes{0xF5, 0xC3, 255, 0x11, 255, 255});
  EXPECT_EQ(codec.take_output(), (Bytes{0xF5, 0xC3, 255, 255, 0x11, 255, 255, 255, 255, 255, 239}));
  codec.send_record(Bytes{});
  EXPECT_EQ(codec.take_output(), (Bytes{255, 239}));
}

TEST(TelnetCodec, HostileInputFailsWithAReason) {
  struct Case {
    const char* name;
    bool negotiate_first;
    Bytes input;
    const char* error;
  };
  Bytes endless_sub = {255, 250, 24, 0};
  endless_sub.resize(endless_sub.size() + kMaxSubnegotiation, 'A');
  Bytes oversized(kMaxInboundRecord + 1, 0x40);
  const Case cases[] = {
      {"text before negotiation",
       false,
       {'Q', 'C', 'M', 'D', '\r', '\n'},
       "data before the 3270 mode was agreed"},
      {"record end before negotiation",
       false,
       {255, 239},
       "end of record before the 3270 mode was agreed"},
      {"subnegotiation without SE", false, endless_sub,
       "subnegotiation longer than 64 bytes (no IAC SE)"},
      {"IAC WILL inside a subnegotiation",
       false,
       {255, 250, 24, 0, 'I', 255, 251, 0},
       "malformed subnegotiation (IAC 251 before IAC SE)"},
      {"oversized record", true, oversized, "inbound record longer than 15363 bytes"},
  };
  for (const Case& c : cases) {
    TelnetCodec codec = c.negotiate_first ? negotiated() : TelnetCodec{};
    codec.feed(c.input);
    EXPECT_TRUE(codec.failed()) << c.name;
    EXPECT_EQ(codec.error(), c.error) << c.name;
    EXPECT_FALSE(codec.next_record()) << c.name;
    // Nothing after the failure is taken in.
    codec.feed(Bytes{255, 239});
    EXPECT_FALSE(codec.next_record()) << c.name;
  }
}

TEST(TelnetCodec, SubnegotiationMayCarryADoubledIac) {
  TelnetCodec codec;
  codec.start();
  // An unrequested subnegotiation holding IAC IAC is skipped, not an error.
  codec.feed(Bytes{255, 250, 40, 255, 255, 1, 255, 240});
  EXPECT_FALSE(codec.failed());
  codec.feed(client_agreement("IBM-3278-2"));
  EXPECT_TRUE(codec.ready());
}

}  // namespace
}  // namespace ravnmor::net
