// The schema of the SQLite store as the store and its maintenance read it.
#pragma once

#include "monitor/store/sqlite.hpp"

namespace ravnmor::store {

// The schema version the database holds: 0 for a new database with no
// tables yet, and an older version is brought up to date when the region
// opens it. Throws sql::Failure with a message fit for the user when it is a
// newer store or no region store at all.
std::int64_t read_schema(sql::Connection& db);

}  // namespace ravnmor::store
