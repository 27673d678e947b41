// Transient data: WRITEQ TD, READQ TD and DELETEQ TD on the intrapartition
// queues of the region's store, which every terminal of the region shares.
// Any name that is not blank names a queue: it is empty until written, a
// record read is gone from it, and DELETEQ empties it.
//
// READQ's LENGTH gives the INTO area's room and receives the record's length.
#include <string_view>

#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

namespace {

constexpr Option kQueue{"QUEUE", ' ', 0, 2, Arg::kChars, 4, Names::resource};
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
  kNoQueueName = 1,  // no QUEUE area passed
  kNoData = 2,       // WRITEQ without FROM, READQ without INTO or SET
};

std::string_view queue_name(const Command& command) {
  return command.area(kQueue).chars(static_cast<std::size_t>(kQueue.size));
}

bool blank(std::string_view name) {
  return name.find_first_not_of(std::string_view(" \0", 2)) == std::string_view::npos;
}

Response response_of(store::Outcome outcome) {
  switch (outcome) {
    case store::Outcome::ok:
      return {};
    case store::Outcome::no_item:
      return {kQzero, 0};
    default:
      return store_trouble(outcome);
  }
}

// Checks what every transient data command needs: a queue name, no remote
// system, a usable store.
Response check_common(const Command& command, store::Store*& store) {
  if (!command.area(kQueue).passed()) return {kInvreq, kNoQueueName};
  if (blank(queue_name(command))) return {kQiderr, 0};
  // This region is connected to no other system.
  if (command.has_flag(kSysid.flag_position)) return {kSysiderr, 0};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

// LENGTH is passed even where the parameter count stops before it: a default
// length does not raise the count.
Area length_area(const Command& command) {
  return command.given(kLength) ? command.uncounted_area(kLength.argument) : Area{};
}

Response writeq_td(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  Area from = command.area(kFrom);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int32_t length = length_area(command).half();
  if (length < 1) return {kLengerr, 0};
  return response_of(
      store->td_write(queue_name(command), from.read(static_cast<std::size_t>(length))));
}

Response readq_td(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  DataArea to{command.flag(kInto.flag_position), command.area(kInto), length_area(command)};
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  store::Bytes record;
  if (store::Outcome outcome = store->td_read(queue_name(command), record);
      outcome != store::Outcome::ok) {
    return response_of(outcome);
  }
  return deliver(to, record);
}

Response deleteq_td(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  return response_of(store->td_delete(queue_name(command)));
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
