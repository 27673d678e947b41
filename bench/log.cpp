// Region log throughput: every line is one locked append (open, flock, two
// stats, one write); at the smaller size a rotation every few hundred lines.
#include "monitor/region/log.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.hpp"
#include "monitor/region/region.hpp"

namespace {

constexpr const char* kLine = "session 1 (T001, pid 4242) connected from 127.0.0.1:40000";

void RegionLogLine(benchmark::State& state) {
  const std::filesystem::path directory = bench::scratch_directory();
  std::ofstream(directory / "region.toml") << "[log]\nsize = " << state.range(0) << "\n";
  {
    ravnmor::region::Region region = ravnmor::region::Region::open(directory);
    ravnmor::region::set_current_region(&region);
    ravnmor::region::set_log_console(false);
    for (auto _ : state) ravnmor::region::log_event(ravnmor::region::LogLevel::info, kLine);
    ravnmor::region::set_current_region(nullptr);
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove_all(directory);
}
BENCHMARK(RegionLogLine)->Arg(4 << 20)->Arg(64 << 10);

}  // namespace
