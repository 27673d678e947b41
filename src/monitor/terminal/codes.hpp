// The constants of the 3270 data stream, named once: commands, orders, write
// control character bits, field attribute bits and attention identifiers, as
// EBCDIC values on the wire, plus the buffer-address code and the same bytes as
// they stand in the region's character image.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "monitor/terminal/codepage.hpp"

namespace ravnmor::terminal {

// A model 2 screen: 24 rows of 80 columns. Rows and columns count from 1; a
// buffer address counts cells from 0, row by row.
inline constexpr int kRows = 24;
inline constexpr int kColumns = 80;
inline constexpr int kCells = kRows * kColumns;

constexpr int address_of(int row, int column) {
  return (row - 1) * kColumns + (column - 1);
}

// Commands: the first byte of an outbound record.
enum class Command : std::uint8_t {
  write,
  erase_write,
  erase_write_alternate,
  read_buffer,
  read_modified,
  read_modified_all,
  erase_all_unprotected,
  write_structured_field,
  none,  // not a command byte (or an inbound record)
};

struct CommandCode {
  Command command;
  std::uint8_t wire;  // the 3270 code
  std::uint8_t sna;   // the code also accepted from SNA-style writers
};

// One row per command, in the order of the enum above.
inline constexpr std::array<CommandCode, 8> kCommandCodes = {{
    {Command::write, 0xF1, 0x01},
    {Command::erase_write, 0xF5, 0x05},
    {Command::erase_write_alternate, 0x7E, 0x0D},
    {Command::read_buffer, 0xF2, 0x02},
    {Command::read_modified, 0xF6, 0x06},
    {Command::read_modified_all, 0x6E, 0x0E},
    {Command::erase_all_unprotected, 0x6F, 0x0F},
    {Command::write_structured_field, 0xF3, 0x11},
}};

constexpr Command decode_command(std::uint8_t ebcdic) {
  for (const auto& code : kCommandCodes) {
    if (ebcdic == code.wire || ebcdic == code.sna) return code.command;
  }
  return Command::none;
}

constexpr std::uint8_t command_code(Command command) {
  return kCommandCodes[static_cast<std::size_t>(command)].wire;
}

// Orders inside a write.
namespace order {
inline constexpr std::uint8_t kStartField = 0x1D;          // SF attribute
inline constexpr std::uint8_t kStartFieldExtended = 0x29;  // SFE count (type value)...
inline constexpr std::uint8_t kSetBufferAddress = 0x11;    // SBA address
inline constexpr std::uint8_t kSetAttribute = 0x28;        // SA type value
inline constexpr std::uint8_t kModifyField = 0x2C;         // MF count (type value)...
inline constexpr std::uint8_t kInsertCursor = 0x13;        // IC
inline constexpr std::uint8_t kProgramTab = 0x05;          // PT
inline constexpr std::uint8_t kRepeatToAddress = 0x3C;     // RA address character
inline constexpr std::uint8_t kEraseUnprotected = 0x12;    // EUA address
inline constexpr std::uint8_t kGraphicEscape = 0x08;       // GE character
}  // namespace order

// Attribute types of the (type, value) pairs of SFE, SA and MF.
namespace xa {
inline constexpr std::uint8_t kAll = 0x00;  // SA only: back to the defaults
inline constexpr std::uint8_t kHighlight = 0x41;
inline constexpr std::uint8_t kForeground = 0x42;
inline constexpr std::uint8_t kCharacterSet = 0x43;
inline constexpr std::uint8_t kBackground = 0x45;
inline constexpr std::uint8_t kTransparency = 0x46;
inline constexpr std::uint8_t kFieldAttribute = 0xC0;  // the basic attribute byte
}  // namespace xa

// Write control character bits (the low six bits, sent through the code table).
namespace wcc {
inline constexpr std::uint8_t kResetMdt = 0x01;
inline constexpr std::uint8_t kRestoreKeyboard = 0x02;
inline constexpr std::uint8_t kAlarm = 0x04;
}  // namespace wcc

// Field attribute bits (the low six bits of the attribute byte).
namespace attr {
inline constexpr std::uint8_t kProtected = 0x20;
inline constexpr std::uint8_t kNumeric = 0x10;  // with kProtected: skipped by typing
inline constexpr std::uint8_t kDisplayMask = 0x0C;
inline constexpr std::uint8_t kDetectable = 0x04;
inline constexpr std::uint8_t kIntensified = 0x08;
inline constexpr std::uint8_t kNonDisplay = 0x0C;
inline constexpr std::uint8_t kMdt = 0x01;
inline constexpr std::uint8_t kBits = 0x3F;
}  // namespace attr

// Attention identifiers: the first byte of an inbound record.
namespace aid {
inline constexpr std::uint8_t kEnter = 0x7D;
inline constexpr std::uint8_t kClear = 0x6D;
inline constexpr std::uint8_t kNone = 0x60;
inline constexpr std::uint8_t kStructuredField = 0x88;
inline constexpr int kPfKeys = 24;
inline constexpr int kPaKeys = 3;
// PF1 to PF24, in key order.
inline constexpr std::array<std::uint8_t, kPfKeys> kPf = {
    0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x7B, 0x7C,
    0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x4A, 0x4B, 0x4C};
// PA1 to PA3, in key order.
inline constexpr std::array<std::uint8_t, kPaKeys> kPa = {0x6C, 0x6E, 0x6B};

constexpr std::uint8_t pf(int n) {
  return kPf[static_cast<std::size_t>(n - 1)];
}
constexpr std::uint8_t pa(int n) {
  return kPa[static_cast<std::size_t>(n - 1)];
}

// Clear and the PA keys send the AID alone.
constexpr bool is_short_read(std::uint8_t aid) {
  return aid == kClear || aid == kPa[0] || aid == kPa[1] || aid == kPa[2];
}
}  // namespace aid

// SysReq in the 3270 mode sends a test request read: this header (SOH % /
// STX), then the modified fields as a read modified has them, no cursor.
namespace inbound {
inline constexpr std::array<std::uint8_t, 4> kTestRequest = {0x01, 0x6C, 0x61, 0x02};

constexpr bool is_test_request(std::span<const std::uint8_t> ebcdic) {
  return ebcdic.size() >= kTestRequest.size() &&
         std::equal(kTestRequest.begin(), kTestRequest.end(), ebcdic.begin());
}
}  // namespace inbound

// The 6-bit code: buffer addresses, WCCs and attribute bytes carry six bits
// per byte, sent as this table's byte so that each stays a printable EBCDIC
// character (value 0 is the blank, so two blanks are address 0).
inline constexpr std::array<std::uint8_t, 64> kSixBitCode = {
    0x40, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F};

inline constexpr std::uint8_t kSixBits = 0x3F;

constexpr std::uint8_t encode_six_bits(std::uint8_t value) {
  return kSixBitCode[value & kSixBits];
}
constexpr std::uint8_t decode_six_bits(std::uint8_t byte) {
  return byte & kSixBits;
}

// Buffer addresses. The 12-bit form sends six bits in each byte through the
// code table; the 14-bit form (first byte's top two bits 00) sends the high six
// bits and a plain low byte. A decoder takes either.
using AddressBytes = std::array<std::uint8_t, 2>;

inline constexpr int kAddressShift12 = 6;
inline constexpr int kAddressShift14 = 8;
inline constexpr std::uint8_t kAddressFormBits = 0xC0;
inline constexpr std::uint8_t kLowByte = 0xFF;

constexpr AddressBytes encode_address12(int address) {
  return {encode_six_bits(static_cast<std::uint8_t>(address >> kAddressShift12)),
          encode_six_bits(static_cast<std::uint8_t>(address))};
}

constexpr AddressBytes encode_address14(int address) {
  return {static_cast<std::uint8_t>((address >> kAddressShift14) & kSixBits),
          static_cast<std::uint8_t>(address & kLowByte)};
}

constexpr int decode_address(std::uint8_t first, std::uint8_t second) {
  if ((first & kAddressFormBits) == 0) return ((first & kSixBits) << kAddressShift14) | second;
  return (decode_six_bits(first) << kAddressShift12) | decode_six_bits(second);
}

// The same bytes in the region's character image, for code that builds
// streams inside the region (SBA is 0x11 there too, Erase/Write is '5').
namespace image {
constexpr AddressBytes address(int address) {
  const AddressBytes wire = encode_address12(address);
  return {to_image(wire[0]), to_image(wire[1])};
}
constexpr int decode_address(std::uint8_t first, std::uint8_t second) {
  return terminal::decode_address(to_ebcdic(first), to_ebcdic(second));
}
constexpr std::uint8_t command(Command command) {
  return to_image(command_code(command));
}
// A WCC or attribute byte from its six bits (attr:: or wcc:: values).
constexpr std::uint8_t six_bits(std::uint8_t value) {
  return to_image(encode_six_bits(value));
}

inline constexpr std::uint8_t kStartField = to_image(order::kStartField);
inline constexpr std::uint8_t kStartFieldExtended = to_image(order::kStartFieldExtended);
inline constexpr std::uint8_t kSetBufferAddress = to_image(order::kSetBufferAddress);
inline constexpr std::uint8_t kSetAttribute = to_image(order::kSetAttribute);
inline constexpr std::uint8_t kModifyField = to_image(order::kModifyField);
inline constexpr std::uint8_t kInsertCursor = to_image(order::kInsertCursor);
inline constexpr std::uint8_t kProgramTab = to_image(order::kProgramTab);
inline constexpr std::uint8_t kRepeatToAddress = to_image(order::kRepeatToAddress);
inline constexpr std::uint8_t kEraseUnprotected = to_image(order::kEraseUnprotected);
inline constexpr std::uint8_t kGraphicEscape = to_image(order::kGraphicEscape);
}  // namespace image

}  // namespace ravnmor::terminal
