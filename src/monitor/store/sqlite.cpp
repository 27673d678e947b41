#include "monitor/store/sqlite.hpp"

namespace ravnmor::store::sql {

Connection::Connection(const std::string& path, Open mode) {
  const int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (mode == Open::create ? SQLITE_OPEN_CREATE : 0);
  int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (code != SQLITE_OK) {
    // A handle is returned even on failure (unless memory ran out) and holds
    // the message; it must still be closed.
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    sqlite3_close(db_);
    db_ = nullptr;
    throw Failure{code, message};
  }
  sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection() {
  sqlite3_close(db_);
}

void Connection::fail(int code) const {
  throw Failure{code, sqlite3_errmsg(db_)};
}

void Connection::exec(const char* sql) {
  int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) fail(code);
}

std::int64_t Connection::query_int(const char* sql) {
  Statement statement(*this, sql);
  Query query(statement);
  if (!query.step()) throw Failure{SQLITE_ERROR, "no result row"};
  return query.column_int(0);
}

std::string Connection::query_text(const char* sql) {
  Statement statement(*this, sql);
  Query query(statement);
  if (!query.step()) throw Failure{SQLITE_ERROR, "no result row"};
  auto bytes = query.column_bytes(0);
  return std::string(bytes.begin(), bytes.end());
}

Statement::Statement(Connection& connection, const char* sql) : connection_(connection) {
  int code = sqlite3_prepare_v3(connection.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT,
                                &statement_, nullptr);
  if (code != SQLITE_OK) connection.fail(code);
}

Statement::~Statement() {
  sqlite3_finalize(statement_);
}

Query::Query(Statement& statement)
    : connection_(statement.connection_), statement_(statement.statement_) {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

Query::~Query() {
  sqlite3_reset(statement_);
}

Query& Query::bind(int index, std::int64_t value) {
  int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) connection_.fail(code);
  return *this;
}

Query& Query::bind(int index, std::string_view bytes) {
  return bind(index, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Query& Query::bind(int index, std::span<const std::uint8_t> bytes) {
  // A null or empty blob pointer would bind SQL NULL; an empty value must
  // stay an empty blob.
  int code = bytes.empty() ? sqlite3_bind_zeroblob(statement_, index, 0)
                           : sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(),
                                                 SQLITE_STATIC);
  if (code != SQLITE_OK) connection_.fail(code);
  return *this;
}

bool Query::step() {
  int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  sqlite3_reset(statement_);
  connection_.fail(code);
}

void Query::run() {
  while (step()) {
  }
}

std::int64_t Query::column_int(int index) const {
  return sqlite3_column_int64(statement_, index);
}

std::vector<std::uint8_t> Query::column_bytes(int index) const {
  const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, index));
  auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement_, index));
  if (data == nullptr) return {};
  return std::vector<std::uint8_t>(data, data + size);
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
  connection_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (open_) sqlite3_exec(connection_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
  connection_.exec("COMMIT");
  open_ = false;
}

}  // namespace ravnmor::store::sql
