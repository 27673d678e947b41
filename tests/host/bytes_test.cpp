#include "host/bytes.hpp"

#include <gtest/gtest.h>

#include <array>

namespace {

// Fields of the region's blocks sit at any offset; reads and writes must not
// assume alignment and must leave the neighbouring bytes alone.
TEST(Bytes, UnalignedFieldsKeepTheirNeighbours) {
  std::array<std::uint8_t, 16> block{};
  block.fill(0xAA);
  host::store_word(block.data(), 3, 0x12345678u);
  host::store_half(block.data(), 9, -2);
  EXPECT_EQ(host::load_word(block.data(), 3), 0x12345678u);
  EXPECT_EQ(host::load_half(block.data(), 9), -2);
  EXPECT_EQ(block[2], 0xAA);
  EXPECT_EQ(block[7], 0xAA);
  EXPECT_EQ(block[8], 0xAA);
  EXPECT_EQ(block[11], 0xAA);
}

TEST(Bytes, WordsRoundTripLowAddresses) {
  auto* low = reinterpret_cast<std::uint8_t*>(std::uintptr_t{0x7FFF1230});
  EXPECT_EQ(host::word_to_ptr(host::ptr_to_word(low)), low);
  std::array<std::uint8_t, 8> block{};
  host::store_word(block.data(), 4, 0x00401000u);
  EXPECT_EQ(host::linked_block(block.data(), 4), host::word_to_ptr(0x00401000u));
}

}  // namespace
