// The command descriptor: the first argument of every EXEC call, 35
// characters with positions counted from 1, which the translator writes and
// the region's EXEC interface reads.
//   1-2    the function code (EIBFN), each byte + kDescriptorBias: "*\"" is
//          X'0A02', WRITEQ TS
//   3-22   option flags, one character at a fixed position per option
//   23     kDescriptorBias + the number of addresses passed, the descriptor
//          itself included
//   24-25  the handle sequence number
//   26     kResponseMark when the program handles the response itself
// The arguments follow the descriptor at parameter positions 2 onward. A
// program that copies its descriptor writes every single quote twice, so a
// copy may hold one character more.
#pragma once

#include <cstdint>

namespace host {

inline constexpr int kDescriptorLength = 35;
inline constexpr int kFunctionPosition = 1;  // and 2
inline constexpr int kFirstFlagPosition = 3;
inline constexpr int kLastFlagPosition = 22;
inline constexpr int kCountPosition = 23;
inline constexpr int kSequencePosition = 24;  // and 25
inline constexpr int kResponsePosition = 26;
inline constexpr std::uint8_t kDescriptorBias = 0x20;  // added to every counted byte
inline constexpr char kResponseMark = 'N';
inline constexpr int kFirstArgumentPosition = 2;  // position 1 is the descriptor itself
inline constexpr int kMaxParameterCount = 24;     // the descriptor and 23 arguments

// The two descriptor characters of a function code, and back.
constexpr char function_high(std::uint16_t code) {
  return static_cast<char>((code >> 8) + kDescriptorBias);
}
constexpr char function_low(std::uint16_t code) {
  return static_cast<char>((code & 0xFF) + kDescriptorBias);
}
constexpr std::uint16_t function_code(char high, char low) {
  return static_cast<std::uint16_t>((static_cast<std::uint8_t>(high) - kDescriptorBias) << 8 |
                                    (static_cast<std::uint8_t>(low) - kDescriptorBias));
}

}  // namespace host
