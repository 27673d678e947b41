#include "monitor/control/address.hpp"

#include "monitor/terminal/codepage.hpp"
#include "monitor/terminal/codes.hpp"

namespace ravnmor::control {

std::uint8_t six_bit_code(int value) {
  return terminal::ebcdic_to_latin1(terminal::six_bit_code(static_cast<std::uint8_t>(value)));
}

int buffer_address(const std::uint8_t* bytes) {
  return terminal::decode_address(terminal::latin1_to_ebcdic(bytes[0]),
                                  terminal::latin1_to_ebcdic(bytes[1]));
}

}  // namespace ravnmor::control
