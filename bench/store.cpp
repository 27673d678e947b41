// Temporary storage item throughput of the region store: one durable
// transaction per WRITEQ TS (WAL, full synchronisation), and reads of the
// next item by the queue's shared cursor.
#include "monitor/store/store.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_support.hpp"

namespace {

using ravnmor::store::Outcome;

struct Region {
  Region() {
    directory = bench::scratch_directory();
    store = std::move(ravnmor::store::open_sqlite_store(directory).store);
  }
  ~Region() { std::filesystem::remove_all(directory); }
  std::filesystem::path directory;
  std::unique_ptr<ravnmor::store::Store> store;
};

constexpr std::string_view kQueue = "BENCHQ  ";

void WriteqTs(benchmark::State& state) {
  Region region;
  ravnmor::store::Bytes item(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    std::int32_t number = 0;
    if (region.store->ts_write(kQueue, item, number) != Outcome::ok) {
      region.store->ts_delete(kQueue);  // a full queue starts again
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(WriteqTs)->Arg(100)->Arg(4096)->Arg(32767);

void ReadqTsNext(benchmark::State& state) {
  Region region;
  ravnmor::store::Bytes data(static_cast<std::size_t>(state.range(0)), 'x');
  constexpr int kItems = 500;
  std::int32_t number = 0;
  for (int i = 0; i < kItems; ++i) region.store->ts_write(kQueue, data, number);
  ravnmor::store::QueueItem item;
  for (auto _ : state) {
    if (region.store->ts_read_next(kQueue, item) != Outcome::ok) {
      region.store->ts_read(kQueue, 1, item);  // past the end: back to the first
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ReadqTsNext)->Arg(100)->Arg(4096);

}  // namespace
