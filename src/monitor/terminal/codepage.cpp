#include "monitor/terminal/codepage.hpp"

namespace ravnmor::terminal {

namespace {

constexpr bool is_bijection() {
  for (int byte = 0; byte < 256; ++byte) {
    if (detail::kImageToEbcdic[detail::kEbcdicToImage[byte]] != byte) return false;
  }
  return true;
}
static_assert(is_bijection(), "the code page table must map 256 bytes one to one");

std::vector<std::uint8_t> translated(std::span<const std::uint8_t> bytes,
                                     const std::array<std::uint8_t, 256>& table) {
  std::vector<std::uint8_t> out(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = table[bytes[i]];
  return out;
}

}  // namespace

void to_ebcdic(std::span<std::uint8_t> bytes) {
  for (auto& byte : bytes) byte = to_ebcdic(byte);
}

void to_image(std::span<std::uint8_t> bytes) {
  for (auto& byte : bytes) byte = to_image(byte);
}

std::vector<std::uint8_t> ebcdic_copy(std::span<const std::uint8_t> image) {
  return translated(image, detail::kImageToEbcdic);
}

std::vector<std::uint8_t> image_copy(std::span<const std::uint8_t> ebcdic) {
  return translated(ebcdic, detail::kEbcdicToImage);
}

}  // namespace ravnmor::terminal
