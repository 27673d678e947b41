// Program control: the calls a program makes for itself (entry, go-back),
// RETURN, LINK, XCTL, ABEND, LOAD and RELEASE. A transfer or end of the task is recorded in
// the task and acted on by the transaction runner when the program's entry
// function returns; LINK runs its target at once, one level down.
//
// A missing program is PGMIDERR with EIBRESP2 1. INVREQ carries an EIBRESP2
// of ProgramRefusal below. Programs are not reentrant (their statics are the
// program's storage), so neither LINK nor XCTL may enter a program that waits
// for a LINK of its own to return, and LINK may not enter the program that
// issues it.
//
// ABEND ends the program's level: the task ends abnormally, or under LINK
// the linking program gets INVREQ; an abend exit (HANDLE ABEND PROGRAM) runs
// instead unless CANCEL bypasses it. An interpreter (QCMD) executing ABEND
// without CANCEL for its user takes it itself: the call returns NORMAL with
// the code recorded (ASSIGN ABCODE shows it) and the interpreter goes on.
#include <algorithm>
#include <cstring>
#include <map>

#include "host/bytes.hpp"
#include "monitor/control/arena.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

// RETURN's options and parameter positions.
constexpr std::size_t kTransidLength = 4;
constexpr Option kReturnTransid{"TRANSID", 'T', 4, 2, Arg::kChars, kTransidLength, Names::resource};
constexpr Option kCommarea{"COMMAREA", 'C', 3, 3, Arg::kData};
constexpr Option kCommareaLength{"LENGTH", ' ', 0, 4, Arg::kHalf};
constexpr Option kImmediate{"IMMEDIATE", 'I', 5};
constexpr Option kReturnOptions[] = {kReturnTransid, kCommarea, kCommareaLength, kImmediate};

// LINK's and XCTL's.
constexpr Option kProgram{"PROGRAM",      ' ', 0, 2, Arg::kChars, region::kMaxProgramName,
                          Names::resource};
constexpr Option kDatalength{"DATALENGTH", 'D', 4, 5, Arg::kHalf};
constexpr Option kSysid{"SYSID", 'S', 5, 6, Arg::kChars, region::kSysidLength};
constexpr Option kLinkOptions[] = {kProgram, kCommarea, kCommareaLength, kDatalength, kSysid};
constexpr Option kXctlOptions[] = {kProgram, kCommarea, kCommareaLength};

// ABEND's.
constexpr std::size_t kAbcodeLength = 4;
constexpr Option kAbcode{"ABCODE", 'A', 3, 2, Arg::kChars, kAbcodeLength};
constexpr Option kCancel{"CANCEL", 'C', 4};
constexpr Option kAbendOptions[] = {kAbcode, kCancel};

// EIBRESP2 of PGMIDERR.
constexpr std::int32_t kProgramNotDefined = 1;
constexpr std::int32_t kProgramNotLoadable = 3;  // its library cannot be loaded

// EIBRESP2 of program control's INVREQ.
enum ProgramRefusal : std::int32_t {
  kMissingArgument = 1,  // no address where the command's option needs one
  kProgramActive = 2,    // the program is running at a level of the task
  kLinkedAbend = 3,      // the LINKed program ended by ABEND CANCEL
  kNotHighestLevel = 4,  // RETURN TRANSID or COMMAREA from a LINKed program
};

std::string program_name(const Command& command) {
  Area name = command.area(kProgram);
  if (!name.passed()) return {};
  return region::table_name(name.text(region::kMaxProgramName));
}

// PGMIDERR for a program the table does not know, or whose code cannot be
// loaded.
Response defined(const std::string& program) {
  if (region::program_table().runnable(program) != nullptr) return {};
  return {kPgmiderr, region::program_table().find_program(program) == nullptr
                         ? kProgramNotDefined
                         : kProgramNotLoadable};
}

// Whether the running program is an interpreter at the task's top level,
// executing commands for its user (QCMD): some commands it takes itself.
bool interpreting(const control::Task& task) {
  return task.linking_programs.empty() && region::program_table().interprets(task.program);
}

