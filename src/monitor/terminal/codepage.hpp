// The region holds every 3270 stream in its character image: the characters
// in ISO-8859-1, and the bytes that steer the data stream (commands, orders,
// addresses, attributes, AIDs) as code page 037 maps them. Each terminal
// speaks one EBCDIC code page; at the wire the characters of a stream go
// through that page and the steering bytes through 037, so that a stream
// means the same to the region whatever page the terminal speaks. Every
// table is a bijection: a stream crosses the wire and comes back unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace ravnmor::terminal {

using ByteTable = std::array<std::uint8_t, 256>;

namespace detail {

struct PageTable {
  std::string_view name;  // as emulators of the x3270 family name the page
  ByteTable to_image;     // indexed by the EBCDIC byte
};

// Generated from the C library's iconv converters; code page 037 first.
inline constexpr PageTable kPageTables[] = {
#include "monitor/terminal/codepages.inc"
};
static_assert(kPageTables[0].name == "cp037");

constexpr ByteTable invert(const ByteTable& table) {
  ByteTable inverse{};
  for (int byte = 0; byte < 256; ++byte) inverse[table[byte]] = static_cast<std::uint8_t>(byte);
  return inverse;
}

// The steering bytes' translation: code page 037.
inline constexpr ByteTable kEbcdicToImage = kPageTables[0].to_image;
inline constexpr ByteTable kImageToEbcdic = invert(kEbcdicToImage);

}  // namespace detail

// One image byte of the data stream's steering as the terminal receives it.
constexpr std::uint8_t to_ebcdic(std::uint8_t image) {
  return detail::kImageToEbcdic[image];
}

// One steering byte from the terminal in the region's image.
constexpr std::uint8_t to_image(std::uint8_t ebcdic) {
  return detail::kEbcdicToImage[ebcdic];
}

// Whole streams through code page 037, translated in place or into a new buffer.
void to_ebcdic(std::span<std::uint8_t> bytes);
void to_image(std::span<std::uint8_t> bytes);
std::vector<std::uint8_t> ebcdic_copy(std::span<const std::uint8_t> image);
std::vector<std::uint8_t> image_copy(std::span<const std::uint8_t> ebcdic);

// A terminal's code page: its characters to and from the image.
class CodePage {
 public:
  constexpr explicit CodePage(const detail::PageTable& table)
      : name_(table.name), to_image_(table.to_image), to_wire_(detail::invert(table.to_image)) {}

  std::string_view name() const { return name_; }
  std::uint8_t wire(std::uint8_t image) const { return to_wire_[image]; }
  std::uint8_t image(std::uint8_t ebcdic) const { return to_image_[ebcdic]; }

 private:
  std::string_view name_;
  ByteTable to_image_;
  ByteTable to_wire_;
};

// Every code page a terminal may speak, code page 037 (the default) first.
std::span<const CodePage> code_pages();
const CodePage& default_code_page();
// The page of that name ("cp037", "037", "37", "bracket"; any case);
// nullptr when there is none.
const CodePage* find_code_page(std::string_view name);

// Records translated for the wire and back under `page`: characters through
// the page, steering bytes through 037. An outbound record starts with its
// command; an inbound one with its AID (or the test request header of SysReq).
std::vector<std::uint8_t> outbound_to_wire(std::span<const std::uint8_t> record,
                                           const CodePage& page);
std::vector<std::uint8_t> inbound_to_image(std::span<const std::uint8_t> wire,
                                           const CodePage& page);

}  // namespace ravnmor::terminal
