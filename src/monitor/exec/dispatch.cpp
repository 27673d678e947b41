#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/exec/descriptor.hpp"
#include "monitor/exec/exec.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::exec {

namespace {

// In ascending order of function code within each block.
constexpr HandlerRow kHandlers[] = {
    {0x0202, "ADDRESS", services::address},
    {0x0208, "ASSIGN", services::assign},
    {0x0402, "RECEIVE", services::receive},
    {0x0404, "SEND", services::send_data},
    {0x0A02, "WRITEQ TS", services::writeq_ts},
    {0x0A04, "READQ TS", services::readq_ts},
    {0x0A06, "DELETEQ TS", services::deleteq_ts},
    {0x0C02, "GETMAIN", services::getmain},
    {0x0C04, "FREEMAIN", services::freemain},
    {0x0E02, "LINK", services::link},
    {0x0E04, "XCTL", services::xctl},
    {0x0E06, "LOAD", services::load},
    {0x0E08, "RETURN", services::return_command},
    {0x0E0A, "RELEASE", services::release},
    {0x0E0C, "ABEND", services::abend},
    {0x1002, "ASKTIME", services::asktime},
    {0x1806, "SEND TEXT", services::send_text},
    {0x1812, "SEND CONTROL", services::send_control},
    {0x1903, "program entry", services::program_entry},
    {0x1905, "go-back", services::program_go_back},
    {0x4A04, "FORMATTIME", services::formattime},

    // Queue, file and task services on the region store, in ascending order.
    {0x0602, "READ", services::read_file},
    {0x0604, "WRITE", services::write_file},
    {0x0606, "REWRITE", services::rewrite_file},
    {0x0608, "DELETE", services::delete_file},
    {0x060A, "UNLOCK", services::unlock_file},
    {0x060C, "STARTBR", services::startbr},
    {0x060E, "READNEXT", services::readnext},
    {0x0610, "READPREV", services::readprev},
    {0x0612, "ENDBR", services::endbr},
    {0x0614, "RESETBR", services::resetbr},
    {0x0802, "WRITEQ TD", services::writeq_td},
    {0x0804, "READQ TD", services::readq_td},
    {0x0806, "DELETEQ TD", services::deleteq_td},
    {0x1004, "DELAY", services::delay},
    {0x1008, "START", services::start},
    {0x100A, "RETRIEVE", services::retrieve},
    {0x100C, "CANCEL", services::cancel},
    {0x1204, "ENQ", services::enq},
    {0x1206, "DEQ", services::deq},
    {0x1208, "SUSPEND", services::suspend},
    {0x1602, "SYNCPOINT", services::syncpoint},
};

constexpr std::uint16_t kGoBack = 0x1905;
constexpr std::size_t kRcodeLength = 6;

services::Response run(const Descriptor& descriptor, std::span<void* const> args,
                       std::span<const std::size_t> sizes, std::string_view& name) {
  if (descriptor.fault) return {services::kInvreq, *descriptor.fault};
  control::Task* task = control::current_task();
  if (task == nullptr) return {services::kInvreq, services::kNoTask};
  const HandlerRow* row = find_handler(descriptor.function);
  if (row == nullptr) return {services::kInvreq, services::kNoHandler};
  name = row->name;
  if (control::program_ended(*task) && descriptor.function != kGoBack) {
    return {services::kInvreq, services::kTaskEnded};
  }
  services::Command command(descriptor.function, descriptor.text, args, sizes,
                            descriptor.parameter_count, *task);
  try {
    return row->handler(command);
  } catch (const services::AreaTooSmall& refused) {
    return {services::kLengerr, services::kAreaTooSmallBase + refused.position};
  }
}

void trace_call(std::uint16_t function, std::string_view name, services::Response response) {
  if (!region::tracing()) return;
  char line[128];
  std::snprintf(line, sizeof line, "EXEC %04X %.*s: EIBRESP %d EIBRESP2 %d", function,
                static_cast<int>(name.size()), name.data(), response.resp, response.resp2);
  region::trace_line(line);
}

}  // namespace

const HandlerRow* find_handler(std::uint16_t function) {
  auto found = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                            [function](const HandlerRow& row) { return row.function == function; });
  return found == std::end(kHandlers) ? nullptr : found;
}

void record_response(std::uint8_t* eib, std::uint16_t function, services::Response response) {
  eib[host::kEibFn] = static_cast<std::uint8_t>(function >> 8);
  eib[host::kEibFn + 1] = static_cast<std::uint8_t>(function & 0xFF);
  std::memset(eib + host::kEibRcode, 0, kRcodeLength);
  eib[host::kEibRcode] = static_cast<std::uint8_t>(response.resp);
  host::store_word(eib, host::kEibResp, static_cast<std::uint32_t>(response.resp));
  host::store_word(eib, host::kEibResp2, static_cast<std::uint32_t>(response.resp2));
}

}  // namespace ravnmor::exec

namespace host {

void oxdfhei1(const void* descriptor, std::span<void* const> args) {
  oxdfhei1(descriptor, args, {});
}

void oxdfhei1(const void* descriptor, std::span<void* const> args,
              std::span<const std::size_t> sizes) {
  using namespace ravnmor;
  exec::Descriptor decoded = exec::decode_descriptor(descriptor, args.size());
  std::string_view name = "unknown function";
  services::Response response = exec::run(decoded, args, sizes, name);
  exec::record_response(control::task_blocks().eib, decoded.function, response);
  exec::trace_call(decoded.function, name, response);
}

}  // namespace host
