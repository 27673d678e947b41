// Transient data: WRITEQ TD, READQ TD and DELETEQ TD on the queues that the
// region's configuration defines ([[tdqueue]]); any other name is QIDERR. A
// queue that SET TDQUEUE closed answers NOTOPEN, a disabled one DISABLED.
//
// Intrapartition queues live in the region store, which every terminal of
// the region shares: a record read is gone from the queue, and DELETEQ
// empties it. When a WRITEQ leaves a queue with a trigger level holding at
// least that many records, a START request for the queue's transaction is
// put in the store, named "TD" and the queue's name, so that at most one
// waits at a time.
//
// Extrapartition queues are a file in the region directory, one record a
// line: a line feed ends each record, and a backslash or a line feed inside
// a record is written as \\ or \n, so that any bytes come back as written.
// An output queue takes WRITEQ (appended), an input queue READQ (the next
// line; QZERO at the end of the file; SET TDQUEUE CLOSED starts it again
// from the beginning). The other direction and DELETEQ answer INVREQ.
//
// READQ's LENGTH gives the INTO area's room and receives the record's length.
#include <ctime>
#include <fstream>
#include <string>
#include <string_view>

#include "monitor/region/region.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_files.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/resources.hpp"
#include "monitor/services/unit_of_work.hpp"

namespace ravnmor::services {

namespace {

using region::TdDirection;
using region::TdKind;
using region::TdQueueDefinition;

constexpr std::size_t kQueueNameLength = 4;
constexpr Option kQueue{"QUEUE", ' ', 0, 2, Arg::kChars, kQueueNameLength, Names::resource};
constexpr Option kSysid{"SYSID", 'S', 5, 5, Arg::kChars, 4};
constexpr Option kLength{"LENGTH", 'L', 4, 4, Arg::kHalf};
constexpr Option kFrom{"FROM", ' ', 0, 3, Arg::kData};
constexpr Option kInto{"INTO", kIntoArea, 3, 3, Arg::kData};
constexpr Option kSet{"SET", kSetPointer, 3, 3, Arg::kPointer};
constexpr Option kWriteqOptions[] = {kQueue, kFrom, kLength, kSysid};
constexpr Option kReadqOptions[] = {kQueue, kInto, kSet, kLength, kSysid};
constexpr Option kDeleteqOptions[] = {kQueue, {"SYSID", 'S', 5, 3, Arg::kChars, 4}};

// EIBRESP2 of the transient data commands' INVREQ.
enum QueueRefusal : std::int32_t {
  kNoQueueName = 1,        // no QUEUE area passed
  kNoData = 2,             // WRITEQ without FROM, READQ without INTO or SET
  kWrongDirection = 3,     // READQ of an extrapartition output queue, WRITEQ of an input one
  kNotIntrapartition = 4,  // DELETEQ of an extrapartition queue
  kQueueLocked = 5,        // another task kept a recoverable queue for lock_wait: abend ALCK
};
// EIBRESP2 of IOERR when an extrapartition queue's file cannot be used (the
// error log says why).
constexpr std::int32_t kQueueFileTrouble = 4;

constexpr char kEscape = '\\';
constexpr char kRecordEnd = '\n';
constexpr char kEscapedRecordEnd = 'n';
constexpr std::string_view kTriggerPrefix = "TD";
constexpr std::size_t kReqidLength = 8;
constexpr std::size_t kTransactionLength = 4;

// The queue a command names, as the configuration defines it.
struct Queue {
  const TdQueueDefinition* definition = nullptr;
  std::string key;  // the store's name for it
};

std::string_view queue_name(const Command& command) {
  return command.area(kQueue).chars(kQueueNameLength);
}

bool blank(std::string_view name) {
  return name.find_first_not_of(std::string_view(" \0", 2)) == std::string_view::npos;
}

std::string padded(std::string text, std::size_t length) {
  text.resize(length, ' ');
  return text;
}

Response response_of(store::Outcome outcome) {
  switch (outcome) {
    case store::Outcome::ok:
      return {};
    case store::Outcome::no_item:
      return {kQzero, 0};
    case store::Outcome::held:
      return {kInvreq, kQueueLocked};
    default:
      return store_trouble(outcome);
  }
}

bool status(const TdQueueDefinition& definition, std::string_view attribute, bool configured) {
  return resource_status({kTdQueueKind, definition.name, attribute}, configured) != 0;
}

// Checks what every transient data command needs: a defined queue, enabled
// and open, on no remote system.
Response find_queue(const Command& command, Queue& queue) {
  if (!command.area(kQueue).passed()) return {kInvreq, kNoQueueName};
  if (blank(queue_name(command))) return {kQiderr, 0};
  // This region is connected to no other system.
  if (command.has_flag(kSysid.flag_position)) return {kSysiderr, 0};
  queue.definition = region::current_config().td_queue(queue_name(command));
  if (queue.definition == nullptr) return {kQiderr, 0};
  if (!status(*queue.definition, kEnabledStatus, queue.definition->enabled)) {
    return {kDisabled, 0};
  }
  if (!status(*queue.definition, kOpenStatus, queue.definition->open)) return {kNotopen, 0};
  queue.key = td_queue_key(*queue.definition);
  return {};
}

bool extrapartition(const Queue& queue) {
  return queue.definition->kind == TdKind::extrapartition;
}

// Refuses an extrapartition queue that does not go the command's way.
Response check_direction(const Queue& queue, TdDirection direction) {
  if (extrapartition(queue) && queue.definition->direction != direction) {
    return {kInvreq, kWrongDirection};
  }
  return {};
}

// LENGTH is passed even where the parameter count stops before it: a default
// length does not raise the count.
Area length_area(const Command& command) {
  return command.given(kLength) ? command.uncounted_area(kLength.argument) : Area{};
}

std::string encode_record(store::ByteView data) {
  std::string line;
  for (std::uint8_t byte : data) {
    auto c = static_cast<char>(byte);
    if (c == kEscape || c == kRecordEnd) line += kEscape;
    line += c == kRecordEnd ? kEscapedRecordEnd : c;
  }
  return line + kRecordEnd;
}

store::Bytes decode_record(std::string_view line) {
  store::Bytes data;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == kEscape && i + 1 < line.size()) {
      c = line[++i] == kEscapedRecordEnd ? kRecordEnd : line[i];
    }
    data.push_back(static_cast<std::uint8_t>(c));
  }
  return data;
}

