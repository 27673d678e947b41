// Task and interval control: DELAY, POST and WAIT EVENT, SUSPEND,
// SYNCPOINT, and START, RETRIEVE and CANCEL on the store's start requests.
// (ENQ and DEQ are in enqueue.cpp.)
//
// DELAY      INTERVAL or TIME, packed 0hhmmss+: waits that long, or until
//            that time of day (no wait when it has passed). A wait longer
//            than the region's wait_limit is refused at once (INVREQ 10).
//            DELAY alone does not wait. The translator passes nothing for
//            FOR and UNTIL: such a DELAY is DELAY alone.
// SUSPEND    gives the processor up for a moment.
// SYNCPOINT  commits the task's unit of work; ROLLBACK backs it out
//            (unit_of_work.hpp).
// START      TRANSID must name a transaction of the program table, else
//            TRANSIDERR; TERMID a connected terminal (or the task's own),
//            else TERMIDERR. The request waits in the store until it is due
//            (INTERVAL, or TIME today) and the region's scheduler runs it
//            once (docs/scheduler.md): at its terminal when that is between
//            tasks, else in a worker process. A REQID is made up and put in
//            EIBREQID when none is given. SYSID names no system: SYSIDERR.
// RETRIEVE   the data that START gave the task it started (FROM into INTO
//            or SET, RTRANSID, RTERMID, QUEUE), once; ENDDATA in a task that
//            no START started or that has retrieved it already. WAIT changes
//            nothing: there is never more to wait for.
// CANCEL     the start request does not run; NOTFND when none of that name
//            waits (or no REQID was given).
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "host/bytes.hpp"
#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/data_area.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"
#include "monitor/services/storage.hpp"
#include "monitor/services/unit_of_work.hpp"

