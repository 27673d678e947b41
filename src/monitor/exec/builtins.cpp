#include "monitor/exec/builtins.hpp"

#include <algorithm>
#include <string>

#include "host/host.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/screen.hpp"
#include "monitor/services/terminal_io.hpp"

namespace ravnmor::exec {

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

int cell(int row, int column) {
  return (row - 1) * host::kScreenColumns + column;
}

void put(int row, const std::string& text, std::size_t attribute = host::kCnvProtAttr) {
  host::oxptscrn(text.data(), static_cast<int>(text.size()), cell(row, 2), host::xcnv[attribute]);
}

// The COMMAREA as text: its first bytes, anything unprintable as a period.
std::string commarea_text(const control::Task& task) {
  std::size_t shown =
      std::min<std::size_t>(static_cast<std::size_t>(task.commarea_length), kShownCommarea);
  std::string text(task.commarea, task.commarea + shown);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~') c = '.';
  }
  return text;
}

// Sends the screen built so far; the task's terminal is not read.
void send_screen(control::Task& task) {
  std::uint8_t* data =
      services::start_tioa_stream(host::xcnv[host::kCnvWriteCmd], host::xcnv[host::kCnvWcc]);
  services::finish_tioa_stream(services::build_screen_stream(data));
  services::send_tioa(task);
}

void hello_screen(control::Task& task) {
  constexpr char kTitle[] = "Ravnmor Program HELLO";
  host::scrnhead(kTitle, sizeof kTitle - 1, host::xtermnum);
  put(4,
      "Hello from program HELLO, running for transaction " + task.transaction + " at terminal " +
          task.terminal_id + ".",
      host::kCnvBrightAttr);
  if (task.commarea_length > 0) {
    put(6, "Its COMMAREA has " + std::to_string(task.commarea_length) +
               " bytes: " + commarea_text(task));
  } else {
    put(6, "It was given no COMMAREA.");
  }
  if (!task.linking_programs.empty()) {
    put(8, "Program " + task.linking_programs.back() + " linked to it and gets control back.");
  } else {
    put(8, "The task ends with this screen.");
    put(9, "Press Clear and type a transaction identifier (QCMD) to go on.");
  }
  send_screen(task);
}

}  // namespace

void echo_program() {
  ProgramCalls calls(kEchoName);
  if (control::Task* task = control::current_task(); task != nullptr && task->commarea != nullptr) {
    std::reverse(task->commarea, task->commarea + task->commarea_length);
  }
  calls.end();
}

void hello_program() {
  ProgramCalls calls(kHelloName);
  if (control::Task* task = control::current_task(); task != nullptr && task->terminal != nullptr) {
    hello_screen(*task);
  }
  calls.end();
}

void register_builtin_programs(region::ProgramTable& table) {
  table.add_program(kEchoName, echo_program);
  table.add_program(kHelloName, hello_program);
}

}  // namespace ravnmor::exec
