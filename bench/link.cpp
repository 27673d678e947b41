// LINK from a C program to a C program with a 100-byte COMMAREA, beside the
// same call through a function pointer and beside a LINK to the built-in
// ECHO. The programs (link_programs.c) are translated and built as a user's
// are; one task LINKs kLinksPerTask times. Counter: round trips per second
// (items_per_second).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "bench_support.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/services/program_library.hpp"
#include "monitor/terminal/scripted.hpp"
#include "programs/builtins.hpp"

namespace {

namespace region = ravnmor::region;
namespace services = ravnmor::services;

constexpr std::int32_t kLinksPerTask = 1000;

// LINKER's COMMAREA, as link_programs.c lays it out.
struct Order {
  char mode;
  std::int32_t count;
};

// A region in a scratch directory whose program table holds LINKER, LINKED
// and ECHO; transaction LINK runs LINKER.
class LinkRegion {
 public:
  LinkRegion() : directory_(bench::scratch_directory()) {
    region_.emplace(region::Region::open(directory_ / "region"));
    region::set_current_region(&*region_);
    services::add_library_program("LINKER", BENCH_LINK_LIBRARY, "linker");
    services::add_library_program("LINKED", BENCH_LINK_LIBRARY, "linked");
    region::program_table().add_program(programs::kEchoName, programs::echo_program);
    region::program_table().add_transaction("LINK", "LINKER");
  }
  ~LinkRegion() {
    region::set_current_region(nullptr);
    region_.reset();
    std::filesystem::remove_all(directory_);
  }

  bool run(char mode) {
    Order order{mode, kLinksPerTask};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&order);
    region::TaskStart start;
    start.transaction = "LINK";
    start.commarea.assign(bytes, bytes + sizeof order);
    ravnmor::terminal::ScriptedTerminal terminal;
    return region::run_transaction(terminal, start).end == region::TaskEnd::program_ended;
  }

 private:
  std::filesystem::path directory_;
  std::optional<region::Region> region_;
};

void Links(benchmark::State& state, char mode) {
  LinkRegion region;
  for (auto _ : state) {
    if (!region.run(mode)) {
      state.SkipWithError("the task did not end normally: see the region's error log");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * kLinksPerTask);
}

BENCHMARK_CAPTURE(Links, c_to_c_link, 'C');
BENCHMARK_CAPTURE(Links, link_to_builtin_echo, 'E');
BENCHMARK_CAPTURE(Links, function_pointer, 'F');

}  // namespace
