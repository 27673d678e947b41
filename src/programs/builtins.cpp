#include "programs/builtins.hpp"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "host/host.hpp"

namespace programs {

namespace {

// The programs' EXEC calls (descriptor, then its arguments).
constexpr const char* kEntry = "9#                    $  N#00000000";
constexpr const char* kReturn = ".(                    !  N#00000001";
constexpr const char* kGoBack = "9%                    \"  N#00000002";

constexpr std::size_t kNameField = 8;
constexpr std::size_t kShownCommarea = 60;  // bytes of the COMMAREA that HELLO shows

// The entry call and the ending calls a program makes around its work.
class ProgramCalls {
 public:
  explicit ProgramCalls(const char* program) {
    std::string padded(program);
    padded.resize(kNameField, ' ');
    std::copy(padded.begin(), padded.end(), name_);
    host::oxdfhei1(kEntry, &working_storage_[0], &working_storage_[1], name_);
  }
  void end() {
    host::oxdfhei1(kReturn);
    host::oxdfhei1(kGoBack, name_);
  }

 private:
  char working_storage_[2] = {};
  char name_[kNameField] = {};
};

constexpr int kTextColumn = 2;
constexpr std::size_t kEibNameLength = 4;  // EIBTRNID, EIBTRMID

void put(int row, const std::string& text, std::size_t attribute = host::kCnvProtAttr) {
  host::oxptscrn(text.data(), static_cast<int>(text.size()), host::offset_of(row, kTextColumn),
                 host::xcnv[attribute]);
}

// The COMMAREA as text: its first bytes, anything unprintable as a period.
std::string commarea_text(std::span<const std::uint8_t> commarea) {
  std::string text(commarea.begin(), commarea.begin() + std::min(commarea.size(), kShownCommarea));
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~') c = '.';
  }
  return text;
}

// A blank-padded name of the task's EIB, without its padding.
std::string eib_name(std::size_t offset) {
  const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  std::string name(eib + offset, eib + offset + kEibNameLength);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

void hello_screen() {
  constexpr char kTitle[] = "Ravnmor Program HELLO";
  host::scrnhead(kTitle, sizeof kTitle - 1, host::xtermnum);
  put(4,
      "Hello from program HELLO, running for transaction " + eib_name(host::kEibTrnid) +
          " at terminal " + eib_name(host::kEibTrmid) + ".",
      host::kCnvBrightAttr);
  const std::span<const std::uint8_t> commarea = host::task_commarea();
  if (!commarea.empty()) {
    put(6, "Its COMMAREA has " + std::to_string(commarea.size()) +
               " bytes: " + commarea_text(commarea));
  } else {
    put(6, "It was given no COMMAREA.");
  }
  if (const std::string_view linking = host::linking_program(); !linking.empty()) {
    put(8, "Program " + std::string(linking) + " linked to it and gets control back.");
  } else {
    put(8, "The task ends with this screen.");
    put(9, "Press Clear and type a transaction identifier (QCMD) to go on.");
  }
  host::send_screen(host::xtermnum);  // a terminal that is gone has nothing to see
}

}  // namespace

void echo_program() {
  ProgramCalls calls(kEchoName);
  const std::span<std::uint8_t> commarea = host::task_commarea();
  std::reverse(commarea.begin(), commarea.end());
  calls.end();
}

void hello_program() {
  ProgramCalls calls(kHelloName);
  hello_screen();
  calls.end();
}

}  // namespace programs
