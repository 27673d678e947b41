#include "monitor/services/unit_of_work.hpp"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::services {

namespace {

// A waiting task looks again after a short pause, doubled up to the longest.
constexpr auto kFirstPause = std::chrono::milliseconds(5);
constexpr auto kLongestPause = std::chrono::milliseconds(200);

bool process_gone(std::int64_t process) {
  return kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
}

void log_trouble(const control::Task& task, store::Store& store, const char* what) {
  region::log_error("task " + std::to_string(task.number) + ": " + what + ": " +
                    store.last_error());
}

// What the running task has in the store: changes or locks of its unit of
// work since its last syncpoint, and names or locks that last as long as
// the task. The task's end asks the store only for what there is.
struct Holdings {
  pid_t process = 0;
  std::uint32_t task = 0;
  bool unit = false;
  bool task_names = false;
};
Holdings holdings;

Holdings& holdings_of(const control::Task& task) {
  if (holdings.process != this_process() || holdings.task != task.number) {
    holdings = {this_process(), task.number};
  }
  return holdings;
}

// The end of a task: its unit of work committed or backed out, every name
// and lock it held freed.
void end_task(const control::Task& task, bool normally) {
  store::Store* store = region_store();
  Holdings& held = holdings_of(task);
  if (store == nullptr) return;
  const store::UnitOfWork unit = unit_of_work(task);
  if (held.unit && (normally ? store->uow_commit(unit) != store::Outcome::ok
                             : store->uow_backout(unit) != store::Outcome::ok)) {
    log_trouble(task, *store,
                normally ? "unit of work not committed" : "unit of work not backed out");
  }
  if (held.task_names && store->deq_task(owner_of(task), false) != store::Outcome::ok) {
    log_trouble(task, *store, "ENQ names not released");
  }
  held = {};
}

}  // namespace

store::UnitOfWork unit_of_work(const control::Task& task) {
  return {this_process(), task.number};
}

store::Store::EnqOwner owner_of(const control::Task& task, bool luw) {
  return {this_process(), task.number, luw};
}

void join_unit_of_work(control::Task& task, Scope scope) {
  Holdings& held = holdings_of(task);
  if (!held.unit && !held.task_names) {
    task.at_end.push_back([&task](bool normally) { end_task(task, normally); });
  }
  (scope == Scope::unit ? held.unit : held.task_names) = true;
}

store::Outcome wait_while_held(const control::Task& task, store::Store& store,
                               const std::function<store::Outcome()>& attempt) {
  const int limit = region::current_config().lock_wait;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit);
  const store::UnitOfWork me = unit_of_work(task);
  const std::int64_t began =
      std::chrono::duration_cast<std::chrono::microseconds>(task.began.time_since_epoch()).count();
  bool waited = false;
  store::Outcome outcome = store::Outcome::ok;
  for (auto pause = kFirstPause;; pause = std::min(pause * 2, kLongestPause)) {
    outcome = attempt();
    if (outcome != store::Outcome::held) break;
    const store::Store::EnqOwner holder = store.last_holder();
    if (process_gone(holder.process)) {
      store.uow_backout_process(holder.process);
      continue;
    }
    waited = store.wait_begin(me, began, holder) == store::Outcome::ok || waited;
    store::UnitOfWork victim;
    if (store.deadlock_victim(me, victim) == store::Outcome::ok && victim.process == me.process &&
        victim.task == me.task) {
      break;  // the youngest task of a deadlock gives way
    }
    if (limit > 0 && std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(pause);
  }
  if (waited) store.wait_end(me);
  return outcome;
}

store::Outcome change_within(control::Task& task, store::Store& store, bool recoverable,
                             const Change& change) {
  if (!recoverable) return change(nullptr);
  join_unit_of_work(task, Scope::unit);
  const store::UnitOfWork unit = unit_of_work(task);
  const store::Outcome outcome = wait_while_held(task, store, [&] { return change(&unit); });
  if (outcome != store::Outcome::held) return outcome;
  region::log_error("task " + std::to_string(task.number) +
                    " gave way in a deadlock or waited lock_wait for a lock: abend " +
                    std::string(kLockAbend));
  store.uow_backout(unit);
  task.abend_code = std::string(kLockAbend);
  task.abend_program = task.program;
  task.abended = true;
  return outcome;
}

Response commit_unit_of_work(control::Task& task) {
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  holdings_of(task).unit = false;
  if (store->uow_commit(unit_of_work(task)) == store::Outcome::ok) return {};
  log_trouble(task, *store, "unit of work not committed, backed out");
  store->uow_backout(unit_of_work(task));
  return {kRolledback, 0};
}

Response back_out_unit_of_work(control::Task& task) {
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  holdings_of(task).unit = false;
  const store::Outcome outcome = store->uow_backout(unit_of_work(task));
  return outcome == store::Outcome::ok ? Response{} : store_trouble(outcome);
}

}  // namespace ravnmor::services
