#include <gtest/gtest.h>

#include <cstring>

#include "host/host.hpp"
#include "monitor/control/arena.hpp"
#include "monitor/control/blocks.hpp"

namespace ravnmor::control {
namespace {

constexpr std::uintptr_t kFourGiB = std::uintptr_t{1} << 32;

bool low(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p) < kFourGiB;
}

TEST(ArenaTest, BlocksAreLowAlignedZeroedAndReleasedOnce) {
  LowArena& arena = LowArena::instance();
  std::uint8_t* block = arena.allocate(100);
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(low(block + 99));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
  EXPECT_EQ(arena.block_size(block), 112u);
  EXPECT_EQ(std::memcmp(block, std::array<std::uint8_t, 100>{}.data(), 100), 0);
  std::memset(block, 0xAB, 100);

  int on_stack = 0;
  EXPECT_FALSE(arena.release(block + 16));  // inside a block, not its start
  EXPECT_FALSE(arena.release(&on_stack));
  EXPECT_TRUE(arena.release(block));
  EXPECT_FALSE(arena.release(block));  // already given back
  EXPECT_EQ(arena.block_size(block), 0u);

  std::uint8_t* again = arena.allocate(100);
  EXPECT_EQ(again, block);  // first fit reuses the space, cleared
  EXPECT_EQ(again[0], 0);
  EXPECT_TRUE(arena.release(again));

  EXPECT_EQ(arena.allocate(arena.capacity() + 1), nullptr);
  // Freed neighbours join: two quarters given back make room for one half.
  std::uint8_t* first = arena.allocate(arena.capacity() / 4);
  std::uint8_t* second = arena.allocate(arena.capacity() / 4);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(arena.release(first));
  EXPECT_TRUE(arena.release(second));
  std::uint8_t* half = arena.allocate(arena.capacity() / 2);
  EXPECT_NE(half, nullptr);
  EXPECT_TRUE(arena.release(half));
}

TEST(BlocksTest, TheLinksLeadToTheTasksBlocks) {
  prepare_task_blocks(false, 7);
  const TaskBlocks& blocks = task_blocks();
  EXPECT_EQ(host::xtcb, blocks.tcb);
  EXPECT_EQ(host::xtermnum, 7);
  std::uint8_t* terminal_data = host::linked_block(host::xtcb, host::kTcbTerminalData);
  std::uint8_t* tioa = host::linked_block(terminal_data, host::kTctTioa);
  EXPECT_EQ(tioa, blocks.tioa);
  EXPECT_EQ(host::load_half(tioa, host::kTioaSizeField), 7012);
  EXPECT_EQ(LowArena::instance().block_size(tioa), 7024u);  // 7012 rounded up to 16
  EXPECT_EQ(host::linked_block(host::xtcb, host::kTcbEib), blocks.eib);
  EXPECT_EQ(host::linked_block(host::xtcb, host::kTcbTerminalState), blocks.terminal_state);
  EXPECT_EQ(host::linked_block(host::xnuc, host::kNucInput), blocks.input);
  std::uint8_t* anchor = host::linked_block(host::oxgetdm(), host::kLdaSharedAnchor);
  EXPECT_EQ(host::linked_block(anchor, host::kAnchorGlobalArea), blocks.global);
  for (const std::uint8_t* block :
       {blocks.tcb, blocks.tioa, blocks.eib, blocks.global, host::xcnv}) {
    EXPECT_TRUE(LowArena::instance().contains(block));
    EXPECT_TRUE(low(block));
  }
}

TEST(BlocksTest, InputIsCutToTheInputBlock) {
  std::vector<std::uint8_t> record(host::kInputSize + 10, 'x');
  EXPECT_EQ(store_input(record), host::kInputSize);
  EXPECT_EQ(store_input(std::vector<std::uint8_t>{'\'', ' ', ' '}), 3u);
  EXPECT_EQ(task_blocks().input[0], '\'');
  EXPECT_EQ(task_blocks().input[3], 0);  // the rest of the longer record is gone
}

TEST(ConstantsTest, TerminalConstantsAreThe3270ValuesInImageForm) {
  prepare_task_blocks(false, 1);
  struct Key {
    std::uint8_t raw;
    std::uint8_t aid;
  };
  // Raw byte: the CP037 AID read as ISO-8859-1.
  const Key keys[] = {
      {'\'', 0x7D}, {'1', 0xF1}, {'2', 0xF2}, {'3', 0xF3}, {'9', 0xF9},  {':', 0x7A}, {'#', 0x7B},
      {'@', 0x7C},  {'A', 0xC1}, {'E', 0xC5}, {'I', 0xC9}, {0xA2, 0x4A}, {'.', 0x4B}, {'<', 0x4C},
      {'%', 0x6C},  {'>', 0x6E}, {',', 0x6B}, {'_', 0x6D}, {'-', 0x60},  {'x', 0x60}, {0x00, 0x60},
  };
  for (const Key& key : keys) {
    EXPECT_EQ(host::xcnv[host::kCnvAidTable + key.raw], key.aid) << int(key.raw);
  }
  EXPECT_EQ(host::xcnv[host::kCnvSba], 0x11);
  EXPECT_EQ(host::xcnv[host::kCnvIc], 0x13);
  EXPECT_EQ(host::xcnv[host::kCnvWcc], 'C');         // X'C3'
  EXPECT_EQ(host::xcnv[host::kCnvInputAttr], 'A');   // X'C1'
  EXPECT_EQ(host::xcnv[host::kCnvProtAttr], '-');    // X'60'
  EXPECT_EQ(host::xcnv[host::kCnvBrightAttr], 'Y');  // X'E8'
  EXPECT_EQ(host::xcnv[host::kCnvWriteCmd], '5');    // X'F5'
  EXPECT_EQ(host::xcnv[host::kCnvKeyEnter], '\'');
  EXPECT_EQ(host::xcnv[host::kCnvKeyPf3], '3');
  std::uint8_t start = host::xcnv[host::kCnvKeyStart];
  EXPECT_NE(start, host::xcnv[host::kCnvKeyPf3]);
  EXPECT_NE(host::xcnv[host::kCnvAidTable + start], 0xF3);
}

}  // namespace
}  // namespace ravnmor::control
