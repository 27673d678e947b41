#include "monitor/services/data_area.hpp"

#include <algorithm>
#include <cstring>

#include "host/bytes.hpp"
#include "monitor/services/storage.hpp"

namespace ravnmor::services {

std::int32_t load_length(const void* area) {
  return area == nullptr ? 0 : host::load_half(area, 0);
}

void store_length(void* area, std::int32_t value) {
  if (area != nullptr) host::store_half(area, 0, static_cast<std::int16_t>(value));
}

Response deliver(const DataArea& to, store::ByteView data) {
  auto size = static_cast<std::int32_t>(data.size());
  if (to.kind == kSetPointer) {
    // A block of at least one byte, so that an empty record still gets an address.
    std::uint8_t* block = acquire_task_storage(std::max<std::size_t>(data.size(), 1));
    if (block == nullptr) return {kNostg, 0};
    if (!data.empty()) std::memcpy(block, data.data(), data.size());
    host::store_word(to.area, 0, host::ptr_to_word(block));
    store_length(to.length, size);
    return {};
  }
  std::int32_t room = std::max<std::int32_t>(load_length(to.length), 0);
  std::size_t copied = static_cast<std::size_t>(std::min(room, size));
  if (copied > 0) std::memcpy(to.area, data.data(), copied);
  store_length(to.length, size);
  return size > room ? Response{kLengerr, 0} : Response{};
}

}  // namespace ravnmor::services
