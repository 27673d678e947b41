#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/host.hpp"
#include "monitor/region/programs.hpp"
#include "support/test_region.hpp"

namespace ravnmor::services {
namespace {

using ::testing::Each;

constexpr const char* kSendControlErase = "82      T  E F  H     (   #00000013";

std::uint8_t* tioa() {
  return host::linked_block(host::linked_block(host::xtcb, host::kTcbTerminalData), host::kTctTioa);
}

// What a program does to keep the user's screen: read it back, turn the
// read-buffer form into a stream that writes it again (address 0 first, the
// cursor put back at the end), erase the terminal, and write the copy.
TEST(ConsoleTest, AScreenReadBackAndWrittenAgainIsTheSameScreen) {
  region::TestRegion region;
  std::vector<std::string> before, erased, after;
  int cursor_before = -1;
  std::int32_t read_status = -1, write_status = -1;
  std::vector<std::uint8_t> saved;
  region::program_table().add_program("SAVER", [&] {
    host::scrnhead("Saved screen", 12, 1);
    host::oxptscrn("keep me", 7, 401, host::xcnv[host::kCnvBrightAttr]);
    host::oxptscrn("typed", 5, 481, host::xcnv[host::kCnvInputAttr]);
    host::oxptscrn("", 0, 487, host::xcnv[host::kCnvProtAttr]);
    host::oxsc(483);
    if (host::oxsnd(1) != 0) return;
    before = region.terminal().screen().lines();
    cursor_before = region.terminal().screen().cursor();

    host::store_half(tioa(), host::kTioaDataLength, 7012);
    host::readcon(0, &read_status, 1);
    auto n = static_cast<std::size_t>(host::load_half(tioa(), host::kTioaDataLength));
    saved.assign(tioa() + host::kTioaData, tioa() + host::kTioaData + n);

    char dummy[4] = {};
    host::oxdfhei1(kSendControlErase, dummy, dummy, dummy, dummy, dummy, dummy, dummy);
    erased = region.terminal().screen().lines();

    std::vector<std::uint8_t> stream = saved;
    stream.push_back(host::xcnv[host::kCnvSba]);
    stream.insert(stream.end(), saved.begin() + 1, saved.begin() + 3);  // the cursor address
    stream.push_back(host::xcnv[host::kCnvIc]);
    stream[0] = host::xcnv[host::kCnvSba];
    stream[1] = stream[2] = ' ';
    tioa()[host::kTioaCommand] = host::xcnv[host::kCnvWriteCmd];
    tioa()[host::kTioaWcc] = host::xcnv[host::kCnvWcc];
    std::memcpy(tioa() + host::kTioaData, stream.data(), stream.size());
    host::store_half(tioa(), host::kTioaDataLength, static_cast<std::int16_t>(stream.size() + 2));
    host::writecon(&write_status, 1);
    after = region.terminal().screen().lines();
  });
  region::program_table().add_transaction("SAVE", "SAVER");
  region.terminal().type_field(1, "TYPED");
  region.terminal().enter();
  region.run("SAVE");

  EXPECT_EQ(read_status, 0);
  EXPECT_EQ(write_status, 0);
  ASSERT_GE(saved.size(), 3u);
  EXPECT_EQ(saved[0], '-');  // no AID: the image of X'60'
  EXPECT_THAT(before[6], ::testing::StartsWith(" TYPED "));
  EXPECT_THAT(erased, Each(std::string(80, ' ')));
  EXPECT_EQ(after, before);
  EXPECT_EQ(region.terminal().screen().cursor(), cursor_before);
  EXPECT_THAT(region.terminal().problems(), ::testing::IsEmpty());
}

}  // namespace
}  // namespace ravnmor::services
