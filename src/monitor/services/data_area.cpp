#include "monitor/services/data_area.hpp"

#include <algorithm>
#include <cstring>

#include "host/bytes.hpp"
#include "monitor/services/storage.hpp"

namespace ravnmor::services {

void DataArea::check_receivers() const {
  if (kind == kSetPointer) area.require(kPointerSize);
  if (length.passed()) length.require(sizeof(std::int16_t));
}

Response deliver(const DataArea& to, store::ByteView data) {
  return deliver(to, data, static_cast<std::size_t>(std::max<std::int32_t>(to.length.half(), 0)));
}

Response deliver(const DataArea& to, store::ByteView data, std::size_t into_room) {
  auto size = static_cast<std::int32_t>(data.size());
  if (to.kind == kSetPointer) {
    to.area.require(kPointerSize);
    // A block of at least one byte, so that an empty record still gets an address.
    std::uint8_t* block = acquire_task_storage(std::max<std::size_t>(data.size(), 1));
    if (block == nullptr) return {kNostg, 0};
    if (!data.empty()) std::memcpy(block, data.data(), data.size());
    to.area.put_word(host::ptr_to_word(block));
    to.length.put_half(size);
    return {};
  }
  std::size_t room = std::min(into_room, to.area.room());
  std::size_t copied = std::min(room, data.size());
  if (copied > 0) std::memcpy(to.area.write(copied).data(), data.data(), copied);
  to.length.put_half(size);
  return data.size() > room ? Response{kLengerr, 0} : Response{};
}

}  // namespace ravnmor::services
