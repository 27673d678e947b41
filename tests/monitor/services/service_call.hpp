// Calls of the EXEC interface the way the interpreter makes them: a
// descriptor (36 characters, a doubled quote included) and 22 argument
// addresses, null after the ones the command passes; then the EIB's answer.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "host/host.hpp"
#include "monitor/recording_terminal.hpp"
#include "support/test_region.hpp"

namespace ravnmor::testing {

struct Answer {
  std::int32_t resp;
  std::int32_t resp2;
  bool operator==(const Answer&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Answer& answer) {
  return out << "EIBRESP " << answer.resp << " EIBRESP2 " << answer.resp2;
}

inline constexpr Answer kNormal{0, 0};

// A descriptor written out: the two function characters, flag characters at
// their positions (3-22) and the parameter count at 23; a count of 7 stands
// as a single quote, written twice as the interpreter copies it.
inline std::string make_descriptor(std::string_view function,
                                   std::initializer_list<std::pair<int, char>> flags, int count) {
  std::string text(35, ' ');
  text[0] = function[0];
  text[1] = function[1];
  for (auto [position, flag] : flags) text[static_cast<std::size_t>(position - 1)] = flag;
  text[22] = static_cast<char>(0x20 + count);
  if (text[22] == '\'') text.insert(22, 1, '\'');
  return text;
}

// A name as a command passes it: blank-padded to `width` characters.
inline std::string padded(std::string_view name, std::size_t width = 8) {
  std::string text(name);
  text.resize(width, ' ');
  return text;
}

// A task at a terminal of a fresh region.
class ServiceTest : public ::testing::Test, public TaskAtTerminal {
 protected:
  Answer call(const char* descriptor, std::initializer_list<void*> arguments) {
    std::array<void*, 22> list{};
    std::copy(arguments.begin(), arguments.end(), list.begin());
    std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
    host::store_word(eib, host::kEibResp, 99);
    host::store_word(eib, host::kEibResp2, 99);
    host::oxdfhei1(descriptor, std::span<void* const>(list));
    return {static_cast<std::int32_t>(host::load_word(eib, host::kEibResp)),
            static_cast<std::int32_t>(host::load_word(eib, host::kEibResp2))};
  }

  region::TestRegion region;
};

}  // namespace ravnmor::testing
