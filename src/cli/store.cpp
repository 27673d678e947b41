// ravnmor store check|backup|restore: the region store from the shell. A
// check and a backup work while the region runs; a restore only while no
// region does (it takes the region's lock for its length).
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "cli/commands.hpp"
#include "cli/region_start.hpp"
#include "cli/shell_tools.hpp"
#include "monitor/region/lock.hpp"
#include "monitor/store/maintenance.hpp"

namespace ravnmor::cli {

namespace {

struct StoreOptions {
  std::string region;
  std::string file;
};

int report(const store::Verdict& verdict) {
  std::fprintf(verdict.ok ? stdout : stderr, "%s%s\n",
               verdict.ok ? "" : "ravnmor store: ", verdict.text.c_str());
  return verdict.ok ? kSuccess : kFailure;
}

int restore(const StoreOptions& options) {
  std::error_code error;
  std::filesystem::create_directories(options.region, error);
  if (error) {
    return report(
        {false, "cannot create the region directory " + options.region + ": " + error.message()});
  }
  std::string held;
  auto lock = region::RegionLock::take(options.region, held);
  if (!lock) return report({false, held + "; stop that region before restoring its store"});
  return report(store::restore_store(options.region, options.file));
}

// A subcommand of `store` with the region option every one takes.
CLI::App* add_action(CLI::App& store, StoreOptions& options, const char* name,
                     const std::string& description) {
  CLI::App* command = store.add_subcommand(name, description);
  add_region_option(command, options.region);
  return command;
}

void add_file(CLI::App* command, StoreOptions& options, const char* description) {
  command->add_option("FILE", options.file, description)->required();
}

}  // namespace

void add_store_command(CLI::App& app, Action& action) {
  auto options = std::make_shared<StoreOptions>();
  auto* store = app.add_subcommand("store", "check, back up or restore the region store");
  store->require_subcommand(1);

  auto* check =
      add_action(*store, *options, "check", "check every page of the store (while it runs too)");
  check->callback([&action, options] {
    action = [options] { return report(store::check_store(options->region, store::Depth::full)); };
  });

  auto* backup = add_action(*store, *options, "backup",
                            "copy the store to FILE, one consistent snapshot (while it runs too)");
  add_file(backup, *options, "a new file for the copy");
  backup->callback([&action, options] {
    action = [options] { return report(store::backup_store(options->region, options->file)); };
  });

  auto* restore_command = add_action(
      *store, *options, "restore",
      "replace the store with the backup in FILE; only while no region runs there (the old "
      "store is kept as store.db" +
          std::string(store::kReplacedSuffix) + ")");
  add_file(restore_command, *options, "a backup made by 'ravnmor store backup'");
  restore_command->callback(
      [&action, options] { action = [options] { return restore(*options); }; });
}

}  // namespace ravnmor::cli
