#include "vars/messages.hpp"

#include <cstdio>
#include <cstring>

#include "host/host.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"

namespace qcmd {

std::uint32_t GlobalErrorNum;

namespace {

constexpr int kMessageColumn = 1;

}  // namespace

int compose_message_line(std::uint32_t number, char* line) {
  char text[host::kMessageTextSize] = {};
  char code = ' ';
  host::oxgetmsg(static_cast<int>(number), text, &code);
  std::memset(line, ' ', kMessageLineSize);
  int length = std::snprintf(line, kMessageLineSize, "OXM%u%c %s", number, code, text);
  if (length < 0) return 0;
  return length < kMessageLineSize ? length : kMessageLineSize - 1;
}

void cintschedmsg(std::uint32_t number) {
  trace("cintschedmsg - Entry(%d)\n", number);
  if (GlobalErrorNum == 0) GlobalErrorNum = number;
  trace("cintschedmsg - Exit\n");
}

void cintdspmsg(std::uint32_t row) {
  trace("cintdspmsg - Entry(%d)\n", row);
  if (GlobalErrorNum != 0) {
    char line[kMessageLineSize];
    int length = compose_message_line(GlobalErrorNum, line);
    place(line, length, offset_of(static_cast<int>(row), kMessageColumn), host::kCnvBrightAttr);
    GlobalErrorNum = 0;
  }
  trace("cintdspmsg - Exit\n");
}

}  // namespace qcmd
