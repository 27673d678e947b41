#include "cli/byte_text.hpp"

#include <climits>
#include <cstdint>

namespace ravnmor::cli {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kBase64Digits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kBase64Pad = '=';
constexpr std::size_t kBase64Group = 4;  // characters for three bytes
constexpr int kSextetBits = 6;
constexpr int kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0xF;
constexpr unsigned kSextetMask = 0x3F;
constexpr unsigned kByteMask = 0xFF;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;
constexpr std::string_view kHexSuffix = "_hex";
constexpr std::string_view kBase64Suffix = "_base64";
constexpr std::string_view kHexEscape = "\\x";

// The value of a digit of `digits` (case-insensitive for hexadecimal); -1
// for a character that is none.
int digit_value(char c, std::string_view digits) {
  const bool hex = digits.size() == kHexDigits.size();
  const char wanted = hex && c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
  std::size_t at = digits.find(wanted);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::optional<store::Bytes> from_hex(std::string_view text, std::string& problem) {
  if (text.size() % 2 != 0) {
    problem = "an odd number of hexadecimal digits";
    return std::nullopt;
  }
  store::Bytes bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = digit_value(text[i], kHexDigits);
    const int low = digit_value(text[i + 1], kHexDigits);
    if (high < 0 || low < 0) {
      problem = "not a hexadecimal digit at character " + std::to_string(i + (high < 0 ? 1 : 2));
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>((high << kNibbleBits) | low));
  }
  return bytes;
}

std::string to_base64(store::ByteView bytes) {
  std::string text;
  std::uint32_t bits = 0;
  int held = 0;
  for (std::uint8_t byte : bytes) {
    bits = (bits << CHAR_BIT) | byte;
    for (held += CHAR_BIT; held >= kSextetBits; held -= kSextetBits) {
      text += kBase64Digits[(bits >> (held - kSextetBits)) & kSextetMask];
    }
  }
  if (held > 0) text += kBase64Digits[(bits << (kSextetBits - held)) & kSextetMask];
  while (text.size() % kBase64Group != 0) text += kBase64Pad;
  return text;
}

std::optional<store::Bytes> from_base64(std::string_view text, std::string& problem) {
  if (text.size() % kBase64Group != 0) {
    problem = "base64 must come in groups of four characters";
    return std::nullopt;
  }
  const std::size_t data_end = text.find_last_not_of(kBase64Pad) + 1;
  if (text.size() - data_end > 2) {
    problem = "too much base64 padding";
    return std::nullopt;
  }
  store::Bytes bytes;
  std::uint32_t bits = 0;
  int held = 0;
  for (std::size_t i = 0; i < data_end; ++i) {
    const int value = digit_value(text[i], kBase64Digits);
    if (value < 0) {
      problem = "not a base64 character at character " + std::to_string(i + 1);
      return std::nullopt;
    }
    bits = (bits << kSextetBits) | static_cast<std::uint32_t>(value);
    held += kSextetBits;
    if (held >= CHAR_BIT) {
      held -= CHAR_BIT;
      bytes.push_back(static_cast<std::uint8_t>((bits >> held) & kByteMask));
    }
  }
  return bytes;
}

}  // namespace

std::string field_name(std::string_view base, Encoding encoding) {
  std::string name(base);
  if (encoding == Encoding::hex) name += kHexSuffix;
  if (encoding == Encoding::base64) name += kBase64Suffix;
  return name;
}

std::optional<Encoding> field_encoding(std::string_view name, std::string_view base) {
  for (Encoding encoding : {Encoding::text, Encoding::hex, Encoding::base64}) {
    if (name == field_name(base, encoding)) return encoding;
  }
  return std::nullopt;
}

std::string encode(store::ByteView bytes, Encoding encoding) {
  switch (encoding) {
    case Encoding::hex: {
      std::string text;
      for (std::uint8_t byte : bytes) {
        text += kHexDigits[byte >> kNibbleBits];
        text += kHexDigits[byte & kNibbleMask];
      }
      return text;
    }
    case Encoding::base64:
      return to_base64(bytes);
    case Encoding::text:
      break;
  }
  return std::string(bytes.begin(), bytes.end());
}

std::optional<store::Bytes> decode(std::string_view text, Encoding encoding, std::string& problem) {
  switch (encoding) {
    case Encoding::hex:
      return from_hex(text, problem);
    case Encoding::base64:
      return from_base64(text, problem);
    case Encoding::text:
      break;
  }
  return store::Bytes(text.begin(), text.end());
}

EncodedField encoded_field(std::string_view base, store::ByteView bytes,
                           std::optional<Encoding> forced) {
  const Encoding encoding = forced.value_or(printable(bytes) ? Encoding::text : Encoding::hex);
  return {field_name(base, encoding), encode(bytes, encoding)};
}

bool printable(store::ByteView bytes) {
  for (std::uint8_t byte : bytes) {
    if (byte < kFirstPrintable || byte > kLastPrintable) return false;
  }
  return true;
}

std::string escaped(store::ByteView bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    if (byte == '\\') {
      text += "\\\\";
    } else if (printable({&byte, 1})) {
      text += static_cast<char>(byte);
    } else {
      text += kHexEscape;
      text += encode({&byte, 1}, Encoding::hex);
    }
  }
  return text;
}

std::string escaped(std::string_view bytes) {
  return escaped(
      store::ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::optional<std::string> unescaped(std::string_view text, std::string& problem) {
  constexpr std::size_t kEscapeLength = 4;  // \xHH
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
    } else if (text.substr(i, 2) == "\\\\") {
      bytes += '\\';
      ++i;
    } else {
      std::optional<store::Bytes> byte;
      if (text.substr(i, kHexEscape.size()) == kHexEscape) {
        byte = from_hex(text.substr(i + kHexEscape.size(), 2), problem);
      }
      if (!byte || byte->size() != 1) {
        problem = "a backslash must be followed by \\ or xHH";
        return std::nullopt;
      }
      bytes += static_cast<char>(byte->front());
      i += kEscapeLength - 1;
    }
  }
  return bytes;
}

}  // namespace ravnmor::cli