// Whether `program` is running in the task, below the program now running
// (waiting for a LINK) or, when `current_too`, as that program itself.
bool active(const control::Task& task, const std::string& program, bool current_too) {
  if (current_too && program == task.program) return true;
  return std::find(task.linking_programs.begin(), task.linking_programs.end(), program) !=
         task.linking_programs.end();
}

// The checks LINK and XCTL share: a program name that the table knows and
// whose storage no active level of the task is using. XCTL replaces the
// program now running, so that one may be its target.
Response check_target(const Command& command, const std::string& program, bool replaces_current) {
  if (program.empty()) return {kInvreq, kMissingArgument};
  if (Response missing = defined(program); missing.resp != kNormal) return missing;
  if (active(command.task(), program, !replaces_current)) return {kInvreq, kProgramActive};
  return {};
}

// The COMMAREA given with its LENGTH: the address and the length; LENGERR
// for a negative length.
struct Commarea {
  std::uint8_t* data = nullptr;
  std::int16_t length = 0;
};

Response commarea_of(const Command& command, Commarea& commarea) {
  if (!command.given(kCommarea)) return {};
  Area data = command.area(kCommarea);
  Area length = command.area(kCommareaLength);
  if (!data.passed() || !length.passed()) return {kInvreq, kMissingArgument};
  std::int16_t size = length.half();
  if (size < 0) return {kLengerr, 0};
  commarea = {data.write(static_cast<std::size_t>(size)).data(), size};
  return {};
}

// What a LINK changes in the task, put back when the linked program's level ends.
struct LinkingState {
  std::string program;
  std::uint8_t* commarea;
  std::int16_t commarea_length;
  std::vector<std::uint8_t> passed_commarea;
};

// Runs `program` one level below the running one with `commarea`, and puts
// the task back as it was when that level ends. True when it ended by ABEND
// CANCEL.
bool link_level(control::Task& task, const std::string& program, const Commarea& commarea) {
  LinkingState caller{task.program, task.commarea, task.commarea_length,
                      std::move(task.passed_commarea)};
  task.linking_programs.push_back(caller.program);
  control::set_commarea(task, commarea.data, commarea.length);
  std::vector<std::string> ran;
  region::run_program_level(task, program, ran);
  bool abended = task.abended;

  task.linking_programs.pop_back();
  task.program = caller.program;
  task.passed_commarea = std::move(caller.passed_commarea);
  control::set_commarea(task, caller.commarea, caller.commarea_length);
  task.returned = false;
  task.abended = false;
  task.went_back = false;
  task.transfer.reset();
  return abended;
}

}  // namespace

Response program_entry(const Command& command) {
  command.task().went_back = false;
  return {};
}

Response program_go_back(const Command& command) {
  command.task().went_back = true;
  return {};
}

// RETURN ends the program's level, or, at the top level of an interpreter
// (QCMD), ends nothing: the interpreter executes it for its user, and the
// TRANSID and COMMAREA of its last RETURN TRANSID are acted on when the
// interpreter itself ends (a RETURN without TRANSID keeps them). TRANSID
// names the transaction the terminal's next input starts, IMMEDIATE starts
// it at once without input.
Response return_command(const Command& command) {
  control::Task& task = command.task();
  bool linked = !task.linking_programs.empty();
  std::optional<std::string> next;
  std::vector<std::uint8_t> commarea;
  if (command.given(kReturnTransid)) {
    if (linked) return {kInvreq, kNotHighestLevel};
    Area name = command.area(kReturnTransid);
    if (!name.passed()) return {kInvreq, kMissingArgument};
    next = region::table_name(name.text(kTransidLength));
    if (next->empty()) return {kInvreq, kMissingArgument};
  }
  if (command.given(kCommarea)) {
    if (linked) return {kInvreq, kNotHighestLevel};
    Area data = command.area(kCommarea);
    Area length = command.area(kCommareaLength);
    if (!data.passed() || !length.passed()) return {kInvreq, kMissingArgument};
    std::int16_t size = length.half();
    if (size < 0) return {kLengerr, 0};
    std::span<const std::uint8_t> bytes = data.read(static_cast<std::size_t>(size));
    commarea.assign(bytes.begin(), bytes.end());
  }
  const bool interpreter = interpreting(task);
  if (!interpreter || next) {
    task.next_transaction = std::move(next);
    task.next_commarea = std::move(commarea);
    task.next_immediate = task.next_transaction && command.given(kImmediate);
  }
  if (interpreter) {
    task.interpreter_returned = true;
  } else {
    task.returned = true;
  }
  return {};
}

