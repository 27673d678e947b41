// The session process of one terminal: negotiates TN3270 on the accepted
// socket, then shows the region's greeting and routes the terminal's input
// to transactions until the terminal is gone. The region (directory, program
// table) is the process's current region, opened by the listener before it
// forked.
#pragma once

#include <string>

#include "monitor/net/connection.hpp"
#include "monitor/net/routing.hpp"
#include "monitor/terminal/terminal.hpp"

namespace ravnmor::net {

struct TerminalIdentity {
  std::string id;  // EIBTRMID, 4 characters
  int number = 0;  // the session's number, also the terminal number
};

// Terminal ids are T000-T999, from the session's number.
inline constexpr int kTerminalIds = 1000;
TerminalIdentity terminal_identity(int session_number);

// Shows the greeting, then routes each input until the terminal is gone: by
// its first word to the transaction table, or to the transaction that the
// last task named on its RETURN.
void route_terminal(terminal::Terminal& terminal, const TerminalIdentity& identity);

// Runs one session on `fd` (owned from here on); the result is the session
// process's exit status: 0 when the terminal went away, whatever the reason.
int run_session(int fd, int session_number, const ConnectionLimits& limits);

// Turns a terminal away on `fd` (owned from here on): the region-full screen
// until a key is pressed, the idle limit passes or a minute does; exit
// status 0.
int refuse_session(int fd, ConnectionLimits limits);

}  // namespace ravnmor::net