namespace ravnmor::services {

namespace {

constexpr std::size_t kPackedLength = 4;  // 0hhmmss+: seven digits and the sign
constexpr Option kInterval{"INTERVAL", 'I', 3, 2, Arg::kPacked, kPackedLength};
constexpr Option kTime{"TIME", 'T', 3, 2, Arg::kPacked, kPackedLength};
constexpr Option kDelayOptions[] = {kInterval, kTime, {"REQID", 'R', 4, 3, Arg::kChars, 8}};
// The longest DELAY or WAIT EVENT the region lets a task wait: it holds
// the task's session process, and at a terminal its keyboard stays locked.
// A region setting once the region configuration has one.
// The longest DELAY or WAIT EVENT the region allows.
std::chrono::seconds longest_wait() {
  return std::chrono::seconds(region::current_config().wait_limit);
}
constexpr int kSecondsPerDay = 24 * 3600;

// EIBRESP2 of the task control commands' INVREQ and LENGERR.
enum TaskRefusal : std::int32_t {
  kBadPacked = 3,       // INTERVAL or TIME is no packed decimal number
  kBadHours = 4,        // hours beyond 23
  kBadMinutes = 5,      // minutes beyond 59
  kBadSeconds = 6,      // seconds beyond 59
  kNoArea = 7,          // a START or RETRIEVE option without its area
  kDuplicateReqid = 8,  // START with the REQID of a request still waiting
  kNotAnEvent = 9,      // WAIT EVENT of an address that POST did not hand out
  kNotDueInTime = 10,   // DELAY or WAIT EVENT longer than the region's longest wait
};

constexpr std::size_t kReqidLength = 8;
constexpr std::size_t kIdLength = 4;  // TRANSID, TERMID
constexpr Option kTransid{"TRANSID", ' ', 0, 3, Arg::kChars, kIdLength, Names::resource};
constexpr Option kStartReqid{"REQID", 'R', 15, 4, Arg::kChars, kReqidLength};
constexpr Option kStartFrom{"FROM", 'F', 5, 5, Arg::kData};
constexpr Option kStartLength{"LENGTH", 'L', 4, 6, Arg::kHalf};
constexpr Option kTermid{"TERMID", 'T', 6, 7, Arg::kChars, kIdLength};
constexpr Option kStartSysid{"SYSID", 'S', 7, 0, Arg::kUnread};
constexpr std::size_t kQueueLength = 8;
constexpr Option kStartRtransid{"RTRANSID", 'R', 8, 9, Arg::kChars, kIdLength};
constexpr Option kStartRtermid{"RTERMID", 'R', 9, 10, Arg::kChars, kIdLength};
constexpr Option kStartQueue{"QUEUE", 'Q', 10, 11, Arg::kChars, kQueueLength};
constexpr Option kStartProtect{"PROTECT", 'P', 12};  // every request is kept in the store
constexpr Option kStartOptions[] = {kInterval,      kTime,         kTransid,    kStartReqid,
                                    kStartFrom,     kStartLength,  kTermid,     kStartSysid,
                                    kStartRtransid, kStartRtermid, kStartQueue, kStartProtect};
constexpr Option kRetrieveInto{"INTO", kIntoArea, 3, 2, Arg::kData};
constexpr Option kRetrieveSet{"SET", kSetPointer, 3, 2, Arg::kPointer};
constexpr Option kRetrieveLength{"LENGTH", 'L', 5, 3, Arg::kHalf};
constexpr Option kRetrieveRtransid{"RTRANSID", 'R', 8, 4, Arg::kBytes, kIdLength};
constexpr Option kRetrieveRtermid{"RTERMID", 'R', 9, 5, Arg::kBytes, kIdLength};
constexpr Option kRetrieveQueue{"QUEUE", 'Q', 10, 6, Arg::kBytes, kQueueLength};
constexpr Option kRetrieveWait{"WAIT", 'W', 11};
constexpr Option kRetrieveOptions[] = {kRetrieveInto,     kRetrieveSet,     kRetrieveLength,
                                       kRetrieveRtransid, kRetrieveRtermid, kRetrieveQueue,
                                       kRetrieveWait};
constexpr Option kCancelReqid{"REQID", 'R', 4, 2, Arg::kChars, kReqidLength};
constexpr Option kCancelSysid{"SYSID", 'S', 8, 0, Arg::kUnread};
constexpr Option kCancelOptions[] = {kCancelReqid, kCancelSysid};
constexpr std::int32_t kTransactionNotDefined = 1;  // EIBRESP2 of TRANSIDERR
constexpr std::int32_t kTerminalNotKnown = 1;       // EIBRESP2 of TERMIDERR

// Seconds of a packed 0hhmmss+ (the last six digits hhmmss); a refusal when
// it is not one.
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
  std::string text(area.passed() ? area.text(length) : "");
  text.resize(length, ' ');
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

// Seconds from now that INTERVAL or TIME asks for; 0 without either.
Response interval_of(const Command& command, int& seconds) {
  seconds = 0;
  bool time_of_day = command.given(kTime);
  if (!time_of_day && !command.given(kInterval)) return {};
  if (Response refused = packed_seconds(command.area(kInterval), seconds);
      refused.resp != kNormal) {
    return refused;
  }
  if (time_of_day) seconds = seconds_until(seconds);
  return {};
}

// When START's data may be retrieved: now, after INTERVAL, or at TIME today.
Response start_due(const Command& command, std::int64_t& due) {
  int seconds = 0;
  if (Response refused = interval_of(command, seconds); refused.resp != kNormal) return refused;
  due = std::time(nullptr) + seconds;
  return {};
}

}  // namespace

namespace {

// Whether START may name `terminal`: a connected one, or the task's own.
Response terminal_known(store::Store& store, const control::Task& task,
                        const std::string& terminal) {
  std::string own = task.terminal_id;
  own.resize(kIdLength, ' ');
  if (task.terminal != nullptr && terminal == own) return {};
  store::Outcome known = store.terminal_known(terminal);
  if (known == store::Outcome::not_found) return {kTermiderr, kTerminalNotKnown};
  return known == store::Outcome::ok ? Response{} : store_trouble(known);
}

// A blank-padded value of a START option, blanks when it was not given.
std::string option_text(const Command& command, const Option& option) {
  auto size = static_cast<std::size_t>(option.size);
  return command.given(option) ? padded_text(command.area(option), size) : std::string(size, ' ');
}

}  // namespace

Response start(const Command& command) {
  if (command.given(kStartSysid)) return {kSysiderr, 0};
  store::StartRequest request;
  Area transid = command.area(kTransid);
  if (!transid.passed()) return {kInvreq, kNoArea};
  request.transaction = padded_text(transid, kIdLength);
  if (!region::program_table().program_of(request.transaction)) {
    return {kTransiderr, kTransactionNotDefined};
  }
  if (Response refused = start_due(command, request.due); refused.resp != kNormal) return refused;
  if (command.given(kStartFrom)) {
    Area from = command.area(kStartFrom);
    // FROM's default LENGTH comes after the parameters the translator
    // counts (it counts before it adds the default): read it uncounted.
    Area length =
        command.given(kStartLength) ? command.uncounted_area(kStartLength.argument) : Area{};
    if (!from.passed() || !length.passed()) return {kInvreq, kNoArea};
    std::int16_t size = length.half();
    if (size < 0) return {kLengerr, 0};
    std::span<const std::uint8_t> data = from.read(static_cast<std::size_t>(size));
    request.data.assign(data.begin(), data.end());
  }
  request.terminal = option_text(command, kTermid);
  request.rtransid = option_text(command, kStartRtransid);
  request.rtermid = option_text(command, kStartRtermid);
  request.queue = option_text(command, kStartQueue);
  request.request = command.given(kStartReqid)
                        ? padded_text(command.area(kStartReqid), kReqidLength)
                        : made_up_reqid();
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  if (command.given(kTermid)) {
    Response known = terminal_known(*store, command.task(), request.terminal);
    if (known.resp != kNormal) return known;
  }
  store::Outcome outcome = store->start_put(request);
  if (outcome == store::Outcome::duplicate) return {kInvreq, kDuplicateReqid};
  if (outcome != store::Outcome::ok) return store_trouble(outcome);
  std::memcpy(control::task_blocks().eib + host::kEibReqid, request.request.data(), kReqidLength);
  return {};
}

Response retrieve(const Command& command) {
  DataArea to{command.flag(kRetrieveInto.flag_position), command.area(kRetrieveInto),
              command.area(kRetrieveLength)};
  if (to.named()) to.check_receivers();
  control::Task& task = command.task();
  bool carries =
      task.started && (!task.started->data.empty() ||
                       task.started->rtransid.find_first_not_of(' ') != std::string::npos ||
                       task.started->rtermid.find_first_not_of(' ') != std::string::npos ||
                       task.started->queue.find_first_not_of(' ') != std::string::npos);
  if (!carries || task.retrieved) return {kEnddata, 0};
  const control::StartData& given = *task.started;
  std::vector<Answer> answers;
  if (command.given(kRetrieveRtransid)) {
    answers.emplace_back(command.area(kRetrieveRtransid), given.rtransid);
  }
  if (command.given(kRetrieveRtermid)) {
    answers.emplace_back(command.area(kRetrieveRtermid), given.rtermid);
  }
  if (command.given(kRetrieveQueue))
    answers.emplace_back(command.area(kRetrieveQueue), given.queue);
  if (!to.named() && answers.empty()) return {kInvreq, kNoArea};
  Response delivered = to.named() ? deliver(to, given.data) : Response{};
  if (delivered.resp != kNormal && delivered.resp != kLengerr) return delivered;
  write_answers(answers);
  task.retrieved = true;
  return delivered;
}

Response cancel(const Command& command) {
  if (command.given(kCancelSysid)) return {kSysiderr, 0};
  if (!command.given(kCancelReqid)) return {kNotfnd, 0};
  Area reqid = command.area(kCancelReqid);
  if (!reqid.passed()) return {kInvreq, kNoArea};
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  store::Outcome outcome = store->start_cancel(padded_text(reqid, kReqidLength));
  if (outcome == store::Outcome::not_found) return {kNotfnd, 0};
  return outcome == store::Outcome::ok ? Response{} : store_trouble(outcome);
}

Response delay(const Command& command) {
  int seconds = 0;
  if (Response refused = interval_of(command, seconds); refused.resp != kNormal) return refused;
  if (std::chrono::seconds(seconds) > longest_wait()) return {kInvreq, kNotDueInTime};
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  return {};
}

// POST and WAIT EVENT: POST gives the program an event control block (a
// fullword of task storage, its address through SET) that is posted, its
// first byte X'40', when INTERVAL or TIME comes; WAIT EVENT ECADDR, given
// the block's address, waits until then (at most the region's wait_limit) and posts
// it. REQID is accepted; CANCEL reaches only START's requests.
namespace {

constexpr Option kPostSet{"SET", ' ', 0, 3, Arg::kPointer};
constexpr Option kPostReqid{"REQID", 'R', 4, 4, Arg::kChars, kReqidLength};
constexpr Option kPostOptions[] = {kInterval, kTime, kPostSet, kPostReqid};
constexpr Option kEcaddr{"ECADDR", ' ', 0, 2, Arg::kPointer};
constexpr Option kWaitEventOptions[] = {kEcaddr};
constexpr std::size_t kEventBlockSize = 4;
constexpr std::uint8_t kPosted = 0x40;

// The events POST handed out and not yet waited for: when each is due and
// the task it belongs to (its storage ends with that task).
struct PendingEvent {
  std::chrono::steady_clock::time_point due;
  std::uint32_t task;
};
std::map<std::uint8_t*, PendingEvent> pending_events;

}  // namespace

Response post(const Command& command) {
  Area set = command.area(kPostSet);
  if (!set.passed()) return {kInvreq, kNoArea};
  set.require(kPointerSize);
  int seconds = 0;
  if (Response refused = interval_of(command, seconds); refused.resp != kNormal) return refused;
  std::uint8_t* event = acquire_task_storage(kEventBlockSize);
  if (event == nullptr) return {kNostg, 0};
  pending_events[event] = {std::chrono::steady_clock::now() + std::chrono::seconds(seconds),
                           command.task().number};
  set.put_word(host::ptr_to_word(event));
  return {};
}

Response wait_event(const Command& command) {
  Area ecaddr = command.area(kEcaddr);
  if (!ecaddr.passed()) return {kInvreq, kNotAnEvent};
  std::uint8_t* event = host::word_to_ptr(static_cast<std::uint32_t>(ecaddr.word()));
  std::erase_if(pending_events,
                [&](const auto& entry) { return entry.second.task != command.task().number; });
  auto found = pending_events.find(event);
  if (found == pending_events.end()) return {kInvreq, kNotAnEvent};
  auto latest = std::chrono::steady_clock::now() + longest_wait();
  if (found->second.due > latest) return {kInvreq, kNotDueInTime};
  std::this_thread::sleep_until(found->second.due);
  pending_events.erase(found);
  event[0] = kPosted;
  return {};
}

Response suspend(const Command&) {
  sched_yield();
  return {};
}

constexpr Option kRollback{"ROLLBACK", 'R', 3};
constexpr Option kSyncpointOptions[] = {kRollback};

Response syncpoint(const Command& command) {
  return command.has_flag(kRollback.flag_position) ? back_out_unit_of_work(command.task())
                                                   : commit_unit_of_work(command.task());
}

namespace {
constexpr CommandRow kCommands[] = {
    {0x1004, "DELAY", delay, kDelayOptions},
    {0x1006, "POST", post, kPostOptions},
    {0x1008, "START", start, kStartOptions},
    {0x100A, "RETRIEVE", retrieve, kRetrieveOptions},
    {0x100C, "CANCEL", cancel, kCancelOptions},
    {0x1202, "WAIT EVENT", wait_event, kWaitEventOptions},
    {0x1208, "SUSPEND", suspend, {}},
    {0x1602, "SYNCPOINT", syncpoint, kSyncpointOptions},
};
}  // namespace

std::span<const CommandRow> task_control_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
