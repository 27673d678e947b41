// A 3270 terminal as the region sees it: a device that takes outbound records
// and produces inbound ones, with the screen model that follows both.
// Implemented by the scripted terminal (tests, demo from standard input) and
// by the TN3270 session (src/monitor/net/).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ravnmor::terminal {

class Screen;

class Terminal {
 public:
  virtual ~Terminal() = default;

  // Sends one outbound record (command byte first, in the region's character
  // image). False when the terminal is gone.
  virtual bool send(std::span<const std::uint8_t> record) = 0;

  // Waits for the user's next inbound record (AID first). False when the
  // terminal is gone (hung up, reset, or sent garbage).
  virtual bool receive(std::vector<std::uint8_t>& record) = 0;

  // The screen as the terminal shows it now.
  virtual Screen& screen() = 0;
};

}  // namespace ravnmor::terminal
