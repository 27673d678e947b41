#include "shell/lifecycle.hpp"

#include <algorithm>
#include <cstring>

#include "host/host.hpp"
#include "shell/cics.hpp"
#include "shell/cmdscreen.hpp"
#include "shell/initscreen.hpp"
#include "shell/usrscreen.hpp"
#include "syntax/syntax.hpp"
#include "vars/messages.hpp"
#include "vars/run.hpp"
#include "vars/variables.hpp"

namespace qcmd {

std::uint8_t* xtcbp;
std::uint8_t* ldva;
std::uint8_t* lsm0;
std::uint8_t* xgva;

namespace {

constexpr const char kTransaction[] = "QCMD";
constexpr int kTransactionNameSource = sizeof kTransaction;  // with its NUL

// The example variables every run starts with.
constexpr std::int16_t kExampleHalfword = 1234;
constexpr std::uint32_t kExampleFullword = 123456789;
constexpr std::uint32_t kExampleDoubleword[] = {0x00DCBA98, 0x76543210};
constexpr char kExampleString[] = "EXAMPLE STRING ARGUMENT";
constexpr std::uint8_t kExamplePacked[] = {0x41, 0x23, 0x45, 0x6C};  // +4123456
constexpr std::size_t kWordSize = 4;

// The verbs whose success ends the run: the first bytes of CmdIntSyntax.
constexpr const char kXctl[] = "XCTL";
constexpr const char kAbend[] = "ABEND";

void take_anchors() {
  xtcbp = host::xtcb;
  ldva = host::oxgetdm();
  lsm0 = host::linked_block(ldva, host::kLdaSharedAnchor);
  xgva = host::linked_block(lsm0, host::kAnchorGlobalArea);
  bool on = host::load_word(xgva, host::kGlobalTraceWord) != 0 ||
            static_cast<std::int8_t>(xgva[host::kGlobalTraceByte]) != 0;
  debugtrace = on ? 1 : 0;
}

void set_command_text(std::int32_t count, const char* text) {
  std::int32_t length = std::clamp<std::int32_t>(count, 0, kCommandTextSize);
  std::memset(CmdIntBuffer.Syntax, 0, sizeof CmdIntBuffer.Syntax);
  CmdIntBuffer.Length = 0;
  std::strncpy(CmdIntBuffer.Syntax, text, static_cast<std::size_t>(length));
  CmdIntBuffer.Length = length;
}

varnode* add_example(const char* name, std::int32_t type) {
  varnode* node = addvarnode(type, 0);
  if (node != nullptr) std::strncpy(node->name, name, sizeof node->name - 1);
  return node;
}

}  // namespace

void seed_example_variables() {
  if (varnode* node = add_example("&HWORD", kTypeHalfword); node && node->value) {
    host::store_half(node->value, 0, kExampleHalfword);
  }
  if (varnode* node = add_example("&FWORD", kTypeFullword); node && node->value) {
    host::store_word(node->value, 0, kExampleFullword);
  }
  if (varnode* node = add_example("&DWORD", kTypeDoubleword); node && node->value) {
    host::store_word(node->value, 0, kExampleDoubleword[0]);
    host::store_word(node->value, kWordSize, kExampleDoubleword[1]);
  }
  if (varnode* node = add_example("&STRING", kTypeString); node && node->value) {
    std::memcpy(node->value, kExampleString, sizeof kExampleString);
    node->len = sizeof kExampleString - 1;
  }
  if (varnode* node = add_example("&PACKED", kTypePacked); node && node->value) {
    std::memcpy(node->value, kExamplePacked, sizeof kExamplePacked);
  }
}

namespace {

bool verb_begins(const char* verb, std::size_t length) {
  return std::memcmp(CmdIntSyntax.verb, verb, length) == 0;
}

// After a run: 1 when a successful XCTL or ABEND CANCEL ended it.
std::int32_t ended_by_transfer() {
  if (TerminateQCMD == 0) return 0;
  return verb_begins(kXctl, sizeof kXctl - 1) || verb_begins(kAbend, sizeof kAbend - 1) ? 1 : 0;
}

// The name field of the EXEC work block, as the ending calls pass it.
void name_the_program() {
  movenstr(dfheiv + kDfheivName, kDfheivNameLength, kTransaction, kTransactionNameSource);
}

}  // namespace

void main() {
  cics_entr(kTransaction);
  std::int32_t count = sizeof kTransaction - 1;
  if (cintmain(&count, kTransaction) != 0) return;
  cics_send_control();
  name_the_program();
  cics_dfhbak();
  cics_return();
  name_the_program();
  cics_gobk();
}

std::int32_t cintmain(const std::int32_t* count, const char* text) {
  GlobalErrorNum = 0;
  take_anchors();
  trace("cintmain - Entry(%d,%s)\n", *count, text);
  cintemptyscr();
  set_command_text(*count, text);
  TerminateQCMD = 0;
  seed_example_variables();
  displaymode = kDisplayCharacter;
  cintprepare();
  std::int32_t result = ended_by_transfer();
  deleteallvars();
  trace("cintmain - Exit (%d)\n", result);
  return result;
}

int cintprepare() {
  trace("cintprepare - Entry\n");
  initialize();
  checkverb();
  if (CmdIntSyntax.verblen == 0) {
    cintscreen();
    checkverb();
  } else {
    CintCmdScreen();
  }
  trace("cintprepare - Exit\n");
  return 0;
}

}  // namespace qcmd
