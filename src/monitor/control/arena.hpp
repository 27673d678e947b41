// The low-memory arena. Programs in the region keep addresses in 32-bit
// words (control-block links, pointer variables, storage they were given), so
// every block the region hands out comes from one mapping below 4 GiB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

namespace ravnmor::control {

class LowArena {
 public:
  // The process's arena, mapped on first use. Throws std::runtime_error with
  // the reason when no low mapping can be had.
  static LowArena& instance();

  // A zero-filled block of `size` bytes (at least 1), 16-byte aligned, or
  // nullptr when the arena is full.
  std::uint8_t* allocate(std::size_t size);

  // Gives a block back. False (and nothing changes) when `block` is not the
  // start of a block this arena handed out.
  bool release(const void* block);

  // The size of the block starting at `block`, 0 when there is none.
  std::size_t block_size(const void* block) const;

  // Bytes from `address` to the end of the block that holds it: none when
  // the address lies outside the arena, 0 when no block handed out holds it.
  std::optional<std::size_t> room_from(const void* address) const;

  bool contains(const void* address) const;
  std::size_t capacity() const { return capacity_; }

  LowArena(const LowArena&) = delete;
  LowArena& operator=(const LowArena&) = delete;

 private:
  explicit LowArena(std::size_t capacity);

  std::uint8_t* base_ = nullptr;
  std::size_t capacity_ = 0;
  // Both keyed by offset from base_; the bookkeeping stays outside the
  // mapping so that a program writing past its block cannot corrupt it.
  std::map<std::size_t, std::size_t> used_;
  std::map<std::size_t, std::size_t> free_;
};

}  // namespace ravnmor::control
