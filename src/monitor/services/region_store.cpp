#include "monitor/services/region_store.hpp"

#include <unistd.h>

#include <memory>

#include "monitor/region/region.hpp"

namespace ravnmor::services {

namespace {

struct OpenStore {
  std::unique_ptr<store::Store> store;
  std::filesystem::path directory;
  pid_t process = 0;
};

OpenStore current;

}  // namespace

store::Store* region_store() {
  region::Region* region = region::current_region();
  if (region == nullptr) return nullptr;
  pid_t process = getpid();
  if (current.process != process) {
    // Inherited from the parent: SQLite forbids using, or even closing, a
    // connection in a forked child, so the child leaves it alone.
    static_cast<void>(current.store.release());
    current = OpenStore{};
  }
  if (current.directory != region->directory() || current.process != process) {
    auto opened = store::open_sqlite_store(region->directory());
    current.store = std::move(opened.store);
    current.directory = region->directory();
    current.process = process;
    if (!current.store) region::log_error(opened.error);
  }
  return current.store.get();
}

Response store_trouble(store::Outcome outcome) {
  store::Store* store = region_store();
  if (store == nullptr) return {kIoerr, kStoreUnavailable};
  region::log_error("region store: " + store->last_error());
  switch (outcome) {
    case store::Outcome::no_space:
      return {kNospace, 0};
    case store::Outcome::busy:
      return {kIoerr, kStoreBusy};
    default:
      return {kIoerr, kStoreFailed};
  }
}

}  // namespace ravnmor::services
