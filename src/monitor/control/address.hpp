// 3270 buffer addresses and 6-bit codes as they stand in the region's
// character image: each 6-bit value is a byte of the 3270 code table, read
// through CP037 as ISO-8859-1 (value 0 is a blank, so two blanks are address 0).
#pragma once

#include <array>
#include <cstdint>

namespace ravnmor::control {

// The image byte of a 6-bit value (0-63), as in WCC, attribute and address bytes.
std::uint8_t six_bit_code(int value);

// The two image bytes of buffer address 0-4095 (12-bit form).
std::array<std::uint8_t, 2> address_bytes(int address);

// The buffer address that two image bytes give, from 0 (12-bit form; bytes
// outside the code table give 0).
int buffer_address(const std::uint8_t* bytes);

}  // namespace ravnmor::control
