#include "cli/region_start.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

#include "cli/version.hpp"
#include "monitor/region/programs.hpp"
#include "monitor/services/files.hpp"
#include "monitor/services/program_library.hpp"
#include "monitor/store/maintenance.hpp"
#include "monitor/store/store.hpp"
#include "programs/builtins.hpp"
#include "programs/demo.hpp"
#include "shell/register.hpp"

namespace ravnmor::cli {

namespace {

// Proves the region's logs writable: the error log opens for appending.
void require_writable(const region::Region& region) {
  std::ofstream log(region.error_log_path(), std::ios::app);
  if (!log) {
    throw StartFailure{kFailure, "region directory '" + region.directory().string() +
                                     "' is not writable: " + std::strerror(errno)};
  }
}

region::RegionLock lock_region(const region::Region& region) {
  std::string error;
  std::optional<region::RegionLock> lock = region::RegionLock::take(region.directory(), error);
  if (!lock) throw StartFailure{kFailure, error};
  return std::move(*lock);
}

// The programs built into ravnmor, by name. The region runs those that its
// configuration defines, and the configuration says which transactions
// start them.
class BuiltinCatalogue {
 public:
  BuiltinCatalogue() {
    programs::register_demo(*this);
    programs::register_builtin_programs(*this);
    qcmd::register_qcmd(*this);
  }
  void add_program(std::string_view name, region::ProgramEntry entry) {
    entries_.emplace(region::table_name(name), std::move(entry));
  }
  void add_transaction(std::string_view, std::string_view) {}  // the configuration's to say
  void add_interpreter(std::string_view name) { interpreters_.insert(region::table_name(name)); }
  bool interpreter(const std::string& name) const { return interpreters_.contains(name); }

  const region::ProgramEntry* find(const std::string& name) const {
    auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : &found->second;
  }
  std::string names() const {
    std::string list;
    for (const auto& entry : entries_) list += (list.empty() ? "" : ", ") + entry.first;
    return list;
  }

 private:
  std::map<std::string, region::ProgramEntry> entries_;
  std::set<std::string> interpreters_;
};

}  // namespace

void install_programs(const region::RegionConfig& config, const std::string& origin) {
  const BuiltinCatalogue builtins;
  for (const region::ProgramDefinition& program : config.programs) {
    if (!program.library.empty()) {
      // A relative library path is taken from the configuration file's directory.
      const std::filesystem::path directory = std::filesystem::absolute(origin).parent_path();
      services::add_library_program(program.name, (directory / program.library).lexically_normal(),
                                    program.entry);
      continue;
    }
    const region::ProgramEntry* entry = builtins.find(program.name);
    if (entry == nullptr) {
      throw StartFailure{kFailure, origin + ": program " + program.name +
                                       ": no built-in program has that name (built-in: " +
                                       builtins.names() + "); give library and entry for your own"};
    }
    region::program_table().add_program(program.name, *entry);
    if (builtins.interpreter(program.name)) region::program_table().add_interpreter(program.name);
  }
  for (const region::TransactionDefinition& transaction : config.transactions) {
    region::program_table().add_transaction(transaction.name, transaction.program);
  }
}

namespace {

// The region's resources as its configuration describes them: what SET
// commands changed in an earlier run is forgotten, every unit of work that
// the last run left is backed out, no ENQ name or lock is held, and a new
// region's sample file is filled.
void prepare_resources(const region::Region& region) {
  store::OpenedStore opened = store::open_sqlite_store(region.directory());
  if (!opened.store) throw StartFailure{kFailure, opened.error};
  if (opened.store->status_reset() != store::Outcome::ok) {
    throw StartFailure{kFailure,
                       "cannot reset the resources' status: " + opened.store->last_error()};
  }
  // A new region's sample file gets its records, so that a newcomer can READ
  // and browse at once.
  if (region.created() &&
      services::load_sample_records(region.config(), *opened.store) != store::Outcome::ok) {
    throw StartFailure{kFailure, "cannot load the sample records: " + opened.store->last_error()};
  }
}

}  // namespace

StartedRegion::StartedRegion(region::Region region, region::RegionLock lock)
    : region_(std::move(region)), lock_(std::move(lock)) {
  region::set_current_region(&region_);
}

StartedRegion::~StartedRegion() {
  region::set_current_region(nullptr);
}

void StartedRegion::log_start(const std::string& what) {
  region::log_event(region::LogLevel::info, "region " + region_.config().name + " in " +
                                                region_.directory().string() + " " + what + " (" +
                                                version_text() + ")");
}

void StartedRegion::stop() {
  store::Verdict checkpoint = store::checkpoint_store(region_.directory());
  region::log_event(checkpoint.ok ? region::LogLevel::debug : region::LogLevel::warning,
                    checkpoint.text);
  region::log_event(region::LogLevel::info, "region " + region_.config().name + " stopped");
}

std::unique_ptr<StartedRegion> start_region(const RegionSettings& settings) {
  std::optional<region::Region> opened;
  try {
    opened.emplace(region::Region::open(settings.directory));
  } catch (const std::runtime_error& problem) {
    throw StartFailure{kFailure, problem.what()};
  }
  region::RegionLock lock = lock_region(*opened);
  if (settings.trace) opened->set_trace(true);
  if (settings.log_level) opened->set_log_level(*settings.log_level);
  auto started = std::make_unique<StartedRegion>(std::move(*opened), std::move(lock));
  require_writable(started->region());
  store::Verdict store = store::prepare_store(started->region().directory());
  if (!store.ok) throw StartFailure{kFailure, store.text};
  region::log_event(region::LogLevel::debug, store.text);
  prepare_resources(started->region());
  install_programs(started->region().config(), started->region().config_path().string());
  return started;
}

std::string version_text() {
  std::string text = std::string("ravnmor ") + RAVNMOR_VERSION;
  if (std::strlen(RAVNMOR_GIT_DESCRIBE) > 0) text += std::string(" (") + RAVNMOR_GIT_DESCRIBE + ")";
  return text;
}

}  // namespace ravnmor::cli
