#include <unistd.h>

#include <cstdint>
#include <string_view>

#include "monitor/store/store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ENQ: X'1204' ("2$"), LENGTH "L" at 3, parameter count 6 ("&").
constexpr std::string_view kEnq = "2$L                   &            ";
constexpr std::string_view kEnqAddress = "2$                    &            ";
// DEQ: X'1206' ("2&"), parameter count 3 ("#").
constexpr std::string_view kDeq = "2&L                   #            ";
constexpr std::string_view kDeqAddress = "2&                    #            ";
static_assert(kEnq.size() == 35 && kEnqAddress.size() == 35 && kDeq.size() == 35 &&
              kDeqAddress.size() == 35);

constexpr Answer kEnqbusy{55, 0};

class TaskControlTest : public ServiceTest {
 protected:
  char resource[9] = "ACCOUNTS";
  std::int16_t length = 8;
};

TEST_F(TaskControlTest, NamesAreHeldBySessionUntilDeq) {
  ASSERT_EQ(call(kEnq.data(), {resource, &length}), kNormal);
  EXPECT_EQ(call(kEnq.data(), {resource, &length}), kNormal);  // again by its holder

  // Another session process sees the name held.
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  const std::uint8_t name[] = {'A', 'C', 'C', 'O', 'U', 'N', 'T', 'S'};
  const std::int64_t other = getpid() + 1;
  EXPECT_EQ(opened.store->enq(name, other), store::Outcome::held);
  ASSERT_EQ(call(kDeq.data(), {resource, &length}), kNormal);
  ASSERT_EQ(opened.store->enq(name, other), store::Outcome::ok);

  // Now the other session holds it; a shorter name is another name.
  EXPECT_EQ(call(kEnq.data(), {resource, &length}), kEnqbusy);
  std::int16_t shorter = 7;
  EXPECT_EQ(call(kEnq.data(), {resource, &shorter}), kNormal);
  // DEQ of a name this session does not hold changes nothing.
  EXPECT_EQ(call(kDeq.data(), {resource, &length}), kNormal);
  EXPECT_EQ(call(kEnq.data(), {resource, &length}), kEnqbusy);
}

TEST_F(TaskControlTest, NameByAddressAndBadLengths) {
  char area[4] = "XYZ";
  ASSERT_EQ(call(kEnqAddress.data(), {area}), kNormal);
  // The address names it, not the bytes there: the same bytes by LENGTH are free.
  std::int16_t three = 3;
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_NE(opened.store, nullptr) << opened.error;
  const std::uint8_t bytes[] = {'X', 'Y', 'Z'};
  EXPECT_EQ(opened.store->enq(bytes, getpid() + 1), store::Outcome::ok);
  EXPECT_EQ(call(kEnq.data(), {area, &three}), kEnqbusy);
  EXPECT_EQ(call(kDeqAddress.data(), {area}), kNormal);

  std::int16_t zero = 0, too_long = 256;
  EXPECT_EQ(call(kEnq.data(), {resource, &zero}), (Answer{22, 2}));  // LENGERR
  EXPECT_EQ(call(kEnq.data(), {resource, &too_long}), (Answer{22, 2}));
  EXPECT_EQ(call(kDeq.data(), {resource, &zero}), (Answer{22, 2}));
  EXPECT_EQ(call(kEnq.data(), {nullptr, &length}), (Answer{16, 1}));  // no RESOURCE
}

}  // namespace
}  // namespace ravnmor::testing
