// One screen per key. From the moment a key reaches the region until a task
// waits for the next one, the keyboard stays locked and what the region
// writes is held back; when the next key is awaited, the held records go out
// together and the keyboard is restored by the last of them. So the user
// never sees a screen that is only on its way (the saved user screen that
// QCMD writes before a command), sees whatever a command sends before the
// wait that follows it, and any key typed ahead reaches the screen that
// answers the key before it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ravnmor::terminal {

class HeldOutput {
 public:
  using Record = std::vector<std::uint8_t>;

  // Holds an outbound record (image form, command byte first). An erase
  // (Erase/Write, Erase/Write Alternate) makes every record before it moot.
  void hold(std::span<const std::uint8_t> record);

  bool empty() const { return held_.empty(); }

  // The records to send before a key wait, in order: only the last restores
  // the keyboard; when no record is held, a bare keyboard restore, if the
  // keyboard is locked. Nothing is held afterwards.
  std::vector<Record> release(bool keyboard_locked);

 private:
  std::vector<Record> held_;
};

}  // namespace ravnmor::terminal
