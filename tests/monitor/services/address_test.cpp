#include <cstring>

#include "host/host.hpp"
#include "monitor/control/blocks.hpp"
#include "monitor/control/task.hpp"
#include "monitor/services/region_store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ADDRESS X'0202' (two double quotes), base count 1 and one more per option:
// CSA "C" at 3, CWA "C" at 4, EIB "E" at 5, TCTUA "T" at 6, TWA "T" at 7.
const std::string kAddressCwaTwa = make_descriptor("\"\"", {{4, 'C'}, {7, 'T'}}, 3);
const std::string kAddressAll =
    make_descriptor("\"\"", {{4, 'C'}, {5, 'E'}, {6, 'T'}, {7, 'T'}}, 5);
const std::string kAddressCsa = make_descriptor("\"\"", {{3, 'C'}}, 2);

class AddressTest : public ServiceTest {};

TEST_F(AddressTest, TheBlocksComeInDescriptorOrder) {
  std::uint32_t cwa = 0, eib = 0, tctua = 0, twa = 0;
  ASSERT_EQ(call(kAddressAll.c_str(), {&cwa, &eib, &tctua, &twa}), kNormal);
  const control::TaskBlocks& blocks = control::task_blocks();
  EXPECT_EQ(host::word_to_ptr(cwa), blocks.cwa);
  EXPECT_EQ(host::word_to_ptr(eib), blocks.eib);
  EXPECT_EQ(host::word_to_ptr(tctua), blocks.tctua);
  EXPECT_EQ(host::word_to_ptr(twa), blocks.twa);
  EXPECT_NE(cwa, twa);

  std::uint32_t only_cwa = 0, only_twa = 0;
  ASSERT_EQ(call(kAddressCwaTwa.c_str(), {&only_cwa, &only_twa}), kNormal);
  EXPECT_EQ(only_cwa, cwa);
  EXPECT_EQ(only_twa, twa);  // the second address passed, not the fifth

  std::uint32_t csa = 7;
  EXPECT_EQ(call(kAddressCsa.c_str(), {&csa}), (Answer{16, 1}));
  EXPECT_EQ(csa, 7u);
  EXPECT_EQ(call(kAddressCwaTwa.c_str(), {&only_cwa, nullptr}), (Answer{16, 0}));
}

TEST_F(AddressTest, TheTwaIsClearedForEachTaskTheCwaIsTheRegions) {
  std::uint32_t cwa = 0, twa = 0;
  ASSERT_EQ(call(kAddressCwaTwa.c_str(), {&cwa, &twa}), kNormal);
  std::memcpy(host::word_to_ptr(cwa), "SHARED", 6);
  std::memcpy(host::word_to_ptr(twa), "MINE", 4);
  for (const auto& action : task.at_end) action(true);  // the task ends: the CWA is saved

  store::Bytes saved;
  ASSERT_EQ(services::region_store()->cwa_load(saved), store::Outcome::ok);
  ASSERT_EQ(saved.size(), control::kCwaSize);
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "SHARED");

  // Another session changes the region's CWA; the next task here sees it.
  saved[0] = 'Z';
  ASSERT_EQ(services::region_store()->cwa_save(saved), store::Outcome::ok);
  std::memset(host::word_to_ptr(cwa), 0, control::kCwaSize);
  control::Task next;
  next.terminal = &terminal;
  control::prepare_task_blocks(false, 1);
  control::set_current_task(&next);
  ASSERT_EQ(call(kAddressCwaTwa.c_str(), {&cwa, &twa}), kNormal);
  EXPECT_EQ(std::memcmp(host::word_to_ptr(cwa), "ZHARED", 6), 0);
  EXPECT_EQ(host::word_to_ptr(twa)[0], 0);
  control::set_current_task(&task);
}

}  // namespace
}  // namespace ravnmor::testing
