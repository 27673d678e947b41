#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/exec/descriptor.hpp"
#include "monitor/exec/exec.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::exec {

namespace {

// Every command the region serves, by function code.
const std::map<std::uint16_t, services::CommandRow>& command_table() {
  static const std::map<std::uint16_t, services::CommandRow> table = [] {
    std::map<std::uint16_t, services::CommandRow> rows;
    for (auto family :
         {services::address_commands, services::assign_commands, services::file_control_commands,
          services::conversation_commands, services::deedit_commands, services::dump_commands,
          services::enqueue_commands, services::handle_commands, services::inquire_commands,
          services::journal_commands, services::trace_commands, services::program_commands,
          services::storage_commands, services::task_control_commands,
          services::temporary_storage_commands, services::terminal_commands,
          services::time_commands, services::transient_data_commands}) {
      for (const services::CommandRow& row : family()) rows.emplace(row.function, row);
    }
    return rows;
  }();
  return table;
}

constexpr std::uint16_t kGoBack = 0x1905;
constexpr std::size_t kRcodeLength = 6;
constexpr std::size_t kResourceNameLength = 8;  // EIBRSRCE and EIBDS

// The resource a command names, blank-padded for the EIB; `file` when it is
// the file of a file command.
struct NamedResource {
  std::string name = std::string(kResourceNameLength, ' ');
  bool file = false;
};

// The name the command's naming option carries, as far as its area holds it.
NamedResource named_resource(const services::CommandRow& row, const services::Command& command) {
  NamedResource named;
  for (const services::Option& option : row.options) {
    if (option.names == services::Names::nothing || !command.given(option)) continue;
    services::Area area = command.area(option);
    std::string_view text = area.text(std::min(static_cast<std::size_t>(option.size), area.room()));
    named.name.replace(0, std::min(text.size(), kResourceNameLength), text);
    named.file = option.names == services::Names::file;
  }
  return named;
}

services::Response run(const Descriptor& descriptor, std::span<void* const> args,
                       std::span<const std::size_t> sizes, std::string_view& name,
                       NamedResource& named) {
  if (descriptor.fault) return {services::kInvreq, *descriptor.fault};
  control::Task* task = control::current_task();
  if (task == nullptr) return {services::kInvreq, services::kNoTask};
  const services::CommandRow* row = find_command(descriptor.function);
  if (row == nullptr) return {services::kInvreq, services::kNoHandler};
  name = row->name;
  if (control::program_ended(*task) && descriptor.function != kGoBack) {
    return {services::kInvreq, services::kTaskEnded};
  }
  services::Command command(descriptor.function, descriptor.text, args, sizes,
                            descriptor.parameter_count, *task);
  named = named_resource(*row, command);
  try {
    return row->handler(command);
  } catch (const services::AreaTooSmall& refused) {
    return {services::kLengerr, services::kAreaTooSmallBase + refused.position};
  }
}

void record_resource(std::uint8_t* eib, const NamedResource& named) {
  std::memcpy(eib + host::kEibRsrce, named.name.data(), kResourceNameLength);
  if (named.file) std::memcpy(eib + host::kEibDs, named.name.data(), kResourceNameLength);
}

void trace_call(std::uint16_t function, std::string_view name, services::Response response) {
  if (!region::tracing()) return;
  char line[128];
  std::snprintf(line, sizeof line, "EXEC %04X %.*s: EIBRESP %d EIBRESP2 %d", function,
                static_cast<int>(name.size()), name.data(), response.resp, response.resp2);
  region::trace_line(line);
}

}  // namespace

const services::CommandRow* find_command(std::uint16_t function) {
  auto found = command_table().find(function);
  return found == command_table().end() ? nullptr : &found->second;
}

std::vector<services::CommandRow> served_commands() {
  std::vector<services::CommandRow> rows;
  for (const auto& [function, row] : command_table()) rows.push_back(row);
  return rows;
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
  exec::NamedResource named;
  services::Response response = exec::run(decoded, args, sizes, name, named);
  exec::record_response(control::task_blocks().eib, decoded.function, response);
  exec::record_resource(control::task_blocks().eib, named);
  exec::trace_call(decoded.function, name, response);
}

}  // namespace host
