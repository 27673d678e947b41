#include "vars/messages.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "host/host.hpp"
#include "monitor/region/harness.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"

namespace qcmd {
namespace {

using ::testing::StartsWith;

// The catalogue's text for `number` as the message line shows it.
std::string expected_line(std::uint32_t number) {
  char text[host::kMessageTextSize] = {};
  char code = ' ';
  host::oxgetmsg(static_cast<int>(number), text, &code);
  return "OXM" + std::to_string(number) + code + " " + text;
}

class MessageLineTest : public ::testing::Test {
 protected:
  void SetUp() override { GlobalErrorNum = 0; }

  // Runs `program` as a transaction and returns the screens it sent.
  std::vector<ravnmor::terminal::Screen> run(std::function<void()> program) {
    ravnmor::region::program_table().add_program("MSGTEST", std::move(program));
    ravnmor::region::program_table().add_transaction("MSGT", "MSGTEST");
    for (int i = 0; i < 3; ++i) region.terminal().enter();
    region.run("MSGT");
    std::vector<ravnmor::terminal::Screen> screens;
    for (const auto& record : region.terminal().sent()) {
      screens.emplace_back();
      EXPECT_TRUE(screens.back().apply_outbound(record).ok());
    }
    return screens;
  }

  static void send_screen() {
    host::scrnhead("Messages", 8, host::xtermnum);
    cintdspmsg(kMessageRow);
    host::oxsnd(host::xtermnum);
  }

  ravnmor::region::TestRegion region;
};

TEST_F(MessageLineTest, TheFirstScheduledIsShownOnceOnRow20) {
  std::string first;
  auto screens = run([&] {
    first = expected_line(kMsgFirstPage);
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
    line = expected_line(4999);
    cintschedmsg(4999);
    send_screen();
  });
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_THAT(screens[0].row_text(20), StartsWith(" " + line.substr(0, 79)));
}

}  // namespace
}  // namespace qcmd
