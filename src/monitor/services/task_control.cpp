// Task and interval control: ENQ and DEQ on the region store's names, DELAY,
// SUSPEND, SYNCPOINT, and START, RETRIEVE and CANCEL on its start requests.
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
// START      TRANSID char 4 at 3 (a transaction of the program table, else
//            TRANSIDERR); INTERVAL "I" or TIME "T" at 3, packed at 2; FROM "F"
//            at 5, ref 5, with LENGTH "L" at 4, half 6; TERMID "T" at 6, char
//            4 at 7; REQID "R" at 15, char 8 at 4 (made up and put in EIBREQID
//            when not given). The region starts no task by itself: the data
//            waits in the store until a task of that transaction, at that
//            terminal when TERMID was given, retrieves it, from the time the
//            interval ends. SYSID "S" at 7 names no system here: SYSIDERR.
// RETRIEVE   INTO "I" or SET "S" at 3, ref 2; LENGTH "L" at 5, ref 3: the
//            oldest due data of the task's transaction, once; ENDDATA when
//            none is waiting. RTRANSID, RTERMID and QUEUE are left alone.
// CANCEL     REQID "R" at 4, char 8 at 2: the start request goes unretrieved;
//            NOTFND when none of that name waits (or no REQID was given).
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "host/bytes.hpp"
#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/data_area.hpp"
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
  kNoResource = 1,      // no RESOURCE area passed
  kBadLength = 2,       // LENGERR: LENGTH outside 1-255
  kBadPacked = 3,       // INTERVAL or TIME is no packed decimal number
  kBadHours = 4,        // hours beyond 23
  kBadMinutes = 5,      // minutes beyond 59
  kBadSeconds = 6,      // seconds beyond 59
  kNoArea = 7,          // a START or RETRIEVE option without its area
  kDuplicateReqid = 8,  // START with the REQID of a request still waiting
};

// START's, RETRIEVE's and CANCEL's options and parameter positions.
constexpr int kStartTimeFlag = 3;  // "I" INTERVAL, "T" TIME
constexpr int kStartTimeArgument = 2;
constexpr int kStartTransidArgument = 3;
constexpr int kStartReqidFlag = 15;  // "R"
constexpr int kStartReqidArgument = 4;
constexpr int kStartFromFlag = 5;  // "F"
constexpr int kStartFromArgument = 5;
constexpr int kStartLengthArgument = 6;
constexpr int kStartTermidFlag = 6;  // "T"
constexpr int kStartTermidArgument = 7;
constexpr int kStartSysidFlag = 7;    // "S"
constexpr int kRetrieveAreaFlag = 3;  // "I" INTO, "S" SET
constexpr int kRetrieveAreaArgument = 2;
constexpr int kRetrieveLengthArgument = 3;
constexpr int kCancelReqidFlag = 4;  // "R"
constexpr int kCancelReqidArgument = 2;
constexpr std::size_t kReqidLength = 8;
constexpr std::size_t kIdLength = 4;                // TRANSID, TERMID
constexpr std::int32_t kTransactionNotDefined = 1;  // EIBRESP2 of TRANSIDERR

// The store's name for the resource: its bytes, or, without LENGTH, "@" with
// this process and the address, so that no other session's address meets it.
Response resource_name(const Command& command, store::Bytes& name) {
  Area area = command.area(kResourceArgument);
  if (!area.passed()) return {kInvreq, kNoResource};
  if (command.flag(kLengthFlag) == 'L') {
    std::int32_t length = command.area(kLengthArgument).half();
    if (length < 1 || length > kLongestName) return {kLengerr, kBadLength};
    std::span<const std::uint8_t> bytes = area.read(static_cast<std::size_t>(length));
    name.assign(bytes.begin(), bytes.end());
    return {};
  }
  std::int64_t where[2] = {
      getpid(), static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(area.address()))};
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
Response packed_seconds(const Area& area, int& seconds) {
  if (!area.passed()) return {kInvreq, kBadPacked};
  const std::uint8_t* packed = area.read(kPackedLength).data();
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

// `length` characters of `area` up to a NUL, blank-padded; blanks when
// there is no area.
std::string padded_text(const Area& area, std::size_t length) {
  std::string text(length, ' ');
  if (area.passed()) {
    std::string_view chars = area.chars(length);
    std::copy(chars.begin(), std::find(chars.begin(), chars.end(), '\0'), text.begin());
  }
  return text;
}

// A REQID of the region's own: "RV", this process and a count, so that no
// two sessions make the same one.
std::string made_up_reqid() {
  static std::uint32_t count = 0;
  char text[kReqidLength + 1];
  std::snprintf(text, sizeof text, "RV%03u%03u", static_cast<unsigned>(getpid() % 1000),
                static_cast<unsigned>(++count % 1000));
  return text;
}

// When START's data may be retrieved: now, after INTERVAL, or at TIME today.
Response start_due(const Command& command, std::int64_t& due) {
  due = std::time(nullptr);
  char kind = command.flag(kStartTimeFlag);
  if (kind != kInterval && kind != kTimeOfDay) return {};
  int seconds = 0;
  if (Response refused = packed_seconds(command.area(kStartTimeArgument), seconds);
      refused.resp != kNormal) {
    return refused;
  }
  due += kind == kTimeOfDay ? seconds_until(seconds) : seconds;
  return {};
}

}  // namespace

