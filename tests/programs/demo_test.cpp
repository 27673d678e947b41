#include "programs/demo.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "support/test_region.hpp"

namespace ravnmor {
namespace {

using ::testing::StartsWith;

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override { programs::register_demo(region::program_table()); }

  terminal::Screen screen_sent(std::size_t i) { return region.screens().at(i); }

  region::TestRegion region;
  terminal::ScriptedTerminal& user = region.terminal();
};

// The screens of a name typed and answered, and PF3 ending the task, are
// cli Session.RunsATransactionAndRoutesAgainAfterIt's, through s3270.
TEST_F(DemoTest, OtherKeysAndAnEmptyNameAreExplained) {
  user.pf(5);
  user.enter();
  user.pf(3);
  region.run("DEMO");
  ASSERT_EQ(user.sent().size(), 4u);
  EXPECT_THAT(screen_sent(1).row_text(20),
              StartsWith("  PF5 has no meaning here: press Enter or PF3."));
  EXPECT_THAT(screen_sent(2).row_text(20), StartsWith("  Please type a name first."));
}

TEST_F(DemoTest, AHungUpTerminalMakesTheSendFailAndEndsTheDemo) {
  user.type_field(1, "Bob");
  user.enter();
  region::TaskOutcome outcome = region.run("DEMO");
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_TRUE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 2u);  // the answer went out; no key came, so no erase can go
  EXPECT_THAT(screen_sent(1).row_text(4), StartsWith("  Hello, Bob!"));
}

}  // namespace
}  // namespace ravnmor
