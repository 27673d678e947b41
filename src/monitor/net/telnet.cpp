#include "monitor/net/telnet.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

namespace ravnmor::net {

namespace {

using namespace telnet;

bool client_may_do(std::uint8_t option) {
  return option == kTerminalType || option == kEndOfRecord || option == kBinary;
}

bool we_may_do(std::uint8_t option) {
  return option == kEndOfRecord || option == kBinary;
}

std::string option_name(std::uint8_t option) {
  switch (option) {
    case kBinary:
      return "BINARY";
    case kTerminalType:
      return "TERMINAL-TYPE";
    case kEndOfRecord:
      return "END-OF-RECORD";
    default:
      return "option " + std::to_string(option);
  }
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char expected, char got) {
           return std::toupper(static_cast<unsigned char>(got)) == expected;
         });
}

}  // namespace

bool is_3270_terminal_type(std::string_view type) {
  static constexpr std::string_view kDisplays[] = {"IBM-3277", "IBM-3278", "IBM-3279"};
  static constexpr std::string_view kDynamic = "IBM-DYNAMIC";
  if (type.size() == kDynamic.size() && starts_with_ignoring_case(type, kDynamic)) return true;
  return std::any_of(std::begin(kDisplays), std::end(kDisplays), [type](std::string_view display) {
    return starts_with_ignoring_case(type, display) &&
           (type.size() == display.size() || type[display.size()] == '-');
  });
}

void TelnetCodec::start() {
  ask(kDo, kTerminalType);
}

bool TelnetCodec::ready() const {
  return !failed() && !terminal_type_.empty() && remote_[kTerminalType] == OptionState::kYes &&
         remote_[kEndOfRecord] == OptionState::kYes && local_[kEndOfRecord] == OptionState::kYes &&
         remote_[kBinary] == OptionState::kYes && local_[kBinary] == OptionState::kYes;
}

void TelnetCodec::feed(std::span<const std::uint8_t> bytes) {
  for (std::uint8_t byte : bytes) {
    if (failed()) return;
    switch (input_) {
      case Input::kData:
        if (byte == kIac) {
          input_ = Input::kIac;
        } else {
          on_data(byte);
        }
        break;
      case Input::kIac:
        input_ = Input::kData;
        on_command(byte);
        break;
      case Input::kOption:
        input_ = Input::kData;
        on_option(pending_verb_, byte);
        break;
      case Input::kSub:
        if (byte == kIac) {
          input_ = Input::kSubIac;
        } else if (subnegotiation_.size() == kMaxSubnegotiation) {
          fail("subnegotiation longer than " + std::to_string(kMaxSubnegotiation) +
               " bytes (no IAC SE)");
        } else {
          subnegotiation_.push_back(byte);
        }
        break;
      case Input::kSubIac:
        if (byte == kSe) {
          input_ = Input::kData;
          on_subnegotiation();
        } else if (byte == kIac) {
          input_ = Input::kSub;
          subnegotiation_.push_back(kIac);
        } else {
          fail("malformed subnegotiation (IAC " + std::to_string(byte) + " before IAC SE)");
        }
        break;
    }
  }
}

void TelnetCodec::on_command(std::uint8_t command) {
  switch (command) {
    case kIac:
      on_data(kIac);
      break;
    case kEor:
      if (!ready()) {
        fail("end of record before the 3270 mode was agreed");
        break;
      }
      records_.push_back(std::move(record_));
      record_.clear();
      break;
    case kSb:
      input_ = Input::kSub;
      subnegotiation_.clear();
      break;
    case kWill:
    case kWont:
    case kDo:
    case kDont:
      input_ = Input::kOption;
      pending_verb_ = command;
      break;
    default:  // NOP, GA, AYT, a stray SE and the like carry nothing for a 3270 session
      break;
  }
}

// Agreement follows the simplified "Q method": each side of an option is off,
// asked for or on, and a verb is answered only when it changes the state, so
// two ends can never loop on each other.
void TelnetCodec::on_option(std::uint8_t verb, std::uint8_t option) {
  bool from_remote = verb == kWill || verb == kWont;
  bool enable = verb == kWill || verb == kDo;
  OptionState& state = from_remote ? remote_[option] : local_[option];
  bool acceptable = from_remote ? client_may_do(option) : we_may_do(option);
  OptionState before = state;
  if (enable) {
    if (state == OptionState::kNo && !acceptable) {
      answer(from_remote ? kDont : kWont, option);
      return;
    }
    if (state == OptionState::kNo) answer(from_remote ? kDo : kWill, option);
    state = OptionState::kYes;
  } else {
    if (state == OptionState::kYes) answer(from_remote ? kDont : kWont, option);
    state = OptionState::kNo;
    if (before != OptionState::kNo && acceptable) {
      fail("the client refused " + option_name(option) + ": not a TN3270 terminal");
      return;
    }
  }
  if (state != before) after_agreement_changed();
}

void TelnetCodec::after_agreement_changed() {
  if (!terminal_type_asked_ && remote_[kTerminalType] == OptionState::kYes) {
    terminal_type_asked_ = true;
    const std::uint8_t send[] = {kIac, kSb, kTerminalType, kTerminalTypeSend, kIac, kSe};
    output_.insert(output_.end(), std::begin(send), std::end(send));
  }
  if (was_ready_ && !ready()) fail("the client left the 3270 mode");
  was_ready_ = ready();
}

void TelnetCodec::on_subnegotiation() {
  if (subnegotiation_.size() < 2 || subnegotiation_[0] != kTerminalType ||
      subnegotiation_[1] != kTerminalTypeIs) {
    return;  // nothing else was asked for
  }
  std::string type(subnegotiation_.begin() + 2, subnegotiation_.end());
  if (!is_3270_terminal_type(type)) {
    fail("terminal type '" + type + "' is not a 3270 display");
    return;
  }
  bool first = terminal_type_.empty();
  terminal_type_ = type;
  if (first && !modes_asked_) {
    modes_asked_ = true;
    ask(kDo, kEndOfRecord);
    ask(kWill, kEndOfRecord);
    ask(kDo, kBinary);
    ask(kWill, kBinary);
  }
  after_agreement_changed();
}

void TelnetCodec::on_data(std::uint8_t byte) {
  if (!ready()) {
    fail("data before the 3270 mode was agreed");
    return;
  }
  if (record_.size() == kMaxInboundRecord) {
    fail("inbound record longer than " + std::to_string(kMaxInboundRecord) + " bytes");
    return;
  }
  record_.push_back(byte);
}

void TelnetCodec::ask(std::uint8_t verb, std::uint8_t option) {
  OptionState& state = (verb == kDo || verb == kDont) ? remote_[option] : local_[option];
  if (state != OptionState::kNo) return;
  state = OptionState::kWantYes;
  answer(verb, option);
}

void TelnetCodec::answer(std::uint8_t verb, std::uint8_t option) {
  output_.insert(output_.end(), {kIac, verb, option});
}

void TelnetCodec::fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
}

std::optional<std::vector<std::uint8_t>> TelnetCodec::next_record() {
  if (records_.empty()) return std::nullopt;
  std::vector<std::uint8_t> record = std::move(records_.front());
  records_.pop_front();
  return record;
}

void TelnetCodec::send_record(std::span<const std::uint8_t> record) {
  for (std::uint8_t byte : record) {
    output_.push_back(byte);
    if (byte == kIac) output_.push_back(kIac);
  }
  output_.insert(output_.end(), {kIac, kEor});
}

std::vector<std::uint8_t> TelnetCodec::take_output() {
  return std::exchange(output_, {});
}

}  // namespace ravnmor::net
