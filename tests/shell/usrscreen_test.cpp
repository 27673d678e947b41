#include "shell/usrscreen.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "shell/lifecycle.hpp"
#include "support/qcmd.hpp"
#include "vars/messages.hpp"

namespace qcmd::testing {
namespace {

using UserScreenTest = QcmdTest;

// A screen of the user's own: a text and an input field, sent and answered.
void send_own_screen(const char* title) {
  host::scrnhead(title, static_cast<int>(std::strlen(title)), host::xtermnum);
  host::oxptscrn("HELLO USER", 10, 4 * 80 + 10, host::xcnv[host::kCnvProtAttr]);
  host::oxptscrn("          ", 10, 7 * 80 + 10, host::xcnv[host::kCnvInputAttr]);
  host::oxptscrn("", 0, 7 * 80 + 21, host::xcnv[host::kCnvProtAttr]);
  host::oxsnd(host::xtermnum);
}

std::uint8_t user_screen_byte() {
  return host::linked_block(host::xtcb, host::kTcbTerminalState)[host::kTermStateUserScreen];
}

TEST_F(UserScreenTest, TheScreenReadBackIsWrittenAgainWithItsCursor) {
  user.type_field(1, "typed").cursor(7, 3).enter();  // answers the user's screen
  user.enter();                                      // answers the other screen
  user.pf(1);                                        // the key that ends the wait
  std::vector<std::string> before;
  std::vector<std::string> restored;
  std::uint8_t marked = 0;
  run_program([&] {
    send_own_screen("Own");
    before = user.screen().lines();
    cintsavescr();
    host::scrnhead("Other", 5, host::xtermnum);
    host::oxsnd(host::xtermnum);
    cintusrscreen();
    marked = user_screen_byte();
    restored = user.screen().lines();
  });
  ASSERT_EQ(user.sent().size(), 3u);
  EXPECT_EQ(before[4].substr(10, 10), "HELLO USER");
  EXPECT_EQ(before[7].substr(10, 5), "typed");
  EXPECT_EQ(restored, before);
  EXPECT_EQ(user.screen().cursor(), 6 * 80 + 2);
  EXPECT_EQ(marked, host::kUserScreenMode);
}

TEST_F(UserScreenTest, AFailedWriteOfTheSavedScreenSchedules3214) {
  run_program([] {
    send_own_screen("Own");  // no answer comes: the user is gone
    cintusrscreen();
  });
  EXPECT_EQ(GlobalErrorNum, kMsgUserScreenFailed);
}

}  // namespace
}  // namespace qcmd::testing
