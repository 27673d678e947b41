#include "monitor/terminal/codepage.hpp"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "monitor/terminal/codes.hpp"

namespace ravnmor::terminal {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr bool is_bijection(const ByteTable& table) {
  const ByteTable inverse = detail::invert(table);
  for (int byte = 0; byte < 256; ++byte) {
    if (inverse[table[byte]] != byte) return false;
  }
  return true;
}

constexpr bool all_bijections() {
  for (const auto& page : detail::kPageTables) {
    if (!is_bijection(page.to_image)) return false;
  }
  return true;
}
static_assert(all_bijections(), "every code page must map 256 bytes one to one");

template <std::size_t... I>
constexpr auto make_pages(std::index_sequence<I...>) {
  return std::array<CodePage, sizeof...(I)>{CodePage(detail::kPageTables[I])...};
}
constexpr auto kPages = make_pages(std::make_index_sequence<std::size(detail::kPageTables)>{});

Bytes translated(std::span<const std::uint8_t> bytes, const ByteTable& table) {
  Bytes out(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = table[bytes[i]];
  return out;
}

// "CP037", "037" and "37" all become "37"; other names are only lowered.
std::string canonical(std::string_view name) {
  std::string text;
  for (char c : name) text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (text.starts_with("cp")) text.erase(0, 2);
  if (text.empty() || !std::all_of(text.begin(), text.end(), ::isdigit)) return text;
  text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
  return text;
}

// The number of operand bytes after an outbound order, all of them steering
// (RA's repeated character is handled apart). SFE and MF count their pairs.
std::size_t steering_operands(std::span<const std::uint8_t> ebcdic, std::size_t at) {
  constexpr std::size_t kAddress = 2;
  constexpr std::size_t kPair = 2;
  switch (ebcdic[at]) {
    case order::kStartField:
    case order::kGraphicEscape:
      return 1;
    case order::kSetBufferAddress:
    case order::kEraseUnprotected:
    case order::kSetAttribute:
      return kAddress;
    case order::kStartFieldExtended:
    case order::kModifyField:
      return at + 1 < ebcdic.size() ? 1 + kPair * ebcdic[at + 1] : 1;
    default:
      return 0;
  }
}

bool is_write(Command command) {
  return command == Command::write || command == Command::erase_write ||
         command == Command::erase_write_alternate;
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

std::span<const CodePage> code_pages() {
  return kPages;
}

const CodePage& default_code_page() {
  return kPages[0];
}

const CodePage* find_code_page(std::string_view name) {
  const std::string wanted = canonical(name);
  for (const CodePage& page : kPages) {
    if (canonical(page.name()) == wanted) return &page;
  }
  return nullptr;
}

// The steering bytes first, then the characters between the orders (and the
// character that RA repeats) again through the page.
std::vector<std::uint8_t> outbound_to_wire(std::span<const std::uint8_t> record,
                                           const CodePage& page) {
  constexpr std::size_t kFirstOrder = 2;  // after the command and the WCC
  constexpr std::size_t kRepeatAddress = 2;
  Bytes wire = ebcdic_copy(record);
  if (wire.empty() || !is_write(decode_command(wire[0]))) return wire;
  std::size_t at = kFirstOrder;
  while (at < wire.size()) {
    const std::uint8_t byte = wire[at];
    if (byte == order::kRepeatToAddress) {
      at += 1 + kRepeatAddress;
      if (at < wire.size() && wire[at] == order::kGraphicEscape) {
        at += 2;
      } else if (at < wire.size()) {
        wire[at] = page.wire(record[at]);
        ++at;
      }
    } else if (const std::size_t operands = steering_operands(wire, at); operands > 0) {
      at += 1 + operands;
    } else {
      if (byte != order::kInsertCursor && byte != order::kProgramTab) {
        wire[at] = page.wire(record[at]);
      }
      ++at;
    }
  }
  return wire;
}

// The AID and the cursor address (or the test request header), and each SBA
// with its address, are steering; the rest is what the user typed.
std::vector<std::uint8_t> inbound_to_image(std::span<const std::uint8_t> wire,
                                           const CodePage& page) {
  constexpr std::size_t kAidAndCursor = 3;
  constexpr std::size_t kSbaLength = 3;
  Bytes image = image_copy(wire);
  std::size_t at = inbound::is_test_request(wire) ? inbound::kTestRequest.size() : kAidAndCursor;
  while (at < wire.size()) {
    if (wire[at] == order::kSetBufferAddress) {
      at += kSbaLength;
    } else {
      image[at] = page.image(wire[at]);
      ++at;
    }
  }
  return image;
}

}  // namespace ravnmor::terminal