std::optional<std::filesystem::path> queue_file(const Queue& queue) {
  return region_file(queue.definition->path);
}

Response append_record(const Queue& queue, store::ByteView data) {
  std::optional<std::filesystem::path> path = queue_file(queue);
  if (!path) return {kIoerr, kQueueFileTrouble};
  LockedFile file(*path, LockedFile::Use::append);
  if (!file.is_open() || !file.append(encode_record(data))) return {kIoerr, kQueueFileTrouble};
  return {};
}

// The next line of an input queue's file, from where the last READQ left off.
Response read_record(const Queue& queue, store::Bytes& record) {
  std::optional<std::filesystem::path> path = queue_file(queue);
  if (!path) return {kIoerr, kQueueFileTrouble};
  LockedFile lock(*path, LockedFile::Use::read);
  if (!lock.is_open()) return {kIoerr, kQueueFileTrouble};
  const store::StatusKey position_key{kTdQueueKind, queue.definition->name, kReadPosition};
  // A position the store cannot give is no reason to read the file again
  // from its start.
  std::int64_t position = 0;
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  if (store::Outcome outcome = store->status_read(position_key, position);
      outcome != store::Outcome::ok && outcome != store::Outcome::not_found) {
    return store_trouble(outcome);
  }
  std::ifstream in(*path, std::ios::binary);
  in.seekg(position);
  std::string line;
  if (!in || !std::getline(in, line, kRecordEnd)) return {kQzero, 0};
  const auto consumed = static_cast<std::int64_t>(line.size()) + (in.eof() ? 0 : 1);
  if (store::Outcome outcome = set_resource_status(position_key, position + consumed);
      outcome != store::Outcome::ok) {
    return store_trouble(outcome);
  }
  record = decode_record(line);
  return {};
}

