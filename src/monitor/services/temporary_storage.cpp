// Temporary storage: WRITEQ TS, READQ TS and DELETEQ TS on the queues of the
// region's store, which every terminal of the region shares. WRITEQ's ITEM
// receives the new item's number, or names the item that REWRITE replaces;
// READQ without ITEM reads the item after the queue's cursor (NEXT), and its
// LENGTH gives the INTO area's room and receives the item's length. MAIN and
// AUXILIARY make no difference here: every queue is kept in the store.
//
// A queue whose name matches a recoverable model (region.toml [[tsmodel]])
// changes within the task's unit of work, which locks it against other
// tasks' changes until the unit ends; a change that waits longer than the
// region's lock_wait for it ends the task with abend ALCK (its unit of work
// backed out) and answers INVREQ (EIBRESP2 kQueueLocked).
#include <functional>
#include <string_view>

#include "monitor/region/region.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/unit_of_work.hpp"

namespace ravnmor::services {

namespace {

constexpr Option kQueue{"QUEUE", ' ', 0, 2, Arg::kChars, 8, Names::resource};
constexpr Option kSysid{"SYSID", 'S', 6, 6, Arg::kChars, 4};

constexpr Option kWriteFrom{"FROM", ' ', 0, 3, Arg::kData};
constexpr Option kWriteLength{"LENGTH", ' ', 0, 4, Arg::kHalf};
constexpr Option kWriteItem{"ITEM", 'I', 4, 5, Arg::kHalf};
constexpr Option kRewrite{"REWRITE", 'R', 5};
constexpr Option kWriteqOptions[] = {kQueue,   kWriteFrom, kWriteLength,     kWriteItem,
                                     kRewrite, kSysid,     {"MAIN", 'M', 7}, {"AUXILIARY", 'A', 7}};

constexpr Option kInto{"INTO", kIntoArea, 3, 3, Arg::kData};
constexpr Option kSet{"SET", kSetPointer, 3, 3, Arg::kPointer};
constexpr Option kReadLength{"LENGTH", 'L', 8, 4, Arg::kHalf};
constexpr Option kReadItem{"ITEM", 'I', 4, 5, Arg::kHalf};
constexpr Option kNumitems{"NUMITEMS", 'N', 7, 7, Arg::kHalf};
constexpr Option kReadqOptions[] = {kQueue, kInto, kSet, kReadLength, kReadItem, kNumitems, kSysid};

constexpr Option kDeleteqOptions[] = {kQueue, {"SYSID", 'S', 6, 3, Arg::kChars, 4}};

// EIBRESP2 of the temporary storage commands' INVREQ.
enum QueueRefusal : std::int32_t {
  kNoQueueName = 1,  // no QUEUE area passed
  kNoData = 2,       // WRITEQ without FROM, READQ without INTO or SET
  kRewriteWithoutItem = 3,
  kQueueLocked = 4,  // another task's unit of work kept the queue for lock_wait: abend ALCK
};

std::string_view queue_name(const Command& command) {
  return command.area(kQueue).chars(static_cast<std::size_t>(kQueue.size));
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
    case store::Outcome::held:
      return {kInvreq, kQueueLocked};
    default:
      return store_trouble(outcome);
  }
}

// Checks what every temporary storage command needs: a queue name, no
// remote system, a usable store.
Response check_common(const Command& command, store::Store*& store) {
  if (!command.area(kQueue).passed()) return {kInvreq, kNoQueueName};
  // This region is connected to no other system.
  if (command.has_flag(kSysid.flag_position)) return {kSysiderr, 0};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

// Makes a change to the command's queue: within the task's unit of work
// when the queue is recoverable.
store::Outcome change_queue(const Command& command, store::Store& store, const Change& change) {
  return change_within(command.task(), store,
                       region::current_config().recoverable_ts_queue(queue_name(command)), change);
}

Response writeq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  Area from = command.area(kWriteFrom);
  if (!from.passed()) return {kInvreq, kNoData};
  std::int16_t length = command.area(kWriteLength).half();
  if (length < 1) return {kLengerr, 0};
  store::ByteView data(from.read(static_cast<std::size_t>(length)));
  Area item = command.given_area(kWriteItem);
  if (item.passed()) item.require(sizeof(std::int16_t));

  if (command.given(kRewrite)) {
    if (!item.passed()) return {kInvreq, kRewriteWithoutItem};
    return response_of(change_queue(command, *store, [&](const store::UnitOfWork* uow) {
      return store->ts_rewrite(queue_name(command), item.half(), data, uow);
    }));
  }
  std::int32_t number = 0;
  store::Outcome outcome = change_queue(command, *store, [&](const store::UnitOfWork* uow) {
    return store->ts_write(queue_name(command), data, number, uow);
  });
  if (outcome == store::Outcome::ok) item.put_half(number);
  return response_of(outcome);
}

Response readq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  DataArea to{command.flag(kInto.flag_position), command.area(kInto),
              command.given_area(kReadLength)};
  if (!to.named()) return {kInvreq, kNoData};
  to.check_receivers();
  Area numitems = command.given_area(kNumitems);
  if (numitems.passed()) numitems.require(sizeof(std::int16_t));
  store::QueueItem item;
  store::Outcome outcome;
  Area number = command.given_area(kReadItem);
  if (number.passed()) {
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
  return response_of(change_queue(command, *store, [&](const store::UnitOfWork* uow) {
    return store->ts_delete(queue_name(command), uow);
  }));
}

constexpr CommandRow kCommands[] = {
    {0x0A02, "WRITEQ TS", writeq_ts, kWriteqOptions},
    {0x0A04, "READQ TS", readq_ts, kReadqOptions},
    {0x0A06, "DELETEQ TS", deleteq_ts, kDeleteqOptions},
};

}  // namespace

std::span<const CommandRow> temporary_storage_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
