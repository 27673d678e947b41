#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "host/host.hpp"
#include "monitor/control/task.hpp"
#include "monitor/recording_terminal.hpp"
#include "monitor/region/programs.hpp"
#include "support/test_region.hpp"

namespace ravnmor::region {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

constexpr const char* kReturn = ".(                    $   #00000014";

void issue_return() {
  char dummy[4] = {};
  host::oxdfhei1(kReturn, dummy, dummy, dummy);
}

std::string hex_word(const std::uint8_t* eib, std::size_t offset) {
  char text[9];
  std::snprintf(text, sizeof text, "%8.8x", host::load_word(eib, offset));
  return text;
}

class RunnerTest : public ::testing::Test {
 protected:
  TestRegion region;
  testing::RecordingTerminal terminal;
};

TEST_F(RunnerTest, TheTaskStartsWithItsEibAndEndsOnReturn) {
  std::array<std::uint8_t, host::kEibSize> eib{};
  program_table().add_program("EIBPROG", [&eib] {
    std::memcpy(eib.data(), host::linked_block(host::xtcb, host::kTcbEib), eib.size());
    issue_return();
  });
  program_table().add_transaction("EIBT", "EIBPROG");

  // Enter with the cursor at address 81 (row 2, column 2): "AJ" in the code table.
  TaskOutcome outcome = region.run("eibt", terminal, testing::record_of("'AJ"));
  EXPECT_EQ(outcome.end, TaskEnd::returned);
  EXPECT_THAT(outcome.programs, ElementsAre("EIBPROG"));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&eib[host::kEibTrnid]), 4), "EIBT");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&eib[host::kEibTrmid]), 4), "T001");
  EXPECT_EQ(eib[host::kEibAid], 0x7D);
  EXPECT_EQ(host::load_half(eib.data(), host::kEibCposn), 81);
  EXPECT_THAT(hex_word(eib.data(), host::kEibTime),
              MatchesRegex("0[0-2][0-9][0-5][0-9][0-5][0-9]f"));
  EXPECT_THAT(hex_word(eib.data(), host::kEibDate), MatchesRegex("01[0-9]{2}[0-3][0-9]{2}f"));

  TaskOutcome second = region.run("EIBT", terminal);
  EXPECT_EQ(second.task_number, outcome.task_number + 1);
  EXPECT_EQ(eib[host::kEibAid], 0x60);  // started without a key: no AID
  char expected[9];
  std::snprintf(expected, sizeof expected, "%07uf", second.task_number);
  EXPECT_EQ(hex_word(eib.data(), host::kEibTaskn), expected);
}

TEST_F(RunnerTest, TasksThatCannotRunOrFailEndCleanly) {
  EXPECT_EQ(region.run("NONE", terminal).end, TaskEnd::no_transaction);

  program_table().add_transaction("LOST", "NOPROG");
  EXPECT_EQ(region.run("LOST", terminal).end, TaskEnd::no_program);
  EXPECT_THAT(region.error_log(),
              HasSubstr("T001 LOST program NOPROG is not in the program table"));

  program_table().add_program("QUIET", [] {});
  program_table().add_transaction("QUIE", "QUIET");
  EXPECT_EQ(region.run("QUIE", terminal).end, TaskEnd::program_ended);

  program_table().add_program("THROWS", [] { throw std::runtime_error("out of paper"); });
  program_table().add_transaction("THRO", "THROWS");
  EXPECT_EQ(region.run("THRO", terminal).end, TaskEnd::failed);
  EXPECT_THAT(region.error_log(), HasSubstr("T001 THRO program THROWS failed: out of paper"));
  EXPECT_EQ(control::current_task(), nullptr);
}

TEST_F(RunnerTest, TheGlobalAreaCarriesTheRegionsTraceSwitch) {
  std::array<int, 2> switches{};
  program_table().add_program("TRACER", [&switches] {
    std::uint8_t* anchor = host::linked_block(host::oxgetdm(), host::kLdaSharedAnchor);
    std::uint8_t* global = host::linked_block(anchor, host::kAnchorGlobalArea);
    switches = {global[host::kGlobalTraceByte],
                static_cast<int>(host::load_word(global, host::kGlobalTraceWord))};
    host::oxprtd("tracer - Entry\n");
  });
  program_table().add_transaction("TRAC", "TRACER");
  region.run("TRAC", terminal);
  EXPECT_EQ(switches, (std::array<int, 2>{0, 0}));
  EXPECT_EQ(region.trace(), "");

  TestRegion traced(true);
  traced.run("TRAC", terminal);
  EXPECT_EQ(switches, (std::array<int, 2>{1, 1}));
  EXPECT_THAT(traced.trace(), HasSubstr(" T001 TRAC tracer - Entry\n"));
}

}  // namespace
}  // namespace ravnmor::region
