#include "monitor/net/session.hpp"

#include <vector>

namespace ravnmor::net {

int run_session(int fd, int session_number, const SessionContext& context) {
  Connection connection(fd, context.limits);
  std::string who = "session " + std::to_string(session_number);
  if (!connection.negotiate()) {
    context.log(who + ": " + connection.error());
    return 0;
  }
  std::vector<std::uint8_t> record;
  while (connection.receive_record(record)) {
  }
  return 0;
}

}  // namespace ravnmor::net
