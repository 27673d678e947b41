// ravnmor config check: reads a region configuration as the region would at
// start, without starting it, and says what it defines or what is wrong.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "cli/shell_tools.hpp"
#include "monitor/net/server.hpp"
#include "monitor/region/region.hpp"

namespace ravnmor::cli {

namespace {

struct ConfigOptions {
  std::string region;
  std::string file;  // empty: the region directory's region.toml
};

int check_config(const ConfigOptions& options) {
  const std::filesystem::path path = options.file.empty()
                                         ? std::filesystem::path(options.region) / "region.toml"
                                         : std::filesystem::path(options.file);
  try {
    region::RegionConfig config = region::read_config(path);
    std::string error;
    if (!net::parse_listen_address(config.listen, error)) {
      throw StartFailure{kFailure, path.string() + ": region.listen: " + error};
    }
    install_programs(config, path.string());
    std::printf(
        "%s: region %s: %zu files, %zu TD queues, %zu TS models, %zu journals, %zu "
        "programs, %zu transactions\n",
        path.c_str(), config.name.c_str(), config.files.size(), config.td_queues.size(),
        config.ts_models.size(), config.journals.size(), config.programs.size(),
        config.transactions.size());
    return kSuccess;
  } catch (const std::runtime_error& problem) {
    std::fprintf(stderr, "ravnmor config: %s\n", problem.what());
  } catch (const StartFailure& failure) {
    std::fprintf(stderr, "ravnmor config: %s\n", failure.message.c_str());
  }
  return kFailure;
}

}  // namespace

void add_config_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<ConfigOptions>();
  auto* config = app.add_subcommand("config", "the region configuration (region.toml)");
  config->require_subcommand(1);
  auto* check = config->add_subcommand(
      "check", "check a configuration as the region reads it at start, without starting it");
  add_region_option(check, options->region);
  check->add_option("FILE", options->file, "the file to check (default: the region's region.toml)");
  check->callback([&action, options] { action = [options] { return check_config(*options); }; });
}

}  // namespace ravnmor::cli
