// Temporary storage: WRITEQ TS, READQ TS and DELETEQ TS on the queues of the
// region's store, which every terminal of the region shares.
//
// WRITEQ TS   QUEUE 8 characters at 2; FROM at 3; LENGTH halfword at 4;
//             ITEM "I" at 4, halfword at 5 (receives the new item's number,
//             or names the item that REWRITE "R" at 5 replaces);
//             SYSID "S" at 6, 4 characters at 6; MAIN/AUXILIARY at 7 (no
//             difference here: every queue is kept in the store).
// READQ TS    QUEUE at 2; INTO "I" or SET "S" at 3, the area or pointer at 3;
//             LENGTH "L" at 8, halfword at 4 (in: the INTO area's size; out:
//             the item's length); ITEM "I" at 4, halfword value at 5 (without
//             it the item after the queue's cursor: NEXT); SYSID "S" at 6;
//             NUMITEMS "N" at 7, halfword at 7.
// DELETEQ TS  QUEUE at 2; SYSID "S" at 6, 4 characters at 3.
#include <string_view>

#include "host/bytes.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

namespace {

constexpr std::size_t kQueueNameLength = 8;
constexpr int kQueueArgument = 2;

constexpr int kWriteFromArgument = 3;
constexpr int kWriteLengthArgument = 4;
constexpr int kWriteItemArgument = 5;
constexpr int kWriteItemFlag = 4;     // "I"
constexpr int kWriteRewriteFlag = 5;  // "R"
constexpr int kSysidFlag = 6;         // "S", all three commands

constexpr int kReadAreaArgument = 3;
constexpr int kReadLengthArgument = 4;
constexpr int kReadItemArgument = 5;
constexpr int kReadNumitemsArgument = 7;
constexpr int kReadAreaFlag = 3;      // "I" INTO, "S" SET
constexpr int kReadItemFlag = 4;      // "I"
constexpr int kReadNumitemsFlag = 7;  // "N"
constexpr int kReadLengthFlag = 8;    // "L"

// EIBRESP2 of the temporary storage commands' INVREQ.
enum QueueRefusal : std::int32_t {
  kNoQueueName = 1,  // no QUEUE area passed
  kNoData = 2,       // WRITEQ without FROM, READQ without INTO or SET
  kRewriteWithoutItem = 3,
};

std::string_view queue_name(const Command& command) {
  return command.area(kQueueArgument).chars(kQueueNameLength);
}

// The response for a store outcome: the command's own conditions, or the
// store's trouble.
Response response_of(store::Outcome outcome) {
  switch (outcome) {
    case store::Outcome::ok:
      return {};
    case store::Outcome::not_found:
      return {kQiderr, 0};
    case store::Outcome::no_item:
    case store::Outcome::queue_full:
      return {kItemerr, 0};
    case store::Outcome::too_long:
      return {kLengerr, 0};
    default:
      return store_trouble(outcome);
  }
}

// Checks what every temporary storage command needs: a queue name, no
// remote system, a usable store.
Response check_common(const Command& command, store::Store*& store) {
  if (!command.area(kQueueArgument).passed()) return {kInvreq, kNoQueueName};
  // This region is connected to no other system.
  if (command.has_flag(kSysidFlag)) return {kSysiderr, 0};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

}  // namespace

Response writeq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  Area from = command.area(kWriteFromArgument);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int16_t length = command.area(kWriteLengthArgument).half();
  if (length < 1) return {kLengerr, 0};
  store::ByteView data(from.read(static_cast<std::size_t>(length)));
  Area item = command.has_flag(kWriteItemFlag) ? command.area(kWriteItemArgument) : Area{};
  if (item.passed()) item.require(sizeof(std::int16_t));

  if (command.has_flag(kWriteRewriteFlag)) {
    if (!item.passed()) return {kInvreq, kRewriteWithoutItem};
    return response_of(store->ts_rewrite(queue_name(command), item.half(), data));
  }
  std::int32_t number = 0;
  store::Outcome outcome = store->ts_write(queue_name(command), data, number);
  if (outcome == store::Outcome::ok) item.put_half(number);
  return response_of(outcome);
}

Response readq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  DataArea to{command.flag(kReadAreaFlag), command.area(kReadAreaArgument),
              command.has_flag(kReadLengthFlag) ? command.area(kReadLengthArgument) : Area{}};
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  Area numitems =
      command.has_flag(kReadNumitemsFlag) ? command.area(kReadNumitemsArgument) : Area{};
  if (numitems.passed()) numitems.require(sizeof(std::int16_t));
  store::QueueItem item;
  store::Outcome outcome;
  Area number = command.area(kReadItemArgument);
  if (command.has_flag(kReadItemFlag) && number.passed()) {
    outcome = store->ts_read(queue_name(command), number.half(), item);
  } else {
    outcome = store->ts_read_next(queue_name(command), item);
  }
  if (outcome != store::Outcome::ok) return response_of(outcome);
  numitems.put_half(item.count);
  return deliver(to, item.data);
}

Response deleteq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  return response_of(store->ts_delete(queue_name(command)));
}

}  // namespace ravnmor::services
