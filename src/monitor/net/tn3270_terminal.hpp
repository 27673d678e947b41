// The terminal of a session process: a TN3270 connection seen through the
// Terminal interface. Records inside the region are in its character image;
// this is where they are translated to and from EBCDIC (code page 037), and
// where the screen model follows every record in both directions.
#pragma once

#include <string>

#include "monitor/net/connection.hpp"
#include "monitor/terminal/screen.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::net {

class Tn3270Terminal : public terminal::Terminal {
 public:
  explicit Tn3270Terminal(Connection& connection) : connection_(connection) {}

  bool send(std::span<const std::uint8_t> record) override;
  bool receive(std::vector<std::uint8_t>& record) override;
  terminal::Screen& screen() override { return screen_; }

  // Why the terminal is gone, once send or receive has failed.
  const std::string& error() const;

 private:
  Connection& connection_;
  terminal::Screen screen_;
  std::string error_;
};

}  // namespace ravnmor::net
