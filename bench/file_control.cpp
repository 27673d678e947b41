// File control through the EXEC interface beside raw SQLite: READ and
// WRITE of 100-byte and 4 KiB records on a keyed file, with descriptors as
// the translator builds them, and point reads and inserts of the same rows
// in a bare database with the store's durability (WAL, synchronous=FULL).
// The ratio of each pair is the cost of the region's file control.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "host/descriptor.hpp"
#include "host/host.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/region/region.hpp"
#include "monitor/region/runner.hpp"
#include "monitor/terminal/scripted.hpp"

namespace {

using bench::descriptor_of;
using bench::scratch_directory;

namespace region = ravnmor::region;

constexpr int kPreloaded = 1000;  // records the reads cycle through
constexpr std::size_t kKeyLength = 8;
constexpr std::size_t kLongestRecord = 4096;
constexpr std::string_view kBenchFile = R"toml(
[[file]]
name = "BENCH"
key_length = 8
record_length = 4096
)toml";

// Record `n` of `size` bytes: its 8-digit key, then filler.
std::string record(int n, std::size_t size) {
  char key[kKeyLength + 1];
  std::snprintf(key, sizeof key, "%08d", n);
  std::string data(size, 'x');
  std::memcpy(data.data(), key, kKeyLength);
  return data;
}

// A region with the file BENCH, in which a benchmark's loop runs as a task.
class BenchRegion {
 public:
  BenchRegion() : directory_(scratch_directory()) {
    std::filesystem::path region_directory = directory_ / "region";
    std::filesystem::create_directories(region_directory);
    std::ofstream(region_directory / "region.toml") << region::default_config_text() << kBenchFile;
    region_.emplace(region::Region::open(region_directory));
    region::set_current_region(&*region_);
  }
  ~BenchRegion() {
    region::set_current_region(nullptr);
    std::filesystem::remove_all(directory_);
  }

  void run_task(std::function<void()> body) {
    region::program_table().add_program("BENCHPGM", std::move(body));
    region::program_table().add_transaction("BNCH", "BENCHPGM");
    ravnmor::terminal::ScriptedTerminal terminal;
    region::TaskStart start;
    start.transaction = "BNCH";
    region::run_transaction(terminal, start);
  }

 private:
  std::filesystem::path directory_;
  std::optional<region::Region> region_;
};

// One EXEC call of the file commands: FILE at position 2, the data at 3,
// LENGTH at 4, RIDFLD at 5, as READ and WRITE take them; none after.
struct FileCall {
  static constexpr std::size_t kPassed = 7;  // positions 2-8, as READ's descriptor counts

  bench::Descriptor descriptor;
  char file[8] = {'B', 'E', 'N', 'C', 'H', ' ', ' ', ' '};
  std::vector<char> data = std::vector<char>(kLongestRecord);
  std::int16_t length = 0;
  char key[kKeyLength] = {};

  void run() {
    std::array<void*, kPassed> args{file, data.data(), &length, key};
    host::oxdfhei1(descriptor.data(), args);
  }
  std::int32_t response() const {
    return static_cast<std::int32_t>(
        host::load_word(host::linked_block(host::xtcb, host::kTcbEib), host::kEibResp));
  }
};

void ExecWrite(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  BenchRegion bench;
  FileCall call{descriptor_of("WRITE FILE(BENCH) FROM(&STRING) RIDFLD(&STRING) LENGTH(100)")};
  bench.run_task([&] {
    int n = 0;
    for (auto _ : state) {
      std::string data = record(n++, size);
      std::memcpy(call.data.data(), data.data(), size);
      std::memcpy(call.key, data.data(), kKeyLength);
      call.length = static_cast<std::int16_t>(size);
      call.run();
      if (call.response() != 0) state.SkipWithError("WRITE failed");
    }
  });
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ExecWrite)->Arg(100)->Arg(4096);

void ExecRead(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  BenchRegion bench;
  FileCall write{descriptor_of("WRITE FILE(BENCH) FROM(&STRING) RIDFLD(&STRING) LENGTH(100)")};
  FileCall read{descriptor_of("READ FILE(BENCH) INTO(&STRING) RIDFLD(&STRING) LENGTH(&HWORD)")};
  bench.run_task([&] {
    for (int n = 0; n < kPreloaded; ++n) {
      std::string data = record(n, size);
      std::memcpy(write.data.data(), data.data(), size);
      std::memcpy(write.key, data.data(), kKeyLength);
      write.length = static_cast<std::int16_t>(size);
      write.run();
    }
    int n = 0;
    for (auto _ : state) {
      std::memcpy(read.key, record(n++ % kPreloaded, kKeyLength).data(), kKeyLength);
      read.length = static_cast<std::int16_t>(kLongestRecord);
      read.run();
      if (read.response() != 0) state.SkipWithError("READ failed");
    }
  });
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ExecRead)->Arg(100)->Arg(4096);

// A bare database of the store's file_record shape, as durable.
class RawDatabase {
 public:
  RawDatabase() : directory_(scratch_directory()) {
    sqlite3_open((directory_ / "raw.db").c_str(), &db_);
    sqlite3_exec(db_,
                 "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;"
                 "CREATE TABLE file_record (file BLOB NOT NULL, key BLOB NOT NULL, "
                 "data BLOB NOT NULL, PRIMARY KEY (file, key)) WITHOUT ROWID;",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db_, "INSERT INTO file_record (file, key, data) VALUES ('BENCH', ?, ?)", -1,
                       &insert_, nullptr);
    sqlite3_prepare_v2(db_, "SELECT data FROM file_record WHERE file = 'BENCH' AND key = ?", -1,
                       &select_, nullptr);
  }
  ~RawDatabase() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(select_);
    sqlite3_close(db_);
    std::filesystem::remove_all(directory_);
  }

  bool insert(const std::string& data) {
    sqlite3_bind_blob(insert_, 1, data.data(), kKeyLength, SQLITE_STATIC);
    sqlite3_bind_blob(insert_, 2, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    bool done = sqlite3_step(insert_) == SQLITE_DONE;
    sqlite3_reset(insert_);
    return done;
  }
  bool select(const std::string& key, std::vector<char>& into) {
    sqlite3_bind_blob(select_, 1, key.data(), kKeyLength, SQLITE_STATIC);
    bool found = sqlite3_step(select_) == SQLITE_ROW;
    if (found) {
      std::memcpy(into.data(), sqlite3_column_blob(select_, 0),
                  static_cast<std::size_t>(sqlite3_column_bytes(select_, 0)));
    }
    sqlite3_reset(select_);
    return found;
  }

 private:
  std::filesystem::path directory_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* select_ = nullptr;
};

void RawInsert(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  RawDatabase raw;
  int n = 0;
  for (auto _ : state) {
    if (!raw.insert(record(n++, size))) state.SkipWithError("INSERT failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RawInsert)->Arg(100)->Arg(4096);

void RawSelect(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  RawDatabase raw;
  for (int n = 0; n < kPreloaded; ++n) raw.insert(record(n, size));
  std::vector<char> into(kLongestRecord);
  int n = 0;
  for (auto _ : state) {
    if (!raw.select(record(n++ % kPreloaded, kKeyLength), into)) {
      state.SkipWithError("SELECT failed");
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RawSelect)->Arg(100)->Arg(4096);

}  // namespace
