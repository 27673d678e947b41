#include "shell/msgscreen.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/qcmd.hpp"
#include "translator/diagnostics.hpp"

namespace qcmd::testing {
namespace {

using ::testing::HasSubstr;

class MsgScreenTest : public QcmdTest {
 protected:
  void SetUp() override { clear_error_tokens(); }
  region::TaskOutcome run_screen() { return test_region.run_program(cintmsgscreen); }
};

const std::string kReturnRow = padded(std::string(33, ' ') + "(PF3) Return");

TEST_F(MsgScreenTest, AnEmptyListShowsOnlyTheTitleAndTheKeyAndOtherKeysRedisplayIt) {
  user.enter().pf(8).pf(3);
  run_screen();
  ASSERT_EQ(user.sent().size(), 3u);  // shown again after each key until PF3
  for (std::size_t i = 0; i < 3; ++i) {
    terminal::Screen screen = screen_sent(i);
    EXPECT_THAT(screen.row_text(1), HasSubstr("Translator Diagnostic Messages"));
    for (int row = 3; row <= 22; ++row) EXPECT_EQ(screen.row_text(row), padded("")) << row;
    EXPECT_EQ(screen.row_text(23), kReturnRow);
    EXPECT_EQ(screen.row_text(24), padded(""));
  }
}

TEST_F(MsgScreenTest, SixteenEntriesFillRowsFourToNineteen) {
  for (int i = 0; i < 15; ++i) {
    save_error_token(("diagnostic " + std::to_string(i)).c_str(),
                     i % 2 == 0 ? kSeverityWarning : kSeverityError);
  }
  save_error_token(std::string(100, 'Z').c_str(), kSeverityError);  // wider than the row
  save_error_token("a seventeenth is not kept", kSeverityError);
  user.pf(3);
  run_screen();
  ASSERT_EQ(user.sent().size(), 1u);
  terminal::Screen screen = screen_sent(0);
  EXPECT_EQ(screen.row_text(3), padded(""));
  EXPECT_EQ(screen.row_text(4), padded(" W : diagnostic 0"));
  EXPECT_EQ(screen.row_text(5), padded(" E : diagnostic 1"));
  EXPECT_EQ(screen.row_text(18), padded(" W : diagnostic 14"));
  EXPECT_EQ(screen.row_text(19), " E : " + std::string(75, 'Z'));  // cut at the row's end
  EXPECT_EQ(screen.row_text(20), padded(""));
  EXPECT_EQ(screen.row_text(23), kReturnRow);
}

TEST_F(MsgScreenTest, AnIndexPastTheListShowsOnlyItsSixteenEntries) {
  for (int i = 0; i < kMaxDiagnostics; ++i) save_error_token("W", kSeverityWarning);
  err_token_no = 40;
  user.pf(3);
  run_screen();
  terminal::Screen screen = screen_sent(0);
  EXPECT_EQ(screen.row_text(19), padded(" W : W"));
  for (int row = 20; row <= 22; ++row) EXPECT_EQ(screen.row_text(row), padded("")) << row;
}

}  // namespace
}  // namespace qcmd::testing
