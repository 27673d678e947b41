#include "monitor/control/constants.hpp"

#include <algorithm>

#include "host/layout.hpp"

namespace ravnmor::control {

namespace {

// Raw key bytes are the CP037 AIDs read as ISO-8859-1.
constexpr AidKey kAidKeys[] = {
    {"Enter", 0x27, 0x7D}, {"PF1", 0x31, 0xF1},  {"PF2", 0x32, 0xF2},  {"PF3", 0x33, 0xF3},
    {"PF4", 0x34, 0xF4},   {"PF5", 0x35, 0xF5},  {"PF6", 0x36, 0xF6},  {"PF7", 0x37, 0xF7},
    {"PF8", 0x38, 0xF8},   {"PF9", 0x39, 0xF9},  {"PF10", 0x3A, 0x7A}, {"PF11", 0x23, 0x7B},
    {"PF12", 0x40, 0x7C},  {"PF13", 0x41, 0xC1}, {"PF14", 0x42, 0xC2}, {"PF15", 0x43, 0xC3},
    {"PF16", 0x44, 0xC4},  {"PF17", 0x45, 0xC5}, {"PF18", 0x46, 0xC6}, {"PF19", 0x47, 0xC7},
    {"PF20", 0x48, 0xC8},  {"PF21", 0x49, 0xC9}, {"PF22", 0xA2, 0x4A}, {"PF23", 0x2E, 0x4B},
    {"PF24", 0x3C, 0x4C},  {"PA1", 0x25, 0x6C},  {"PA2", 0x3E, 0x6E},  {"PA3", 0x2C, 0x6B},
    {"Clear", 0x5F, 0x6D},
};

// Image values of the 3270 orders, command, WCC and attributes.
constexpr std::uint8_t kSetBufferAddress = 0x11;    // X'11'
constexpr std::uint8_t kInsertCursor = 0x13;        // X'13'
constexpr std::uint8_t kEraseWrite = 0x35;          // '5', X'F5'
constexpr std::uint8_t kRestoreResetWcc = 0x43;     // 'C', X'C3': restore keyboard, reset MDTs
constexpr std::uint8_t kInputAttribute = 0x41;      // 'A', X'C1': unprotected, MDT on
constexpr std::uint8_t kProtectedAttribute = 0x2D;  // '-', X'60'
constexpr std::uint8_t kBrightAttribute = 0x59;     // 'Y', X'E8': protected, intensified
constexpr std::uint8_t kRawEnter = 0x27;
constexpr std::uint8_t kRawPf3 = 0x33;

}  // namespace

std::span<const AidKey> aid_keys() {
  return kAidKeys;
}

void fill_terminal_constants(std::span<std::uint8_t> block) {
  std::fill(block.begin(), block.end(), 0);
  auto table = block.subspan(host::kCnvAidTable, host::kCnvAidTableSize);
  std::fill(table.begin(), table.end(), kNoAid);
  for (const AidKey& key : kAidKeys) table[key.raw] = key.aid;
  block[host::kCnvSba] = kSetBufferAddress;
  block[host::kCnvIc] = kInsertCursor;
  block[host::kCnvKeyStart] = kRawNoAid;
  block[host::kCnvKeyEnter] = kRawEnter;
  block[host::kCnvWcc] = kRestoreResetWcc;
  block[host::kCnvInputAttr] = kInputAttribute;
  block[host::kCnvProtAttr] = kProtectedAttribute;
  block[host::kCnvKeyPf3] = kRawPf3;
  block[host::kCnvWriteCmd] = kEraseWrite;
  block[host::kCnvBrightAttr] = kBrightAttribute;
}

}  // namespace ravnmor::control
