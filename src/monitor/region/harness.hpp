// Test support for every program that runs in the region: a fresh region
// directory (removed at the end), opened as the current region, in which
// transactions run at a terminal the test provides.
//
//   ravnmor::region::TestRegion region;           // or TestRegion(true) to trace
//   region::program_table().add_program("QCMD", qcmd::main_entry);
//   region::program_table().add_transaction("QCMD", "QCMD");
//   auto outcome = region.run("QCMD", terminal);  // returns when the task ends
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"

namespace ravnmor::region {

class TestRegion {
 public:
  explicit TestRegion(bool trace = false);
  ~TestRegion();
  TestRegion(const TestRegion&) = delete;
  TestRegion& operator=(const TestRegion&) = delete;

  Region& region() { return region_; }
  const std::filesystem::path& directory() const { return region_.directory(); }

  // The log files' contents, empty when nothing was written.
  std::string error_log() const;
  std::string trace() const;

  // Runs `transaction` at `terminal` as terminal T001 (number 1); `input` is
  // the inbound record that started it (empty: no key pressed).
  TaskOutcome run(std::string_view transaction, terminal::Terminal& terminal,
                  std::vector<std::uint8_t> input = {});

 private:
  Region region_;
  Region* previous_;
};

}  // namespace ravnmor::region
