#include "monitor/region/region.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "host/host.hpp"
#include "monitor/region/programs.hpp"
#include "support/test_region.hpp"

namespace ravnmor::region {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

TEST(ConfigTest, ReadsSettingsAndRejectsBadLines) {
  RegionConfig config = parse_config("# comment\n\nname = demo1\ntrace = on  # traced\n", "c");
  EXPECT_EQ(config.name, "DEMO1");
  EXPECT_TRUE(config.trace);
  EXPECT_EQ(parse_config("", "c").name, "RAVNMOR");
  RegionConfig logs = parse_config("log_level = warning\nlog_size = 2K\nlog_keep = 5\n", "c");
  EXPECT_EQ(logs.log_level, LogLevel::warning);
  EXPECT_EQ(logs.log_size, 2048u);
  EXPECT_EQ(logs.log_keep, 5);
  EXPECT_EQ(parse_config("log_size = 3M\n", "c").log_size, 3u * 1024 * 1024);

  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"name = TOOLONGNAME\n", "c:1: name must be 1-8 letters or digits"},
      {"name = A-B\n", "c:1: name must be"},
      {"name =\n", "c:1: name must be"},
      {"trace = off\ntrace = maybe\n", "c:2: trace must be on or off"},
      {"colour = red\n", "c:1: unknown setting 'colour'"},
      {"log_level = loud\n", "c:1: log_level must be debug, info, warning or error"},
      {"log_size = 1023\n", "c:1: log_size must be a size of at least 1K"},
      {"log_size = 4G\n", "c:1: log_size must be"},
      {"log_size = 99999999999999M\n", "c:1: log_size must be"},
      {"log_keep = 0\n", "c:1: log_keep must be a number from 1 to 99"},
      {"log_keep = 3x\n", "c:1: log_keep must be"},
      {"\n\njust words\n", "c:3: expected 'setting = value'"},
  };
  for (const Case& c : cases) {
    try {
      parse_config(c.text, "c");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const std::runtime_error& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.error));
    }
  }
}

TEST(RegionTest, FirstOpenCreatesTheDirectoryAndLaterOpensReadIt) {
  TestRegion scratch;
  auto directory = scratch.directory().parent_path() / "other";
  Region created = Region::open(directory);
  EXPECT_TRUE(std::filesystem::is_directory(directory / "logs"));
  EXPECT_EQ(created.config().name, "RAVNMOR");
  EXPECT_FALSE(created.config().trace);
  ASSERT_TRUE(std::filesystem::exists(created.config_path()));

  std::ofstream(created.config_path()) << "name = prod\ntrace = on\n";
  Region reopened = Region::open(directory);
  EXPECT_EQ(reopened.config().name, "PROD");
  EXPECT_TRUE(reopened.config().trace);

  std::ofstream(created.config_path()) << "trace = sometimes\n";
  EXPECT_THROW(Region::open(directory), std::runtime_error);

  auto file = scratch.directory().parent_path() / "a-file";
  std::ofstream(file) << "x";
  EXPECT_THROW(Region::open(file), std::runtime_error);
}

TEST(CatalogueTest, EveryMessageOfTheInterpreterHasAShortTextAndASeverity) {
  const int used[] = {3210, 3211, 3212, 3213, 3214, 3220, 3230, 3231,
                      3232, 3233, 3240, 3241, 3242, 3250, 3251, 3252};
  for (int number : used) {
    char text[host::kMessageTextSize];
    char code = 0;
    std::memset(text, 'x', sizeof text);
    host::oxgetmsg(number, text, &code);
    EXPECT_GT(std::strlen(text), 10u) << number;
    EXPECT_THAT(std::string(1, code), MatchesRegex("[IWE]")) << number;
  }

  char text[host::kMessageTextSize];
  char code = 0;
  host::oxgetmsg(3251, text, &code);
  EXPECT_STREQ(text, "This is the first page of data");
  EXPECT_EQ(code, 'W');
  host::oxgetmsg(3211, text, &code);
  EXPECT_EQ(code, 'E');

  host::oxgetmsg(3215, text, &code);
  EXPECT_STREQ(text, "Message 3215 is not in the message catalogue");
  EXPECT_EQ(code, 'W');
  host::oxgetmsg(-1, text, &code);
  EXPECT_STREQ(text, "Message -1 is not in the message catalogue");
  host::oxgetmsg(3210, nullptr, nullptr);  // nothing to fill: nothing happens
}

TEST(ErrorLogTest, ErrorsAreTimestampedLinesInTheRegion) {
  TestRegion region;
  EXPECT_EQ(region.error_log(), "");
  host::oxerror(host::kErrorScreenSend, 1, "showeibscreen");
  host::oxerror(999, 0, nullptr);
  std::string log = region.error_log();
  EXPECT_THAT(log, MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} \\[pid [0-9]+\\] "
                                "error 353 \\(flag 1\\) in showeibscreen: a screen could not be "
                                "sent to the terminal\n"
                                ".*error 999 \\(flag 0\\) in \\(no function named\\): monitor "
                                "error\n"));
}

TEST(ProgramTableTest, NamesAreMatchedAsProgramsPassThem) {
  ProgramTable table;
  int calls = 0;
  table.add_program("demo", [&calls] { ++calls; });
  table.add_transaction("dem", "DEMO");
  ASSERT_NE(table.find_program("DEMO    "), nullptr);
  (*table.find_program(std::string_view("Demo\0\0\0\0", 8)))();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(table.program_of("DEM "), "DEMO");
  EXPECT_EQ(table.find_program("DEMO2"), nullptr);
  EXPECT_FALSE(table.program_of("QCMD").has_value());
  EXPECT_THROW(table.add_program("NINECHARS", [] {}), std::invalid_argument);
  EXPECT_THROW(table.add_transaction("FIVES", "DEMO"), std::invalid_argument);
  EXPECT_THROW(table.add_program("   ", [] {}), std::invalid_argument);
}

}  // namespace
}  // namespace ravnmor::region
