#include <string_view>

#include "monitor/control/blocks.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// GETMAIN: X'0C02' ("," and a double quote), parameter count 4 ("$");
// LENGTH "L" or FLENGTH "F" at 4, INITIMG "I" at 3, SHARED "S" at 6.
constexpr std::string_view kGetmain = ",\" L                  $            ";
constexpr std::string_view kGetmainInitimg = ",\"IF                  $            ";
constexpr std::string_view kGetmainShared = ",\" L S                $            ";
// FREEMAIN: X'0C04' (",$"), parameter count 2 (a double quote).
constexpr std::string_view kFreemain = ",$                    \"            ";
static_assert(kGetmain.size() == 35 && kGetmainInitimg.size() == 35 &&
              kGetmainShared.size() == 35 && kFreemain.size() == 35);

constexpr Answer kInvreqNotHandedOut{16, 1};

class StorageTest : public ServiceTest {
 protected:
  std::uint8_t* getmain(std::int16_t size, std::string_view descriptor = kGetmain) {
    std::uint32_t pointer = 0;
    EXPECT_EQ(call(descriptor.data(), {&pointer, &size}), kNormal);
    return host::word_to_ptr(pointer);
  }
  Answer freemain(const void* address) {
    return call(kFreemain.data(), {const_cast<void*>(address)});
  }
};

TEST_F(StorageTest, GetmainGivesLowZeroedOrInitialisedStorage) {
  std::uint8_t* block = getmain(100);
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(block[i], 0) << i;
  block[99] = 0xFF;  // the whole length is the program's

  std::uint32_t pointer = 0;
  std::int32_t flength = 40000;  // beyond what a halfword LENGTH can ask
  char initimg[2] = "A";
  ASSERT_EQ(call(kGetmainInitimg.data(), {&pointer, &flength, initimg}), kNormal);
  std::uint8_t* large = host::word_to_ptr(pointer);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large[0], 'A');
  EXPECT_EQ(large[39999], 'A');
  EXPECT_EQ(freemain(block), kNormal);
  EXPECT_EQ(freemain(large), kNormal);

  std::int16_t zero = 0, negative = -5;
  EXPECT_EQ(call(kGetmain.data(), {&pointer, &zero}), (Answer{22, 0}));
  EXPECT_EQ(call(kGetmain.data(), {&pointer, &negative}), (Answer{22, 0}));
}

TEST_F(StorageTest, FreemainOfAnAddressNotHandedOutIsInvreq) {
  std::uint8_t* block = getmain(64);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(freemain(block + 1), kInvreqNotHandedOut);  // inside, not the start
  int on_the_stack = 0;
  EXPECT_EQ(freemain(&on_the_stack), kInvreqNotHandedOut);
  // A control block lives in the same arena but was never GETMAIN's to give.
  EXPECT_EQ(freemain(control::task_blocks().eib), kInvreqNotHandedOut);
  EXPECT_EQ(freemain(host::word_to_ptr(0x00001000)), kInvreqNotHandedOut);
  EXPECT_EQ(freemain(block), kNormal);
  EXPECT_EQ(freemain(block), kInvreqNotHandedOut);  // freed twice
  EXPECT_EQ(freemain(nullptr), (Answer{16, 2}));
}

TEST_F(StorageTest, TaskStorageEndsWithTheTaskSharedStorageDoesNot) {
  task.number = 41;
  std::uint8_t* own = getmain(16);
  std::uint8_t* shared = getmain(16, kGetmainShared);
  task.number = 42;  // the next task of the session
  EXPECT_EQ(freemain(own), kInvreqNotHandedOut);
  EXPECT_EQ(freemain(shared), kNormal);
}

// A program that declares nothing of its areas is still held to the blocks
// the region gave it: WRITEQ TS FROM a 16-byte block with LENGTH 100 reads
// nothing past it, and a freed block has no room left at all.
TEST_F(StorageTest, BlocksTheRegionGaveBoundEveryCommand) {
  constexpr std::string_view kWriteq = "*\"                    &            ";
  char queue[] = "BOUNDS  ";
  std::uint8_t* block = getmain(16);
  ASSERT_NE(block, nullptr);
  std::int16_t length = 100;
  constexpr Answer kFromTooSmall{22, 200 + 3};  // FROM is parameter 3
  EXPECT_EQ(call(kWriteq.data(), {queue, block, &length}), kFromTooSmall);
  length = 16;
  EXPECT_EQ(call(kWriteq.data(), {queue, block + 8, &length}), kFromTooSmall);
  EXPECT_EQ(call(kWriteq.data(), {queue, block, &length}), kNormal);
  ASSERT_EQ(freemain(block), kNormal);
  length = 1;
  EXPECT_EQ(call(kWriteq.data(), {queue, block, &length}), kFromTooSmall);
}

}  // namespace
}  // namespace ravnmor::testing
