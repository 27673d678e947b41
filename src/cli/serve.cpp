// ravnmor serve: runs the region's TN3270 listener in the foreground until
// SIGINT or SIGTERM.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/commands.hpp"
#include "monitor/net/server.hpp"
#include "monitor/net/session.hpp"

namespace ravnmor::cli {

namespace {

constexpr int kBadUsage = 2;
constexpr int kDefaultMaxSessions = 64;
constexpr int kMostSessions = 4096;

struct ServeOptions {
  std::string listen = "127.0.0.1:3270";
  std::string region = "./ravnmor-region";
  bool trace = false;
  int max_sessions = kDefaultMaxSessions;
};

int fail(const std::string& message) {
  std::fprintf(stderr, "ravnmor serve: %s\n", message.c_str());
  return kBadUsage;
}

// Creates the region directory if needed and proves it writable by opening
// the error log for appending.
bool prepare_region_directory(const std::filesystem::path& directory, std::string& error) {
  std::error_code problem;
  std::filesystem::create_directories(directory, problem);
  std::ofstream log(directory / "error.log", std::ios::app);
  if (problem || !log) {
    error = "region directory '" + directory.string() +
            "' is not writable: " + (problem ? problem.message() : std::strerror(errno));
    return false;
  }
  return true;
}

int serve(const ServeOptions& options) {
  std::string error;
  auto address = net::parse_listen_address(options.listen, error);
  if (!address) return fail(error);
  std::filesystem::path region = options.region;
  if (!prepare_region_directory(region, error)) return fail(error);
  net::Server server;
  if (!server.open({*address, options.max_sessions})) return fail(server.error());

  std::filesystem::path log_path = region / "error.log";
  net::ErrorLogger log = [log_path](const std::string& line) {
    std::ofstream(log_path, std::ios::app) << line << '\n';
  };
  net::SessionContext context{region.filename().string(), {}, log};
  std::printf("ravnmor: region %s listening on %s\n", region.string().c_str(),
              server.local_address().c_str());
  std::fflush(stdout);
  server.run([&](int fd, int number) { return net::run_session(fd, number, context); }, log);
  std::printf("ravnmor: region %s stopped\n", region.string().c_str());
  return 0;
}

}  // namespace

void add_serve_command(CLI::App& app, Action& action) {
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
