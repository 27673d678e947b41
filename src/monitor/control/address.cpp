#include "monitor/control/address.hpp"

#include <string_view>

namespace ravnmor::control {

namespace {

constexpr int kSixBits = 0x3F;
constexpr int kCodeCount = 64;

// The 3270 code table (value 0-63) in image form.
constexpr std::string_view kImageCodes =
    " ABCDEFGHI\xA2.<(+|&JKLMNOPQR!$*);\xAC-/STUVWXYZ\xA6,%_>?0123456789:#@'=\"";
static_assert(kImageCodes.size() == kCodeCount);

int code_value(std::uint8_t byte) {
  std::size_t found = kImageCodes.find(static_cast<char>(byte));
  return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

}  // namespace

std::uint8_t six_bit_code(int value) {
  return static_cast<std::uint8_t>(kImageCodes[static_cast<std::size_t>(value & kSixBits)]);
}

std::array<std::uint8_t, 2> address_bytes(int address) {
  return {six_bit_code(address >> 6), six_bit_code(address)};
}

int buffer_address(const std::uint8_t* bytes) {
  int high = code_value(bytes[0]);
  int low = code_value(bytes[1]);
  return high >= 0 && low >= 0 ? high << 6 | low : 0;
}

}  // namespace ravnmor::control
