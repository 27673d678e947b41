// ENQ and DEQ on the region's names, shared by every session through the
// store.
//
// ENQ   with LENGTH (1-255) the name is that many bytes of RESOURCE; without,
//       the name is the area's address, which means something only inside
//       this session. A name another task holds is waited for until it is
//       free, or until its holder's session process is found dead (its names
//       are then released); after the region's lock_wait seconds the ENQ
//       answers ENQBUSY (EIBRESP2 kWaitedTooLong), which breaks a deadlock
//       between two tasks. The layout has no NOSUSPEND for ENQ. LUW releases
//       the name at the task's next syncpoint too; TASK is the default;
//       MAXLIFETIME is accepted.
// DEQ   a name that this task does not hold is left alone.
#include <cstdint>

#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/unit_of_work.hpp"

namespace ravnmor::services {

namespace {

constexpr std::int32_t kLongestName = 255;
constexpr Option kResource{"RESOURCE", ' ', 0, 2, Arg::kData};
constexpr Option kResourceLength{"LENGTH", 'L', 3, 3, Arg::kHalf};
constexpr Option kLuw{"LUW", 'L', 5};
constexpr Option kTask{"TASK", 'T', 5};
constexpr Option kMaxlifetime{"MAXLIFETIME", 'M', 5, 4, Arg::kUnread};
constexpr Option kEnqOptions[] = {kResource, kResourceLength, kLuw, kTask, kMaxlifetime};
constexpr Option kDeqOptions[] = {kResource, kResourceLength};

// EIBRESP2 of ENQ and DEQ.
enum EnqRefusal : std::int32_t {
  kNoResource = 1,     // INVREQ: no RESOURCE area passed
  kBadLength = 2,      // LENGERR: LENGTH outside 1-255
  kWaitedTooLong = 3,  // ENQBUSY: held by another task for the region's lock_wait
};

// The store's name for the resource: its bytes, or, without LENGTH, "@" with
// this process and the address, so that no other session's address meets it.
Response resource_name(const Command& command, store::Bytes& name) {
  Area area = command.area(kResource);
  if (!area.passed()) return {kInvreq, kNoResource};
  if (command.given(kResourceLength)) {
    std::int32_t length = command.area(kResourceLength).half();
    if (length < 1 || length > kLongestName) return {kLengerr, kBadLength};
    std::span<const std::uint8_t> bytes = area.read(static_cast<std::size_t>(length));
    name.assign(bytes.begin(), bytes.end());
    return {};
  }
  std::int64_t where[2] = {
      this_process(), static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(area.address()))};
  name.assign(1, '@');
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(where);
  name.insert(name.end(), bytes, bytes + sizeof where);
  return {};
}

Response enq(const Command& command) {
  store::Bytes name;
  if (Response refused = resource_name(command, name); refused.resp != kNormal) return refused;
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  const store::Store::EnqOwner owner =
      owner_of(command.task(), command.has_flag(kLuw.flag_position));
  store::Store::EnqOwner holder;
  const store::Outcome outcome =
      wait_while_held(command.task(), *store, [&] { return store->enq(name, owner, holder); });
  if (outcome == store::Outcome::held) return {kEnqbusy, kWaitedTooLong};
  if (outcome != store::Outcome::ok) return store_trouble(outcome);
  join_unit_of_work(command.task(), owner.luw ? Scope::unit : Scope::task);
  return {};
}

Response deq(const Command& command) {
  store::Bytes name;
  if (Response refused = resource_name(command, name); refused.resp != kNormal) return refused;
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::Outcome outcome = store->deq(name, owner_of(command.task()));
  if (outcome == store::Outcome::ok || outcome == store::Outcome::not_found) return {};
  return store_trouble(outcome);
}

constexpr CommandRow kCommands[] = {
    {0x1204, "ENQ", enq, kEnqOptions},
    {0x1206, "DEQ", deq, kDeqOptions},
};

}  // namespace

std::span<const CommandRow> enqueue_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
