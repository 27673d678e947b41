// The inter-system commands, as a region without connections answers them:
// ALLOCATE names a system the region has no session with (SYSIDERR), and
// every command on a conversation finds none allocated (NOTALLOC), since
// ALLOCATE never gives one. FREE without CONVID frees the task's terminal,
// which a terminal task keeps here: NOTALLOC as well.
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

constexpr std::int32_t kNoConnection = 1;    // EIBRESP2 of SYSIDERR: no system is connected
constexpr std::int32_t kNoConversation = 1;  // EIBRESP2 of NOTALLOC: none was allocated

Response allocate(const Command&) {
  return {kSysiderr, kNoConnection};
}

Response not_allocated(const Command&) {
  return {kNotalloc, kNoConversation};
}

// No option is read: every answer is the same whatever names the command.
constexpr CommandRow kCommands[] = {
    {0x041E, "ISSUE SIGNAL", not_allocated, {}},
    {0x0420, "ALLOCATE", allocate, {}},
    {0x0422, "FREE", not_allocated, {}},
    {0x042C, "WAIT CONVID", not_allocated, {}},
    {0x042E, "EXTRACT PROCESS", not_allocated, {}},
    {0x0430, "ISSUE ABEND", not_allocated, {}},
    {0x0432, "CONNECT PROCESS", not_allocated, {}},
    {0x0434, "ISSUE CONFIRMATION", not_allocated, {}},
    {0x0436, "ISSUE ERROR", not_allocated, {}},
    {0x043E, "EXTRACT ATTRIBUTES", not_allocated, {}},
};

}  // namespace

std::span<const CommandRow> conversation_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