Response link(const Command& command) {
  control::Task& task = command.task();
  std::string program = program_name(command);
  if (Response refused = check_target(command, program, false); refused.resp != kNormal) {
    return refused;
  }
  Commarea commarea;
  if (Response refused = commarea_of(command, commarea); refused.resp != kNormal) return refused;
  if (command.given(kDatalength)) {
    Area datalength = command.area(kDatalength);
    if (!datalength.passed()) return {kInvreq, kMissingArgument};
    std::int16_t size = datalength.half();
    if (size < 0 || size > commarea.length) return {kLengerr, 0};
  }
  if (command.given(kSysid)) {
    Area sysid = command.area(kSysid);
    if (!sysid.passed()) return {kInvreq, kMissingArgument};
    // The region has no connections: only its own SYSID names a system it knows.
    if (sysid.text(region::kSysidLength) != region::system_id()) {
      return {kSysiderr, 0};
    }
  }
  return link_level(task, program, commarea) ? Response{kInvreq, kLinkedAbend} : Response{};
}

Response xctl(const Command& command) {
  control::Task& task = command.task();
  std::string program = program_name(command);
  if (Response refused = check_target(command, program, true); refused.resp != kNormal) {
    return refused;
  }
  Commarea commarea;
  if (Response refused = commarea_of(command, commarea); refused.resp != kNormal) return refused;
  task.transfer = control::Transfer{
      program, std::vector<std::uint8_t>(commarea.data, commarea.data + commarea.length)};
  return {};
}

Response abend(const Command& command) {
  control::Task& task = command.task();
  std::string code(kAbcodeLength, ' ');
  if (command.given(kAbcode)) {
    Area given = command.area(kAbcode);
    if (!given.passed()) return {kInvreq, kMissingArgument};
    std::string_view typed = given.text(kAbcodeLength);
    std::copy(typed.begin(), typed.end(), code.begin());
  }
  bool cancel = command.given(kCancel);
  task.abend_code = code;
  task.abend_program = task.program;
  // HANDLE ABEND PROGRAM: the exit runs instead of the abend, unless CANCEL
  // bypasses it; the task goes on after it.
  const std::optional<std::string>& exit = task.handles.abend_exit;
  bool to_exit = !cancel && exit && region::program_table().find_program(*exit) != nullptr &&
                 !active(task, *exit, true);
  bool taken = !cancel && !to_exit && interpreting(task);
  region::log_error("task " + std::to_string(task.number) + " program " + task.program + " abend " +
                    code +
                    (to_exit ? ", handled by " + *exit
                     : taken ? ", taken by the interpreter"
                             : ""));
  if (to_exit) {
    link_level(task, *exit, Commarea{});
    return {};
  }
  task.abended = !taken;
  return {};
}

