#include "monitor/net/tn3270_terminal.hpp"

#include <algorithm>
#include <cstdio>

#include "monitor/control/constants.hpp"
#include "monitor/region/log.hpp"
#include "monitor/region/region.hpp"

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

// Why a record cannot be used, for the error log.
std::string unusable_reason(std::uint8_t aid, const terminal::StreamResult& followed) {
  if (followed.test_request) return "SysReq (a test request read)";
  if (!followed.ok()) return followed.problems.front();
  char text[64];
  std::snprintf(text, sizeof text, "X'%02X' is not the AID of a key", terminal::to_ebcdic(aid));
  return text;
}

}  // namespace

// An idle session is logged at once: the program may end the process when
// its screen cannot be sent.
bool Tn3270Terminal::fail() {
  if (error_.empty()) {
    error_ = connection_.error();
    if (connection_.idle_timed_out()) {
      region::log_event(region::LogLevel::info, "disconnected: " + error_);
    }
  }
  return false;
}

bool Tn3270Terminal::put(std::span<const std::uint8_t> record) {
  return connection_.send_record(terminal::outbound_to_wire(record, page_)) || fail();
}

bool Tn3270Terminal::send(std::span<const std::uint8_t> record) {
  if (!error_.empty()) return false;
  terminal::StreamResult followed = screen_.apply_outbound(record);
  if (!followed.ok()) {
    region::log_error("a malformed 3270 stream went to the terminal: " + followed.problems.front());
  }
  held_.hold(record);
  return true;
}

bool Tn3270Terminal::release_held() {
  if (std::size_t dropped = connection_.discard_arrived()) {
    region::log_event(region::LogLevel::warning,
                      std::to_string(dropped) +
                          " record(s) from the terminal came while its keyboard was locked and "
                          "were dropped");
  }
  for (const auto& record : held_.release(screen_.keyboard_locked())) {
    if (!put(record)) return false;
  }
  screen_.reset_keyboard();
  return true;
}

bool Tn3270Terminal::usable(const std::vector<std::uint8_t>& record) {
  if (record.empty()) {
    region::log_event(region::LogLevel::warning,
                      "the terminal sent an empty record; its screen was drawn again");
  } else {
    const terminal::StreamResult followed = screen_.apply_inbound(record);
    if (followed.ok() && !followed.test_request && is_display_aid(record.front())) return true;
    region::log_event(region::LogLevel::warning,
                      "the terminal sent a record the region cannot use (" +
                          unusable_reason(record.front(), followed) +
                          "); its screen was drawn again");
  }
  screen_.reset_keyboard();
  put(screen_.redraw());
  return false;
}

bool Tn3270Terminal::receive(std::vector<std::uint8_t>& record) {
  return receive_or_wake(record, terminal::Wake{}) == terminal::Arrival::record;
}

terminal::Arrival Tn3270Terminal::receive_or_wake(std::vector<std::uint8_t>& record,
                                                  const terminal::Wake& wake) {
  using terminal::Arrival;
  if (!error_.empty() || !release_held()) return Arrival::gone;
  for (;;) {
    std::vector<std::uint8_t> wire;
    Arrival arrival = connection_.receive_record(wire, wake);
    if (arrival == Arrival::woken) return arrival;
    if (arrival == Arrival::gone) {
      fail();
      return arrival;
    }
    record = terminal::inbound_to_image(wire, page_);
    if (usable(record)) return Arrival::record;
    if (!error_.empty()) return Arrival::gone;
  }
}

const std::string& Tn3270Terminal::error() const {
  return error_;
}

}  // namespace ravnmor::net
