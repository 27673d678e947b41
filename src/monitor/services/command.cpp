#include "monitor/services/command.hpp"

#include <algorithm>
#include <cstring>

#include "host/bytes.hpp"
#include "monitor/control/arena.hpp"

namespace ravnmor::services {

std::int16_t Area::half() const {
  return passed() ? host::load_half(read(sizeof(std::int16_t)).data(), 0) : 0;
}

std::int32_t Area::word() const {
  return passed()
             ? static_cast<std::int32_t>(host::load_word(read(sizeof(std::uint32_t)).data(), 0))
             : 0;
}

void Area::put_half(std::int32_t value) const {
  if (passed())
    host::store_half(write(sizeof(std::int16_t)).data(), 0, static_cast<std::int16_t>(value));
}

void Area::put_word(std::uint32_t value) const {
  if (passed()) host::store_word(write(sizeof(std::uint32_t)).data(), 0, value);
}

void write_answers(const std::vector<Answer>& answers) {
  for (const Answer& answer : answers) {
    std::memcpy(answer.area.write(answer.bytes.size()).data(), answer.bytes.data(),
                answer.bytes.size());
  }
}

Area Command::uncounted_area(int position) const {
  auto index = static_cast<std::size_t>(position - kFirstArgumentPosition);
  if (position < kFirstArgumentPosition || index >= arguments_.size()) return {};
  auto* data = static_cast<std::uint8_t*>(arguments_[index]);
  std::size_t room = index < sizes_.size() && sizes_[index] != 0 ? sizes_[index] : kUnmeasured;
  // A block the region handed out bounds the area too; an address in the
  // arena that no block holds any longer has no room at all.
  if (std::optional<std::size_t> left = control::LowArena::instance().room_from(data)) {
    room = std::min(room, *left);
  }
  return Area(data, room, position);
}

}  // namespace ravnmor::services
