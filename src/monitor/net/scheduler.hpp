// The region's scheduler: what runs the tasks that START asked for. A
// request waits in the store until it is due; then one process claims it
// (the claim removes it in one step, so it runs once whatever restarts or
// how many processes look) and runs it: the session of its terminal, when
// that terminal is between tasks, or a worker process that the listener
// forks when the scheduler process finds requests due without a terminal.
// docs/scheduler.md tells the whole design.
#pragma once

#include <chrono>
#include <string>

#include "monitor/region/runner.hpp"

namespace ravnmor::net {

// How often a terminal between tasks, and the scheduler process, look for
// due requests: the most a due task waits before it starts.
inline constexpr std::chrono::milliseconds kStartPoll{250};

// The most started tasks without a terminal that run at once; more wait
// in the store until one ends.
inline constexpr int kMostWorkers = 16;

// What ps shows for the scheduler process and a worker.
inline constexpr const char kSchedulerProcessName[] = "ravnmor-sched";
inline constexpr const char kWorkerProcessName[] = "ravnmor-worker";

// Claims the oldest due request at `terminal_id` (blank: without a
// terminal) and makes it the task `start` describes. False when none is due
// or the store cannot be used (the error log says why).
bool claim_started_task(const std::string& terminal_id, region::TaskStart& start);

// The session's terminal in the store's table of connected terminals, from
// the session's start to its end, so that START TERMID finds it.
void attach_terminal(const std::string& terminal_id);
void detach_terminal(const std::string& terminal_id);

// The scheduler process: until the region stops, writes one byte to
// `wake_fd` for each request due without a terminal (at most kMostWorkers a
// look), for the listener to fork a worker, and forgets the terminals whose
// session process has died. Its exit status.
int run_scheduler(int wake_fd);

// A worker process: claims one request due without a terminal and runs its
// task; exit status 0 (also when another worker claimed it first).
int run_worker();

}  // namespace ravnmor::net
