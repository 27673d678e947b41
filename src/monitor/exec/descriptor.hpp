// Decoding the command descriptor that a program passes as the first
// argument of an EXEC call: 35 characters, positions counted from 1.
//   1-2   the function code, each byte + 0x20 ("82" is X'1812')
//   3-22  option flags, one character at a fixed position per option
//   23    0x20 + the number of addresses passed, the descriptor included
//   26    "N" when the program handles the response itself
// A program that copies its descriptor writes every single quote twice; a
// pair of quotes is read back as one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "monitor/services/command.hpp"

namespace ravnmor::exec {

inline constexpr std::uint8_t kDescriptorBias = 0x20;
inline constexpr int kMinimumDescriptorLength = services::kParameterCountPosition;
inline constexpr int kMaxParameterCount = 24;  // the descriptor and 23 arguments

struct Descriptor {
  std::uint16_t function = 0;  // 0 when the function characters cannot be read
  std::array<char, services::kDescriptorLength> text{};  // blank beyond what was given
  int parameter_count = 0;
  std::optional<services::InterfaceRefusal> fault;  // why the call cannot be made
};

// `arguments_passed` is the number of addresses after the descriptor.
Descriptor decode_descriptor(const void* descriptor, std::size_t arguments_passed);

}  // namespace ravnmor::exec
