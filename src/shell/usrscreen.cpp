#include "shell/usrscreen.hpp"

#include <algorithm>
#include <cstring>

#include "host/host.hpp"
#include "shell/lifecycle.hpp"
#include "syntax/syntax.hpp"
#include "translator/descriptor.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"

namespace qcmd {

std::uint8_t cint_tioa[kSavedScreenSize];

namespace {

// The stream of an empty screen: a Set Buffer Address order to the first
// position, whose two address bytes are blanks in the monitor's encoding.
constexpr std::size_t kSbaLength = 3;
constexpr char kFirstPosition = ' ';
// A read-buffer stream starts with the AID and the cursor address.
constexpr std::size_t kReadCursor = host::kTioaData + 1;
// After the screen's data the saved stream puts the cursor back: SBA, the two
// cursor address bytes, Insert Cursor.
constexpr std::size_t kCursorOrdersLength = 4;
// The stream length of the TIOA counts the write command and WCC as well.
constexpr std::int16_t kCommandAndWcc = host::kTioaData - host::kTioaCommand;

std::uint8_t* task_tioa() {
  return host::linked_block(host::linked_block(xtcbp, host::kTcbTerminalData), host::kTctTioa);
}

constexpr const char kFreemain[] = "FREEMAIN";

// The descriptor's function bytes (positions 1 and 2) and the ABEND option
// CANCEL (position 4) of the commands that end the run when they succeed.
constexpr std::size_t kFunctionFirst = 0;
constexpr std::size_t kFunctionSecond = 1;
constexpr std::size_t kAbendCancelPosition = 3;
constexpr char kProgramControl = '.';
constexpr char kAbendFunction = ',';
constexpr char kXctlFunction = '$';
constexpr char kCancelFlag = 'C';

// The argument list after its descriptor, as the EXEC interface takes it.
constexpr int kFirstArgument = 1;

// The verbs after which the terminal shows what the command left there.
constexpr const char* kScreenChangingVerbs[] = {
    "SEND",      "SEND CONTROL",     "SEND MAP",         "SEND PAGE",
    "SEND TEXT", "SEND TEXT MAPPED", "SEND TEXT NOEDIT", "LINK",
    "XCTL",
};

// The recognised verb is `phrase`, word for word (FREE is not FREEMAIN).
bool verb_is(const char* phrase) {
  return CmdIntSyntax.verblen == std::strlen(phrase) &&
         std::memcmp(CmdIntSyntax.verb, phrase, CmdIntSyntax.verblen) == 0;
}

// Tells the monitor that the user's own screen is about to be written or read.
void mark_user_screen() {
  host::linked_block(xtcbp, host::kTcbTerminalState)[host::kTermStateUserScreen] =
      host::kUserScreenMode;
}

void set_stream_header(std::uint8_t* area) {
  area[host::kTioaCommand] = host::xcnv[host::kCnvWriteCmd];
  area[host::kTioaWcc] = host::xcnv[host::kCnvWcc];
  host::store_half(area, host::kTioaSizeField, static_cast<std::int16_t>(kSavedScreenSize));
}

void put_first_position(std::uint8_t* at) {
  at[0] = host::xcnv[host::kCnvSba];
  at[1] = kFirstPosition;
  at[2] = kFirstPosition;
}

// Copies the saved screen into the TIOA and writes it to the terminal; a
// failure is reported on the next message line.
void write_saved_screen() {
  std::uint8_t* tioa = task_tioa();
  std::memcpy(tioa, cint_tioa, kSavedScreenSize);
  host::store_half(
      tioa, host::kTioaDataLength,
      static_cast<std::int16_t>(host::load_half(tioa, host::kTioaDataLength) + kCommandAndWcc));
  std::int32_t status = 0;
  host::writecon(&status, host::xtermnum);
  if (status != 0) cintschedmsg(kMsgUserScreenFailed);
}

// A successful XCTL, or a successful ABEND with CANCEL, hands the task over:
// the interpreter's run is over.
bool control_left(const char* descriptor) {
  std::uint32_t resp = host::load_word(host::linked_block(xtcbp, host::kTcbEib), host::kEibResp);
  if (descriptor == nullptr || resp != 0 || descriptor[kFunctionFirst] != kProgramControl) {
    return false;
  }
  char function = descriptor[kFunctionSecond];
  return function == kXctlFunction ||
         (function == kAbendFunction && descriptor[kAbendCancelPosition] == kCancelFlag);
}

}  // namespace

void cintemptyscr() {
  std::memset(cint_tioa, 0, host::kTioaData);
  std::memset(cint_tioa + host::kTioaData, ' ', kSavedScreenSize - host::kTioaData);
  set_stream_header(cint_tioa);
  host::store_half(cint_tioa, host::kTioaDataLength, kSbaLength);
  put_first_position(cint_tioa + host::kTioaData);
}

int cintsavescr() {
  trace("cintsavescr - Entry\n");
  std::uint8_t* tioa = task_tioa();
  host::store_half(tioa, host::kTioaDataLength, static_cast<std::int16_t>(kSavedScreenSize));
  std::int32_t status = 0;
  host::readcon(0, &status, host::xtermnum);
  constexpr int kRoom = static_cast<int>(host::kTioaDataCapacity - kCursorOrdersLength);
  int n = std::clamp<int>(host::load_half(tioa, host::kTioaDataLength), 0, kRoom);
  std::memcpy(cint_tioa + host::kTioaData, tioa + host::kTioaData, static_cast<std::size_t>(n));
  set_stream_header(cint_tioa);
  std::uint8_t* end = cint_tioa + host::kTioaData + n;
  end[0] = host::xcnv[host::kCnvSba];
  end[1] = cint_tioa[kReadCursor];
  end[2] = cint_tioa[kReadCursor + 1];
  end[3] = host::xcnv[host::kCnvIc];
  put_first_position(cint_tioa + host::kTioaData);
  host::store_half(cint_tioa, host::kTioaDataLength,
                   static_cast<std::int16_t>(n + kCursorOrdersLength));
  trace("cintsavescr - Exit\n");
  return 0;
}

void cintusrscreen() {
  trace("cintusrscreen - Entry\n");
  mark_user_screen();
  write_saved_screen();
  host::oxw4ky(host::xtermnum);
  trace("cintusrscreen - Exit\n");
}

int cintroute() {
  trace("cintroute - Entry\n");
  for (int i = kFirstArgument; i < kArgSlots; ++i) trace("ArgList[%d] = %p\n", i, ArgList[i]);
  write_saved_screen();
  if (verb_is(kFreemain)) enablefreemain(ArgList);
  // The region is told the room of every area, so that no command reaches
  // past a variable's storage.
  constexpr auto kPassed = static_cast<std::size_t>(kArgSlots - kFirstArgument);
  std::size_t rooms[kPassed];
  for (std::size_t i = 0; i < kPassed; ++i) rooms[i] = argument_room(ArgList[kFirstArgument + i]);
  host::oxdfhei1(ArgList[0], std::span<void* const>(ArgList + kFirstArgument, kPassed),
                 std::span<const std::size_t>(rooms));
  trace("cintroute - returned from oxdfhei1\n");
  if (control_left(static_cast<const char*>(ArgList[0]))) {
    TerminateQCMD = 1;
  } else if (usrscreenchange() == 1) {
    mark_user_screen();
    cintsavescr();
    host::oxw4ky(host::xtermnum);
  }
  trace("cintroute - Exit\n");
  return 0;
}

int enablefreemain(void** arglist) {
  trace("enablefreemain - Entry\n");
  // A data area known to be too small to hold an address gives none.
  void*& data = arglist[kFirstArgument];
  if (data != nullptr) {
    std::size_t room = argument_room(data);
    bool holds_address = room == 0 || room >= sizeof(std::uint32_t);
    data = holds_address ? host::word_to_ptr(host::load_word(data, 0)) : nullptr;
  }
  trace("enablefreemain - Exit\n");
  return 0;
}

int usrscreenchange() {
  trace("usrscreenchange - Entry\n");
  int result = 0;
  for (const char* verb : kScreenChangingVerbs) {
    if (verb_is(verb)) {
      result = 1;
      break;
    }
  }
  trace("usrscreenchange - Exit(%d)\n", result);
  return result;
}

}  // namespace qcmd
