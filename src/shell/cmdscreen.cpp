#include "shell/cmdscreen.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/host.hpp"
#include "shell/msgscreen.hpp"
#include "shell/usrscreen.hpp"
#include "syntax/arguments.hpp"
#include "syntax/syntax.hpp"
#include "translator/grammar.hpp"
#include "vars/cmdline.hpp"
#include "vars/conversions.hpp"
#include "vars/eibscreen.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"
#include "vars/variables.hpp"
#include "vars/varscreen.hpp"

namespace qcmd {

char statusbuffer[kStatusBufferSize];
char respbuffer[kRespBufferSize];
std::int16_t firstkwd = 1;
std::int16_t kwdsperscreen;

namespace {

constexpr char kTitle[] = "Ravnmor Command Interpreter";
constexpr char kStatusCheck[] = "STATUS: Command syntax check";
constexpr char kStatusConfirm[] = "STATUS: About to execute command";
constexpr char kStatusExecuted[] = "STATUS : Command executed";
constexpr char kRespPrefix[] = "EIBRESP : ";

// The three screens of the dialogue, as the trace names them.
constexpr int kStepCheck = 1;
constexpr int kStepConfirm = 2;
constexpr int kStepResult = 3;

constexpr int kVerbOffset = offset_of(6, 1);
constexpr int kFirstOptionRow = 7;
constexpr int kStatusOffset = offset_of(19, 45);
constexpr int kRespOffset = offset_of(20, 45);

struct KeyLabel {
  const char* text;
  int offset;
};

constexpr KeyLabel kKeyLabels[] = {
    {"(PF2) Hexadecimal", offset_of(22, 1)},  {"(PF3) Previous", offset_of(23, 1)},
    {"(PF4) EIB", offset_of(24, 1)},          {"(PF5) Variables", offset_of(22, 32)},
    {"(PF6) User Screen", offset_of(23, 32)}, {"(PF7) Backward", offset_of(24, 32)},
    {"(PF8) Forward", offset_of(22, 60)},     {"(PF9) Messages", offset_of(23, 60)},
    {"(Enter) Continue", offset_of(24, 60)},
};

// A character value shows this many bytes at most, then " ....".
constexpr int kCharacterShown = 40;
constexpr int kHexShown = 20;
constexpr char kMore[] = " ....";
constexpr char kVariableMark = '&';  // a variable's name begins with it

// One line of the screen: the text after the attribute cell, at most one row.
constexpr int kLineSize = host::kScreenColumns - 1;

struct Line {
  char text[kLineSize];
  int length = 0;

