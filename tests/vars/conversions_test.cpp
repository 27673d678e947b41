#include "vars/conversions.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace qcmd {
namespace {

using Packed = std::array<std::uint8_t, 4>;

Packed packed_of(const char* text, int* result = nullptr) {
  Packed out = {0xEE, 0xEE, 0xEE, 0xEE};  // untouched marker
  int status = strng2pckd(out.data(), text);
  if (result != nullptr) *result = status;
  return out;
}

TEST(PackedDecimal, TypedNumbersAndFullFormsAreStored) {
  struct Case {
    const char* text;
    Packed expected;
  };
  const Case cases[] = {
      {"5", {0x00, 0x00, 0x00, 0x5C}},
      {"123", {0x00, 0x00, 0x12, 0x3C}},
      {"999999", {0x09, 0x99, 0x99, 0x9C}},
      {"0123456C", {0x01, 0x23, 0x45, 0x6C}},
      {"0000042D", {0x00, 0x00, 0x04, 0x2D}},
      {"0000001C9", {0x00, 0x00, 0x00, 0x1C}},  // past 8 characters is ignored
      {"42 junk", {0x00, 0x00, 0x04, 0x2C}},    // the number ends at the first blank
      {"        ", {0x00, 0x00, 0x00, 0x0C}},
      {"", {0x00, 0x00, 0x00, 0x0C}},
  };
  for (const Case& c : cases) {
    int result = -1;
    EXPECT_EQ(packed_of(c.text, &result), c.expected) << c.text;
    EXPECT_EQ(result, 0) << c.text;
  }
}

TEST(PackedDecimal, UnacceptableTextsLeaveTheValueAlone) {
  for (const char* text :
       {"1234567", "12345678", "0000042d", "12A", "-5", "0000042 D", "0123456X"}) {
    int result = 0;
    EXPECT_EQ(packed_of(text, &result), (Packed{0xEE, 0xEE, 0xEE, 0xEE})) << text;
    EXPECT_EQ(result, 1) << text;
  }
}

TEST(PackedDecimal, ValuesShowAsEightCharacters) {
  struct Case {
    Packed packed;
    const char* text;
  };
  const Case cases[] = {
      {{0x00, 0x00, 0x00, 0x0C}, "0000000C"}, {{0x20, 0x20, 0x20, 0x20}, "0000000C"},
      {{0x00, 0x00, 0x00, 0x00}, "0000000C"}, {{0x01, 0x23, 0x45, 0x6D}, "0123456D"},
      {{0x00, 0x00, 0x00, 0x1F}, "0000001F"}, {{0x41, 0x23, 0x45, 0x6C}, "4123456C"},
  };
  for (const Case& c : cases) {
    char out[10];
    out[9] = 'x';
    EXPECT_EQ(pckd2strng(out, c.packed.data()), 0);
    EXPECT_EQ(std::string(out), c.text);
    EXPECT_EQ(out[9], 'x');  // exactly 9 bytes written
  }
  // Every stored typed value shows again as its full form.
  char out[9];
  pckd2strng(out, packed_of("0000042D").data());
  EXPECT_EQ(std::string(out), "0000042D");
}

TEST(Hexadecimal, CheckAndConvert) {
  EXPECT_EQ(checkhex("c1F2", 4), 0);
  EXPECT_EQ(checkhex("c1G2", 4), 1);
  EXPECT_EQ(checkhex("c1G2", 2), 0);  // only the counted characters
  EXPECT_EQ(checkhex("zz", 0), 0);
  EXPECT_EQ(checkhex("0 ", 2), 1);

  std::array<std::uint8_t, 6> out;
  out.fill(0xEE);
  EXPECT_EQ(hex2charstr(4, "c1F2", out.data()), 0);
  EXPECT_EQ(out, (std::array<std::uint8_t, 6>{0xC1, 0xF2, 0xEE, 0xEE, 0x00, 0xEE}));

  out.fill(0xEE);
  hex2charstr(4, "1 G9", out.data());  // not validated: non-digits count 0
  EXPECT_EQ(out[0], 0x10);
  EXPECT_EQ(out[1], 0x09);
}

}  // namespace
}  // namespace qcmd
