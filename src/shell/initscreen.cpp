#include "shell/initscreen.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/host.hpp"
#include "shell/cmdscreen.hpp"
#include "shell/usrscreen.hpp"
#include "syntax/syntax.hpp"
#include "vars/cmdline.hpp"
#include "vars/eibscreen.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"
#include "vars/variables.hpp"
#include "vars/varscreen.hpp"

namespace qcmd {

std::int16_t firstrow;

namespace {

constexpr char kTitle[] = "Ravnmor Command Interpreter";

// The verb list: four 20-character fields a row, on rows 6 to 18.
constexpr int kVerbColumns[] = {1, 21, 41, 61};
constexpr int kVerbsPerRow = sizeof kVerbColumns / sizeof kVerbColumns[0];
constexpr int kVerbRowsShown = 13;
constexpr int kFirstVerbRow = 6;
constexpr int kVerbFieldLength = 20;

constexpr char kKeysLine1[] = "(PF3) Return     (PF5) Variables     (PF7) Backward ";
constexpr char kKeysLine2[] =
    "(PF4) EIB        (PF6) User Screen   (PF8) Forward    (Enter) Continue";
constexpr int kKeysLine1Offset = offset_of(23, 4);
constexpr int kKeysLine2Offset = offset_of(24, 4);

constexpr char kBlank = ' ';

// Where the verb begins in the work copy of the command text: after the
// first word and the blanks that follow it; kCommandTextSize when nothing
// follows.
std::size_t verb_position(const char* work) {
  std::size_t at = 0;
  while (at < kCommandTextSize && work[at] == kBlank) ++at;
  if (at == kCommandTextSize) return kCommandTextSize;
  while (at < kCommandTextSize && work[at] != kBlank && work[at] != '\0') ++at;
  ++at;  // the word's terminator
  while (at < kCommandTextSize && work[at] == kBlank) ++at;
  return at < kCommandTextSize ? at : kCommandTextSize;
}

void show_verb_rows() {
  for (int t = firstrow; t < firstrow + kVerbRowsShown; ++t) {
    int row = kFirstVerbRow + (t - firstrow);
    for (int column = 0; column < kVerbsPerRow; ++column) {
      std::size_t index = static_cast<std::size_t>(t * kVerbsPerRow + column);
      if (index >= kVerbCount) continue;
      const SyntaxEntry& entry = SyntaxTable[index];
      char field[kVerbFieldLength];
      std::memset(field, kBlank, sizeof field);
      std::memcpy(field, entry.verb, std::min<std::size_t>(entry.verblen, sizeof field));
      place(field, kVerbFieldLength, offset_of(row, kVerbColumns[column]), host::kCnvProtAttr);
    }
  }
}

void page_to(std::int16_t row, std::uint32_t already_there) {
  if (firstrow != row) {
    firstrow = row;
  } else {
    cintschedmsg(already_there);
  }
}

}  // namespace

int checkverb() {
  trace("checkverb - Entry\n");
  int result = 1;
  std::memset(&CmdIntSyntax, 0, sizeof CmdIntSyntax);
  char work[kCommandTextSize];
  std::memset(work, kBlank, sizeof work);
  std::int32_t length = std::clamp<std::int32_t>(CmdIntBuffer.Length, 0, kCommandTextSize);
  std::strncpy(work, CmdIntBuffer.Syntax, static_cast<std::size_t>(length));
  for (char& c : work) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::size_t at = verb_position(work);
  for (const SyntaxEntry& entry : SyntaxTable) {
    if (at >= kCommandTextSize) break;
    std::size_t phrase = entry.verblen;
    if (phrase == 0 || at + phrase > kCommandTextSize) continue;
    if (std::memcmp(work + at, entry.verb, phrase) == 0) {
      CmdIntSyntax = entry;
      result = 0;
    }
  }
  trace("checkverb - Exit(%d)\n", result);
  return result;
}

int cintscreen() {
  trace("cintscreen - Entry\n");
  std::int8_t key = key_start();
  cintschedmsg(kMsgInitial);
  while (!key_is_pf3(key) && TerminateQCMD != 1) {
    showinitscreen(&key);
    if (!key_is_enter(key)) continue;
    cintschedmsg(checkverb() == 1 ? kMsgNoVerb : kMsgInitial);
    if (CmdIntSyntax.verblen != 0) {
      CintCmdScreen();
      deletedynvars();
      std::memset(&CmdIntSyntax, 0, sizeof CmdIntSyntax);
      cintschedmsg(kMsgInitial);
    }
  }
  trace("cintscreen - Exit\n");
  return 0;
}

int showinitscreen(std::int8_t* key) {
  trace("showinitscreen - Entry\n");
  host::scrnhead(kTitle, sizeof kTitle - 1, host::xtermnum);
  show_verb_rows();
  cintdspmsg(kMessageRow);
  int cursor = kCmdCursorBase + dspcmdbuff(&CmdIntBuffer);
  place(kKeysLine1, kKeysLine1Offset, host::kCnvProtAttr);
  place(kKeysLine2, kKeysLine2Offset, host::kCnvProtAttr);
  host::oxsc(cursor);
  int status = host::oxsnd(host::xtermnum);
  if (status != 0) {
    TerminateQCMD = 1;
    trace("showinitscreen - Exit(%d)\n", status);
    return status;
  }
  readinitscreen(key);
  trace("showinitscreen - Exit(0)\n");
  return 0;
}

int readinitscreen(std::int8_t* key) {
  trace("readinitscreen - Entry\n");
  host::oxrdkey(key);
  switch (key_aid(*key)) {
    case aid_pf(4):
      cinteibscreen();
      break;
    case aid_pf(5):
      cintvarscreen();
      break;
    case aid_pf(6):
      cintusrscreen();
      break;
    case aid_pf(7):
      page_to(0, kMsgFirstPage);
      break;
    case aid_pf(8):
      page_to(kSecondPageRow, kMsgLastPage);
      break;
    case kAidEnter:
      readcmdbuff(&CmdIntBuffer, 1);
      break;
    default:
      break;
  }
  trace("readinitscreen - Exit\n");
  return 0;
}

}  // namespace qcmd
