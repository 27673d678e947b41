// The terminal between tasks: the region's greeting, the screens that answer
// input which starts no task, and the reading of the transaction identifier
// from the terminal's input. Records are in the region's character image.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace ravnmor::net {

using Record = std::vector<std::uint8_t>;

struct GreetingInfo {
  std::string region_name;
  std::string terminal_id;
  int session_number = 0;
  std::time_t now = 0;
  std::string code_page;
};

// The idle screen: region, terminal, date, code page and the hint to type
// QCMD, with the cursor in the one input field at the top left.
Record greeting_screen(const GreetingInfo& info);

// The one screen a terminal over the region's session limit is shown.
Record region_full_screen(std::string_view region_name);

// A cleared screen with one line of `message` below the input field.
Record message_screen(std::string_view message);

// The answer to Clear: an empty, unformatted screen ready for input.
Record empty_screen();

// A write that changes nothing on the screen but unlocks the keyboard.
Record keyboard_restore();

// What the terminal's inbound record asks of the router.
struct RoutingInput {
  enum class Kind { kClear, kNothing, kTransaction } kind = Kind::kNothing;
  std::string transaction;  // the first word of the first field, in capitals
};

RoutingInput read_routing_input(const std::vector<std::uint8_t>& inbound);

// The message for a first word that names no transaction of the region.
std::string unknown_transaction_message(std::string_view word, std::string_view region_name);

}  // namespace ravnmor::net
