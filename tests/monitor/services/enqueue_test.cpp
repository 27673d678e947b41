#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "monitor/store/store.hpp"
#include "service_call.hpp"

namespace ravnmor::testing {
namespace {

// ENQ: X'1204' ("2$"), LENGTH "L" at 3, parameter count 6 ("&").
const std::string kEnq = make_descriptor("2$", {{3, 'L'}}, 6);

using Owner = store::Store::EnqOwner;

class EnqueueTest : public ServiceTest {
 protected:
  char resource[9] = "ACCOUNTS";
  std::int16_t length = 8;
  const std::uint8_t name[8] = {'A', 'C', 'C', 'O', 'U', 'N', 'T', 'S'};

  // Runs `body` with a store of its own in a child process; its pid.
  template <typename Body>
  pid_t child(Body body) {
    pid_t pid = fork();
    if (pid == 0) {
      auto opened = store::open_sqlite_store(region.directory());
      if (!opened.store) _exit(1);
      body(*opened.store);
      _exit(0);
    }
    return pid;
  }
};

// Real processes: a name that another live task holds is waited for until
// its holder releases it; a holder that died leaves nothing held.
TEST_F(EnqueueTest, ASecondEnqWaitsForTheHolderAndADeadHolderHoldsNothing) {
  int held[2];
  ASSERT_EQ(pipe(held), 0);
  const std::uint8_t released[] = {'R', 'E', 'L', 'E', 'A', 'S', 'E', 'D'};
  pid_t holder = child([&](store::Store& store) {
    Owner me{getpid(), 1}, other;
    if (store.enq(name, me, other) != store::Outcome::ok) _exit(1);
    (void)!write(held[1], "x", 1);
    usleep(200 * 1000);
    std::int32_t item = 0;
    store.ts_write(std::string_view("RELEASED        "), released, item);
    store.deq(name, me);
  });
  char signal = 0;
  ASSERT_EQ(read(held[0], &signal, 1), 1);
  EXPECT_EQ(call(kEnq.c_str(), {resource, &length}), kNormal);
  // The holder's release came before this task got the name.
  std::int32_t count = 0;
  auto opened = store::open_sqlite_store(region.directory());
  ASSERT_EQ(opened.store->ts_count("RELEASED        ", count), store::Outcome::ok);
  EXPECT_EQ(count, 1);
  int status = 0;
  ASSERT_EQ(waitpid(holder, &status, 0), holder);
  EXPECT_EQ(status, 0);

  // Killed while holding a name: the name is free for the next ENQ.
  const std::uint8_t other_name[] = {'O', 'T', 'H', 'E', 'R', ' ', ' ', ' '};
  pid_t killed = child([&](store::Store& store) {
    Owner me{getpid(), 1}, other;
    store.enq(other_name, me, other);
    raise(SIGKILL);
  });
  ASSERT_EQ(waitpid(killed, &status, 0), killed);
  ASSERT_TRUE(WIFSIGNALED(status));
  std::memcpy(resource, other_name, sizeof other_name);
  EXPECT_EQ(call(kEnq.c_str(), {resource, &length}), kNormal);
}

}  // namespace
}  // namespace ravnmor::testing
