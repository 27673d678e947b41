#include "monitor/net/routing.hpp"

#include <cstdio>

#include "monitor/region/runner.hpp"
#include "monitor/terminal/codepage.hpp"
#include "monitor/terminal/codes.hpp"

namespace ravnmor::net {

namespace {

namespace image = terminal::image;

constexpr std::uint8_t kWccRestoreResetMdt =
    image::six_bits(terminal::wcc::kRestoreKeyboard | terminal::wcc::kResetMdt);
constexpr std::uint8_t kWccRestore = image::six_bits(terminal::wcc::kRestoreKeyboard);
constexpr std::uint8_t kAttrInput = image::six_bits(0);  // unprotected, normal
constexpr std::uint8_t kAttrText = image::six_bits(terminal::attr::kProtected);
constexpr std::uint8_t kAttrBright =
    image::six_bits(terminal::attr::kProtected | terminal::attr::kIntensified);
constexpr std::uint8_t kAidClear = terminal::to_image(terminal::aid::kClear);

constexpr int kColumns = terminal::kColumns;
constexpr int kInputEnd = kColumns - 1;  // the input field is row 1, columns 2-79
constexpr std::size_t kShownWord = 16;   // at most this much of a bad word is echoed

// Builds one outbound record in the region's image.
class ScreenWriter {
 public:
  ScreenWriter(terminal::Command command, std::uint8_t wcc)
      : record_{image::command(command), wcc} {}
  ScreenWriter& at(int offset) {
    auto address = image::address(offset);
    record_.insert(record_.end(), {image::kSetBufferAddress, address[0], address[1]});
    return *this;
  }
  ScreenWriter& field(std::uint8_t attribute) {
    record_.insert(record_.end(), {image::kStartField, attribute});
    return *this;
  }
  ScreenWriter& cursor() {
    record_.push_back(image::kInsertCursor);
    return *this;
  }
  ScreenWriter& text(std::string_view text) {
    record_.insert(record_.end(), text.begin(), text.end());
    return *this;
  }
  // A protected line of text whose attribute sits in column 1 of `row`.
  ScreenWriter& line(int row, std::uint8_t attribute, std::string_view words) {
    return at(terminal::address_of(row, 1)).field(attribute).text(words);
  }
  // The transaction input field, cursor in it.
  ScreenWriter& input_field() {
    return at(terminal::address_of(1, 1)).field(kAttrInput).cursor().at(kInputEnd).field(kAttrText);
  }
  Record done() { return std::move(record_); }

 private:
  Record record_;
};

}  // namespace

Record greeting_screen(const GreetingInfo& info) {
  char date[32];
  std::tm local{};
  localtime_r(&info.now, &local);
  std::strftime(date, sizeof date, "%Y-%m-%d  %H:%M", &local);
  return ScreenWriter(terminal::Command::erase_write, kWccRestoreResetMdt)
      .input_field()
      .line(3, kAttrBright, "Ravnmor transaction region " + info.region_name)
      .line(5, kAttrText,
            "Terminal  " + info.terminal_id + "    Session " + std::to_string(info.session_number))
      .line(6, kAttrText, std::string("Date      ") + date)
      .line(7, kAttrText,
            "Code page " + info.code_page + "  (x3270 family: -codepage " + info.code_page + ")")
      .line(8, kAttrText,
            "Type QCMD on the top line and press Enter to start the command interpreter.")
      .line(9, kAttrText,
            "Clear gives an empty screen: type a transaction identifier at its top left.")
      .done();
}

Record message_screen(std::string_view message) {
  return ScreenWriter(terminal::Command::erase_write, kWccRestoreResetMdt)
      .input_field()
      .line(3, kAttrBright, message.substr(0, kColumns - 1))
      .done();
}

Record region_full_screen(std::string_view region_name) {
  return ScreenWriter(terminal::Command::erase_write, kWccRestoreResetMdt)
      .line(3, kAttrBright,
            "Region " + std::string(region_name) + ": the region is full, try again later.")
      .line(5, kAttrText, "Every session of the region is in use. Press any key to disconnect.")
      .done();
}

Record empty_screen() {
  return ScreenWriter(terminal::Command::erase_write, kWccRestoreResetMdt).done();
}

Record keyboard_restore() {
  return ScreenWriter(terminal::Command::write, kWccRestore).done();
}

RoutingInput read_routing_input(const std::vector<std::uint8_t>& inbound) {
  RoutingInput input;
  if (!inbound.empty() && inbound[0] == kAidClear) {
    input.kind = RoutingInput::Kind::kClear;
    return input;
  }
  input.transaction = region::transaction_of(inbound);
  if (!input.transaction.empty()) input.kind = RoutingInput::Kind::kTransaction;
  return input;
}

std::string unknown_transaction_message(std::string_view word, std::string_view region_name) {
  std::string shown(word.substr(0, kShownWord));
  if (word.size() > kShownWord) shown += "...";
  return "Transaction " + shown + " is not defined in region " + std::string(region_name) +
         ". Try QCMD.";
}

}  // namespace ravnmor::net
