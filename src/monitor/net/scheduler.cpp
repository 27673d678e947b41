#include "monitor/net/scheduler.hpp"

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <vector>

#include "monitor/net/connection.hpp"
#include "monitor/region/log.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::net {

namespace {

constexpr std::size_t kTerminalIdLength = 4;
constexpr char kWorkerWanted = 'W';

std::string padded(std::string id) {
  id.resize(kTerminalIdLength, ' ');
  return id;
}

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

void log_store_trouble(store::Store& store, const char* what) {
  region::log_error(std::string("region store: ") + what + ": " + store.last_error());
}

// The terminals whose session process is gone (killed, crashed) are no
// longer connected: its units of work are backed out and its ENQ names and
// locks freed.
void forget_dead_terminals(store::Store& store) {
  std::vector<store::Store::ConnectedTerminal> connected;
  if (store.terminals(connected) != store::Outcome::ok) return;
  for (const auto& terminal : connected) {
    if (kill(static_cast<pid_t>(terminal.process), 0) != 0 && errno == ESRCH) {
      store.terminal_detach(terminal.terminal, terminal.process);
      store.uow_backout_process(terminal.process);
    }
  }
}

// Keeps the task running at the session's terminal in the table.
void record_task(const control::Task& task, bool running) {
  store::Store* store = services::region_store();
  if (store == nullptr || task.terminal_id.empty()) return;
  if (store->terminal_task(padded(task.terminal_id), getpid(), running ? task.number : 0,
                           running ? padded(task.transaction) : "") != store::Outcome::ok) {
    log_store_trouble(*store, "recording the terminal's task");
  }
}

void pause_for(std::chrono::milliseconds time) {
  poll(nullptr, 0, static_cast<int>(time.count()));
}

}  // namespace

bool claim_started_task(const std::string& terminal_id, region::TaskStart& start) {
  store::Store* store = services::region_store();
  if (store == nullptr) return false;
  const std::string terminal = padded(terminal_id);
  const std::int64_t now = std::time(nullptr);
  std::int64_t due = 0;
  if (store->start_due(terminal, now, due) != store::Outcome::ok || due == 0) return false;
  store::StartRequest claimed;
  store::Outcome outcome = store->start_claim(terminal, now, claimed);
  if (outcome != store::Outcome::ok) {
    if (outcome != store::Outcome::no_item) log_store_trouble(*store, "claiming a START");
    return false;
  }
  start.transaction = trimmed(claimed.transaction);
  start.input.clear();
  start.commarea.clear();
  start.started = control::StartData{claimed.request, std::move(claimed.data), claimed.rtransid,
                                     claimed.rtermid, claimed.queue};
  region::log_event(region::LogLevel::info,
                    "START request " + trimmed(claimed.request) + " runs transaction " +
                        start.transaction +
                        (terminal_id.empty() ? " without a terminal" : " at " + terminal_id));
  return true;
}

void attach_terminal(const std::string& terminal_id) {
  store::Store* store = services::region_store();
  if (store != nullptr &&
      store->terminal_attach(padded(terminal_id), getpid()) != store::Outcome::ok) {
    log_store_trouble(*store, "recording the terminal");
  }
  region::set_task_watcher(record_task);
}

void detach_terminal(const std::string& terminal_id) {
  if (store::Store* store = services::region_store()) {
    store->terminal_detach(padded(terminal_id), getpid());
  }
}

int run_scheduler(int wake_fd) {
  prctl(PR_SET_NAME, kSchedulerProcessName);
  region::set_log_context("scheduler");
  const std::string without_terminal = padded("");
  while (!stop_requested()) {
    if (store::Store* store = services::region_store()) {
      forget_dead_terminals(*store);
      std::int64_t due = 0;
      if (store->start_due(without_terminal, std::time(nullptr), due) == store::Outcome::ok &&
          due > 0) {
        std::vector<char> wanted(
            static_cast<std::size_t>(std::min<std::int64_t>(due, kMostWorkers)), kWorkerWanted);
        if (write(wake_fd, wanted.data(), wanted.size()) < 0 && errno == EPIPE) return 0;
      }
    }
    pause_for(kStartPoll);
  }
  return 0;
}

int run_worker() {
  prctl(PR_SET_NAME, kWorkerProcessName);
  region::set_log_context("worker " + std::to_string(getpid()));
  region::TaskStart start;
  start.terminal_id.clear();
  start.terminal_number = 0;
  if (!claim_started_task("", start)) return 0;
  region::TaskOutcome outcome = region::run_transaction(nullptr, start);
  switch (outcome.end) {
    case region::TaskEnd::no_transaction:
    case region::TaskEnd::no_program:
    case region::TaskEnd::failed:
      region::log_event(region::LogLevel::warning,
                        "transaction " + start.transaction + " could not run");
      break;
    case region::TaskEnd::abended:
      region::log_event(region::LogLevel::warning,
                        "transaction " + start.transaction + " abended " + outcome.abend_code);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace ravnmor::net
