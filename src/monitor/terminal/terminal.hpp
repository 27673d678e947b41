// A 3270 terminal as the region sees it: a device that takes outbound records
// and produces inbound ones, with the screen model that follows both.
// Implemented by the scripted terminal (tests, demo from standard input) and
// by the TN3270 session (src/monitor/net/).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace ravnmor::terminal {

class Screen;

// What a terminal between tasks also waits for besides a key: `due` is
// asked every `period` while no record has come, and the wait ends when it
// answers true (a START for the terminal, claimed by `due`).
struct Wake {
  std::chrono::milliseconds period{0};
  std::function<bool()> due;  // none: the wait is receive()'s
};

enum class Arrival { record, woken, gone };

class Terminal {
 public:
  virtual ~Terminal() = default;

  // Sends one outbound record (command byte first, in the region's character
  // image). False when the terminal is gone.
  virtual bool send(std::span<const std::uint8_t> record) = 0;

  // Waits for the user's next inbound record (AID first). False when the
  // terminal is gone (hung up, reset, or sent garbage).
  virtual bool receive(std::vector<std::uint8_t>& record) = 0;

  // receive(), or woken by `wake`. A terminal that cannot wait in slices
  // asks `wake` once, before it waits.
  virtual Arrival receive_or_wake(std::vector<std::uint8_t>& record, const Wake& wake) {
    if (wake.due && wake.due()) return Arrival::woken;
    return receive(record) ? Arrival::record : Arrival::gone;
  }

  // The screen as the terminal shows it now.
  virtual Screen& screen() = 0;
};

}  // namespace ravnmor::terminal
