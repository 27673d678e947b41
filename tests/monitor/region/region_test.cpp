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

TEST(ConfigTest, ReadsSettingsAndDefinitionsAndNamesTheLineAndKeyOfEveryMistake) {
  RegionConfig config = parse_config(default_config_text(), "c");
  EXPECT_EQ(config.name, "RAVNMOR");
  EXPECT_EQ(config.sysid, "RAVN");
  ASSERT_NE(config.file("accounts"), nullptr);
  EXPECT_TRUE(config.file("ACCOUNTS")->recoverable);
  EXPECT_NE(config.transaction("QCMD "), nullptr);
  EXPECT_TRUE(config.recoverable_ts_queue("RCVQUEUE"));
  EXPECT_FALSE(config.recoverable_ts_queue("Q1"));

  RegionConfig set = parse_config(
      "[region]\nname = \"demo1\"\ntrace = true\n[log]\nlevel = \"warning\"\nsize = \"2K\"\n"
      "keep = 5\n[[file]]\nname = \"ES\"\ntype = \"entry\"\noperations = [\"read\"]\n",
      "c");
  EXPECT_EQ(set.name, "DEMO1");
  EXPECT_TRUE(set.trace);
  EXPECT_EQ(set.log_level, LogLevel::warning);
  EXPECT_EQ(set.log_size, 2048u);
  EXPECT_EQ(set.log_keep, 5);
  EXPECT_EQ(set.files.at(0).type, FileType::entry_sequenced);
  EXPECT_FALSE(set.files.at(0).allows.browse);
  EXPECT_TRUE(set.files.at(0).allows.read);

  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"[region]\nname = \"TOOLONGNAME\"\n", "c:2: region.name: must be 1 to 8 characters"},
      {"[region]\nname = \"A-B\"\n", "c:2: region.name: must be 1-8 letters or digits"},
      {"[region]\ntrace = \"maybe\"\n", "c:2: region.trace: must be true or false"},
      {"[region]\n\ncolour = 1\n", "c:3: region.colour: unknown key"},
      {"[log]\nlevel = \"loud\"\n", "c:2: log.level: must be one of debug, info"},
      {"[log]\nsize = 1023\n", "c:2: log.size: must be a size of at least 1K"},
      {"[log]\nsize = \"99999999999999999999M\"\n", "c:2: log.size: must be"},
      {"[log]\nkeep = 0\n", "c:2: log.keep: must be a whole number from 1 to 99"},
      {"[[file]]\nname = \"F\"\nkey_length = 8\nrecord_length = 4\n",
       "c:3: file[1].key_length: the key (from key_offset) must lie within record_length"},
      {"[[file]]\nname = \"F\"\n[[file]]\nname = \"f\"\n",
       "c:3: file[2]: a second definition of F"},
      {"[[file]]\ntype = \"keyed\"\n", "c:1: file[1].name: is missing"},
      {"[[tdqueue]]\nname = \"X\"\ntype = \"extrapartition\"\n",
       "file: is needed by an extrapartition queue"},
      {"[[tdqueue]]\nname = \"X\"\ntrigger_level = 5\n", "tdqueue[1].transaction: is needed"},
      {"[[transaction]]\nname = \"T\"\nprogram = \"NONE\"\n",
       "c:3: transaction[1].program: no [[program]] is named NONE"},
      {"[printers]\n", "c:1: printers: unknown table"},
      {"file = 3\n", "c:1: file: must be written [[file]]"},
      {"\n\njust words\n", "c:3: "},
  };
  for (const Case& c : cases) {
    try {
      parse_config(c.text, "c");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ConfigError& error) {
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

  EXPECT_TRUE(created.created());
  std::ofstream(created.config_path()) << "[region]\nname = \"prod\"\ntrace = true\n";
  Region reopened = Region::open(directory);
  EXPECT_EQ(reopened.config().name, "PROD");
  EXPECT_TRUE(reopened.config().trace);
  EXPECT_FALSE(reopened.created());

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
