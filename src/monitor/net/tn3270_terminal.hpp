// The terminal of a session process: a TN3270 connection seen through the
// Terminal interface. Records inside the region are in its character image;
// this is where they are translated to and from the terminal's code page,
// where the screen model follows every record in both directions, and where
// the region keeps to one screen per key (held_output.hpp): what a task
// writes goes out when it waits for the next key.
//
// Input the region cannot use (SysReq, a key it does not know, an address
// off the screen, a cut-off order) is logged and answered by drawing the
// screen again with the keyboard restored; the wait goes on. A record that
// arrives while the keyboard is locked was typed at a screen that is gone:
// it is logged and dropped.
#pragma once

#include <string>

#include "monitor/net/connection.hpp"
#include "monitor/terminal/codepage.hpp"
#include "monitor/terminal/held_output.hpp"
#include "monitor/terminal/screen.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::net {

class Tn3270Terminal : public terminal::Terminal {
 public:
  explicit Tn3270Terminal(Connection& connection,
                          const terminal::CodePage& page = terminal::default_code_page())
      : connection_(connection), page_(page) {}

  // Follows the record on the screen model and holds it for the next wait.
  bool send(std::span<const std::uint8_t> record) override;
  // Sends what is held, then waits for a record the region can use.
  bool receive(std::vector<std::uint8_t>& record) override;
  terminal::Arrival receive_or_wake(std::vector<std::uint8_t>& record,
                                    const terminal::Wake& wake) override;
  terminal::Screen& screen() override { return screen_; }

  // Why the terminal is gone, once send or receive has failed.
  const std::string& error() const;

 private:
  bool put(std::span<const std::uint8_t> record);
  bool release_held();
  // True when the record is a key the region can act on; else it is logged
  // and the screen drawn again.
  bool usable(const std::vector<std::uint8_t>& record);
  bool fail();

  Connection& connection_;
  const terminal::CodePage& page_;
  terminal::Screen screen_;
  terminal::HeldOutput held_;
  std::string error_;
};

}  // namespace ravnmor::net
