// The EXEC interface: host::oxdfhei1 decodes a call, runs the service that
// its function code names and writes the answer into the task's EIB.
//
// The commands come from the service families' tables (services/handlers.hpp).
#pragma once

#include <cstdint>
#include <vector>

#include "monitor/services/command.hpp"

namespace ravnmor::exec {

// The row for a function code, nullptr when no service handles it.
const services::CommandRow* find_command(std::uint16_t function);

// Every command the region serves, in ascending order of function code.
std::vector<services::CommandRow> served_commands();

// The one place that records the outcome of an EXEC call in the EIB: EIBFN,
// EIBRESP, EIBRESP2, and EIBRCODE (its first byte carries the response, zero
// when the call succeeded).
void record_response(std::uint8_t* eib, std::uint16_t function, services::Response response);

}  // namespace ravnmor::exec
