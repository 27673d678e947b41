// The EXEC interface: host::oxdfhei1 decodes a call, runs the service that
// its function code names and writes the answer into the task's EIB.
//
// Adding a command: write its handler in services/ (a function
// `Response name(const services::Command&)`, declared in services/handlers.hpp)
// and add one row {function code, name, handler} to kHandlers in dispatch.cpp.
#pragma once

#include <cstdint>
#include <string_view>

#include "monitor/services/command.hpp"

namespace ravnmor::exec {

struct HandlerRow {
  std::uint16_t function;  // EIBFN, e.g. 0x1812
  std::string_view name;   // for the trace
  services::Handler handler;
};

// The row for a function code, nullptr when no service handles it.
const HandlerRow* find_handler(std::uint16_t function);

// The one place that records the outcome of an EXEC call in the EIB: EIBFN,
// EIBRESP, EIBRESP2, and EIBRCODE (its first byte carries the response, zero
// when the call succeeded).
void record_response(std::uint8_t* eib, std::uint16_t function, services::Response response);

}  // namespace ravnmor::exec
