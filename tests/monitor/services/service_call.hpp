// Calls of the EXEC interface the way the interpreter makes them: a
// descriptor (36 characters, a doubled quote included) and 22 argument
// addresses, null after the ones the command passes; then the EIB's answer.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

#include "host/host.hpp"
#include "monitor/recording_terminal.hpp"
#include "monitor/region/harness.hpp"

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
