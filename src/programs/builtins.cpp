#include "programs/builtins.hpp"

#include <algorithm>
#include <cstring>
#include <ctime>
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
// RETRIEVE INTO LENGTH RTRANSID RTERMID; WRITEQ TD QUEUE FROM LENGTH;
// RETURN TRANSID COMMAREA LENGTH.
constexpr const char* kRetrieve = "0*I L  RR             %            ";
constexpr const char* kWriteqTd = "(\" L                  %            ";
constexpr const char* kReturnTransid = ".(CT                  $            ";

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
    go_back();
  }
  // RETURN TRANSID(transaction) COMMAREA(commarea), then go-back.
  void end_with_next(const char* transaction, std::span<std::uint8_t> commarea) {
    char transid[kTransidLength];
    std::fill(std::begin(transid), std::end(transid), ' ');
    std::copy_n(transaction, std::min(std::strlen(transaction), kTransidLength), transid);
    auto length = static_cast<std::int16_t>(commarea.size());
    host::oxdfhei1(kReturnTransid, transid, commarea.data(), &length);
    go_back();
  }

 private:
  void go_back() { host::oxdfhei1(kGoBack, name_); }
  static constexpr std::size_t kTransidLength = 4;
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

std::int32_t eib_response() {
  return static_cast<std::int32_t>(
      host::load_word(host::linked_block(host::xtcb, host::kTcbEib), host::kEibResp));
}

constexpr std::int32_t kNormal = 0;
constexpr std::int32_t kLengerr = 22;
constexpr char kNoteQueue[] = "NOTE";   // the TD queue NOTE writes to
constexpr std::size_t kNoteRoom = 200;  // the most of its data a note keeps

// What NOTE retrieved: its data as text, and from where it was started.
struct Retrieved {
  bool any = false;
  std::string data;
  std::string rtransid;
  std::string rtermid;
};

Retrieved retrieve_start_data() {
  std::uint8_t data[kNoteRoom] = {};
  auto length = static_cast<std::int16_t>(sizeof data);
  char rtransid[kEibNameLength + 1] = "    ";
  char rtermid[kEibNameLength + 1] = "    ";
  host::oxdfhei1(kRetrieve, data, &length, rtransid, rtermid);
  std::int32_t resp = eib_response();
  if (resp != kNormal && resp != kLengerr) return {};
  std::size_t kept = std::min<std::size_t>(
      static_cast<std::size_t>(std::max<std::int16_t>(length, 0)), sizeof data);
  return {true, commarea_text(std::span<const std::uint8_t>(data, kept)), rtransid, rtermid};
}

void note_screen(const std::string& terminal, const Retrieved& retrieved) {
  constexpr char kTitle[] = "Ravnmor Program NOTE";
  host::scrnhead(kTitle, sizeof kTitle - 1, host::xtermnum);
  put(4,
      "START started transaction " + eib_name(host::kEibTrnid) + " at terminal " + terminal + ".",
      host::kCnvBrightAttr);
  if (retrieved.any) {
    put(6, "It retrieved: " + retrieved.data);
    put(7, "RTRANSID '" + retrieved.rtransid + "'  RTERMID '" + retrieved.rtermid + "'");
  } else {
    put(6, "It retrieved nothing: ENDDATA.");
  }
  put(9, std::string("A note went to transient data queue ") + kNoteQueue + ".");
  put(10, "Press Clear and type a transaction identifier (QCMD) to go on.");
  host::send_screen(host::xtermnum);
}

// The count of TURNS' turns, kept in its COMMAREA (a fullword).
constexpr std::size_t kCountLength = 4;
constexpr char kTurnTransaction[] = "TURN";

void turn_screen(std::uint32_t turn, bool last) {
  constexpr char kTitle[] = "Ravnmor Program TURNS";
  host::scrnhead(kTitle, sizeof kTitle - 1, host::xtermnum);
  if (last) {
    put(4, "The conversation ended after " + std::to_string(turn - 1) + " turns.",
        host::kCnvBrightAttr);
    put(6, "Press Clear and type a transaction identifier (QCMD) to go on.");
  } else {
    put(4, "Turn " + std::to_string(turn) + " of transaction " + kTurnTransaction + ".",
        host::kCnvBrightAttr);
    put(6, "Each turn is a task; the count travels in its COMMAREA (EIBCALEN " +
               std::to_string(host::task_commarea().size()) + ").");
    put(8, "Press Enter for the next turn, PF3 to end.");
  }
  host::send_screen(host::xtermnum);
}

}  // namespace

void note_program() {
  ProgramCalls calls(kNoteName);
  Retrieved retrieved = retrieve_start_data();
  std::string terminal = eib_name(host::kEibTrmid);
  std::string note = std::string("NOTE at ") + (terminal.empty() ? "no terminal" : terminal) +
                     ": " + (retrieved.any ? retrieved.data : "(no data)");
  auto length = static_cast<std::int16_t>(note.size());
  char queue[kEibNameLength];
  std::copy_n(kNoteQueue, kEibNameLength, queue);
  host::oxdfhei1(kWriteqTd, queue, note.data(), &length, static_cast<char*>(nullptr));
  if (!terminal.empty()) note_screen(terminal, retrieved);
  calls.end();
}

void turns_program() {
  ProgramCalls calls(kTurnsName);
  std::span<std::uint8_t> commarea = host::task_commarea();
  std::uint32_t turn = commarea.size() >= kCountLength ? host::load_word(commarea.data(), 0) : 0;
  ++turn;
  const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  std::string_view key = host::key_name(eib[host::kEibAid]);
  bool last = key == "PF3" || key == "Clear";
  turn_screen(turn, last);
  if (last) {
    calls.end();
    return;
  }
  std::uint8_t count[kCountLength];
  host::store_word(count, 0, turn);
  calls.end_with_next(kTurnTransaction, count);
}

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
