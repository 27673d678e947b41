#include "shell/msgscreen.hpp"

#include <algorithm>
#include <cstdio>

#include "host/host.hpp"
#include "translator/diagnostics.hpp"
#include "vars/cmdline.hpp"
#include "vars/run.hpp"
#include "vars/screenkit.hpp"

namespace qcmd {

namespace {

constexpr char kTitle[] = "Translator Diagnostic Messages";
constexpr char kReturnKey[] = "(PF3) Return";
constexpr int kReturnKeyOffset = offset_of(23, 33);
constexpr int kFirstDiagnosticRow = 4;
constexpr int kDiagnosticColumn = 1;
constexpr int kLineSize = host::kScreenColumns;  // the text and its terminator

char severity_letter(std::int32_t severity) {
  return severity == kSeverityWarning ? 'W' : 'E';
}

// One line a diagnostic, cut to the row; at most the 16 the list holds.
void show_diagnostics() {
  int last = std::min(err_token_no, kMaxDiagnostics - 1);
  for (int i = 0; i <= last; ++i) {
    char line[kLineSize];
    int length =
        std::snprintf(line, sizeof line, "%c : %s", severity_letter(err_severity[i]), err_token[i]);
    length = std::clamp(length, 0, kLineSize - 1);
    int row = kFirstDiagnosticRow + i;
    place(line, length, offset_of(row, kDiagnosticColumn), host::kCnvProtAttr);
  }
}

}  // namespace

void cintmsgscreen() {
  trace("cintmsgscreen : Entry\n");
  std::int8_t key = key_start();
  while (!key_is_pf3(key)) showmsgscreen(&key);
  trace("cintmsgscreen : Exit\n");
}

void showmsgscreen(std::int8_t* key) {
  trace("showmsgscreen : Entry (%d)\n", *key);
  host::scrnhead(kTitle, sizeof kTitle - 1, host::xtermnum);
  show_diagnostics();
  place(kReturnKey, kReturnKeyOffset, host::kCnvProtAttr);
  send_or_exit("showmsgscreen");
  readmsgscreen(key);
  trace("showmsgscreen : Exit\n");
}

int readmsgscreen(std::int8_t* key) {
  trace("readmsgscreen : Entry\n");
  host::oxrdkey(key);
  trace("readmsgscreen : Exit\n");
  return 0;
}

}  // namespace qcmd
