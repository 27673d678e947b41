#include "monitor/exec/demo.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "monitor/recording_terminal.hpp"
#include "monitor/region/harness.hpp"

namespace ravnmor::exec {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override { register_demo(region::program_table()); }

  std::string sent(std::size_t i) {
    return std::string(terminal.sent.at(i).begin(), terminal.sent.at(i).end());
  }

  region::TestRegion region;
  testing::RecordingTerminal terminal;
};

// The name field's text starts at address 579 (row 8, column 20): "IC" (9*64+3).
TEST_F(DemoTest, TheTypedNameIsAnsweredAndPf3EndsWithEraseAndReturn) {
  terminal.inputs = {testing::record_of("'IC\x11ICAda"), testing::record_of("3  ")};
  region::TaskOutcome outcome = region.run("DEMO", terminal);
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_FALSE(outcome.terminal_lost);
  ASSERT_EQ(terminal.sent.size(), 3u);
  EXPECT_THAT(sent(0), HasSubstr("Ravnmor Demonstration"));
  // The label (bright), the 20-blank input field (attribute at 578, "IB"), the cursor on its text.
  EXPECT_THAT(sent(0), HasSubstr("\x1DYYour name . . .\x11IB\x1D"
                                 "A                    \x11"));
  EXPECT_THAT(sent(0), EndsWith("\x11IC\x13"));
  EXPECT_THAT(sent(1), HasSubstr("Hello, Ada!"));
  EXPECT_THAT(sent(1), HasSubstr("You typed 3 characters and pressed Enter."));
  EXPECT_EQ(sent(2), "5C");  // SEND CONTROL ERASE FREEKB
}

TEST_F(DemoTest, OtherKeysAndAnEmptyNameAreExplained) {
  terminal.inputs = {testing::record_of("5IC\x11IC"), testing::record_of("'IC\x11IC    "),
                     testing::record_of("3  ")};
  region.run("DEMO", terminal);
  ASSERT_EQ(terminal.sent.size(), 4u);
  EXPECT_THAT(sent(1), HasSubstr("PF5 has no meaning here: press Enter or PF3."));
  EXPECT_THAT(sent(2), HasSubstr("Please type a name first."));
  EXPECT_THAT(sent(2), Not(HasSubstr("PF5 has no meaning")));
  EXPECT_EQ(sent(3), "5C");
}

TEST_F(DemoTest, AHungUpTerminalEndsTheDemo) {
  terminal.inputs = {testing::record_of("'IC\x11ICBob")};
  region::TaskOutcome outcome = region.run("DEMO", terminal);
  EXPECT_EQ(outcome.end, region::TaskEnd::returned);
  EXPECT_TRUE(outcome.terminal_lost);
  ASSERT_EQ(terminal.sent.size(), 2u);  // the answer was sent; no answer came, no erase can go
  EXPECT_THAT(sent(1), HasSubstr("Hello, Bob!"));
}

}  // namespace
}  // namespace ravnmor::exec
