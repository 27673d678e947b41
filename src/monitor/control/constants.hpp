// The terminal constants block (host::xcnv): the 3270 values that programs
// put into their streams and compare keys with. Streams inside the region are
// in the region's character image (ISO-8859-1; CP037 at the wire), so every
// value here is the image of its 3270 byte. The raw key byte of an input is
// its AID as it stands in the image; the table at 844 gives the 3270 AID.
#pragma once

#include <cstdint>
#include <span>

namespace ravnmor::control {

// The keys of a 3270 and their AIDs, in image (raw) and 3270 form.
struct AidKey {
  const char* name;
  std::uint8_t raw;  // the image byte that starts an inbound record
  std::uint8_t aid;  // the 3270 attention identifier
};
std::span<const AidKey> aid_keys();

inline constexpr std::uint8_t kRawNoAid = 0x2D;  // '-', the image of X'60' (no AID)
inline constexpr std::uint8_t kNoAid = 0x60;

void fill_terminal_constants(std::span<std::uint8_t> block);

}  // namespace ravnmor::control
