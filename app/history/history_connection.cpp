#include "app/history/history_connection.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

#include "app/history/history_error.h"

namespace vorn {

namespace {
// Why a history cannot be opened, which SQLite leaves unsaid: its own retry to read only
// overwrites the system's answer to the attempt to write.
std::string OpenProblem(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  if (::access(path.c_str(), F_OK) == 0 ? ::access(path.c_str(), R_OK | W_OK) != 0
                                        : ::access(folder.c_str(), W_OK | X_OK) != 0) {
    return std::string(": ") + std::strerror(errno);
  }
  return std::string();
}
}  // namespace

HistoryConnection::HistoryConnection(const std::string& path,
                                     std::chrono::milliseconds busy_timeout)
    : path_(path), busy_timeout_(busy_timeout) {
  // Never through a link: the history is the user's own file in the user's own folder. A
  // connection serves one thread at a time, so SQLite need not lock it on every call.
  const int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    // The handle of a failed open still carries the message; Fail reads it, then it goes.
    try {
      Fail(rc);
    } catch (...) {
      sqlite3_close_v2(std::exchange(db_, nullptr));
      throw;
    }
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, static_cast<int>(busy_timeout.count()));
}

HistoryConnection::~HistoryConnection() { sqlite3_close_v2(db_); }

void HistoryConnection::Execute(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

void HistoryConnection::ExecuteWaiting(const char* sql) {
  const auto deadline = std::chrono::steady_clock::now() + busy_timeout_;
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  while ((rc & 0xff) == SQLITE_BUSY && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) Fail(rc);
}

HistoryStatement HistoryConnection::Prepare(std::string_view sql) {
  sqlite3_stmt* statement = nullptr;
  const int rc =
      sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
  return HistoryStatement(*this, statement);
}

void HistoryConnection::Fail(int rc) const {
  const std::string reason = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw HistoryUnavailable("The print history is locked by another program: " + path_);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      throw HistoryUnavailable("The print history cannot be written (" + reason + "): " + path_);
    case SQLITE_CANTOPEN:
      throw HistoryUnavailable("The print history cannot be opened (" + reason +
                               OpenProblem(path_) + "): " + path_);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      throw HistoryUnavailable("The print history is damaged (" + reason +
                               ") and is left as it is; rename or move the file away, and the "
                               "next print starts a new history: " +
                               path_);
    case SQLITE_FULL:
      throw HistoryUnavailable("The disk is full, the print history cannot grow: " + path_);
    default:
      throw HistoryUnavailable("The print history failed (" + reason + "): " + path_);
  }
}

HistoryStatement::HistoryStatement(const HistoryConnection& connection, sqlite3_stmt* statement)
    : connection_(&connection), statement_(statement) {}

HistoryStatement::~HistoryStatement() { sqlite3_finalize(statement_); }

HistoryStatement::HistoryStatement(HistoryStatement&& other) noexcept
    : connection_(other.connection_), statement_(std::exchange(other.statement_, nullptr)) {}

void HistoryStatement::Bind(int parameter, std::string_view text) {
  const int rc = sqlite3_bind_text(statement_, parameter, text.data(),
                                   static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) connection_->Fail(rc);
}

void HistoryStatement::Bind(int parameter, int64_t number) {
  const int rc = sqlite3_bind_int64(statement_, parameter, number);
  if (rc != SQLITE_OK) connection_->Fail(rc);
}

bool HistoryStatement::Step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) connection_->Fail(rc);
  return false;
}

void HistoryStatement::Reset() { sqlite3_reset(statement_); }

std::string_view HistoryStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  if (text == nullptr) return {};
  return std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

int64_t HistoryStatement::Integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

HistoryTransaction::HistoryTransaction(HistoryConnection& connection, Kind kind)
    : connection_(connection) {
  connection_.Execute(kind == Kind::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
}

HistoryTransaction::~HistoryTransaction() {
  if (!open_) return;
  try {
    connection_.Execute("ROLLBACK");
  } catch (...) {
    // SQLite has rolled back already when the failure that brought us here ended the
    // transaction; nothing of it was committed either way.
  }
}

void HistoryTransaction::Commit() {
  connection_.Execute("COMMIT");
  open_ = false;
}

bool HistoryStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

}  // namespace vorn
