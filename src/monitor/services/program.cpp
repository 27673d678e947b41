// Program control: the calls a program makes for itself (entry, go-back) and
// RETURN. A transfer or end of the task is recorded in the task and acted on
// by the transaction runner when the program's entry function returns.
#include <algorithm>
#include <cstring>

#include "host/bytes.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

// RETURN's options and parameter positions.
constexpr int kReturnCommareaFlag = 3;  // "C"
constexpr int kReturnTransidFlag = 4;   // "T"
constexpr int kReturnTransidArgument = 2;
constexpr int kReturnCommareaArgument = 3;
constexpr int kReturnLengthArgument = 4;
constexpr std::size_t kTransidLength = 4;

}  // namespace

Response program_entry(const Command& command) {
  command.task().went_back = false;
  return {};
}

Response program_go_back(const Command& command) {
  command.task().went_back = true;
  return {};
}

Response return_command(const Command& command) {
  control::Task& task = command.task();
  std::optional<std::string> next;
  std::vector<std::uint8_t> commarea;
  if (command.has_flag(kReturnTransidFlag)) {
    auto* name = static_cast<const char*>(command.argument(kReturnTransidArgument));
    if (name == nullptr) return {kInvreq, 0};
    next = region::table_name(std::string_view(name, strnlen(name, kTransidLength)));
    if (next->empty()) return {kInvreq, 0};
  }
  if (command.has_flag(kReturnCommareaFlag)) {
    auto* data = static_cast<const std::uint8_t*>(command.argument(kReturnCommareaArgument));
    auto* length = command.argument(kReturnLengthArgument);
    if (data == nullptr || length == nullptr) return {kInvreq, 0};
    std::int16_t size = host::load_half(length, 0);
    if (size < 0) return {kLengerr, 0};
    commarea.assign(data, data + size);
  }
  task.returned = true;
  task.next_transaction = std::move(next);
  task.next_commarea = std::move(commarea);
  return {};
}

}  // namespace ravnmor::services
