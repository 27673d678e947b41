#include "translator/tokens.hpp"

#include <algorithm>
#include <iterator>

namespace qcmd {

namespace {

constexpr bool token_names_ascend() {
  for (std::size_t i = 1; i < std::size(token_names); ++i) {
    if (token_names[i - 1].token >= token_names[i].token) return false;
  }
  return true;
}
static_assert(token_names_ascend(), "token_names must follow the enum's order");

}  // namespace

const char* token_name(std::int32_t token) {
  const auto* row = std::lower_bound(
      std::begin(token_names), std::end(token_names), token,
      [](const TokenName& entry, std::int32_t wanted) { return entry.token < wanted; });
  if (row == std::end(token_names) || row->token != token) return nullptr;
  return row->name;
}

}  // namespace qcmd
