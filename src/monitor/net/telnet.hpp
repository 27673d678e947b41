// The telnet layer of a TN3270 connection, as a pure codec: bytes from the
// client go in, complete 3270 records and negotiation answers come out. It
// knows nothing of sockets, so every hostile byte sequence can be fed to it in
// a test.
//
// The region speaks old-mode TN3270: it asks for the terminal type, then for
// END-OF-RECORD and BINARY in both directions. TN3270E is declined, which
// every TN3270 client accepts by falling back to the old mode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ravnmor::net {

namespace telnet {
// Commands (the byte after IAC).
inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kNop = 241;
inline constexpr std::uint8_t kEor = 239;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kIac = 255;

// Options.
inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kTerminalType = 24;
inline constexpr std::uint8_t kEndOfRecord = 25;
inline constexpr std::uint8_t kTn3270e = 40;

// TERMINAL-TYPE subnegotiation verbs.
inline constexpr std::uint8_t kTerminalTypeIs = 0;
inline constexpr std::uint8_t kTerminalTypeSend = 1;
}  // namespace telnet

// The largest inbound record the region accepts. A read-buffer reply of a
// 24x80 screen is at most 3 bytes of AID and cursor plus 1920 cells, each of
// which may be an extended field start (SFE, count, three attribute pairs);
// anything longer is not a 3270 terminal talking.
inline constexpr std::size_t kMaxInboundRecord = 3 + 1920 * 8;

// A subnegotiation carries at most a terminal type name (40 characters by
// the terminal-type option's rules) and its verb; a longer one never ends.
inline constexpr std::size_t kMaxSubnegotiation = 64;

class TelnetCodec {
 public:
  // Queues the server's opening request (DO TERMINAL-TYPE).
  void start();

  // Consumes bytes received from the client. Stops at the first protocol
  // violation: failed() turns true and the rest is ignored.
  void feed(std::span<const std::uint8_t> bytes);

  // True once terminal type, END-OF-RECORD and BINARY are agreed both ways.
  bool ready() const;
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& terminal_type() const { return terminal_type_; }

  // True while part of an inbound record has arrived without its IAC EOR.
  bool in_record() const { return !record_.empty(); }

  // The oldest complete inbound record (IAC doubling undone, IAC EOR
  // removed), if one has arrived.
  std::optional<std::vector<std::uint8_t>> next_record();

  // Queues one outbound record: every 0xFF doubled, IAC EOR appended.
  void send_record(std::span<const std::uint8_t> record);

  // The bytes queued for the client since the last call.
  std::vector<std::uint8_t> take_output();

 private:
  // Each side of an option: off, asked for by us, or agreed.
  enum class OptionState : std::uint8_t { kNo, kWantYes, kYes };
  enum class Input : std::uint8_t { kData, kIac, kOption, kSub, kSubIac };

  void on_command(std::uint8_t command);
  void on_option(std::uint8_t verb, std::uint8_t option);
  void on_subnegotiation();
  void on_data(std::uint8_t byte);
  void ask(std::uint8_t verb, std::uint8_t option);
  void answer(std::uint8_t verb, std::uint8_t option);
  void after_agreement_changed();
  void fail(std::string message);

  std::array<OptionState, 256> remote_{};  // what the client does (WILL/WONT)
  std::array<OptionState, 256> local_{};   // what we do (DO/DONT from the client)
  Input input_ = Input::kData;
  std::uint8_t pending_verb_ = 0;
  bool terminal_type_asked_ = false;
  bool modes_asked_ = false;
  bool was_ready_ = false;
  std::vector<std::uint8_t> subnegotiation_;
  std::vector<std::uint8_t> record_;
  std::deque<std::vector<std::uint8_t>> records_;
  std::vector<std::uint8_t> output_;
  std::string terminal_type_;
  std::string error_;
};

// True for the terminal types of 3270 display stations (IBM-3277, -3278,
// -3279 of any model, with or without the -E suffix, and IBM-DYNAMIC).
bool is_3270_terminal_type(std::string_view type);

}  // namespace ravnmor::net
