#pragma once
// A driver of our own that runs real SQL against SQLite, so that the components can be tested on
// live statements before the Oracle layer exists. The connection opens the database named by
// Server (":memory:" when empty); a command runs its SQL with its parameters (":name" or "?"),
// binding each TParamDesc in order; a record set describes the result's columns (INTEGER ->
// dtInt32, REAL -> dtFloat, BLOB -> dtBlob, MEMO -> dtMemo, DATE -> dtDateTime held as "y.m.d"
// text or a day number, anything else a dtString of 255) and fetches FetchRows rows at a time.
// Errors are EDAError with SQLite's code and message, through the connection's error event.
// One thread.
#include <memory>
#include <string>

#include "dataaccess/VtAccess.h"

struct sqlite3;
struct sqlite3_stmt;

namespace da::testing {

class SqliteConnection : public TVtConnection {
 public:
  ~SqliteConnection() override;
  void Connect(const std::string& connectString) override;
  void Disconnect() override;
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;
  std::unique_ptr<TVtCommand> CreateCommand() override;
  std::unique_ptr<TVtRecordSet> CreateRecordSet() override;

  sqlite3* Handle() const { return db_; }
  void Exec(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

class SqliteCommand : public TVtCommand {
 public:
  ~SqliteCommand() override { Unprepare(); }
  void Prepare() override;
  void Unprepare() override;
  bool GetPrepared() override { return stmt_ != nullptr; }
  // Runs the statement once per iteration; a query is left at its first row for the record set.
  void Execute(int iterations = 1) override;
  int GetCursorState() override { return 0; }
  void SetCursorState(int) override {}
  // prRowsProcessed: rows changed by the last execution, or rows fetched from a query.
  bool GetProp(int id, TPropValue& value) override;

  sqlite3_stmt* Statement() const { return stmt_; }
  int RowsProcessed = 0;
  // The step result of the last execution or fetch (SQLITE_ROW while rows remain).
  int LastStep = 0;
  int Step();

 private:
  void Run(int iterations);
  sqlite3* Db() const;
  sqlite3_stmt* stmt_ = nullptr;
};

class SqliteRecordSet : public TVtRecordSet {
 public:
  SqliteRecordSet() { SetCommand(CreateCommand()); }
  std::unique_ptr<TVtCommand> CreateCommand() override { return std::make_unique<SqliteCommand>(); }
  bool Fetch(bool fetchBack = false) override;
  int FetchCount = 0;

 protected:
  void InternalInitFields() override;
  void InternalPrepare() override;
  void ExecuteCommand() override;
  void InternalClose() override { Cmd().Unprepare(); }

 private:
  SqliteCommand& Cmd() { return static_cast<SqliteCommand&>(*GetCommand()); }
};

}  // namespace da::testing
