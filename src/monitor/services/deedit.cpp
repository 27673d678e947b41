// BIF DEEDIT: the digits of FIELD's first LENGTH bytes, right-aligned in
// those bytes with zeros before them; every other character goes. A field
// that ends in a minus sign keeps it as its last byte, after the digits.
// Without LENGTH, or with one below 1, LENGERR.
#include <algorithm>
#include <string>

#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

constexpr Option kField{"FIELD", ' ', 0, 2, Arg::kData};
constexpr Option kLength{"LENGTH", 'L', 3, 3, Arg::kHalf};
constexpr Option kDeeditOptions[] = {kField, kLength};
constexpr std::int32_t kNoLength = 1;  // EIBRESP2 of LENGERR
constexpr std::int32_t kNoField = 1;   // EIBRESP2 of INVREQ
constexpr std::uint8_t kMinus = '-';

Response deedit(const Command& command) {
  Area field = command.area(kField);
  if (!field.passed()) return {kInvreq, kNoField};
  std::int32_t length = command.given_area(kLength).half();
  if (length < 1) return {kLengerr, kNoLength};
  std::span<std::uint8_t> bytes = field.write(static_cast<std::size_t>(length));
  std::string kept;
  for (std::uint8_t byte : bytes) {
    if (byte >= '0' && byte <= '9') kept += static_cast<char>(byte);
  }
  auto last = std::find_if(bytes.rbegin(), bytes.rend(), [](std::uint8_t b) { return b != ' '; });
  if (last != bytes.rend() && *last == kMinus) kept += static_cast<char>(kMinus);
  if (kept.size() > bytes.size()) kept.erase(0, kept.size() - bytes.size());
  std::fill(bytes.begin(), bytes.end(), '0');
  std::copy(kept.begin(), kept.end(), bytes.end() - static_cast<std::ptrdiff_t>(kept.size()));
  return {};
}

constexpr CommandRow kCommands[] = {
    {0x2002, "BIF DEEDIT", deedit, kDeeditOptions},
};

}  // namespace

std::span<const CommandRow> deedit_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
