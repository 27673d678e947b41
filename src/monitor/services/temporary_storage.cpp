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
#include <algorithm>
#include <cstring>
#include <string_view>

#include "host/bytes.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/storage.hpp"

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
constexpr int kReadAreaFlag = 3;  // "I" INTO, "S" SET
constexpr char kInto = 'I';
constexpr char kSet = 'S';
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
  const auto* name = static_cast<const char*>(command.argument(kQueueArgument));
  return name == nullptr ? std::string_view{} : std::string_view(name, kQueueNameLength);
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
  if (command.argument(kQueueArgument) == nullptr) return {kInvreq, kNoQueueName};
  // This region is connected to no other system.
  if (command.has_flag(kSysidFlag)) return {kSysiderr, 0};
  store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  return {};
}

void put_half(void* area, std::int32_t value) {
  if (area != nullptr) host::store_half(area, 0, static_cast<std::int16_t>(value));
}

// Delivers an item read into the INTO area or a SET pointer, with its
// length; LENGERR when it is longer than the INTO area.
Response deliver(const Command& command, const store::QueueItem& item) {
  void* area = command.argument(kReadAreaArgument);
  void* length =
      command.has_flag(kReadLengthFlag) ? command.argument(kReadLengthArgument) : nullptr;
  if (command.has_flag(kReadNumitemsFlag))
    put_half(command.argument(kReadNumitemsArgument), item.count);
  auto size = static_cast<std::int32_t>(item.data.size());
  if (command.flag(kReadAreaFlag) == kSet) {
    std::uint8_t* block = acquire_task_storage(item.data.size());
    if (block == nullptr) return {kNostg, 0};
    std::memcpy(block, item.data.data(), item.data.size());
    host::store_word(area, 0, host::ptr_to_word(block));
    put_half(length, size);
    return {};
  }
  std::int32_t room = length == nullptr ? 0 : std::max<std::int32_t>(host::load_half(length, 0), 0);
  std::memcpy(area, item.data.data(), static_cast<std::size_t>(std::min(room, size)));
  put_half(length, size);
  return size > room ? Response{kLengerr, 0} : Response{};
}

}  // namespace

Response writeq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  const auto* from = static_cast<const std::uint8_t*>(command.argument(kWriteFromArgument));
  const void* length_area = command.argument(kWriteLengthArgument);
  if (from == nullptr) return {kInvreq, kNoData};
  std::int16_t length = length_area == nullptr ? 0 : host::load_half(length_area, 0);
  if (length < 1) return {kLengerr, 0};
  store::ByteView data(from, static_cast<std::size_t>(length));
  void* item = command.has_flag(kWriteItemFlag) ? command.argument(kWriteItemArgument) : nullptr;

  if (command.has_flag(kWriteRewriteFlag)) {
    if (item == nullptr) return {kInvreq, kRewriteWithoutItem};
    return response_of(store->ts_rewrite(queue_name(command), host::load_half(item, 0), data));
  }
  std::int32_t number = 0;
  store::Outcome outcome = store->ts_write(queue_name(command), data, number);
  if (outcome == store::Outcome::ok) put_half(item, number);
  return response_of(outcome);
}

Response readq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  char area_kind = command.flag(kReadAreaFlag);
  if ((area_kind != kInto && area_kind != kSet) || command.argument(kReadAreaArgument) == nullptr) {
    return {kInvreq, kNoData};
  }
  store::QueueItem item;
  store::Outcome outcome;
  const void* number = command.argument(kReadItemArgument);
  if (command.has_flag(kReadItemFlag) && number != nullptr) {
    outcome = store->ts_read(queue_name(command), host::load_half(number, 0), item);
  } else {
    outcome = store->ts_read_next(queue_name(command), item);
  }
  if (outcome != store::Outcome::ok) return response_of(outcome);
  return deliver(command, item);
}

Response deleteq_ts(const Command& command) {
  store::Store* store = nullptr;
  if (Response refused = check_common(command, store); refused.resp != kNormal) return refused;
  return response_of(store->ts_delete(queue_name(command)));
}

}  // namespace ravnmor::services
