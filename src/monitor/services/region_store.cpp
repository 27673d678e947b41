#include "monitor/services/region_store.hpp"

#include <pthread.h>
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

// This process's id, asked of the kernel again only after a fork: every
// command asks for it, and a system call each time is a cost a READ feels.
pid_t process_id = 0;
void forget_process_id() {
  process_id = 0;
}

}  // namespace

pid_t this_process() {
  static const bool registered = pthread_atfork(nullptr, nullptr, forget_process_id) == 0;
  if (process_id == 0 || !registered) process_id = getpid();
  return process_id;
}

store::Store* region_store() {
  region::Region* region = region::current_region();
  if (region == nullptr) return nullptr;
  pid_t process = this_process();
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
