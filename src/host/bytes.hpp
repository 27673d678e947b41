// Byte-level access to the region's blocks. Control blocks, the EIB, the
// terminal I/O area and variable values are real byte layouts: every read and
// write of a field goes through these helpers, which name the offset and never
// depend on alignment. Integers are in the host's native byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace host {

inline std::uint32_t load_word(const void* block, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, static_cast<const std::uint8_t*>(block) + offset, sizeof value);
  return value;
}

inline void store_word(void* block, std::size_t offset, std::uint32_t value) {
  std::memcpy(static_cast<std::uint8_t*>(block) + offset, &value, sizeof value);
}

inline std::int16_t load_half(const void* block, std::size_t offset) {
  std::int16_t value;
  std::memcpy(&value, static_cast<const std::uint8_t*>(block) + offset, sizeof value);
  return value;
}

inline void store_half(void* block, std::size_t offset, std::int16_t value) {
  std::memcpy(static_cast<std::uint8_t*>(block) + offset, &value, sizeof value);
}

// Addresses that the region hands out lie below 4 GiB, so a 32-bit word holds
// one exactly. These two convert between such a word and a pointer.
inline std::uint8_t* word_to_ptr(std::uint32_t word) {
  return reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(word));
}

inline std::uint32_t ptr_to_word(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// The block that the 32-bit word at `offset` of `block` points to.
inline std::uint8_t* linked_block(const void* block, std::size_t offset) {
  return word_to_ptr(load_word(block, offset));
}

}  // namespace host
