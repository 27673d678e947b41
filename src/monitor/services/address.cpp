// ADDRESS: hands the program the addresses of the task's blocks. Each option
// given sets a flag at its descriptor position, and the receiving areas are
// passed in the order of those positions from parameter position 2 on. Each
// receiving area gets a 32-bit word (addresses in the region fit one).
//
//   CSA    "C" at 3: no such block here, INVREQ with EIBRESP2 1
//   CWA    "C" at 4: the region's common work area, kCwaSize bytes
//   EIB    "E" at 5
//   TCTUA  "T" at 6: the terminal's user area, kept between its tasks
//   TWA    "T" at 7: the task's work area, zero at the task's start
//
// The CWA is shared by every session of the region through the store: a task
// that addresses it gets the region's latest copy, and what the task leaves
// there is saved when it ends (the last task to end wins). When the store
// cannot be used the CWA is this session's alone; the error log says why.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "host/bytes.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/region/region.hpp"
#include "monitor/services/handlers.hpp"
#include "monitor/services/region_store.hpp"

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

constexpr std::int32_t kNoCsa = 1;  // EIBRESP2 of INVREQ for ADDRESS CSA

std::uint8_t* cwa() {
  return control::task_blocks().cwa;
}

void save_cwa(const std::vector<std::uint8_t>& loaded) {
  if (std::equal(loaded.begin(), loaded.end(), cwa())) return;
  store::Store* shared = region_store();
  if (shared == nullptr) return;
  if (shared->cwa_save(store::ByteView(cwa(), control::kCwaSize)) != store::Outcome::ok) {
    region::log_error("the common work area could not be saved: " + shared->last_error());
  }
}

// The region's copy of the CWA, loaded once per task; saved at the task's end
// when the task changed it.
void load_cwa(control::Task& task) {
  if (task.cwa_in_use) return;
  task.cwa_in_use = true;
  if (store::Store* shared = region_store(); shared != nullptr) {
    store::Bytes data;
    if (shared->cwa_load(data) == store::Outcome::ok) {
      std::memset(cwa(), 0, control::kCwaSize);
      std::copy_n(data.begin(), std::min(data.size(), control::kCwaSize), cwa());
    } else {
      region::log_error("the common work area could not be loaded: " + shared->last_error());
    }
  }
  task.at_end.push_back([loaded = std::vector<std::uint8_t>(cwa(), cwa() + control::kCwaSize)](
                            bool) { save_cwa(loaded); });
}

std::uint8_t* block_address(control::Task& task, Block block) {
  const control::TaskBlocks& blocks = control::task_blocks();
  switch (block) {
    case Block::cwa:
      load_cwa(task);
      return blocks.cwa;
    case Block::eib:
      return blocks.eib;
    case Block::tctua:
      return blocks.tctua;
    case Block::twa:
      return blocks.twa;
    case Block::csa:
      break;
  }
  return nullptr;
}

}  // namespace

// Every receiving area is checked before any is filled.
Response address(const Command& command) {
  std::vector<std::pair<Area, Block>> targets;
  int next_argument = kFirstArgumentPosition;
  for (const AddressOption& option : kAddressOptions) {
    if (!command.has_flag(option.position)) continue;
    Area target = command.area(next_argument++);
    if (!target.passed()) return {kInvreq, 0};
    if (option.block == Block::csa) return {kInvreq, kNoCsa};
    target.require(kPointerSize);
    targets.emplace_back(target, option.block);
  }
  for (const auto& [target, block] : targets) {
    target.put_word(host::ptr_to_word(block_address(command.task(), block)));
  }
  return {};
}

namespace {
// ADDRESS passes its areas in the order of its options (kAddressOptions).
constexpr CommandRow kCommands[] = {
    {0x0202, "ADDRESS", address, {}},
};
}  // namespace

std::span<const CommandRow> address_commands() {
  return kCommands;
}

}  // namespace ravnmor::services
