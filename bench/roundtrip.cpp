// End-to-end round trip through `ravnmor serve`: a raw TN3270 client starts
// QCMD and presses Enter on its initial screen again and again; each round
// trip is one inbound record to the region and one screen back. Reports the
// median and 99th percentile in milliseconds and the resident memory of an
// idle session process, at the greeting and on QCMD's initial screen.
//
// Run from the build tree: RAVNMOR_BINARY=./ravnmor ./bench/bench_roundtrip
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kIac = 255, kSb = 250, kSe = 240, kWill = 251, kDo = 253, kEor = 239;
constexpr std::uint8_t kBinary = 0, kTerminalType = 24, kEndOfRecord = 25;

// A region in a scratch directory, its port read from the start-up line.
struct Region {
  pid_t pid = -1;
  int port = 0;
  std::filesystem::path directory;

  Region() {
    directory =
        std::filesystem::temp_directory_path() / ("ravnmor-bench-" + std::to_string(getpid()));
    std::filesystem::remove_all(directory);
    const char* binary = std::getenv("RAVNMOR_BINARY");
    std::string path = binary ? binary : "./ravnmor";
    int out[2];
    if (pipe(out) != 0) std::abort();
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      std::string region = directory.string();
      execl(path.c_str(), path.c_str(), "serve", "--listen", "127.0.0.1:0", "--region",
            region.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
    close(out[0]);
    auto colon = line.rfind(':');
    if (colon != std::string::npos) port = std::atoi(line.c_str() + colon + 1);
  }
  ~Region() {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::filesystem::remove_all(directory);
  }

  // The newest child of the listener: the session process of the last client.
  pid_t newest_session() const {
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    pid_t child = -1, last = -1;
    while (children >> child) last = child;
    return last;
  }
};

long resident_kib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6);
  }
  return -1;
}

class Client {
 public:
  explicit Client(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ok_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { close(fd_); }
  bool ok() const { return ok_; }

  // Answers the region's negotiation the way a 3270 client does and returns
  // once the first screen (the greeting) has arrived.
  bool negotiate() {
    Bytes answer = {kIac, kWill, kTerminalType, kIac, kSb, kTerminalType, 0};
    for (char c : std::string("IBM-3278-2")) answer.push_back(static_cast<std::uint8_t>(c));
    answer.insert(answer.end(), {kIac, kSe, kIac, kWill, kEndOfRecord, kIac, kDo, kEndOfRecord,
                                 kIac, kWill, kBinary, kIac, kDo, kBinary});
    send_bytes(answer);
    return wait_record();
  }

  void send_record(Bytes record) {
    record.insert(record.end(), {kIac, kEor});
    send_bytes(record);
  }

  // Reads until a record end (IAC EOR) arrives.
  bool wait_record() {
    std::uint8_t buffer[8192];
    for (;;) {
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, 10000) <= 0) return false;
      ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got <= 0) return false;
      for (ssize_t i = 0; i < got; ++i) {
        bool end = after_iac_ && buffer[i] == kEor;
        after_iac_ = !after_iac_ && buffer[i] == kIac;
        if (end) return true;
      }
    }
  }

 private:
  void send_bytes(const Bytes& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  int fd_ = -1;
  bool ok_ = false;
  bool after_iac_ = false;
};

// Enter with the cursor at row 1 column 2 and "QCMD" in the input field
// (EBCDIC), then Enter with nothing modified.
const Bytes kStartQcmd = {0x7D, 0x40, 0xC2, 0x11, 0x40, 0xC1, 0xD8, 0xC3, 0xD4, 0xC4};
const Bytes kEnter = {0x7D, 0x40, 0xC2};

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void BM_EnterRoundTrip(benchmark::State& state) {
  Region region;
  Client client(region.port);
  if (!region.port || !client.ok() || !client.negotiate()) {
    state.SkipWithError("the region did not start or did not greet");
    return;
  }
  long idle_kib = resident_kib(region.newest_session());
  client.send_record(kStartQcmd);
  if (!client.wait_record()) {
    state.SkipWithError("no answer to QCMD");
    return;
  }
  std::vector<double> millis;
  for (auto _ : state) {
    auto start = Clock::now();
    client.send_record(kEnter);
    if (!client.wait_record()) {
      state.SkipWithError("the region stopped answering");
      return;
    }
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  state.counters["median_ms"] = percentile(millis, 0.5);
  state.counters["p99_ms"] = percentile(millis, 0.99);
  state.counters["idle_session_rss_kib"] = static_cast<double>(idle_kib);
  // The same process now idles on QCMD's initial screen, with the
  // interpreter's storage in use.
  state.counters["qcmd_session_rss_kib"] =
      static_cast<double>(resident_kib(region.newest_session()));
}
BENCHMARK(BM_EnterRoundTrip)->Iterations(2000)->Unit(benchmark::kMillisecond);

}  // namespace
