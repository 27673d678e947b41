// Decoding the command descriptor (host/descriptor.hpp) that a program
// passes as the first argument of an EXEC call. A pair of quotes is read
// back as one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "monitor/services/command.hpp"

namespace ravnmor::exec {

// The shortest descriptor the region reads: up to its parameter count.
inline constexpr int kMinimumDescriptorLength = host::kCountPosition;

struct Descriptor {
  std::uint16_t function = 0;  // 0 when the function characters cannot be read
  std::array<char, services::kDescriptorLength> text{};  // blank beyond what was given
  int parameter_count = 0;
  std::optional<services::InterfaceRefusal> fault;  // why the call cannot be made
};

// `arguments_passed` is the number of addresses after the descriptor.
Descriptor decode_descriptor(const void* descriptor, std::size_t arguments_passed);

}  // namespace ravnmor::exec
