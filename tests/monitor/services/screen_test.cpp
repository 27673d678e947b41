#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/recording_terminal.hpp"
#include "support/test_region.hpp"

namespace ravnmor::services {
namespace {

using ::testing::EndsWith;
using namespace std::literals;

class ScreenTest : public ::testing::Test, public testing::TaskAtTerminal {
 protected:
  std::string sent(std::size_t i) {
    return std::string(terminal.sent.at(i).begin(), terminal.sent.at(i).end());
  }
  std::string field(int n, int length) {
    std::string text(static_cast<std::size_t>(length), '?');
    host::oxrdlc(text.data(), n, length);
    return text;
  }

  region::TestRegion region;
};

// A built screen sent and read back as a user sees it (the header, text and
// input fields, the cursor, what is typed) is what every QCMD screen test
// decodes; here the edges.
TEST_F(ScreenTest, FieldsOfAnInboundRecordAreReadInOrder) {
  terminal.inputs.push_back(testing::record_of("1AJ\x11 Aone\x11 Jtwo\x00x\x11 Z\x11!!three"sv));
  host::oxw4ky(1);
  std::int8_t key = 0;
  host::oxrdkey(&key);
  EXPECT_EQ(key, '1');  // PF1
  EXPECT_EQ(field(1, 4), "one ");
  EXPECT_EQ(field(2, 4), "two ");
  EXPECT_EQ(field(3, 4), "    ");  // an empty field
  EXPECT_EQ(field(4, 6), "three ");
  EXPECT_EQ(field(5, 2), "  ");

  // A short read (Clear) has no fields; an unformatted screen's data is one field.
  terminal.inputs.push_back(testing::record_of("_"));
  host::oxw4ky(1);
  EXPECT_EQ(field(1, 3), "   ");
  terminal.inputs.push_back(testing::record_of("'  qcmd x"));
  host::oxw4ky(1);
  EXPECT_EQ(field(1, 8), "qcmd x  ");
}

TEST_F(ScreenTest, TextIsPlacedWithinTheScreenAndControlBytesAreBlanked) {
  host::scrnhead("", 0, 1);
  host::oxptscrn(
      "a\x05"
      "b\x1D"
      "c",
      5, 1916, host::xcnv[host::kCnvProtAttr]);
  host::oxptscrn("lost", 4, 0, host::xcnv[host::kCnvProtAttr]);     // no cell 0
  host::oxptscrn("lost", 4, 1921, host::xcnv[host::kCnvProtAttr]);  // beyond the screen
  terminal.inputs.push_back(testing::record_of("'  "));
  ASSERT_EQ(host::oxsnd(1), 0);
  // Attribute at 1915 (")#" is 29*64+59), text to the last cell 1919 only.
  EXPECT_THAT(sent(0), EndsWith("\x11)#\x1D-a b "));
}

TEST_F(ScreenTest, WriteconSendsTheTioaStreamFromItsCommandByte) {
  std::uint8_t* tioa =
      host::linked_block(host::linked_block(host::xtcb, host::kTcbTerminalData), host::kTctTioa);
  // An empty screen as a program keeps it: data length 3 (SBA and address 0), plus 2.
  tioa[host::kTioaCommand] = host::xcnv[host::kCnvWriteCmd];
  tioa[host::kTioaWcc] = host::xcnv[host::kCnvWcc];
  std::memcpy(tioa + host::kTioaData, "\x11  ", 3);
  host::store_half(tioa, host::kTioaDataLength, 3 + 2);
  std::int32_t status = -1;
  host::writecon(&status, 1);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(terminal.sent.size(), 1u);
  EXPECT_EQ(sent(0), "5C\x11  ");

  for (std::int16_t bad : {0, 1, -5, 7003}) {
    host::store_half(tioa, host::kTioaDataLength, bad);
    host::writecon(&status, 1);
    EXPECT_EQ(status, 4) << bad;
  }
  EXPECT_EQ(terminal.sent.size(), 1u);

  host::store_half(tioa, host::kTioaDataLength, 5);
  terminal.hung_up = true;
  host::writecon(&status, 1);
  EXPECT_EQ(status, 1);
}

TEST(CvdsaddrTest, BufferAddressesInBothForms) {
  struct Case {
    int address;
    std::uint8_t bytes[2];
  };
  const Case cases[] = {
      {0, {' ', ' '}},  {1, {' ', 'A'}},      {81, {'A', 'J'}}, {1919, {')', '"'}},
      {80, {'A', '&'}}, {1280, {0x09, 0x00}},  // 14-bit form X'05' X'00': the image of X'05' is
                                               // X'09'
  };
  for (const Case& c : cases) EXPECT_EQ(host::cvdsaddr(c.bytes), c.address) << c.address;
}

}  // namespace
}  // namespace ravnmor::services
