// Thin RAII wrappers over the SQLite C interface, used only by the store's
// SQLite backend. A failed call throws `sql::Failure`; the backend catches it
// at its public boundary and turns it into an outcome, so no exception ever
// leaves the store.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ravnmor::store::sql {

// One failed SQLite call: its (extended) result code and the message.
struct Failure {
  int code;
  std::string message;
};

class Connection {
 public:
  // How the file is opened: created when missing, or only when it exists.
  enum class Open { create, existing };
  explicit Connection(const std::string& path, Open mode = Open::create);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs one or more statements that return no rows the caller needs.
  void exec(const char* sql);
  // The first column of the first row of a one-row query.
  std::int64_t query_int(const char* sql);
  std::string query_text(const char* sql);
  // Rows changed by the last INSERT, UPDATE or DELETE.
  int changes() const { return sqlite3_changes(db_); }
  sqlite3* handle() const { return db_; }
  [[noreturn]] void fail(int code) const;

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement, kept for the life of the connection and reused.
class Statement {
 public:
  Statement(Connection& connection, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

 private:
  friend class Query;
  Connection& connection_;
  sqlite3_stmt* statement_ = nullptr;
};

// One use of a statement. It starts from a reset statement with no bindings
// and resets it again when it goes out of scope: a statement left stepping
// would hold its read snapshot, and the session would stop seeing what the
// other sessions write.
class Query {
 public:
  explicit Query(Statement& statement);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Bindings are numbered from 1 in the order of the statement's "?".
  Query& bind(int index, std::int64_t value);
  Query& bind(int index, std::string_view bytes);
  Query& bind(int index, std::span<const std::uint8_t> bytes);
  // True while a row is available; false when the statement is done.
  bool step();
  // Steps a statement to its end.
  void run();

  std::int64_t column_int(int index) const;
  std::vector<std::uint8_t> column_bytes(int index) const;

 private:
  Connection& connection_;
  sqlite3_stmt* statement_;
};

// BEGIN IMMEDIATE: takes the database's write lock at once, so that two
// session processes never both read and then both try to upgrade (which would
// make one of them fail instead of waiting). Rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(Connection& connection);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Connection& connection_;
  bool open_ = true;
};

}  // namespace ravnmor::store::sql
