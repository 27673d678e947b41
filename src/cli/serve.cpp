// ravnmor serve: runs the region's TN3270 listener in the foreground until
// SIGINT or SIGTERM; and ravnmor alone: a region with c3270 on it.
#include <fcntl.h>
#include <sys/wait.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "monitor/net/scheduler.hpp"
#include "monitor/net/server.hpp"
#include "monitor/net/session.hpp"
#include "monitor/terminal/codepage.hpp"

namespace ravnmor::cli {

namespace {

constexpr const char* kEmulator = "c3270";
constexpr int kCannotStart = 127;  // the shell's status for a command not found

// Options left empty (or negative) take the region's settings.
struct ServeOptions {
  std::string listen;
  RegionSettings region{"./" + std::string(region::kDefaultRegionDirectory), false, std::nullopt};
  int max_sessions = -1;
  std::string log_level;  // empty: the region's configured level
  bool quiet = false;
  std::string codepage;   // empty: the region's configured one
  int idle_timeout = -1;  // negative: the region's configured one
};

// A started region and its bound listener.
struct ServingRegion {
  std::unique_ptr<StartedRegion> started;
  net::Server server;
};

// Starts the region and binds its address; throws StartFailure.
std::unique_ptr<ServingRegion> open_region(const ServeOptions& options) {
  std::string error;
  if (!options.listen.empty() && !net::parse_listen_address(options.listen, error)) {
    throw StartFailure{kBadUsage, error};
  }
  auto serving = std::make_unique<ServingRegion>();
  serving->started = start_region(options.region);
  region::Region& region = serving->started->region();
  if (!options.codepage.empty()) {
    region.set_codepage(std::string(terminal::find_code_page(options.codepage)->name()));
  }
  if (options.idle_timeout >= 0) region.set_idle_timeout(options.idle_timeout);
  if (!options.listen.empty()) region.set_listen(options.listen);
  if (options.max_sessions > 0) region.set_max_sessions(options.max_sessions);
  auto address = net::parse_listen_address(region.config().listen, error);
  if (!address) {
    throw StartFailure{kFailure, region.config_path().string() + ": region.listen: " + error};
  }
  if (!serving->server.open({*address, region.config().max_sessions})) {
    throw StartFailure{kFailure, serving->server.error()};
  }
  return serving;
}

// Serves until SIGINT or SIGTERM, telling systemd (when it started the
// region) that it is ready and, later, stopping.
void run_region(ServingRegion& serving) {
  const std::string address = serving.server.local_address();
  serving.started->log_start("listening on " + address);
  sd_notifyf(0, "READY=1\nSTATUS=listening on %s\nMAINPID=%d", address.c_str(),
             static_cast<int>(getpid()));
  net::ConnectionLimits limits;
  limits.idle = std::chrono::seconds(serving.started->region().config().idle_timeout);
  serving.server.set_refusal([limits](int fd) { return net::refuse_session(fd, limits); });
  serving.server.set_scheduler({net::run_scheduler, net::run_worker, net::kMostWorkers});
  serving.server.run(
      [limits](int fd, int number) { return net::run_session(fd, number, limits); },
      [](region::LogLevel level, const std::string& line) { region::log_event(level, line); });
  sd_notify(0, "STOPPING=1");
  serving.started->stop();
}

int report(const StartFailure& failure, const char* who) {
  std::fprintf(stderr, "%s: %s\n", who, failure.message.c_str());
  return failure.status;
}

int serve(ServeOptions options) {
  options.region.log_level = region::parse_log_level(options.log_level);
  region::set_log_console(!options.quiet);
  std::unique_ptr<ServingRegion> serving;
  try {
    serving = open_region(options);
  } catch (const StartFailure& failure) {
    return report(failure, "ravnmor serve");
  }
  const std::string& name = serving->started->region().config().name;
  std::printf("ravnmor: region %s in %s listening on %s\n", name.c_str(),
              options.region.directory.c_str(), serving->server.local_address().c_str());
  std::fflush(stdout);
  run_region(*serving);
  std::printf("ravnmor: region %s stopped\n", name.c_str());
  return kSuccess;
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
  return WIFEXITED(status) ? WEXITSTATUS(status) : kFailure;
}

// ravnmor with no subcommand: a region in the background on a free loopback
// port and c3270 on it in this terminal; when c3270 exits, the region stops.
int serve_with_emulator() {
  if (!isatty(STDIN_FILENO)) {
    std::fprintf(stderr,
                 "ravnmor: %s needs a terminal on standard input, and this one is not; run "
                 "ravnmor from a terminal, or run 'ravnmor serve' and connect a TN3270 "
                 "emulator to it\n",
                 kEmulator);
    return kBadUsage;
  }
  ServeOptions options;
  options.listen = "127.0.0.1:0";
  std::unique_ptr<ServingRegion> serving;
  try {
    serving = open_region(options);
  } catch (const StartFailure& failure) {
    return report(failure, "ravnmor");
  }
  std::string address = serving->server.local_address();
  std::fflush(nullptr);
  pid_t listener = fork();
  if (listener == 0) {
    // The emulator owns the terminal: the region's own lines go to its log.
    region::set_log_console(false);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    run_region(*serving);
    std::fflush(nullptr);
    _exit(kSuccess);
  }
  const std::string codepage = serving->started->region().config().codepage;
  serving.reset();  // the listener process holds the socket and the lock now
  int status = run_in_foreground({kEmulator, "-codepage", codepage, address});
  kill(listener, SIGTERM);
  waitpid(listener, nullptr, 0);
  if (status < 0) {
    std::fprintf(stderr,
                 "ravnmor: cannot start %s; install it (scripts/setup does), or run "
                 "'ravnmor serve' and connect a TN3270 emulator\n",
                 kEmulator);
    return kFailure;
  }
  return status;
}

}  // namespace

void add_serve_command(CLI::App& app, Action& action) {
  action = serve_with_emulator;  // what ravnmor does when no subcommand is chosen
  auto options = std::make_shared<ServeOptions>();
  auto* command = app.add_subcommand("serve", "run the region: a TN3270 server for the terminals");
  command->add_option("--listen", options->listen,
                      "address to listen on, HOST:PORT (default: the region's, 127.0.0.1:3270)");
  command
      ->add_option("--region", options->region.directory,
                   "region directory (created on first start; one region at a time)")
      ->capture_default_str();
  command->add_flag("--trace", options->region.trace,
                    "write the programs' trace to logs/trace.log (default: the region's setting)");
  command
      ->add_option("--max-sessions", options->max_sessions,
                   "most terminals at once (default: the region's, 64)")
      ->check(CLI::Range(1, region::kMostSessions));
  command
      ->add_option("--log-level", options->log_level,
                   "least level logged: debug, info, warning or error (default: the region's "
                   "log_level, info)")
      ->check(CLI::Validator(
          [](const std::string& name) {
            return region::parse_log_level(name) ? "" : "must be debug, info, warning or error";
          },
          "LEVEL"));
  command->add_flag("--quiet,-q", options->quiet,
                    "log to logs/region.log only, not to standard error (default: both)");
  command
      ->add_option("--codepage", options->codepage,
                   "EBCDIC code page of the terminals (default: the region's, cp037)")
      ->check([](const std::string& name) {
        return terminal::find_code_page(name) ? std::string() : region::code_page_problem(name);
      });
  command
      ->add_option("--idle-timeout", options->idle_timeout,
                   "end a session after SECONDS without input (0: never; default: the region's)")
      ->check(CLI::Range(0, region::kMaxIdleTimeout));
  command->callback([options, &action] { action = [options] { return serve(*options); }; });
}

}  // namespace ravnmor::cli
