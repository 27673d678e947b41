// The store of the current region, as this session process sees it: opened
// on first use in the process that uses it (a connection is never carried
// across a fork) and again when the current region changes.
#pragma once

#include <sys/types.h>

#include "monitor/services/command.hpp"
#include "monitor/store/store.hpp"

namespace ravnmor::services {

// The id of this process (a session, a worker), which names its tasks in
// the store.
pid_t this_process();

// nullptr when no region is open or its store cannot be used; the reason is
// then in the region's error log (written once per region and process).
store::Store* region_store();

// EIBRESP2 values that go with IOERR when the store cannot serve a command.
enum StoreRefusal : std::int32_t {
  kStoreUnavailable = 1,  // no region, or its store could not be opened
  kStoreBusy = 2,         // another session kept it locked past the busy timeout
  kStoreFailed = 3,       // an I/O error or a damaged database
};

// The response for a store outcome that is none of the command's own
// conditions (busy, no space, failure); the store's message goes to the
// error log.
Response store_trouble(store::Outcome outcome);

}  // namespace ravnmor::services
