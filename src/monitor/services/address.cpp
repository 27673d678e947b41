// ADDRESS: hands the program the addresses of the task's blocks. Each option
// given sets a flag at its descriptor position, and the receiving areas are
// passed in the order of those positions from parameter position 2 on. Each
// receiving area gets a 32-bit word (addresses in the region fit one).
#include "host/bytes.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/services/handlers.hpp"

namespace ravnmor::services {

namespace {

enum class Block { csa, cwa, eib, tctua, twa };

// In descriptor order: positions 3 to 7.
struct AddressOption {
  int position;
  Block block;
};
constexpr AddressOption kAddressOptions[] = {
    {3, Block::csa}, {4, Block::cwa}, {5, Block::eib}, {6, Block::tctua}, {7, Block::twa},
};

}  // namespace

Response address(const Command& command) {
  int next_argument = kFirstArgumentPosition;
  for (const AddressOption& option : kAddressOptions) {
    if (!command.has_flag(option.position)) continue;
    void* target = command.argument(next_argument++);
    if (target == nullptr) return {kInvreq, 0};
    switch (option.block) {
      case Block::eib:
        host::store_word(target, 0, host::ptr_to_word(control::task_blocks().eib));
        break;
      case Block::tctua:
      case Block::twa:
        // The region's tasks and terminals carry no user area: a null address.
        host::store_word(target, 0, 0);
        break;
      case Block::csa:
      case Block::cwa:
        return {kInvreq, 0};  // no common work area in this region yet
    }
  }
  return {};
}

}  // namespace ravnmor::services
