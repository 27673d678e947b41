// The session process of one terminal: negotiates TN3270 on the accepted
// socket, then shows the region's greeting and routes the terminal's input
// to transactions until the terminal is gone.
#pragma once

#include <string>

#include "monitor/net/connection.hpp"
#include "monitor/net/server.hpp"

namespace ravnmor::net {

struct SessionContext {
  std::string region_name;
  ConnectionLimits limits;
  ErrorLogger log;
};

// Runs one session on `fd` (owned from here on); the result is the session
// process's exit status: 0 when the terminal went away, whatever the reason.
int run_session(int fd, int session_number, const SessionContext& context);

}  // namespace ravnmor::net
