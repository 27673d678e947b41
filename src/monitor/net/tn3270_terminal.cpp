#include "monitor/net/tn3270_terminal.hpp"

#include <algorithm>

#include "monitor/control/constants.hpp"
#include "monitor/region/region.hpp"
#include "monitor/terminal/codepage.hpp"

namespace ravnmor::net {

namespace {

// True when `raw` (an image byte) is the AID of a display's key: Enter, a PF
// or PA key, or Clear. Anything else first in a record is not a display's
// answer to the screens the region writes.
bool is_display_aid(std::uint8_t raw) {
  auto keys = control::aid_keys();
  return std::any_of(keys.begin(), keys.end(),
                     [raw](const control::AidKey& key) { return key.raw == raw; });
}

}  // namespace

bool Tn3270Terminal::send(std::span<const std::uint8_t> record) {
  if (!error_.empty()) return false;
  terminal::StreamResult followed = screen_.apply_outbound(record);
  if (!followed.ok()) {
    region::log_error("a malformed 3270 stream went to the terminal: " + followed.problems.front());
  }
  if (!connection_.send_record(terminal::ebcdic_copy(record))) {
    error_ = connection_.error();
    return false;
  }
  return true;
}

bool Tn3270Terminal::receive(std::vector<std::uint8_t>& record) {
  if (!error_.empty()) return false;
  std::vector<std::uint8_t> wire;
  if (!connection_.receive_record(wire)) {
    error_ = connection_.error();
    return false;
  }
  record = terminal::image_copy(wire);
  if (record.empty() || !is_display_aid(record[0]) || !screen_.apply_inbound(record).ok()) {
    error_ = "the terminal sent a record that is not 3270 input";
    return false;
  }
  return true;
}

const std::string& Tn3270Terminal::error() const {
  return error_;
}

}  // namespace ravnmor::net
