// ravnmor serve: runs the region's TN3270 listener in the foreground until
// SIGINT or SIGTERM.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "monitor/exec/builtins.hpp"
#include "monitor/exec/demo.hpp"
#include "monitor/net/server.hpp"
#include "monitor/net/session.hpp"
#include "monitor/region/region.hpp"
#include "shell/register.hpp"

namespace ravnmor::cli {

namespace {

constexpr int kBadUsage = 2;
constexpr int kDefaultMaxSessions = 64;
constexpr int kMostSessions = 4096;
constexpr const char* kEmulator = "c3270";
// The code page the region translates with at the wire.
constexpr const char* kEmulatorCodePage = "cp037";
constexpr int kCannotStart = 127;  // the shell's status for a command not found

struct ServeOptions {
  std::string listen = "127.0.0.1:3270";
  std::string region = "./" + std::string(region::kDefaultRegionDirectory);
  bool trace = false;
  int max_sessions = kDefaultMaxSessions;
};

int fail(const std::string& message) {
  std::fprintf(stderr, "ravnmor serve: %s\n", message.c_str());
  return kBadUsage;
}

// Proves the region directory writable: the error log opens for appending.
bool region_writable(const region::Region& region, std::string& error) {
  std::ofstream log(region.error_log_path(), std::ios::app);
  if (!log) {
    error = "region directory '" + region.directory().string() +
            "' is not writable: " + std::strerror(errno);
    return false;
  }
  return true;
}

// A region ready to serve: its directory open as the process's current
// region and its address bound.
struct OpenRegion {
  explicit OpenRegion(region::Region opened) : region(std::move(opened)) {
    region::set_current_region(&region);
  }
  ~OpenRegion() { region::set_current_region(nullptr); }
  OpenRegion(const OpenRegion&) = delete;
  OpenRegion& operator=(const OpenRegion&) = delete;

  region::Region region;
  net::Server server;
};

// Opens the region and binds its address; nothing (the reason printed) when
// either fails.
std::unique_ptr<OpenRegion> open_region(const ServeOptions& options) {
  std::string error;
  auto address = net::parse_listen_address(options.listen, error);
  if (!address) {
    fail(error);
    return nullptr;
  }
  std::unique_ptr<OpenRegion> open;
  try {
    open = std::make_unique<OpenRegion>(region::Region::open(options.region));
  } catch (const std::exception& problem) {
    fail(problem.what());
    return nullptr;
  }
  if (options.trace) open->region.set_trace(true);
  exec::register_demo(region::program_table());
  exec::register_builtin_programs(region::program_table());
  qcmd::register_qcmd(region::program_table());
  if (!region_writable(open->region, error)) {
    fail(error);
    return nullptr;
  }
  if (!open->server.open({*address, options.max_sessions})) {
    fail(open->server.error());
    return nullptr;
  }
  return open;
}

void run_region(OpenRegion& open) {
  open.server.run(
      [](int fd, int number) { return net::run_session(fd, number, net::ConnectionLimits{}); },
      [](const std::string& line) { region::log_error(line); });
}

int serve(const ServeOptions& options) {
  auto region = open_region(options);
  if (!region) return kBadUsage;
  const std::string& name = region->region.config().name;
  std::printf("ravnmor: region %s in %s listening on %s\n", name.c_str(), options.region.c_str(),
              region->server.local_address().c_str());
  std::fflush(stdout);
  run_region(*region);
  std::printf("ravnmor: region %s stopped\n", name.c_str());
  return 0;
}

// Runs `argv` in the foreground (it inherits the terminal); its exit status,
// or -1 when it could not be started.
int run_in_foreground(std::vector<std::string> argv) {
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(kCannotStart);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
  if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotStart) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// ravnmor with no subcommand: a region in the background on a free loopback
// port and c3270 on it in this terminal; when c3270 exits, the region stops.
int serve_with_emulator() {
  ServeOptions options;
  options.listen = "127.0.0.1:0";
  auto region = open_region(options);
  if (!region) return kBadUsage;
  std::string address = region->server.local_address();
  std::fflush(nullptr);
  pid_t listener = fork();
  if (listener == 0) {
    // The emulator owns the terminal: the region's own lines go to its log.
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    run_region(*region);
    std::fflush(nullptr);
    _exit(0);
  }
  region.reset();  // the listener process holds the socket now
  int status = run_in_foreground({kEmulator, "-codepage", kEmulatorCodePage, address});
  kill(listener, SIGTERM);
  waitpid(listener, nullptr, 0);
  if (status < 0) {
    std::fprintf(stderr,
                 "ravnmor: cannot start %s; install it (scripts/setup does), or run "
                 "'ravnmor serve' and connect a TN3270 emulator\n",
                 kEmulator);
    return 1;
  }
  return status;
}

}  // namespace

void add_serve_command(CLI::App& app, Action& action) {
  action = serve_with_emulator;  // what ravnmor does when no subcommand is chosen
  auto options = std::make_shared<ServeOptions>();
  auto* command = app.add_subcommand("serve", "run the region: a TN3270 server for the terminals");
  command->add_option("--listen", options->listen, "address to listen on, HOST:PORT")
      ->capture_default_str();
  command->add_option("--region", options->region, "region directory (created on first start)")
      ->capture_default_str();
  command->add_flag("--trace", options->trace, "write the region's trace");
  command->add_option("--max-sessions", options->max_sessions, "most terminals at once")
      ->check(CLI::Range(1, kMostSessions))
      ->capture_default_str();
  command->callback([options, &action] { action = [options] { return serve(*options); }; });
}

}  // namespace ravnmor::cli
