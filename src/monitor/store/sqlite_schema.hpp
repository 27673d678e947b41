// The schema of the SQLite store as the store and its maintenance read it.
#pragma once

#include "monitor/store/sqlite.hpp"

namespace ravnmor::store {

enum class Schema {
  empty,     // a new database: no tables yet
  previous,  // version 1, brought up to date when the region opens it
  current,
};

// Which schema the database holds; throws sql::Failure with a message fit
// for the user when it is a newer store or no region store at all.
Schema read_schema(sql::Connection& db);

}  // namespace ravnmor::store
