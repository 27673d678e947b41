// A task's unit of work and its locks. Changes to recoverable resources (TS
// queues that match a recoverable model, ...) belong to the task's unit of
// work: SYNCPOINT commits it, SYNCPOINT ROLLBACK backs it out, and so does
// the task's end, committing when the task ended normally and backing out
// after an abend, a program failure or a lost terminal. ENQ names and the
// unit's locks are freed at the same points (docs/units-of-work.md).
#pragma once

#include <functional>
#include <string_view>

#include "monitor/services/command.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::control {
struct Task;
}

namespace ravnmor::services {

// The task in the store's terms: its session process and its number.
store::UnitOfWork unit_of_work(const control::Task& task);
store::Store::EnqOwner owner_of(const control::Task& task, bool luw = false);

// Makes the task's end commit or back out its unit of work and free its
// names and locks; for a task that changes a recoverable resource or takes
// a lock or an ENQ name, which lasts until the unit of work ends or, for
// Scope::task, until the task does.
enum class Scope { unit, task };
void join_unit_of_work(control::Task& task, Scope scope);

// Runs `attempt` for the task until what it wants is no longer held by
// another task: a holder whose process is gone is backed out and freed. It
// gives up, the last outcome (held), when the task is the youngest of a
// cycle of tasks waiting for one another (a deadlock), or after the
// region's lock_wait seconds.
store::Outcome wait_while_held(const control::Task& task, store::Store& store,
                               const std::function<store::Outcome()>& attempt);

// A change to a resource: within the task's unit of work when the resource
// is `recoverable` (the task joins it, and waits while another task's unit
// of work has what the change needs), else at once. A change that gives up waiting (in
// a deadlock, or after lock_wait) ends the task with abend kLockAbend: its
// unit of work is backed out, which frees what the other task waits for;
// the outcome is then held.
using Change = std::function<store::Outcome(const store::UnitOfWork*)>;
store::Outcome change_within(control::Task& task, store::Store& store, bool recoverable,
                             const Change& change);
inline constexpr std::string_view kLockAbend = "ALCK";

// SYNCPOINT: commits the unit of work (ROLLEDBACK, backed out, when the
// store cannot commit it); SYNCPOINT ROLLBACK: backs it out.
Response commit_unit_of_work(control::Task& task);
Response back_out_unit_of_work(control::Task& task);

}  // namespace ravnmor::services
