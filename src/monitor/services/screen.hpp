// Inside the screen operations (host::scrnhead ... host::oxrdlc), for the
// services and their tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ravnmor::services {

// Text bytes that stand for 3270 orders or controls would be taken as such
// by the terminal: they are shown as blanks. A null stays a null.
std::uint8_t displayable(std::uint8_t byte);

// Writes the orders and data of the screen being built into `out` (room
// for 7000 bytes): SBA where the written cells jump, SF before each
// attribute, SBA + IC for the cursor. Returns the number of bytes.
std::size_t build_screen_stream(std::uint8_t* out);

// The running task's last inbound record.
std::span<const std::uint8_t> last_input();

// The data of each field of an inbound record (read-modified form), in order.
std::vector<std::span<const std::uint8_t>> input_fields(std::span<const std::uint8_t> input);

}  // namespace ravnmor::services