Response start(const Command& command) {
  if (command.has_flag(kStartSysidFlag)) return {kSysiderr, 0};
  store::StartRequest request;
  Area transid = command.area(kStartTransidArgument);
  if (!transid.passed()) return {kInvreq, kNoArea};
  request.transaction = padded_text(transid, kIdLength);
  if (!region::program_table().program_of(request.transaction)) {
    return {kTransiderr, kTransactionNotDefined};
  }
  if (Response refused = start_due(command, request.due); refused.resp != kNormal) return refused;
  if (command.has_flag(kStartFromFlag)) {
    Area from = command.area(kStartFromArgument);
    Area length = command.area(kStartLengthArgument);
    if (!from.passed() || !length.passed()) return {kInvreq, kNoArea};
    std::int16_t size = length.half();
    if (size < 0) return {kLengerr, 0};
    std::span<const std::uint8_t> data = from.read(static_cast<std::size_t>(size));
    request.data.assign(data.begin(), data.end());
  }
  request.terminal = command.has_flag(kStartTermidFlag)
                         ? padded_text(command.area(kStartTermidArgument), kIdLength)
                         : std::string(kIdLength, ' ');
  request.request = command.has_flag(kStartReqidFlag)
                        ? padded_text(command.area(kStartReqidArgument), kReqidLength)
                        : made_up_reqid();
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::Outcome outcome = store->start_put(request);
  if (outcome == store::Outcome::duplicate) return {kInvreq, kDuplicateReqid};
  if (outcome != store::Outcome::ok) return store_trouble(outcome);
  std::memcpy(control::task_blocks().eib + host::kEibReqid, request.request.data(), kReqidLength);
  return {};
}

Response retrieve(const Command& command) {
  DataArea to{command.flag(kRetrieveAreaFlag), command.area(kRetrieveAreaArgument),
              command.area(kRetrieveLengthArgument)};
  if (!to.named()) return {kInvreq, kNoArea};
  to.check_receivers();
  const control::Task& task = command.task();
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::StartRequest taken;
  std::string terminal = task.terminal_id;
  terminal.resize(kIdLength, ' ');
  std::string transaction = task.transaction;
  transaction.resize(kIdLength, ' ');
  store::Outcome outcome = store->start_take(transaction, terminal, std::time(nullptr), taken);
  if (outcome == store::Outcome::no_item) return {kEnddata, 0};
  if (outcome != store::Outcome::ok) return store_trouble(outcome);
  return deliver(to, taken.data);
}

Response cancel(const Command& command) {
  if (!command.has_flag(kCancelReqidFlag)) return {kNotfnd, 0};
  Area reqid = command.area(kCancelReqidArgument);
  if (!reqid.passed()) return {kInvreq, kNoArea};
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::Outcome outcome = store->start_cancel(padded_text(reqid, kReqidLength));
  if (outcome == store::Outcome::not_found) return {kNotfnd, 0};
  return outcome == store::Outcome::ok ? Response{} : store_trouble(outcome);
}

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
  int seconds = 0;
  if (Response refused = packed_seconds(command.area(kDelayArgument), seconds);
      refused.resp != kNormal) {
    return refused;
  }
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
