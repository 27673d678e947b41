#include "support/test_region.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "monitor/region/programs.hpp"
#include "monitor/services/files.hpp"
#include "monitor/services/region_store.hpp"

namespace ravnmor::region {

namespace {

std::filesystem::path make_temporary_directory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ravnmor-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary region directory");
  }
  return pattern;
}

constexpr char kTestProgram[] = "TESTPROG";
constexpr char kTestTransaction[] = "TEST";

// The test region's files besides the sample file ACCOUNTS: one of each
// type, and one closed, one disabled and one that allows reading only; and
// a recoverable queue.
constexpr std::string_view kTestFiles = R"toml(
[[file]]
name = "KSDS"
key_length = 8
record_length = 30
[[file]]
name = "ESDS"
type = "entry"
record_length = 30
[[file]]
name = "RRDS"
type = "relative"
record_length = 30
[[file]]
name = "SHUT"
open = false
[[file]]
name = "OFF"
enabled = false
[[file]]
name = "LOOKONLY"
operations = ["read", "browse"]
[[tdqueue]]
name = "RTDQ"
recoverable = true
)toml";

Region open_region(bool trace, std::string_view definitions) {
  const std::filesystem::path directory = make_temporary_directory() / "region";
  std::filesystem::create_directories(directory);
  std::ofstream(directory / "region.toml") << default_config_text() << kTestFiles << definitions;
  Region region = Region::open(directory);
  region.set_trace(trace);
  return region;
}

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TestRegion::TestRegion(bool trace, std::string_view definitions)
    : region_(open_region(trace, definitions)), previous_(current_region()) {
  set_current_region(&region_);
  store::Store* store = services::region_store();
  if (store == nullptr ||
      services::load_sample_records(region_.config(), *store) != store::Outcome::ok) {
    throw std::runtime_error("cannot load the sample records");
  }
}

TestRegion::~TestRegion() {
  set_current_region(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(region_.directory().parent_path(), ignored);
}

std::string TestRegion::error_log() const {
  return contents(region_.error_log_path());
}
std::string TestRegion::region_log() const {
  return contents(region_.region_log_path());
}
std::string TestRegion::trace() const {
  return contents(region_.trace_path());
}

TaskOutcome TestRegion::run(std::string_view transaction, std::vector<std::uint8_t> input) {
  return run(transaction, terminal_, std::move(input));
}

TaskOutcome TestRegion::run(std::string_view transaction, terminal::Terminal& terminal,
                            std::vector<std::uint8_t> input) {
  TaskStart start;
  start.transaction = std::string(transaction);
  start.input = std::move(input);
  return run_transaction(terminal, start);
}

TaskOutcome TestRegion::run_program(std::function<void()> program) {
  program_table().add_program(kTestProgram, std::move(program));
  program_table().add_transaction(kTestTransaction, kTestProgram);
  return run(kTestTransaction);
}

std::vector<terminal::Screen> TestRegion::screens() const {
  std::vector<terminal::Screen> screens;
  for (const auto& record : terminal_.sent()) {
    screens.emplace_back();
    EXPECT_TRUE(screens.back().apply_outbound(record).ok());
  }
  return screens;
}

}  // namespace ravnmor::region
