#include "programs/demo.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitor/region/programs.hpp"
#include "monitor/terminal/screen.hpp"
#include "support/test_region.hpp"

namespace ravnmor {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override { programs::register_demo(region::program_table()); }

  // The screen that the i-th record sent draws on a terminal.
  terminal::Screen screen_sent(std::size_t i) {
    terminal::Screen screen;
    EXPECT_TRUE(screen.apply_outbound(region.terminal().sent().at(i)).ok());
    return screen;
  }

  region::TestRegion region;
  terminal::ScriptedTerminal& user = region.terminal();
};

TEST_F(DemoTest, TheTypedNameIsAnsweredAndPf3EndsWithEraseAndReturn) {
  user.type_field(1, "Ada");
  user.enter();
  user.pf(3);
  region::TaskOutcome outcome = region.run("DEMO");
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(user.sent().size(), 3u);

  terminal::Screen ask = screen_sent(0);
  EXPECT_THAT(ask.row_text(1), StartsWith(" RAVNMOR "));
  EXPECT_THAT(ask.row_text(1), HasSubstr("Ravnmor Demonstration"));
  EXPECT_THAT(ask.row_text(2), StartsWith(" Terminal T001  Transaction DEMO"));
  EXPECT_THAT(ask.row_text(8), StartsWith("  Your name . . .  "));
  EXPECT_EQ(ask.cursor(), 7 * 80 + 19);  // on the name field's first character
  auto name_field = ask.unprotected_field(1);
  ASSERT_TRUE(name_field.has_value());
  EXPECT_EQ(name_field->length, 20);
  EXPECT_TRUE(name_field->modified());  // always returned on a read

  terminal::Screen answer = screen_sent(1);
  EXPECT_THAT(answer.row_text(4), StartsWith("  Hello, Ada!"));
  EXPECT_THAT(answer.row_text(6), StartsWith("  You typed 3 characters and pressed Enter."));

  // SEND CONTROL ERASE FREEKB left an empty screen with the keyboard free.
  EXPECT_THAT(user.screen().lines(), Each(std::string(80, ' ')));
  EXPECT_FALSE(user.screen().keyboard_locked());
}

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
