// INQUIRE and SET: the region's resources as its configuration defines them
// and as SET commands have changed them since it started (resources.hpp),
// the same for every session.
//
// Each INQUIRE form names its resource after the verb and lists the fields it
// answers, each an option whose flag says it was given and whose area
// receives a fullword (a number, or a CVDA value: the numbers programs
// compare with DFHVALUE(...)) or blank-padded characters. Every area is
// checked before any is filled. A resource that is not defined answers its
// type's not-found condition with EIBRESP2 1. The region has no connections
// to other systems: INQUIRE CONNECTION is SYSIDERR for every name.
//
// SET FILE opens, closes, enables or disables a file, SET TDQUEUE opens or
// closes a queue (closing an extrapartition input queue starts its reading
// again from the beginning of its file); the change lasts until the region
// stops. INQUIRE TERMINAL, SET TERMINAL and INQUIRE TASK LIST work on the
// store's table of connected terminals and the task each runs.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "host/bytes.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/resources.hpp"

namespace ravnmor::services {

namespace {

using region::FileDefinition;
using region::FileType;
using region::RegionConfig;
using region::TdKind;
using region::TdQueueDefinition;
using region::TransactionDefinition;

// CVDA values (DFHVALUE) that INQUIRE answers.
namespace cvda {
constexpr std::int32_t kEsds = 5;
constexpr std::int32_t kKsds = 6;
constexpr std::int32_t kRrds = 7;
constexpr std::int32_t kOpen = 18;
constexpr std::int32_t kClosed = 19;
constexpr std::int32_t kEnabled = 23;
constexpr std::int32_t kDisabled = 24;
constexpr std::int32_t kActive = 181;
constexpr std::int32_t kExtra = 221;
constexpr std::int32_t kIntra = 222;
constexpr std::int32_t kAcquired = 69;
constexpr std::int32_t kReleased = 70;
constexpr std::int32_t kInservice = 73;
constexpr std::int32_t kDisplay = 153;  // T3277L: a 3270 display
constexpr std::int32_t kUctran = 450;
constexpr std::int32_t kNouctran = 451;
}  // namespace cvda

constexpr std::int32_t kNotDefined = 1;  // EIBRESP2 of the not-found conditions
constexpr std::int32_t kNoArea = 2;      // EIBRESP2 of INVREQ: an option's area is missing

constexpr std::int16_t kLongName = 8;   // files, programs
constexpr std::int16_t kShortName = 4;  // queues, terminals, transactions, connections
constexpr std::int16_t kSysidLength = 4;

// The resource an INQUIRE or SET names after its verb.
constexpr Option kLongResource{"", ' ', 0, 2, Arg::kChars, kLongName};
constexpr Option kShortResource{"", ' ', 0, 2, Arg::kChars, kShortName};

std::string_view resource_name(const Command& command, const Option& resource) {
  return command.area(resource).text(static_cast<std::size_t>(resource.size));
}

// What a field's area receives.
using Value = std::string;

Value fullword(std::int64_t number) {
  Value bytes(sizeof(std::uint32_t), '\0');
  host::store_word(bytes.data(), 0, static_cast<std::uint32_t>(number));
  return bytes;
}

Value either(bool yes, std::int32_t if_yes, std::int32_t if_no) {
  return fullword(yes ? if_yes : if_no);
}

Value text(std::string value, std::int16_t width) {
  value.resize(static_cast<std::size_t>(width), ' ');
  return value;
}

// One field of an INQUIRE form: its option and what its area receives.
template <typename Subject>
struct Field {
  Option option;
  Value (*value)(const Subject&);
};

// The options of a form for its Option rows: the resource, then each row's.
template <typename Row, std::size_t N>
constexpr std::array<Option, N + 1> options_of(const Option& resource, const Row (&rows)[N]) {
  std::array<Option, N + 1> options{resource};
  for (std::size_t i = 0; i < N; ++i) options[i + 1] = rows[i].option;
  return options;
}

// Fills the area of every field given. INQUIRE TRANSACTION counts fewer
// parameters than it passes: a field's flag alone says that its area is there.
template <typename Subject, std::size_t N>
Response answer(const Command& command, const Field<Subject> (&fields)[N], const Subject& subject) {
  std::vector<Answer> answers;
  for (const Field<Subject>& field : fields) {
    if (!command.given(field.option)) continue;
    Area area = command.uncounted_area(field.option.argument);
    if (!area.passed()) return {kInvreq, kNoArea};
    answers.emplace_back(area, field.value(subject));
  }
  write_answers(answers);
  return {};
}

// OPENSTATUS and ENABLESTATUS of a file or a queue: as a SET left them,
// else as configured.
template <typename Definition>
Value open_status(std::string_view kind, const Definition& resource) {
  return either(resource_status({kind, resource.name, kOpenStatus}, resource.open) != 0,
                cvda::kOpen, cvda::kClosed);
}
template <typename Definition>
Value enable_status(std::string_view kind, const Definition& resource) {
  return either(resource_status({kind, resource.name, kEnabledStatus}, resource.enabled) != 0,
                cvda::kEnabled, cvda::kDisabled);
}

// INQUIRE FILE
Value file_open(const FileDefinition& file) {
  return open_status(kFileKind, file);
}
Value file_enabled(const FileDefinition& file) {
  return enable_status(kFileKind, file);
}
Value file_type(const FileDefinition& file) {
  switch (file.type) {
    case FileType::entry_sequenced:
      return fullword(cvda::kEsds);
    case FileType::relative:
      return fullword(cvda::kRrds);
    case FileType::keyed:
      break;
  }
  return fullword(cvda::kKsds);
}
Value file_record_size(const FileDefinition& file) {
  return fullword(static_cast<std::int64_t>(file.record_length));
}
Value local(const FileDefinition&) {
  return text("", kSysidLength);
}

constexpr Field<FileDefinition> kFileFields[] = {
    {{"ENABLESTATUS", 'E', 21, 3, Arg::kFull}, file_enabled},
    {{"OPENSTATUS", 'O', 20, 4, Arg::kFull}, file_open},
    {{"TYPE", 'T', 22, 5, Arg::kFull}, file_type},
    {{"RECORDSIZE", 'Z', 18, 6, Arg::kFull}, file_record_size},
    {{"REMOTESYSTEM", 'R', 19, 7, Arg::kAnswer, kSysidLength}, local},
};
constexpr auto kInquireFileOptions = options_of(kLongResource, kFileFields);

Response inquire_file(const Command& command) {
  const FileDefinition* file = region::current_config().file(resource_name(command, kLongResource));
  if (file == nullptr) return {kFilenotfound, kNotDefined};
  return answer(command, kFileFields, *file);
}

// INQUIRE TDQUEUE
struct QueueState {
  const TdQueueDefinition& queue;
  std::int64_t records = 0;  // intrapartition: waiting in the store
};

Value queue_records(const QueueState& state) {
  return fullword(state.records);
}
Value queue_open(const QueueState& state) {
  return open_status(kTdQueueKind, state.queue);
}
Value queue_type(const QueueState& state) {
  return either(state.queue.kind == TdKind::intrapartition, cvda::kIntra, cvda::kExtra);
}
Value queue_enabled(const QueueState& state) {
  return enable_status(kTdQueueKind, state.queue);
}
Value queue_trigger_level(const QueueState& state) {
  return fullword(state.queue.trigger_level);
}
Value queue_transaction(const QueueState& state) {
  return text(state.queue.transaction, kShortName);
}

constexpr Field<QueueState> kQueueFields[] = {
    {{"NUMITEMS", 'N', 3, 3, Arg::kFull}, queue_records},
    {{"OPENSTATUS", 'O', 4, 4, Arg::kFull}, queue_open},
    {{"TYPE", 'T', 5, 5, Arg::kFull}, queue_type},
    {{"ENABLESTATUS", 'E', 6, 6, Arg::kFull}, queue_enabled},
    {{"TRIGGERLEVEL", 'T', 7, 7, Arg::kFull}, queue_trigger_level},
    {{"ATITRANID", 'X', 8, 8, Arg::kAnswer, kShortName}, queue_transaction},
};
constexpr auto kInquireQueueOptions = options_of(kShortResource, kQueueFields);

Response inquire_tdqueue(const Command& command) {
  const TdQueueDefinition* queue =
      region::current_config().td_queue(resource_name(command, kShortResource));
  if (queue == nullptr) return {kQiderr, kNotDefined};
  QueueState state{*queue};
  if (queue->kind == TdKind::intrapartition) {
    store::Store* store = region_store();
    if (store == nullptr) return {kIoerr, kStoreUnavailable};
    if (store::Outcome outcome = store->td_count(td_queue_key(*queue), state.records);
        outcome != store::Outcome::ok) {
      return store_trouble(outcome);
    }
  }
  return answer(command, kQueueFields, state);
}

// INQUIRE TRANSACTION: every transaction runs here, none on another system.
Value transaction_program(const TransactionDefinition& transaction) {
  return text(transaction.program, kLongName);
}
Value no_remote_name(const TransactionDefinition&) {
  return text("", kLongName);
}
Value no_remote_system(const TransactionDefinition&) {
  return text("", kSysidLength);
}

constexpr Field<TransactionDefinition> kTransactionFields[] = {
    {{"PROGRAM", 'P', 3, 3, Arg::kAnswer, kLongName}, transaction_program},
    {{"REMOTENAME", 'N', 4, 4, Arg::kAnswer, kLongName}, no_remote_name},
    {{"REMOTESYSTEM", 'S', 5, 5, Arg::kAnswer, kSysidLength}, no_remote_system},
};
constexpr auto kInquireTransactionOptions = options_of(kShortResource, kTransactionFields);

Response inquire_transaction(const Command& command) {
  const TransactionDefinition* transaction =
      region::current_config().transaction(resource_name(command, kShortResource));
  if (transaction == nullptr) return {kTransiderr, kNotDefined};
  return answer(command, kTransactionFields, *transaction);
}

// INQUIRE PROGRAM answers only whether the program is defined.
constexpr Option kInquireProgramOptions[] = {kLongResource};

Response inquire_program(const Command& command) {
  if (region::current_config().program(resource_name(command, kLongResource)) == nullptr) {
    return {kPgmiderr, kNotDefined};
  }
  return {};
}

// INQUIRE SYSTEM: a region that serves commands is active.
Value region_active(const RegionConfig&) {
  return fullword(cvda::kActive);
}

constexpr Field<RegionConfig> kSystemFields[] = {
    {{"CICSSTATUS", 'C', 21, 2, Arg::kFull}, region_active},
};
constexpr Option kInquireSystemOptions[] = {kSystemFields[0].option};

Response inquire_system(const Command& command) {
  return answer(command, kSystemFields, region::current_config());
}

// INQUIRE TERMINAL: the terminals connected now, each a 3270 display in
// service, its input taken as typed, with the transaction it runs.
using store::Store;
using ConnectedTerminal = Store::ConnectedTerminal;

Value terminal_transaction(const ConnectedTerminal& terminal) {
  return text(terminal.transaction, kShortName);
}
Value terminal_device(const ConnectedTerminal&) {
  return fullword(cvda::kDisplay);
}
Value terminal_acquired(const ConnectedTerminal&) {
  return fullword(cvda::kAcquired);
}
Value terminal_in_service(const ConnectedTerminal&) {
  return fullword(cvda::kInservice);
}
Value terminal_as_typed(const ConnectedTerminal&) {
  return fullword(cvda::kNouctran);
}

constexpr Field<ConnectedTerminal> kTerminalFields[] = {
    {{"TRANSACTION", 'T', 15, 3, Arg::kAnswer, kShortName}, terminal_transaction},
    {{"DEVICE", 'D', 16, 4, Arg::kFull}, terminal_device},
    {{"ACQSTATUS", 'A', 17, 5, Arg::kFull}, terminal_acquired},
    {{"TERMSTATUS", 'A', 17, 5, Arg::kFull}, terminal_acquired},
    {{"SERVSTATUS", 'S', 18, 6, Arg::kFull}, terminal_in_service},
    {{"UCTRANST", 'U', 19, 7, Arg::kFull}, terminal_as_typed},
};
constexpr auto kInquireTerminalOptions = options_of(kShortResource, kTerminalFields);

// The connected terminals as the store lists them.
Response connected_terminals(std::vector<ConnectedTerminal>& terminals) {
  Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  if (store::Outcome outcome = store->terminals(terminals); outcome != store::Outcome::ok) {
    return store_trouble(outcome);
  }
  return {};
}

// The terminal a command names; TERMIDERR when it is not connected.
Response find_terminal(const Command& command, ConnectedTerminal& found) {
  std::string name(resource_name(command, kShortResource));
  name.resize(static_cast<std::size_t>(kShortName), ' ');
  std::vector<ConnectedTerminal> terminals;
  if (Response refused = connected_terminals(terminals); refused.resp != kNormal) return refused;
  auto match = std::find_if(terminals.begin(), terminals.end(),
                            [&](const ConnectedTerminal& t) { return t.terminal == name; });
  if (match == terminals.end()) return {kTermiderr, kNotDefined};
  found = *match;
  return {};
}

Response inquire_terminal(const Command& command) {
  ConnectedTerminal terminal;
  if (Response refused = find_terminal(command, terminal); refused.resp != kNormal) {
    return refused;
  }
  return answer(command, kTerminalFields, terminal);
}

// SET TERMINAL: a connected terminal is acquired and takes its input as
// typed. Asking for that is NORMAL; the region does not release a terminal
// (its user ends the session) nor translate its input to upper case, and
// answers INVREQ for either, as for a CVDA that is no such status.
enum TerminalRefusal : std::int32_t {
  kCannotRelease = 3,    // RELEASED, or ACQSTATUS/TERMSTATUS RELEASED
  kCannotTranslate = 4,  // UCTRAN, or UCTRANST UCTRAN
  kBadCvda = 5,          // ACQSTATUS, TERMSTATUS or UCTRANST holding another value
};

// An option of SET TERMINAL and the status it asks for: given as a CVDA in
// its area, or fixed by the option itself.
struct TerminalChange {
  Option option;
  std::int32_t fixed;  // 0: the CVDA in the option's area
  std::int32_t kept;   // the status every connected terminal has
  std::int32_t other;  // the status the region cannot give
  std::int32_t refusal;
};

constexpr TerminalChange kTerminalChanges[] = {
    {{"ACQUIRED", 'C', 20}, cvda::kAcquired, cvda::kAcquired, cvda::kReleased, kCannotRelease},
    {{"RELEASED", 'R', 20}, cvda::kReleased, cvda::kAcquired, cvda::kReleased, kCannotRelease},
    {{"ACQSTATUS", 'A', 20, 4, Arg::kFull}, 0, cvda::kAcquired, cvda::kReleased, kCannotRelease},
    {{"TERMSTATUS", 'T', 20, 3, Arg::kFull}, 0, cvda::kAcquired, cvda::kReleased, kCannotRelease},
    {{"UCTRAN", 'U', 21}, cvda::kUctran, cvda::kNouctran, cvda::kUctran, kCannotTranslate},
    {{"UCTRANST", 'S', 21, 5, Arg::kFull}, 0, cvda::kNouctran, cvda::kUctran, kCannotTranslate},
};
constexpr auto kSetTerminalOptions = options_of(kShortResource, kTerminalChanges);

Response set_terminal(const Command& command) {
  ConnectedTerminal terminal;
  if (Response refused = find_terminal(command, terminal); refused.resp != kNormal) {
    return refused;
  }
  for (const TerminalChange& change : kTerminalChanges) {
    if (!command.given(change.option)) continue;
    std::int32_t asked = change.fixed != 0 ? change.fixed : command.area(change.option).word();
    if (asked == change.other) return {kInvreq, change.refusal};
    if (asked != change.kept) return {kInvreq, kBadCvda};
  }
  return {};
}

// INQUIRE TASK LIST: the tasks running at the connected terminals, each
// waiting for its terminal or running, so that RUNNING and SUSPENDED list
// them all. SET receives the address of their numbers, a fullword each.
constexpr Option kListSize{"LISTSIZE", 'L', 5, 2, Arg::kFull};
constexpr Option kTaskSet{"SET", 'S', 15, 3, Arg::kPointer};
constexpr Option kTaskListOptions[] = {kListSize, kTaskSet};

Response inquire_task_list(const Command& command) {
  Area size = command.given_area(kListSize);
  if (size.passed()) size.require(sizeof(std::uint32_t));
  DataArea list{kSetPointer, command.given_area(kTaskSet), {}};
  if (list.named()) list.check_receivers();
  std::vector<ConnectedTerminal> terminals;
  if (Response refused = connected_terminals(terminals); refused.resp != kNormal) return refused;
  std::string numbers;
  for (const ConnectedTerminal& terminal : terminals) {
    if (terminal.task != 0) numbers += fullword(terminal.task);
  }
  size.put_word(static_cast<std::uint32_t>(numbers.size() / sizeof(std::uint32_t)));
  if (!list.named()) return {};
  return deliver(list, {reinterpret_cast<const std::uint8_t*>(numbers.data()), numbers.size()});
}

Response inquire_connection(const Command&) {
  return {kSysiderr, kNotDefined};
}

// One option of SET: the status attribute it sets, and to what.
struct Change {
  Option option;
  std::string_view attribute;
  std::int64_t value;
};

constexpr Option kOpen{"OPEN", 'O', 20};
constexpr Option kClosed{"CLOSED", 'C', 20};

constexpr Change kFileChanges[] = {
    {kOpen, kOpenStatus, 1},
    {kClosed, kOpenStatus, 0},
    {{"ENABLED", 'E', 21}, kEnabledStatus, 1},
    {{"DISABLED", 'D', 21}, kEnabledStatus, 0},
};
constexpr auto kSetFileOptions = options_of(kLongResource, kFileChanges);

constexpr Change kQueueChanges[] = {
    {kOpen, kOpenStatus, 1},
    {kClosed, kOpenStatus, 0},
    {kClosed, kReadPosition, 0},
};
constexpr auto kSetQueueOptions = options_of(kShortResource, kQueueChanges);

// Records every change given; stops at the first the store refuses.
template <std::size_t N>
Response apply(const Command& command, std::string_view kind, const std::string& name,
               const Change (&changes)[N]) {
  for (const Change& change : changes) {
    if (!command.given(change.option)) continue;
    store::Outcome outcome = set_resource_status({kind, name, change.attribute}, change.value);
    if (outcome != store::Outcome::ok) return store_trouble(outcome);
  }
  return {};
}

Response set_file(const Command& command) {
  const FileDefinition* file = region::current_config().file(resource_name(command, kLongResource));
  if (file == nullptr) return {kFilenotfound, kNotDefined};
  return apply(command, kFileKind, file->name, kFileChanges);
}

Response set_tdqueue(const Command& command) {
  const TdQueueDefinition* queue =
      region::current_config().td_queue(resource_name(command, kShortResource));
  if (queue == nullptr) return {kQiderr, kNotDefined};
  return apply(command, kTdQueueKind, queue->name, kQueueChanges);
}

constexpr CommandRow kCommands[] = {
    {0x4C02, "INQUIRE FILE", inquire_file, kInquireFileOptions},
    {0x4E02, "INQUIRE PROGRAM", inquire_program, kInquireProgramOptions},
    {0x5002, "INQUIRE TRANSACTION", inquire_transaction, kInquireTransactionOptions},
    {0x5402, "INQUIRE SYSTEM", inquire_system, kInquireSystemOptions},
    {0x5802, "INQUIRE CONNECTION", inquire_connection, {}},
    {0x5C02, "INQUIRE TDQUEUE", inquire_tdqueue, kInquireQueueOptions},
    {0x5202, "INQUIRE TERMINAL", inquire_terminal, kInquireTerminalOptions},
    {0x5E02, "INQUIRE TASK LIST", inquire_task_list, kTaskListOptions},
    {0x4C04, "SET FILE", set_file, kSetFileOptions},
    {0x5204, "SET TERMINAL", set_terminal, kSetTerminalOptions},
    {0x5C04, "SET TDQUEUE", set_tdqueue, kSetQueueOptions},
};

}  // namespace

std::span<const CommandRow> inquire_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
