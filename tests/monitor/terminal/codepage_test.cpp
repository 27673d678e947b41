#include "monitor/terminal/codepage.hpp"

#include <gtest/gtest.h>

#include "monitor/terminal/codes.hpp"

namespace ravnmor::terminal {
namespace {

TEST(CodePage, EveryByteRoundTripsBothWays) {
  for (int byte = 0; byte < 256; ++byte) {
    const auto b = static_cast<std::uint8_t>(byte);
    EXPECT_EQ(to_image(to_ebcdic(b)), b) << byte;
    EXPECT_EQ(to_ebcdic(to_image(b)), b) << byte;
  }
}

TEST(CodePage, KnownPairs) {
  struct Pair {
    std::uint8_t image, ebcdic;
  };
  const Pair pairs[] = {{'A', 0xC1}, {' ', 0x40}, {'5', 0xF5}, {'a', 0x81},  {'Z', 0xE9},
                        {'0', 0xF0}, {'&', 0x50}, {'}', 0xD0}, {0x00, 0x00}, {0x11, 0x11}};
  for (const auto& pair : pairs) {
    EXPECT_EQ(to_ebcdic(pair.image), pair.ebcdic) << int(pair.image);
    EXPECT_EQ(to_image(pair.ebcdic), pair.image) << int(pair.ebcdic);
  }
  std::vector<std::uint8_t> text = {'Q', 'C', 'M', 'D'};
  to_ebcdic(text);
  EXPECT_EQ(text, (std::vector<std::uint8_t>{0xD8, 0xC3, 0xD4, 0xC4}));
  EXPECT_EQ(image_copy(text), (std::vector<std::uint8_t>{'Q', 'C', 'M', 'D'}));
}

TEST(Codes, AddressesInBothFormsAndInTheImage) {
  EXPECT_EQ(encode_address12(0), (AddressBytes{0x40, 0x40}));
  EXPECT_EQ(encode_address12(81), (AddressBytes{0xC1, 0xD1}));    // row 2 column 2
  EXPECT_EQ(encode_address12(1919), (AddressBytes{0x5D, 0x7F}));  // 29*64 + 63
  EXPECT_EQ(encode_address14(1919), (AddressBytes{0x07, 0x7F}));
  EXPECT_EQ(decode_address(0x5D, 0x7F), 1919);
  EXPECT_EQ(decode_address(0x07, 0x7F), 1919);
  EXPECT_EQ(decode_address(0x00, 0x50), 80);
  EXPECT_EQ(image::address(0), (AddressBytes{0x20, 0x20}));
  EXPECT_EQ(image::address(81), (AddressBytes{'A', 'J'}));
  EXPECT_EQ(image::decode_address('A', 'J'), 81);
  EXPECT_EQ(image::command(Command::erase_write), '5');
  EXPECT_EQ(image::kSetBufferAddress, 0x11);
  EXPECT_EQ(image::six_bits(wcc::kRestoreKeyboard | wcc::kResetMdt), 'C');
  EXPECT_EQ(decode_command(0x05), Command::erase_write);
  EXPECT_EQ(decode_command(0x7E), Command::erase_write_alternate);
  EXPECT_EQ(decode_command(0x42), Command::none);
  EXPECT_EQ(aid::pf(12), 0x7C);
  EXPECT_EQ(aid::pf(24), 0x4C);
  EXPECT_TRUE(aid::is_short_read(aid::pa(2)));
  EXPECT_FALSE(aid::is_short_read(aid::kEnter));
}

}  // namespace
}  // namespace ravnmor::terminal
