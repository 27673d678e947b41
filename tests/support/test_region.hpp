// Test support for every program that runs in the region: a fresh region
// directory (removed at the end), opened as the current region, with a
// scripted terminal at which transactions run.
//
//   ravnmor::region::TestRegion region;            // TestRegion(true) traces
//   region::program_table().add_program("QCMD", qcmd::main);
//   region::program_table().add_transaction("QCMD", "QCMD");
//   region.terminal().type_field(1, "QCMD READQ TS QUEUE(Q1)");
//   region.terminal().enter();
//   region.terminal().pf(3);                       // then the script runs out: hung up
//   auto outcome = region.run("QCMD");             // returns when the task ends
//   region.screens();                              // every screen sent, decoded
//   region.run_program([] { ... });                // a test's own program
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/terminal/screen.hpp"
#include "monitor/terminal/scripted.hpp"

namespace ravnmor::region {

class TestRegion {
 public:
  // `definitions` (TOML) are added to the default configuration.
  explicit TestRegion(bool trace = false, std::string_view definitions = {});
  ~TestRegion();
  TestRegion(const TestRegion&) = delete;
  TestRegion& operator=(const TestRegion&) = delete;

  Region& region() { return region_; }
  const std::filesystem::path& directory() const { return region_.directory(); }

  // The log files' contents, empty when nothing was written.
  std::string error_log() const;
  std::string region_log() const;
  std::string trace() const;

  terminal::ScriptedTerminal& terminal() { return terminal_; }

  // Runs `transaction` as terminal T001 (number 1) at the scripted terminal
  // or at another one; `input` is the inbound record that started it (empty:
  // no key pressed).
  TaskOutcome run(std::string_view transaction, std::vector<std::uint8_t> input = {});
  TaskOutcome run(std::string_view transaction, terminal::Terminal& terminal,
                  std::vector<std::uint8_t> input = {});
  // Runs `program` as a transaction of its own at the scripted terminal.
  TaskOutcome run_program(std::function<void()> program);

  // Every record sent to the scripted terminal, each drawn on an empty screen.
  std::vector<terminal::Screen> screens() const;

 private:
  Region region_;
  terminal::ScriptedTerminal terminal_;
  Region* previous_;
};

}  // namespace ravnmor::region
