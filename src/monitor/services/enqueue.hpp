// ENQ names belong to the task that enqueued them: released by its DEQ, at
// its end (normal or abnormal), at its syncpoint when enqueued with LUW, and
// when its session process is found dead.
#pragma once

namespace ravnmor::control {
struct Task;
}

namespace ravnmor::services {

// Releases the task's names: only those enqueued with LUW at a syncpoint.
void release_enqueues(const control::Task& task, bool luw_only);

}  // namespace ravnmor::services
