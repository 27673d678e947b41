// 6-bit codes and buffer addresses as they stand in the region's character
// image: the 3270 code table's bytes read through CP037 as ISO-8859-1 (value
// 0 is a blank, so two blanks are address 0).
#pragma once

#include <cstdint>

namespace ravnmor::control {

// The image byte of a 6-bit value (0-63), as in WCC and attribute bytes.
std::uint8_t six_bit_code(int value);

// The buffer address, from 0, that two image bytes give (12- or 14-bit form).
int buffer_address(const std::uint8_t* bytes);

}  // namespace ravnmor::control
