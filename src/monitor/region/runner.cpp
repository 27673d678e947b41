#include "monitor/region/runner.hpp"

#include <cctype>
#include <cstring>
#include <ctime>
#include <exception>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/constants.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/terminal/codes.hpp"

namespace ravnmor::region {

namespace {

constexpr std::size_t kNameField = 4;       // EIBTRNID, EIBTRMID
constexpr std::uint32_t kPackedPlus = 0xF;  // sign nibble of the EIB's packed fields
constexpr std::size_t kInputCursor = 1;     // inbound record: AID, then the cursor address
constexpr std::size_t kAddressLength = 2;

std::uint32_t task_counter = 0;
TaskWatcher task_watcher = nullptr;

// Digits as packed decimal in a word, the sign in the low nibble, so that the
// word printed in hexadecimal reads as the number: 0HHMMSS+ is 0x0HHMMSSF.
std::uint32_t packed_word(std::uint32_t value) {
  std::uint32_t word = kPackedPlus;
  for (int shift = 4; shift < 32; shift += 4) {
    word |= (value % 10) << shift;
    value /= 10;
  }
  return word;
}

void put_name(std::uint8_t* eib, std::size_t offset, const std::string& name) {
  std::memset(eib + offset, ' ', kNameField);
  std::memcpy(eib + offset, name.data(), std::min(name.size(), kNameField));
}

void start_eib(const control::Task& task, const TaskStart& start) {
  std::uint8_t* eib = control::task_blocks().eib;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  auto hhmmss =
      static_cast<std::uint32_t>(local.tm_hour * 10000 + local.tm_min * 100 + local.tm_sec);
  // 0CYYDDD+: C is the century after 1900, DDD the day of the year from 1.
  auto cyyddd = static_cast<std::uint32_t>((local.tm_year / 100) * 100000 +
                                           (local.tm_year % 100) * 1000 + local.tm_yday + 1);
  host::store_word(eib, host::kEibTime, packed_word(hhmmss));
  host::store_word(eib, host::kEibDate, packed_word(cyyddd));
  put_name(eib, host::kEibTrnid, task.transaction);
  host::store_word(eib, host::kEibTaskn, packed_word(task.number));
  put_name(eib, host::kEibTrmid, task.terminal_id);
  control::record_attention(start.input);
}

void run_programs(control::Task& task, const std::string& first, TaskOutcome& outcome) {
  std::string missing = run_program_level(task, first, outcome.programs);
  if (!missing.empty()) {
    // A program in the table that cannot run has had its library refused,
    // and the error log has the loader's reason: the task failed.
    const bool defined = program_table().find_program(missing) != nullptr;
    if (!defined) log_error("program " + missing + " is not in the program table");
    outcome.end = defined ? TaskEnd::failed : TaskEnd::no_program;
  } else if (task.abended) {
    outcome.end = TaskEnd::abended;
    outcome.abend_code = task.abend_code;
  } else {
    outcome.end =
        task.returned || task.interpreter_returned ? TaskEnd::returned : TaskEnd::program_ended;
  }
}

const char* end_text(TaskEnd end) {
  switch (end) {
    case TaskEnd::returned:
      return "RETURN";
    case TaskEnd::program_ended:
      return "the program ended without RETURN";
    case TaskEnd::no_transaction:
      return "no such transaction";
    case TaskEnd::no_program:
      return "no such program";
    case TaskEnd::abended:
      return "ABEND CANCEL";
    case TaskEnd::failed:
      return "the program failed";
  }
  return "";
}

}  // namespace

std::string run_program_level(control::Task& task, const std::string& first,
                              std::vector<std::string>& ran) {
  std::string next = first;
  for (;;) {
    const ProgramEntry* entry = program_table().runnable(next);
    if (entry == nullptr) return next;
    ran.push_back(next);
    task.program = next;
    task.transfer.reset();
    (*entry)();
    if (control::program_ended(task) || !task.transfer) return {};
    next = task.transfer->program;
    control::pass_commarea(task, std::move(task.transfer->commarea));
  }
}

void set_task_watcher(TaskWatcher watcher) {
  task_watcher = watcher;
}

TaskOutcome run_transaction(terminal::Terminal* terminal, const TaskStart& start) {
  TaskOutcome outcome;
  outcome.task_number = ++task_counter;
  std::optional<std::string> program = program_table().program_of(start.transaction);
  if (!program) {
    outcome.end = TaskEnd::no_transaction;
    return outcome;
  }

  control::Task task;
  task.terminal = terminal;
  task.transaction = table_name(start.transaction);
  task.terminal_id = start.terminal_id.substr(0, kNameField);
  task.terminal_number = start.terminal_number;
  task.number = outcome.task_number;
  control::prepare_task_blocks(tracing(), start.terminal_number);
  task.input_length = control::store_input(start.input);
  task.input_unreceived = !start.input.empty();
  start_eib(task, start);
  control::pass_commarea(task, start.commarea);
  task.started = start.started;

  control::set_current_task(&task);
  if (task_watcher != nullptr) task_watcher(task, true);
  trace_line("task " + std::to_string(task.number) + " starts program " + *program);
  try {
    run_programs(task, *program, outcome);
  } catch (const AbnormalEnd& end) {
    log_error("task " + std::to_string(task.number) + " program " + task.program + " abend " +
              end.code + ": " + end.what());
    outcome.end = TaskEnd::abended;
    outcome.abend_code = end.code;
  } catch (const std::exception& error) {
    log_error("program " + task.program + " failed: " + error.what());
    outcome.end = TaskEnd::failed;
  }
  const bool normally =
      (outcome.end == TaskEnd::returned || outcome.end == TaskEnd::program_ended) &&
      !task.terminal_lost;
  for (const auto& action : task.at_end) action(normally);
  trace_line("task " + std::to_string(task.number) + " ends: " + end_text(outcome.end) +
             (task.terminal_lost ? ", the terminal is gone" : ""));
  if (task_watcher != nullptr) task_watcher(task, false);
  control::set_current_task(nullptr);

  outcome.terminal_lost = task.terminal_lost;
  outcome.next_transaction = task.next_transaction;
  outcome.next_commarea = task.next_commarea;
  outcome.next_immediate = task.next_immediate;
  return outcome;
}

std::string transaction_of(const std::vector<std::uint8_t>& input) {
  const std::uint8_t kSetBufferAddress = terminal::image::kSetBufferAddress;
  std::size_t at = kInputCursor + kAddressLength;
  if (at < input.size() && input[at] == kSetBufferAddress) at += 1 + kAddressLength;
  while (at < input.size() && input[at] == ' ') ++at;
  std::string word;
  while (at < input.size() && input[at] != ' ' && input[at] != kSetBufferAddress) {
    word += static_cast<char>(std::toupper(input[at++]));
  }
  return word;
}

}  // namespace ravnmor::region