  void put(const char* s, int count) {
    int n = std::min(count, kLineSize - length);
    if (n <= 0) return;
    std::memcpy(text + length, s, static_cast<std::size_t>(n));
    length += n;
  }
  void put(const char* s) { put(s, static_cast<int>(std::strlen(s))); }
  template <typename... Args>
  void format(const char* pattern, Args... args) {
    char piece[kLineSize + 1];
    int n = std::snprintf(piece, sizeof piece, pattern, args...);
    if (n > 0) put(piece, std::min(n, kLineSize));
  }
};

// Bytes as two hexadecimal digits each.
void put_hex(Line& line, const std::uint8_t* bytes, int count) {
  for (int i = 0; i < count; ++i) line.format("%02x", bytes[i]);
}

void put_character_value(Line& line, const KeywordEntry& entry, int room) {
  int length = std::clamp<int>(entry.length, 0, room);
  if (displaymode == kDisplayHex) {
    put_hex(line, entry.value, std::min(length, kHexShown));
    if (length > kHexShown) line.put(kMore);
  } else {
    line.put(reinterpret_cast<const char*>(entry.value), std::min(length, kCharacterShown));
    if (length > kCharacterShown) line.put(kMore);
  }
}

// The value of a present option as the current display mode shows it, read
// only from the storage of the variable it names: a literal number is not
// shown, and a variable smaller than the option's type shows the bytes it
// has in hexadecimal.
void put_value(Line& line, const KeywordEntry& entry) {
  int room = static_cast<int>(value_block_room(entry.value));
  if (entry.type == kTypeString) {
    if (entry.value != nullptr) {
      put_character_value(line, entry, room);
    } else {
      line.put(entry.varname, static_cast<int>(strnlen(entry.varname, kOptionVarNameSize)));
    }
    return;
  }
  if (entry.varname[0] != kVariableMark || entry.value == nullptr) return;
  if (room < static_cast<int>(value_block_size(entry.type))) {
    put_hex(line, entry.value, room);
    return;
  }
  bool hex = displaymode == kDisplayHex;
  switch (entry.type) {
    case kTypePointer:
    case kTypeFullword:
      line.format(hex ? "%08X" : "%010u", host::load_word(entry.value, 0));
      break;
    case kTypeHalfword:
      line.format(
          hex ? "%04X" : "%05u",
          static_cast<unsigned>(static_cast<std::uint16_t>(host::load_half(entry.value, 0))));
      break;
    case kTypePacked: {
      char packed[kPackedTextLength + 1];
      pckd2strng(packed, entry.value);
      line.put(packed, kPackedTextLength);
      break;
    }
    case kTypeDoubleword:
      line.format("%08X%08X", host::load_word(entry.value, 0),
                  host::load_word(entry.value, sizeof(std::uint32_t)));
      break;
    default:
      break;
  }
}

void show_verb() {
  Line line;
  line.put(CmdIntSyntax.verb, static_cast<int>(strnlen(CmdIntSyntax.verb, kVerbSize)));
  const KeywordEntry& argument = CmdIntSyntax.kwd[0];
  if (argument.type != kTypeNone) {
    line.put("(");
    if (argument.varname[0] != '\0' && argument.value != nullptr) {
      const char* text = reinterpret_cast<const char*>(argument.value);
      line.put(text, static_cast<int>(strnlen(text, value_block_room(argument.value))));
    }
    line.put(")");
  }
  place(line.text, line.length, kVerbOffset, host::kCnvBrightAttr);
}

void show_option(const KeywordEntry& entry, int row) {
  Line line;
  bool optional = entry.required == 0;
  if (optional) line.put("[ ");
  line.put(entry.name, static_cast<int>(strnlen(entry.name, kOptionNameSize)));
  if (entry.type != kTypeNone) {
    line.put("(");
    if (entry.present != 0) put_value(line, entry);
    line.put(")");
  }
  if (optional) line.put(" ]");
  place(line.text, line.length, offset_of(row, 1),
        entry.present != 0 ? host::kCnvBrightAttr : host::kCnvProtAttr);
}

int option_count() {
  return std::clamp<int>(CmdIntSyntax.numkwds, 0, static_cast<int>(kMaxOptions));
}

// The options from firstkwd, one page and the first line of the next.
void show_options() {
  int last = std::min(option_count(), firstkwd + kwdsperscreen);
  for (int i = std::max<int>(firstkwd, 1); i <= last; ++i)
    show_option(CmdIntSyntax.kwd[i], kFirstOptionRow + (i - firstkwd));
}

void show_keys() {
  for (const KeyLabel& label : kKeyLabels) place(label.text, label.offset, host::kCnvProtAttr);
}

void show_status_and_response() {
  place(statusbuffer, static_cast<int>(strnlen(statusbuffer, kStatusBufferSize)), kStatusOffset,
        host::kCnvBrightAttr);
  place(respbuffer, static_cast<int>(strnlen(respbuffer, kRespBufferSize)), kRespOffset,
        host::kCnvBrightAttr);
  std::memset(statusbuffer, 0, sizeof statusbuffer);
  std::memset(respbuffer, 0, sizeof respbuffer);
}

void set_status(const char* status) {
  std::snprintf(statusbuffer, sizeof statusbuffer, "%s", status);
}

// "EIBRESP : " and the response's name, or its code in hexadecimal.
void set_response() {
  const std::uint8_t* eib = host::linked_block(host::xtcb, host::kTcbEib);
  auto resp = static_cast<std::int32_t>(host::load_word(eib, host::kEibResp));
  char name[kRespNameSize];
  if (cnveibresp(resp, name) == 0) {
    std::snprintf(respbuffer, sizeof respbuffer, "%s%s", kRespPrefix, name);
  } else {
    std::snprintf(respbuffer, sizeof respbuffer, "%s%8.8x", kRespPrefix,
                  static_cast<std::uint32_t>(resp));
  }
}

// Shows the screen of one step and reads its key. 1 when the dialogue goes
// back to the start (a key acted on, a changed line, a failed send).
int show_and_read(std::int8_t* key, const char* status, int step) {
  set_status(status);
  if (ShowCmdScreen(key, step) != 0) return 1;
  return ReadCmdScreen(key);
}

}  // namespace

int CintCmdScreen() {
  trace("CintCmdScreen - Entry\n");
  std::int8_t key = key_start();
  std::memset(respbuffer, 0, sizeof respbuffer);
  GlobalErrorNum = 0;
  while (!key_is_pf3(key) && TerminateQCMD == 0) {
    ProcessInputString();
    if (show_and_read(&key, kStatusCheck, kStepCheck) != 0) continue;
    if (parse_online_command(&CmdIntBuffer) != 0) {
      cintschedmsg(kMsgDiagnostics);
      continue;
    }
    if (show_and_read(&key, kStatusConfirm, kStepConfirm) != 0) continue;
    cintroute();
    if (TerminateQCMD != 0) continue;
    set_response();
    show_and_read(&key, kStatusExecuted, kStepResult);
    std::memset(respbuffer, 0, sizeof respbuffer);
  }
  trace("CintCmdScreen - Exit\n");
  return 0;
}

int ShowCmdScreen(std::int8_t* key, int step) {
  trace("ShowCmdScreen - Entry(%d,%d)\n", *key, step);
  std::uint8_t aid = key_aid(*key);
  if (aid != aid_pf(7) && aid != aid_pf(8)) firstkwd = 1;
  kwdsperscreen = kKwdsPerScreen;
  host::scrnhead(kTitle, static_cast<int>(std::strlen(kTitle)), host::xtermnum);
  show_verb();
  show_options();
  show_keys();
  cintdspmsg(kMessageRow);
  show_status_and_response();
  host::oxsc(kCmdCursorBase + dspcmdbuff(&CmdIntBuffer));
  int status = host::oxsnd(host::xtermnum);
  if (status != 0) TerminateQCMD = 1;
  trace("ShowCmdScreen - Exit(%d)\n", status);
  return status;
}

int ReadCmdScreen(std::int8_t* key) {
  trace("ReadCmdScreen - Entry\n");
  host::oxrdkey(key);
  std::uint8_t aid = key_aid(*key);
  int result = 1;
  if (aid == aid_pf(2)) {
    displaymode = displaymode == kDisplayHex ? kDisplayCharacter : kDisplayHex;
  } else if (aid == aid_pf(4)) {
    cinteibscreen();
  } else if (aid == aid_pf(5)) {
    cintvarscreen();
  } else if (aid == aid_pf(6)) {
    cintusrscreen();
  } else if (aid == aid_pf(7)) {
    if (firstkwd > 1) firstkwd = static_cast<std::int16_t>(firstkwd - kwdsperscreen);
  } else if (aid == aid_pf(8)) {
    if (firstkwd < CmdIntSyntax.numkwds) {
      firstkwd = static_cast<std::int16_t>(firstkwd + kwdsperscreen);
    } else {
      result = 0;
    }
  } else if (aid == aid_pf(9)) {
    cintmsgscreen();
  } else if (aid == kAidEnter) {
    result = readcmdbuff(&CmdIntBuffer, 1);
  }
  trace("ReadCmdScreen - Exit(%d)\n", result);
  return result;
}

}  // namespace qcmd
