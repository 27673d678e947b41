// Transient data: WRITEQ TD, READQ TD and DELETEQ TD on the intrapartition
// queues of the region's store, which every terminal of the region shares.
// Any name that is not blank names a queue: it is empty until written, a
// record read is gone from it, and DELETEQ empties it.
//
// WRITEQ TD   QUEUE 4 characters at 2; FROM at 3; LENGTH "L" at 4, halfword
//             at 4; SYSID "S" at 5, 4 characters at 5.
// READQ TD    QUEUE at 2; INTO "I" or SET "S" at 3, the area or pointer at 3;
//             LENGTH "L" at 4, halfword at 4 (in: the INTO area's room; out:
//             the record's length), passed even where the parameter count
//             stops before it (a default length does not raise the count);
//             SYSID "S" at 5, 4 characters at 5.
// DELETEQ TD  QUEUE at 2; SYSID "S" at 5, 4 characters at 3.
#include <string_view>

#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

namespace {

constexpr std::size_t kQueueNameLength = 4;
constexpr int kQueueArgument = 2;
constexpr int kDataArgument = 3;  // FROM, INTO or SET
constexpr int kLengthArgument = 4;
constexpr int kAreaFlag = 3;    // READQ: "I" INTO, "S" SET
constexpr int kLengthFlag = 4;  // "L"
constexpr int kSysidFlag = 5;   // "S", all three commands

// EIBRESP2 of the transient data commands' INVREQ.
enum QueueRefusal : std::int32_t {
  kNoQueueName = 1,  // no QUEUE area passed
  kNoData = 2,       // WRITEQ without FROM, READQ without INTO or SET
};

std::string_view queue_name(const Command& command) {
  return command.area(kQueueArgument).chars(kQueueNameLength);
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
  if (!command.area(kQueueArgument).passed()) return {kInvreq, kNoQueueName};
  if (blank(queue_name(command))) return {kQiderr, 0};
  // This region is connected to no other system.
  if (command.has_flag(kSysidFlag)) return {kSysiderr, 0};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

Area length_area(const Command& command) {
  return command.flag(kLengthFlag) == 'L' ? command.uncounted_area(kLengthArgument) : Area{};
}

}  // namespace

Response writeq_td(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  Area from = command.area(kDataArgument);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int32_t length = length_area(command).half();
  if (length < 1) return {kLengerr, 0};
  return response_of(
      store->td_write(queue_name(command), from.read(static_cast<std::size_t>(length))));
}

Response readq_td(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  DataArea to{command.flag(kAreaFlag), command.area(kDataArgument), length_area(command)};
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

}  // namespace ravnmor::services
