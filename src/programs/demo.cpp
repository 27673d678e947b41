#include "programs/demo.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "host/host.hpp"

namespace programs {

namespace {

// The program's EXEC calls (descriptor, then its arguments).
constexpr const char* kEntry = "9#                    $  N#00000000";
constexpr const char* kAddressEib = "\"\"  E                 \"  N#00000001";
constexpr const char* kSendControlErase = "82      T  E F  H     (   #00000002";
constexpr const char* kReturn = ".(                    $   #00000003";
constexpr const char* kGoBack = "9%                    \"  N#00000004";

constexpr int kNameLength = 20;
constexpr std::uint8_t kAidEnter = 0x7D;
constexpr std::uint8_t kAidPf3 = 0xF3;

void put(int row, int column, const std::string& text, std::size_t attribute) {
  host::oxptscrn(text.data(), static_cast<int>(text.size()), host::offset_of(row, column),
                 host::xcnv[attribute]);
}

std::string key_name(std::uint8_t aid) {
  if (const std::string_view name = host::key_name(aid); !name.empty()) return std::string(name);
  char text[16];
  std::snprintf(text, sizeof text, "AID X'%02X'", aid);
  return text;
}

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
  return text;
}

struct Demo {
  std::uint8_t aid = 0;
  std::string name;
  std::string message;
};

void start_screen(const char* title) {
  host::scrnhead(title, static_cast<int>(std::char_traits<char>::length(title)), host::xtermnum);
}

// Sends the screen and reads the key; false when the terminal is gone.
bool send_and_read(Demo& demo) {
  if (host::oxsnd(host::xtermnum) != 0) return false;
  std::int8_t key = 0;
  host::oxrdkey(&key);
  demo.aid = host::xcnv[host::kCnvAidTable + static_cast<std::uint8_t>(key)];
  return true;
}

bool ask(Demo& demo) {
  start_screen("Ravnmor Demonstration");
  put(4, 2, "This program shows a conversation between a program and your terminal.",
      host::kCnvProtAttr);
  put(5, 2, "Type your name and press Enter; PF3 ends the demonstration.", host::kCnvProtAttr);
  put(8, 2, "Your name . . .", host::kCnvBrightAttr);
  std::string field = demo.name;
  field.resize(kNameLength, ' ');
  put(8, 19, field, host::kCnvInputAttr);
  put(8, 19 + 1 + kNameLength, "", host::kCnvProtAttr);  // ends the field: 20 characters typeable
  if (!demo.message.empty()) put(20, 2, demo.message, host::kCnvBrightAttr);
  put(23, 2, "(Enter) Answer   (PF3) End", host::kCnvProtAttr);
  host::oxsc(host::offset_of(8, 20));
  if (!send_and_read(demo)) return false;
  char typed[kNameLength];
  host::oxrdlc(typed, 1, kNameLength);
  demo.name = trimmed(std::string(typed, kNameLength));
  return true;
}

bool answer(Demo& demo) {
  start_screen("Ravnmor Demonstration: the answer");
  put(4, 2, "Hello, " + demo.name + "!", host::kCnvBrightAttr);
  put(6, 2, "You typed " + std::to_string(demo.name.size()) + " characters and pressed Enter.",
      host::kCnvProtAttr);
  put(23, 2, "(Enter) Again   (PF3) End", host::kCnvProtAttr);
  return send_and_read(demo);
}

void conversation() {
  Demo demo;
  for (;;) {
    if (!ask(demo) || demo.aid == kAidPf3) return;
    demo.message.clear();
    if (demo.aid != kAidEnter) {
      demo.message = key_name(demo.aid) + " has no meaning here: press Enter or PF3.";
    } else if (demo.name.empty()) {
      demo.message = "Please type a name first.";
    } else if (!answer(demo) || demo.aid == kAidPf3) {
      return;
    }
  }
}

}  // namespace

void demo_program() {
  char working_storage[2] = {};
  char name[8] = {'D', 'E', 'M', 'O', ' ', ' ', ' ', ' '};
  std::uint32_t eib = 0;
  char dummy[4] = {};
  host::oxdfhei1(kEntry, &working_storage[0], &working_storage[1], name);
  host::oxdfhei1(kAddressEib, &eib);
  conversation();
  host::oxdfhei1(kSendControlErase, dummy, dummy, dummy, dummy, dummy, dummy, dummy);
  host::oxdfhei1(kReturn, dummy, dummy, dummy);
  host::oxdfhei1(kGoBack, name);
}

}  // namespace programs
