#include "monitor/control/blocks.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "host/host.hpp"
#include "monitor/control/arena.hpp"
#include "monitor/control/constants.hpp"
#include "monitor/terminal/codes.hpp"

namespace host {
std::uint8_t* xtcb = nullptr;
std::uint8_t* xnuc = nullptr;
std::uint8_t* xcnv = nullptr;
std::int32_t xtermnum = 0;

std::uint8_t* oxgetdm() {
  return ravnmor::control::task_blocks().local_data;
}
}  // namespace host

namespace ravnmor::control {

namespace {

std::uint8_t* allocate_block(std::size_t size) {
  std::uint8_t* block = LowArena::instance().allocate(size);
  if (block == nullptr)
    throw std::runtime_error("the low-memory arena has no room for the task's blocks");
  return block;
}

TaskBlocks allocate_linked_blocks() {
  TaskBlocks blocks{};
  blocks.tcb = allocate_block(host::kTcbSize);
  blocks.terminal_data = allocate_block(host::kTctSize);
  blocks.tioa = allocate_block(host::kTioaSize);
  blocks.eib = allocate_block(host::kEibSize);
  blocks.terminal_state = allocate_block(host::kTermStateSize);
  blocks.nucleus = allocate_block(host::kNucSize);
  blocks.input = allocate_block(host::kInputSize);
  blocks.local_data = allocate_block(host::kLdaSize);
  blocks.anchor = allocate_block(host::kAnchorSize);
  blocks.global = allocate_block(host::kGlobalSize);
  blocks.constants = allocate_block(host::kCnvSize);
  blocks.cwa = allocate_block(kCwaSize);
  blocks.twa = allocate_block(kTwaSize);
  blocks.tctua = allocate_block(kTctuaSize);

  host::store_word(blocks.tcb, host::kTcbTerminalData, host::ptr_to_word(blocks.terminal_data));
  host::store_word(blocks.terminal_data, host::kTctTioa, host::ptr_to_word(blocks.tioa));
  host::store_word(blocks.tcb, host::kTcbEib, host::ptr_to_word(blocks.eib));
  host::store_word(blocks.tcb, host::kTcbTerminalState, host::ptr_to_word(blocks.terminal_state));
  host::store_word(blocks.nucleus, host::kNucInput, host::ptr_to_word(blocks.input));
  host::store_word(blocks.local_data, host::kLdaSharedAnchor, host::ptr_to_word(blocks.anchor));
  host::store_word(blocks.anchor, host::kAnchorGlobalArea, host::ptr_to_word(blocks.global));
  fill_terminal_constants(std::span<std::uint8_t>(blocks.constants, host::kCnvSize));
  return blocks;
}

}  // namespace

TaskBlocks& task_blocks() {
  static TaskBlocks blocks = allocate_linked_blocks();
  return blocks;
}

void prepare_task_blocks(bool trace, std::int32_t terminal_number) {
  TaskBlocks& blocks = task_blocks();
  std::memset(blocks.tioa, 0, host::kTioaSize);
  host::store_half(blocks.tioa, host::kTioaSizeField, static_cast<std::int16_t>(host::kTioaSize));
  std::memset(blocks.eib, 0, host::kEibSize);
  std::memset(blocks.terminal_state, 0, host::kTermStateSize);
  std::memset(blocks.input, 0, host::kInputSize);
  std::memset(blocks.twa, 0, kTwaSize);
  blocks.global[host::kGlobalTraceByte] = trace ? 1 : 0;
  host::store_word(blocks.global, host::kGlobalTraceWord, trace ? 1 : 0);

  host::xtcb = blocks.tcb;
  host::xnuc = blocks.nucleus;
  host::xcnv = blocks.constants;
  host::xtermnum = terminal_number;
}

std::size_t store_input(std::span<const std::uint8_t> record) {
  TaskBlocks& blocks = task_blocks();
  std::size_t kept = std::min(record.size(), host::kInputSize);
  std::memset(blocks.input, 0, host::kInputSize);
  std::copy_n(record.begin(), kept, blocks.input);
  return kept;
}

void record_attention(std::span<const std::uint8_t> record) {
  constexpr std::size_t kCursor = 1;  // the cursor address follows the AID
  constexpr std::size_t kAddressLength = 2;
  TaskBlocks& blocks = task_blocks();
  std::uint8_t key = record.empty() ? raw_key(terminal::aid::kNone) : record[0];
  blocks.eib[host::kEibAid] = blocks.constants[host::kCnvAidTable + key];
  if (record.size() < kCursor + kAddressLength) return;
  host::store_half(blocks.eib, host::kEibCposn,
                   static_cast<std::int16_t>(
                       terminal::image::decode_address(record[kCursor], record[kCursor + 1])));
}

}  // namespace ravnmor::control