// LOAD and RELEASE. A table program's image is its name, blank-padded to 8
// characters, in low storage: SET receives its address, LENGTH (halfword) or
// FLENGTH (fullword) its length, ENTRY the same address. One image per
// program: every LOAD of a loaded program gives the same address and counts
// one use, RELEASE takes one back and frees the image at the last. An image
// loaded without HOLD goes when the task that loaded it ends; HOLD keeps it
// for the session until released.
namespace {

constexpr Option kLoadSet{"SET", 'S', 3, 3, Arg::kPointer};
constexpr Option kLoadLength{"LENGTH", 'L', 4, 4, Arg::kHalf};
constexpr Option kLoadFlength{"FLENGTH", 'F', 4, 4, Arg::kFull};
constexpr Option kLoadEntry{"ENTRY", 'E', 5, 5, Arg::kPointer};
constexpr Option kLoadHold{"HOLD", 'H', 6};
constexpr Option kLoadOptions[] = {kProgram,     kLoadSet,   kLoadLength,
                                   kLoadFlength, kLoadEntry, kLoadHold};
constexpr Option kReleaseOptions[] = {kProgram};
constexpr std::int32_t kNotLoaded = 5;  // EIBRESP2 of RELEASE's INVREQ

struct LoadedImage {
  std::uint8_t* image;
  std::uint32_t task;  // the task that loaded it
  bool held;
  int uses;
};

std::map<std::string, LoadedImage> loaded;

// Frees the images that ended tasks loaded without HOLD.
void drop_ended_loads(std::uint32_t task) {
  for (auto it = loaded.begin(); it != loaded.end();) {
    if (!it->second.held && it->second.task != task) {
      control::LowArena::instance().release(it->second.image);
      it = loaded.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

Response load(const Command& command) {
  control::Task& task = command.task();
  std::string program = program_name(command);
  if (program.empty()) return {kInvreq, kMissingArgument};
  if (Response missing = defined(program); missing.resp != kNormal) return missing;
  Area set = command.given_area(kLoadSet);
  Area entry_point = command.given_area(kLoadEntry);
  bool full_length = command.given(kLoadFlength);
  Area length = full_length ? command.area(kLoadFlength) : command.given_area(kLoadLength);
  if (set.passed()) set.require(kPointerSize);
  if (entry_point.passed()) entry_point.require(kPointerSize);
  if (length.passed()) length.require(full_length ? sizeof(std::int32_t) : sizeof(std::int16_t));
  drop_ended_loads(task.number);
  bool hold = command.given(kLoadHold);
  auto found = loaded.find(program);
  if (found == loaded.end()) {
    std::uint8_t* image = control::LowArena::instance().allocate(region::kMaxProgramName);
    if (image == nullptr) return {kNostg, 0};
    std::string name = program;
    name.resize(region::kMaxProgramName, ' ');
    std::memcpy(image, name.data(), name.size());
    found = loaded.emplace(program, LoadedImage{image, task.number, hold, 0}).first;
  }
  LoadedImage& entry = found->second;
  entry.held = entry.held || hold;
  ++entry.uses;
  std::uint32_t address = host::ptr_to_word(entry.image);
  set.put_word(address);
  entry_point.put_word(address);
  if (full_length) {
    length.put_word(region::kMaxProgramName);
  } else {
    length.put_half(static_cast<std::int32_t>(region::kMaxProgramName));
  }
  return {};
}

Response release(const Command& command) {
  std::string program = program_name(command);
  if (program.empty()) return {kInvreq, kMissingArgument};
  if (Response missing = defined(program); missing.resp != kNormal) return missing;
  drop_ended_loads(command.task().number);
  auto found = loaded.find(program);
  if (found == loaded.end()) return {kInvreq, kNotLoaded};
  if (--found->second.uses == 0) {
    control::LowArena::instance().release(found->second.image);
    loaded.erase(found);
  }
  return {};
}

namespace {
constexpr CommandRow kCommands[] = {
    {0x0E02, "LINK", link, kLinkOptions},
    {0x0E04, "XCTL", xctl, kXctlOptions},
    {0x0E06, "LOAD", load, kLoadOptions},
    {0x0E08, "RETURN", return_command, kReturnOptions},
    {0x0E0A, "RELEASE", release, kReleaseOptions},
    {0x0E0C, "ABEND", abend, kAbendOptions},
    {0x1903, "program entry", program_entry, {}},
    {0x1905, "go-back", program_go_back, {}},
};
}  // namespace

std::span<const CommandRow> program_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
