#include "vars/messages.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "host/host.hpp"
#include "support/qcmd.hpp"

namespace qcmd::testing {
namespace {

using ::testing::StartsWith;

class MessageLineTest : public QcmdTest {
 protected:
  // Runs `program` and returns the screens it sent.
  std::vector<Screen> run(std::function<void()> program) {
    for (int i = 0; i < 3; ++i) user.enter();
    run_program(std::move(program));
    return screens();
  }

  static void send_screen() {
    host::scrnhead("Messages", 8, host::xtermnum);
    cintdspmsg(kMessageRow);
    host::oxsnd(host::xtermnum);
  }
};

TEST_F(MessageLineTest, TheFirstScheduledIsShownOnceOnRow20) {
  std::string first;
  auto screens = run([&] {
    first = catalogue_line(kMsgFirstPage);
    cintschedmsg(kMsgFirstPage);
    cintschedmsg(kMsgLastPage);  // dropped: one is pending
    EXPECT_EQ(GlobalErrorNum, kMsgFirstPage);
    send_screen();
    EXPECT_EQ(GlobalErrorNum, 0u);
    send_screen();  // nothing pending: the line stays empty
  });
  ASSERT_EQ(screens.size(), 2u);
  // Column 1 holds the line's attribute; the text follows it.
  EXPECT_THAT(screens[0].row_text(20), StartsWith(" " + first.substr(0, 79)));
  EXPECT_THAT(first, StartsWith("OXM3212"));
  EXPECT_EQ(screens[1].row_text(20), std::string(80, ' '));
}

TEST_F(MessageLineTest, AnUnknownNumberShowsWhatTheCatalogueGives) {
  std::string line;
  auto screens = run([&] {
    line = catalogue_line(4999);
    cintschedmsg(4999);
    send_screen();
  });
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_THAT(screens[0].row_text(20), StartsWith(" " + line.substr(0, 79)));
}

}  // namespace
}  // namespace qcmd::testing
