#include "monitor/net/session.hpp"

#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

#include "monitor/net/scheduler.hpp"
#include "monitor/net/tn3270_terminal.hpp"
#include "monitor/region/log.hpp"
#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"

namespace ravnmor::net {

namespace {

std::string region_name() {
  return region::current_config().name;
}

const terminal::CodePage& region_code_page() {
  const terminal::CodePage* page = terminal::find_code_page(region::current_config().codepage);
  return page ? *page : terminal::default_code_page();
}

// How long a turned-away terminal is shown the region-full screen at most.
constexpr std::chrono::seconds kRefusalShown{60};

std::string abend_code_text(const std::string& code) {
  std::string shown = code.substr(0, code.find_last_not_of(' ') + 1);
  return shown.empty() ? "(none)" : shown;
}

// The screen that tells the user why a transaction did not run; nothing when
// it ran.
std::optional<Record> task_failure_screen(const std::string& transaction,
                                          const region::TaskOutcome& outcome) {
  switch (outcome.end) {
    case region::TaskEnd::no_transaction:
      return message_screen(unknown_transaction_message(transaction, region_name()));
    case region::TaskEnd::no_program:
      return message_screen("Transaction " + transaction + " has no program in region " +
                            region_name() + ".");
    case region::TaskEnd::abended:
      return message_screen("Transaction " + transaction + " abended with code " +
                            abend_code_text(outcome.abend_code) + ".");
    case region::TaskEnd::failed:
      return message_screen("Transaction " + transaction +
                            " failed; the region's error log has the reason.");
    case region::TaskEnd::returned:
    case region::TaskEnd::program_ended:
      break;
  }
  return std::nullopt;
}

}  // namespace

TerminalIdentity terminal_identity(int session_number) {
  char id[8];
  std::snprintf(id, sizeof id, "T%03d", session_number % kTerminalIds);
  return {id, session_number};
}

void route_terminal(terminal::Terminal& terminal, const TerminalIdentity& identity) {
  if (!terminal.send(
          greeting_screen({region_name(), identity.id, identity.number, std::time(nullptr),
                           std::string(region_code_page().name())}))) {
    return;
  }
  std::optional<std::string> next_transaction;  // from the last task's RETURN TRANSID
  bool immediate = false;                       // ... with IMMEDIATE
  std::vector<std::uint8_t> commarea;
  std::vector<std::uint8_t> inbound;
  region::TaskStart claimed;  // a START for this terminal that has come due
  // Between tasks (and not between the turns of a pseudo-conversation) the
  // terminal also takes the tasks that START asked for it.
  const terminal::Wake wake{kStartPoll, [&] { return claim_started_task(identity.id, claimed); }};
  for (;;) {
    region::TaskStart start{"", identity.id, identity.number, {}, std::move(commarea), {}};
    commarea.clear();
    terminal::Arrival arrival = terminal::Arrival::record;
    if (!immediate) {
      arrival = terminal.receive_or_wake(inbound, next_transaction ? terminal::Wake{} : wake);
      if (arrival == terminal::Arrival::gone) return;
    }
    if (arrival == terminal::Arrival::woken) {
      start.transaction = std::move(claimed.transaction);
      start.started = std::move(claimed.started);
      terminal.screen().lock_keyboard();  // what is typed meanwhile meets a screen that is gone
    } else if (next_transaction) {
      start.transaction = *std::exchange(next_transaction, std::nullopt);
      if (!immediate) start.input = inbound;
    } else {
      RoutingInput input = read_routing_input(inbound);
      if (input.kind != RoutingInput::Kind::kTransaction) {
        Record answer =
            input.kind == RoutingInput::Kind::kClear ? empty_screen() : keyboard_restore();
        if (!terminal.send(answer)) return;
        continue;
      }
      start.transaction = input.transaction;
      start.input = inbound;
    }
    region::TaskOutcome outcome = region::run_transaction(terminal, start);
    if (outcome.terminal_lost) return;
    next_transaction = outcome.next_transaction;
    immediate = next_transaction && outcome.next_immediate;
    commarea = std::move(outcome.next_commarea);
    // Whatever the task left on the screen, the keyboard is free again. A
    // task that freed it itself gets no second write: an emulator would take
    // that for the answer to a key pressed since.
    if (auto failure = task_failure_screen(start.transaction, outcome)) {
      if (!terminal.send(*failure)) return;
    } else if (!immediate && terminal.screen().keyboard_locked() &&
               !terminal.send(keyboard_restore())) {
      return;
    }
  }
}

int run_session(int fd, int session_number, const ConnectionLimits& limits) {
  Connection connection(fd, limits);
  const TerminalIdentity identity = terminal_identity(session_number);
  region::set_log_context("session " + std::to_string(session_number) + " " + identity.id);
  if (!connection.negotiate()) {
    region::log_event(region::LogLevel::warning, connection.error());
    return 0;
  }
  Tn3270Terminal terminal(connection, region_code_page());
  attach_terminal(identity.id);
  route_terminal(terminal, identity);
  detach_terminal(identity.id);
  if (connection.closed_cleanly()) {
    region::log_event(region::LogLevel::info, "disconnected: the terminal closed the connection");
  } else if (stop_requested()) {
    region::log_event(region::LogLevel::info, "disconnected: the region is stopping");
  } else if (!connection.idle_timed_out()) {  // logged when it happened
    region::log_event(region::LogLevel::warning, terminal.error());
  }
  return 0;
}

int refuse_session(int fd, ConnectionLimits limits) {
  if (limits.idle.count() == 0 || limits.idle > kRefusalShown) limits.idle = kRefusalShown;
  Connection connection(fd, limits);
  if (!connection.negotiate()) return 0;
  Tn3270Terminal terminal(connection, region_code_page());
  std::vector<std::uint8_t> key;
  if (terminal.send(region_full_screen(region_name()))) terminal.receive(key);
  return 0;
}

}  // namespace ravnmor::net
