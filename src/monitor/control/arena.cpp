#include "monitor/control/arena.hpp"

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace ravnmor::control {

namespace {

constexpr std::size_t kArenaBytes = std::size_t{64} << 20;
constexpr std::size_t kAlignment = 16;
constexpr std::uintptr_t kFourGiB = std::uintptr_t{1} << 32;
#ifndef MAP_32BIT
constexpr std::uintptr_t kLowHint = 0x40000000;  // where to ask for the mapping without MAP_32BIT
#endif

std::size_t round_up(std::size_t size) {
  return (size + kAlignment - 1) / kAlignment * kAlignment;
}

std::uint8_t* map_low(std::size_t bytes) {
  int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
  void* hint = nullptr;
#ifdef MAP_32BIT
  flags |= MAP_32BIT;
#else
  flags |= MAP_FIXED_NOREPLACE;
  hint = reinterpret_cast<void*>(kLowHint);
#endif
  void* area = mmap(hint, bytes, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (area == MAP_FAILED) {
    throw std::runtime_error("cannot map the region's low-memory arena (" +
                             std::to_string(bytes >> 20) +
                             " MiB below 4 GiB): " + std::strerror(errno));
  }
  auto end = reinterpret_cast<std::uintptr_t>(area) + bytes;
  if (end > kFourGiB) {
    munmap(area, bytes);
    throw std::runtime_error("the region's low-memory arena was mapped above 4 GiB");
  }
  return static_cast<std::uint8_t*>(area);
}

}  // namespace

LowArena& LowArena::instance() {
  static LowArena arena(kArenaBytes);
  return arena;
}

LowArena::LowArena(std::size_t capacity) : base_(map_low(capacity)), capacity_(capacity) {
  free_.emplace(0, capacity);
}

std::uint8_t* LowArena::allocate(std::size_t size) {
  std::size_t wanted = round_up(size == 0 ? 1 : size);
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    auto [offset, length] = *it;
    if (length < wanted) continue;
    free_.erase(it);
    if (length > wanted) free_.emplace(offset + wanted, length - wanted);
    used_.emplace(offset, wanted);
    std::memset(base_ + offset, 0, wanted);
    return base_ + offset;
  }
  return nullptr;
}

bool LowArena::release(const void* block) {
  if (!contains(block)) return false;
  auto found =
      used_.find(static_cast<std::size_t>(static_cast<const std::uint8_t*>(block) - base_));
  if (found == used_.end()) return false;
  auto [offset, length] = *found;
  used_.erase(found);
  // Join the freed block with free neighbours so that large blocks stay available.
  auto next = free_.lower_bound(offset);
  if (next != free_.end() && next->first == offset + length) {
    length += next->second;
    next = free_.erase(next);
  }
  if (next != free_.begin()) {
    auto before = std::prev(next);
    if (before->first + before->second == offset) {
      before->second += length;
      return true;
    }
  }
  free_.emplace(offset, length);
  return true;
}

std::size_t LowArena::block_size(const void* block) const {
  if (!contains(block)) return 0;
  auto found =
      used_.find(static_cast<std::size_t>(static_cast<const std::uint8_t*>(block) - base_));
  return found == used_.end() ? 0 : found->second;
}

std::optional<std::size_t> LowArena::room_from(const void* address) const {
  if (!contains(address)) return std::nullopt;
  auto offset = static_cast<std::size_t>(static_cast<const std::uint8_t*>(address) - base_);
  auto holder = used_.upper_bound(offset);
  if (holder == used_.begin()) return 0;
  --holder;
  std::size_t end = holder->first + holder->second;
  return offset < end ? end - offset : 0;
}

bool LowArena::contains(const void* address) const {
  auto p = static_cast<const std::uint8_t*>(address);
  return p >= base_ && p < base_ + capacity_;
}

}  // namespace ravnmor::control
