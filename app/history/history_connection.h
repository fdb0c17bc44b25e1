#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vorn {

class HistoryStatement;

// One connection to the history's SQLite file. Every failure it meets throws HistoryUnavailable
// naming the file and the reason; a damaged file is never written to or replaced.
class HistoryConnection {
 public:
  // Opens `path`, making the file when missing; waits up to `busy_timeout` for another
  // program's lock before giving up.
  HistoryConnection(const std::string& path, std::chrono::milliseconds busy_timeout);
  ~HistoryConnection();
  HistoryConnection(const HistoryConnection&) = delete;
  HistoryConnection& operator=(const HistoryConnection&) = delete;

  // Runs statements that return no rows.
  void Execute(const char* sql);
  // Runs like Execute, trying again while another program holds the lock, up to the busy
  // timeout: for the first statement of a connection, which SQLite does not let wait while
  // another program sets up the file or its shared memory.
  void ExecuteWaiting(const char* sql);
  HistoryStatement Prepare(std::string_view sql);
  // Throws the HistoryUnavailable that SQLite's result code `rc` stands for.
  [[noreturn]] void Fail(int rc) const;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::chrono::milliseconds busy_timeout_;
  sqlite3* db_ = nullptr;
};

// A prepared statement of a HistoryConnection, which must outlive it.
class HistoryStatement {
 public:
  HistoryStatement(const HistoryConnection& connection, sqlite3_stmt* statement);
  ~HistoryStatement();
  HistoryStatement(HistoryStatement&& other) noexcept;
  HistoryStatement(const HistoryStatement&) = delete;
  HistoryStatement& operator=(const HistoryStatement&) = delete;
  HistoryStatement& operator=(HistoryStatement&&) = delete;

  // Parameters count from 1, as in SQL's ?1.
  void Bind(int parameter, std::string_view text);
  void Bind(int parameter, int64_t number);
  // Moves to the next row; false once there is none.
  bool Step();
  // Makes the statement ready to run again; its parameters keep their values until bound anew.
  void Reset();
  // Columns of the current row, counted from 0; a text is valid until the next Step or Reset.
  std::string_view Text(int column) const;
  std::string TextCopy(int column) const { return std::string(Text(column)); }
  int64_t Integer(int column) const;
  bool IsNull(int column) const;

 private:
  const HistoryConnection* connection_;
  sqlite3_stmt* statement_;
};

// A transaction that rolls back unless committed, so a failure records nothing. A write
// transaction takes the write lock at once, waiting out another writer within the busy timeout
// instead of failing when a read would have to turn into a write.
class HistoryTransaction {
 public:
  enum class Kind { kRead, kWrite };
  HistoryTransaction(HistoryConnection& connection, Kind kind);
  ~HistoryTransaction();
  HistoryTransaction(const HistoryTransaction&) = delete;
  HistoryTransaction& operator=(const HistoryTransaction&) = delete;

  void Commit();

 private:
  HistoryConnection& connection_;
  bool open_ = true;
};

}  // namespace vorn
