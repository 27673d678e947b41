// The terminal constants block (host::xcnv): the 3270 values that programs
// put into their streams and compare keys with. Streams inside the region are
// in the region's character image (ISO-8859-1; CP037 at the wire), so every
// value here is the image of its 3270 byte. The raw key byte of an input is
// its AID as it stands in the image; the table at 844 gives the 3270 AID.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ravnmor::control {

// A key of the 3270 keyboard that sends an AID.
struct AidKey {
  std::string name;  // "Enter", "PF1" ... "PF24", "PA1" ... "PA3", "Clear"
  std::uint8_t raw;  // the image byte that starts its inbound record
  std::uint8_t aid;  // the 3270 attention identifier
};
std::span<const AidKey> aid_keys();

// The raw key byte (image form) of a 3270 AID.
std::uint8_t raw_key(std::uint8_t aid);

void fill_terminal_constants(std::span<std::uint8_t> block);

}  // namespace ravnmor::control
