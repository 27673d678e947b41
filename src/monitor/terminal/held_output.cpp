#include "monitor/terminal/held_output.hpp"

#include <utility>

#include "monitor/terminal/codes.hpp"

namespace ravnmor::terminal {

namespace {

constexpr std::size_t kWccOffset = 1;

Command command_of(const HeldOutput::Record& record) {
  return record.empty() ? Command::none : decode_command(to_ebcdic(record[0]));
}

bool is_write(Command command) {
  return command == Command::write || command == Command::erase_write ||
         command == Command::erase_write_alternate;
}

bool is_erase(Command command) {
  return command == Command::erase_write || command == Command::erase_write_alternate;
}

// Sets or clears the WCC's keyboard restore bit of a write.
void set_restore(HeldOutput::Record& record, bool restore) {
  if (!is_write(command_of(record)) || record.size() <= kWccOffset) return;
  auto bits = decode_six_bits(to_ebcdic(record[kWccOffset]));
  bits = restore ? bits | wcc::kRestoreKeyboard : bits & ~wcc::kRestoreKeyboard;
  record[kWccOffset] = image::six_bits(static_cast<std::uint8_t>(bits));
}

}  // namespace

void HeldOutput::hold(std::span<const std::uint8_t> record) {
  Record copy(record.begin(), record.end());
  if (is_erase(command_of(copy))) held_.clear();
  held_.push_back(std::move(copy));
}

std::vector<HeldOutput::Record> HeldOutput::release(bool keyboard_locked) {
  std::vector<Record> out = std::exchange(held_, {});
  for (Record& record : out) set_restore(record, false);
  if (!out.empty() && is_write(command_of(out.back()))) {
    set_restore(out.back(), true);
  } else if (keyboard_locked || !out.empty()) {
    out.push_back({image::command(Command::write), image::six_bits(wcc::kRestoreKeyboard)});
  }
  return out;
}

}  // namespace ravnmor::terminal
