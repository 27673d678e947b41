// Short units of work from 1, 10 and 50 concurrent tasks, each a session
// process of its own: READ UPDATE of a record of the recoverable sample file,
// REWRITE, WRITEQ TS of a recoverable queue, SYNCPOINT, through the EXEC
// interface with descriptors as the translator builds them. Beside it, raw
// SQLite doing the same statements in one transaction per unit of work, as
// durable (WAL, synchronous=FULL). Each task has its own record and queue,
// so the tasks contend for the database, not for locks. Counters: units of
// work per second (all tasks) and the 99th percentile of one unit's time.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
#include "monitor/store/store.hpp"
#include "monitor/terminal/scripted.hpp"

namespace {

using bench::descriptor_of;
using bench::scratch_directory;

namespace region = ravnmor::region;
namespace store = ravnmor::store;
using Clock = std::chrono::steady_clock;

constexpr auto kRunFor = std::chrono::seconds(2);  // each task's share of a run
constexpr std::size_t kRecordLength = 80;          // the sample file's records
constexpr std::size_t kKeyLength = 6;
constexpr std::size_t kMostArguments = 8;

// Task `n`'s record of ACCOUNTS: its key, then filler.
std::string record_of(int n) {
  char key[kKeyLength + 1];
  std::snprintf(key, sizeof key, "9%05d", n);
  std::string record(kRecordLength, ' ');
  std::memcpy(record.data(), key, kKeyLength);
  return record;
}

// Runs `tasks` processes, each doing units of work with `unit` for kRunFor
// after `prepare`; the time each unit took, in microseconds, of all tasks.
std::vector<double> run_tasks(int tasks, const std::function<void(int)>& prepare,
                              const std::function<bool(int)>& unit) {
  int results[2];
  if (pipe(results) != 0) return {};
  for (int task = 0; task < tasks; ++task) {
    if (fork() != 0) continue;
    close(results[0]);
    prepare(task);
    const auto end = Clock::now() + kRunFor;
    std::vector<double> taken;
    while (Clock::now() < end) {
      const auto start = Clock::now();
      if (!unit(task)) _exit(1);
      taken.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    (void)!write(results[1], taken.data(), taken.size() * sizeof(double));
    _exit(0);
  }
  close(results[1]);
  std::vector<double> all;
  double value = 0;
  while (read(results[0], &value, sizeof value) == sizeof value) all.push_back(value);
  close(results[0]);
  while (wait(nullptr) > 0) {
  }
  return all;
}

void report(benchmark::State& state, std::vector<double> taken, int tasks) {
  if (taken.empty()) {
    state.SkipWithError("no unit of work was done");
    return;
  }
  std::sort(taken.begin(), taken.end());
  state.counters["uow_per_s"] =
      static_cast<double>(taken.size()) / std::chrono::duration<double>(kRunFor).count();
  state.counters["p99_ms"] = taken[taken.size() * 99 / 100] / 1000.0;
  state.counters["tasks"] = tasks;
}

// One EXEC call: the descriptor and the argument addresses from position 2.
struct Call {
  bench::Descriptor descriptor;
  bool run(std::array<void*, kMostArguments> args) const {
    host::oxdfhei1(descriptor.data(), args);
    return host::load_word(host::linked_block(host::xtcb, host::kTcbEib), host::kEibResp) == 0;
  }
};

void ExecUnits(benchmark::State& state) {
  const int tasks = static_cast<int>(state.range(0));
  const std::filesystem::path directory = scratch_directory();
  const std::filesystem::path region_directory = directory / "region";
  {
    region::Region region = region::Region::open(region_directory);
    auto opened = store::open_sqlite_store(region_directory);
    for (int task = 0; task < tasks; ++task) {
      const std::string record = record_of(task);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.data());
      opened.store->file_write("ACCOUNTS", {bytes, kKeyLength}, {bytes, record.size()});
    }
  }
  const Call read{
      descriptor_of("READ FILE(ACCOUNTS) INTO(&STRING) RIDFLD(&STRING) "
                    "LENGTH(&HWORD) UPDATE")};
  const Call rewrite{descriptor_of("REWRITE FILE(ACCOUNTS) FROM(&STRING) LENGTH(&HWORD)")};
  const Call writeq{descriptor_of("WRITEQ TS QUEUE(&STRING) FROM(&STRING) LENGTH(&HWORD)")};
  const Call syncpoint{descriptor_of("SYNCPOINT")};
  // Each task's process: its region, and a transaction whose program does
  // one unit of work.
  std::optional<region::Region> region;
  char file[8] = {'A', 'C', 'C', 'O', 'U', 'N', 'T', 'S'};
  char queue[9] = {};
  std::string record;
  std::int16_t length = static_cast<std::int16_t>(kRecordLength);
  bool done = true;
  const std::function<void(int)> prepare = [&](int task) {
    region.emplace(region::Region::open(region_directory));
    region::set_current_region(&*region);
    std::snprintf(queue, sizeof queue, "RCV%05d", task);
    record = record_of(task);
    region::program_table().add_program("BENCHPGM", [&] {
      done = read.run({file, record.data(), &length, record.data()}) &&
             rewrite.run({file, record.data(), &length}) &&
             writeq.run({queue, record.data(), &length}) && syncpoint.run({});
    });
    region::program_table().add_transaction("BNCH", "BENCHPGM");
  };
  const std::function<bool(int)> unit = [&](int) {
    ravnmor::terminal::ScriptedTerminal terminal;
    region::TaskStart start;
    start.transaction = "BNCH";
    region::run_transaction(terminal, start);
    return done;
  };
  for (auto _ : state) report(state, run_tasks(tasks, prepare, unit), tasks);
  std::filesystem::remove_all(directory);
}
BENCHMARK(ExecUnits)->Arg(1)->Arg(10)->Arg(50)->Iterations(1)->UseRealTime();

// The same statements on a bare database, one transaction per unit of work.
void RawUnits(benchmark::State& state) {
  const int tasks = static_cast<int>(state.range(0));
  const std::filesystem::path directory = scratch_directory();
  const std::string path = (directory / "raw.db").string();
  sqlite3* setup = nullptr;
  sqlite3_open(path.c_str(), &setup);
  sqlite3_exec(setup,
               "PRAGMA journal_mode = WAL;"
               "CREATE TABLE file_record (file BLOB, key BLOB, data BLOB, PRIMARY KEY (file, key))"
               " WITHOUT ROWID;"
               "CREATE TABLE ts_item (queue BLOB, item INTEGER, data BLOB, PRIMARY KEY (queue, "
               "item)) WITHOUT ROWID;",
               nullptr, nullptr, nullptr);
  for (int task = 0; task < tasks; ++task) {
    const std::string sql = "INSERT INTO file_record VALUES ('ACCOUNTS', '" +
                            record_of(task).substr(0, kKeyLength) + "', '" + record_of(task) + "')";
    sqlite3_exec(setup, sql.c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_close(setup);
  sqlite3* db = nullptr;
  std::string key, record;
  int item = 0;
  const std::function<void(int)> prepare = [&](int task) {
    sqlite3_open(path.c_str(), &db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    record = record_of(task);
    key = record.substr(0, kKeyLength);
  };
  const std::function<bool(int)> unit = [&](int task) {
    const std::string sql =
        "BEGIN IMMEDIATE;"
        "SELECT data FROM file_record WHERE file = 'ACCOUNTS' AND key = '" +
        key +
        "';"
        "UPDATE file_record SET data = '" +
        record + "' WHERE file = 'ACCOUNTS' AND key = '" + key +
        "';"
        "INSERT INTO ts_item VALUES ('RCV" +
        std::to_string(task) + "', " + std::to_string(++item) + ", '" + record +
        "');"
        "COMMIT;";
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  };
  for (auto _ : state) report(state, run_tasks(tasks, prepare, unit), tasks);
  std::filesystem::remove_all(directory);
}
BENCHMARK(RawUnits)->Arg(1)->Arg(10)->Arg(50)->Iterations(1)->UseRealTime();

}  // namespace
