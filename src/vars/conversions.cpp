#include "vars/conversions.hpp"

#include <cctype>
#include <cstring>

#include "host/bytes.hpp"
#include "vars/run.hpp"

namespace qcmd {

char blnkss[kPackedTextLength] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
char zeroes[kPackedTextLength] = {};

namespace {

constexpr int kPackedBytes = 4;
constexpr int kPackedDigits = 7;
constexpr char kPackedZeroText[] = "0000000C";
constexpr std::uint8_t kSignPositive = 0x0C;
constexpr std::uint8_t kSignNegative = 0x0D;

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

char digit_text(int half) {
  return static_cast<char>('0' + half);
}

char sign_text(int half) {
  return "0123456789ABCDEF"[half];
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The candidate text of a typed number: short numbers right-aligned in the
// digit positions of "0000000C", long ones taken as they are (first 8).
bool packed_candidate(const char* text, char* candidate) {
  std::size_t typed = std::strcspn(text, " ");
  std::memcpy(candidate, kPackedZeroText, kPackedTextLength);
  if (typed < static_cast<std::size_t>(kPackedDigits)) {
    std::memcpy(candidate + kPackedDigits - typed, text, typed);
  } else {
    std::size_t taken =
        typed < static_cast<std::size_t>(kPackedTextLength) ? typed : kPackedTextLength;
    std::memcpy(candidate, text, taken);
    if (taken < static_cast<std::size_t>(kPackedTextLength)) candidate[taken] = '\0';
  }
  if (candidate[0] != '0') return false;
  for (int i = 1; i < kPackedDigits; ++i) {
    if (!is_digit(candidate[i])) return false;
  }
  return candidate[kPackedDigits] == 'C' || candidate[kPackedDigits] == 'D';
}

}  // namespace

int checkhex(const char* text, int count) {
  trace("checkhex : Entry(%d,%08x)\n", count, host::ptr_to_word(text));
  for (int i = 0; i < count; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
      trace("checkhex : Exit\n");
      return 1;
    }
  }
  trace("checkhex : Exit\n");
  return 0;
}

int hex2charstr(int count, const char* text, std::uint8_t* out) {
  trace("hex2charstr - entry (%.*s,%d)\n", count > 0 ? count : 0, text, count);
  for (int i = 0; i < count; i += 2) {
    out[i / 2] = static_cast<std::uint8_t>(16 * hex_value(text[i]) + hex_value(text[i + 1]));
  }
  if (count >= 0) out[count] = 0;
  trace("hex2charstr - Exit\n");
  return 0;
}

int pckd2strng(char* out, const std::uint8_t* packed) {
  trace("pckd2strng - Entry\n");
  if (std::memcmp(packed, blnkss, kPackedBytes) == 0 ||
      std::memcmp(packed, zeroes, kPackedBytes) == 0) {
    std::memcpy(out, kPackedZeroText, sizeof kPackedZeroText);
    trace("pckd2strng : Exit 1\n");
    return 0;
  }
  for (int i = 0; i < kPackedBytes; ++i) {
    out[2 * i] = digit_text(packed[i] >> 4);
    int low = packed[i] & 0x0F;
    out[2 * i + 1] = i == kPackedBytes - 1 ? sign_text(low) : digit_text(low);
  }
  out[kPackedTextLength] = '\0';
  trace("pckd2strng : Exit 2\n");
  return 0;
}

int strng2pckd(std::uint8_t* out, const char* text) {
  trace("strng2pckd : Entry\n");
  if (std::strncmp(text, blnkss, kPackedTextLength) == 0) {
    std::memcpy(out, "\0\0\0\x0C", kPackedBytes);
    trace("strng2pckd : Exit (0)\n");
    return 0;
  }
  char candidate[kPackedTextLength];
  if (!packed_candidate(text, candidate)) {
    trace("strng2pckd : Exit (1)\n");
    return 1;
  }
  for (int i = 0; i < kPackedBytes - 1; ++i) {
    out[i] =
        static_cast<std::uint8_t>((candidate[2 * i] - '0') << 4 | (candidate[2 * i + 1] - '0'));
  }
  std::uint8_t sign = candidate[kPackedDigits] == 'C' ? kSignPositive : kSignNegative;
  out[kPackedBytes - 1] =
      static_cast<std::uint8_t>((candidate[kPackedDigits - 1] - '0') << 4 | sign);
  trace("strng2pckd : Exit (0)\n");
  return 0;
}

}  // namespace qcmd
