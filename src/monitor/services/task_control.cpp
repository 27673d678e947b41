// Task control: ENQ and DEQ on the region store's names, DELAY, SUSPEND and
// SYNCPOINT.
//
// ENQ        RESOURCE at 2; LENGTH "L" at 3, halfword at 3 (1-255): the
//            name is that many bytes of the area; without LENGTH the name
//            is the area's address, which means something only inside this
//            session. LUW/TASK at 5 and MAXLIFETIME "M" at 5 (at 4) change
//            nothing here. A name is held by the session that enqueued it
//            until its DEQ; a name held by another session is ENQBUSY at
//            once, since a terminal's session cannot wait for another.
// DEQ        RESOURCE at 2; LENGTH "L" at 3, halfword at 3. A name that this
//            session does not hold is left alone.
// DELAY      INTERVAL "I" or TIME "T" at 3, seven-byte packed 0hhmmss at 2:
//            waits that long, or until that time of day (no wait when it has
//            passed), at most kLongestDelay. DELAY alone does not wait.
// SUSPEND    gives the processor up for a moment.
// SYNCPOINT  every change is committed to the store as it is made, so there
//            is nothing left to commit, nor to back out (ROLLBACK "R" at 3).
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "host/bytes.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

namespace {

constexpr int kResourceArgument = 2;
constexpr int kLengthArgument = 3;
constexpr int kLengthFlag = 3;  // "L"
constexpr std::int32_t kLongestName = 255;

constexpr int kDelayArgument = 2;
constexpr int kDelayFlag = 3;  // "I" INTERVAL, "T" TIME
constexpr char kInterval = 'I';
constexpr char kTimeOfDay = 'T';
constexpr std::size_t kPackedLength = 7;
constexpr auto kLongestDelay = std::chrono::seconds(60);
constexpr int kSecondsPerDay = 24 * 3600;

// EIBRESP2 of the task control commands' INVREQ and LENGERR.
enum TaskRefusal : std::int32_t {
  kNoResource = 1,  // no RESOURCE area passed
  kBadLength = 2,   // LENGERR: LENGTH outside 1-255
  kBadPacked = 3,   // INTERVAL or TIME is no packed decimal number
  kBadHours = 4,    // hours beyond 23
  kBadMinutes = 5,  // minutes beyond 59
  kBadSeconds = 6,  // seconds beyond 59
};

// The store's name for the resource: its bytes, or, without LENGTH, "@" with
// this process and the address, so that no other session's address meets it.
Response resource_name(const Command& command, store::Bytes& name) {
  const auto* area = static_cast<const std::uint8_t*>(command.argument(kResourceArgument));
  if (area == nullptr) return {kInvreq, kNoResource};
  if (command.flag(kLengthFlag) == 'L') {
    const void* length_area = command.argument(kLengthArgument);
    std::int32_t length = length_area == nullptr ? 0 : host::load_half(length_area, 0);
    if (length < 1 || length > kLongestName) return {kLengerr, kBadLength};
    name.assign(area, area + length);
    return {};
  }
  std::int64_t where[2] = {getpid(),
                           static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(area))};
  name.assign(1, '@');
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(where);
  name.insert(name.end(), bytes, bytes + sizeof where);
  return {};
}

// The owner of this session's names.
std::int64_t session_owner() {
  return getpid();
}

// Seconds of a packed 0hhmmss (13 digits and a sign, the last six digits
// hhmmss); a refusal when it is not one.
Response packed_seconds(const std::uint8_t* packed, int& seconds) {
  std::int64_t value = 0;
  for (std::size_t i = 0; i < kPackedLength; ++i) {
    int high = packed[i] >> 4, low = packed[i] & 0xF;
    bool last = i + 1 == kPackedLength;
    if (high > 9 || (!last && low > 9) || (last && low < 0xA)) return {kInvreq, kBadPacked};
    value = value * 10 + high;
    if (!last) value = value * 10 + low;
  }
  auto hours = static_cast<int>(value / 10000 % 100);
  auto minutes = static_cast<int>(value / 100 % 100);
  auto secs = static_cast<int>(value % 100);
  if (value >= 240000) return {kInvreq, kBadHours};
  if (minutes > 59) return {kInvreq, kBadMinutes};
  if (secs > 59) return {kInvreq, kBadSeconds};
  seconds = hours * 3600 + minutes * 60 + secs;
  return {};
}

int seconds_until(int time_of_day) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  int now_seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  int wait = time_of_day - now_seconds;
  return wait > 0 && wait < kSecondsPerDay ? wait : 0;
}

}  // namespace

Response enq(const Command& command) {
  store::Bytes name;
  if (Response refused = resource_name(command, name); refused.resp != kNormal) return refused;
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::Outcome outcome = store->enq(name, session_owner());
  if (outcome == store::Outcome::ok) return {};
  if (outcome == store::Outcome::held) return {kEnqbusy, 0};
  return store_trouble(outcome);
}

Response deq(const Command& command) {
  store::Bytes name;
  if (Response refused = resource_name(command, name); refused.resp != kNormal) return refused;
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::Outcome outcome = store->deq(name, session_owner());
  if (outcome == store::Outcome::ok || outcome == store::Outcome::not_found) return {};
  return store_trouble(outcome);
}

Response delay(const Command& command) {
  char kind = command.flag(kDelayFlag);
  if (kind != kInterval && kind != kTimeOfDay) return {};
  const auto* packed = static_cast<const std::uint8_t*>(command.argument(kDelayArgument));
  if (packed == nullptr) return {kInvreq, kBadPacked};
  int seconds = 0;
  if (Response refused = packed_seconds(packed, seconds); refused.resp != kNormal) return refused;
  if (kind == kTimeOfDay) seconds = seconds_until(seconds);
  std::this_thread::sleep_for(
      std::min<std::chrono::seconds>(std::chrono::seconds(seconds), kLongestDelay));
  return {};
}

Response suspend(const Command&) {
  sched_yield();
  return {};
}

Response syncpoint(const Command&) {
  return {};
}

}  // namespace ravnmor::services
