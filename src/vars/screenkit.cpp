#include "vars/screenkit.hpp"

#include <cstdlib>
#include <cstring>

#include "vars/run.hpp"

namespace qcmd {

namespace {

constexpr int kSendFailedExit = 1;
constexpr int kErrorFlag = 1;

}  // namespace

void place(const char* text, int length, int offset, std::size_t attribute) {
  host::oxptscrn(text, length, offset, host::xcnv[attribute]);
}

void place(const char* text, int offset, std::size_t attribute) {
  place(text, static_cast<int>(std::strlen(text)), offset, attribute);
}

void send_or_exit(const char* function) {
  if (host::oxsnd(host::xtermnum) == 0) return;
  TerminateQCMD = 1;
  host::oxerror(host::kErrorScreenSend, kErrorFlag, function);
  std::exit(kSendFailedExit);
}

}  // namespace qcmd