// A change of an intrapartition queue: within the task's unit of work when
// the queue is recoverable.
store::Outcome change_queue(const Command& command, store::Store& store, const Queue& queue,
                            const Change& change) {
  return change_within(command.task(), store, queue.definition->recoverable, change);
}

// The next record of a queue, gone from it once taken.
Response take_record(const Command& command, const Queue& queue, store::Bytes& record) {
  if (extrapartition(queue)) return read_record(queue, record);
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return response_of(change_queue(command, *store, queue, [&](const store::UnitOfWork* uow) {
    return store->td_read(queue.key, record, uow);
  }));
}

// Puts the START request of a queue that has reached its trigger level,
// unless one is waiting already.
void trigger(store::Store& store, const Queue& queue) {
  const TdQueueDefinition& definition = *queue.definition;
  std::int64_t count = 0;
  if (definition.trigger_level == 0 || store.td_count(queue.key, count) != store::Outcome::ok ||
      count < definition.trigger_level) {
    return;
  }
  store::StartRequest request;
  request.request = padded(std::string(kTriggerPrefix) + definition.name, kReqidLength);
  request.transaction = padded(definition.transaction, kTransactionLength);
  request.terminal = padded("", kTransactionLength);
  request.due = std::time(nullptr);
  store::Outcome outcome = store.start_put(request);
  if (outcome != store::Outcome::ok && outcome != store::Outcome::duplicate) {
    region::log_error("queue " + definition.name + " reached its trigger level, but " +
                      definition.transaction + " could not be started: " + store.last_error());
  }
}

Response writeq_td(const Command& command) {
  Queue queue;
  if (Response refused = find_queue(command, queue); refused.resp != kNormal) return refused;
  if (Response refused = check_direction(queue, TdDirection::output); refused.resp != kNormal) {
    return refused;
  }
  Area from = command.area(kFrom);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int32_t length = length_area(command).half();
  if (length < 1) return {kLengerr, 0};
  store::ByteView data = from.read(static_cast<std::size_t>(length));
  if (extrapartition(queue)) return append_record(queue, data);
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  if (store::Outcome outcome = change_queue(
          command, *store, queue,
          [&](const store::UnitOfWork* uow) { return store->td_write(queue.key, data, uow); });
      outcome != store::Outcome::ok) {
    return response_of(outcome);
  }
  trigger(*store, queue);
  return {};
}

Response readq_td(const Command& command) {
  Queue queue;
  if (Response refused = find_queue(command, queue); refused.resp != kNormal) return refused;
  if (Response refused = check_direction(queue, TdDirection::input); refused.resp != kNormal) {
    return refused;
  }
  DataArea to{command.flag(kInto.flag_position), command.area(kInto), length_area(command)};
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  store::Bytes record;
  if (Response refused = take_record(command, queue, record); refused.resp != kNormal) {
    return refused;
  }
  return deliver(to, record);
}

Response deleteq_td(const Command& command) {
  Queue queue;
  if (Response refused = find_queue(command, queue); refused.resp != kNormal) return refused;
  if (extrapartition(queue)) return {kInvreq, kNotIntrapartition};
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return response_of(change_queue(command, *store, queue, [&](const store::UnitOfWork* uow) {
    return store->td_delete(queue.key, uow);
  }));
}

constexpr CommandRow kCommands[] = {
    {0x0802, "WRITEQ TD", writeq_td, kWriteqOptions},
    {0x0804, "READQ TD", readq_td, kReadqOptions},
    {0x0806, "DELETEQ TD", deleteq_td, kDeleteqOptions},
};

}  // namespace

std::span<const CommandRow> transient_data_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
