#pragma once
// The components over the SQLite-backed driver: SqliteSession is a connection component whose
// server connection is SQLite (a temporary database file per session), reports to the
// process-wide TestSQLMonitor, and calls error LostCode fatal. Its server connection can be made
// to lose the server (Lose): every statement and commit then fails with LostCode through the
// error event, as a dropped network connection does. Sql() runs SQL straight through SQLite, to
// read back what the components wrote. One thread.
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DAConnection.h"
#include "tests/dataaccess/SqliteDriver.h"
#include "tests/dataaccess/TestSQLMonitor.h"

namespace da::testing {

inline constexpr int LostCode = 3113;

class LosableSqliteConnection : public SqliteConnection {
 public:
  LosableSqliteConnection();
  ~LosableSqliteConnection() override;
  void Connect(const std::string& connectString) override;
  void Disconnect() override;
  void Commit() override;
  std::unique_ptr<TVtCommand> CreateCommand() override;
  std::unique_ptr<TVtRecordSet> CreateRecordSet() override;
  // Raises the lost-connection error through the error event when the server is lost.
  void CheckLost();
  bool Lost = false;
  int Connects = 0, Disconnects = 0;
  const std::string Database;  // a temporary file of its own, removed with the connection
};

class SqliteSession : public TCustomDAConnection {
 public:
  SqliteSession();
  ~SqliteSession() override;
  std::string ClassName() const override { return "SqliteSession"; }
  TSQLMonitorClass SQLMonitorClass() const override { return &TestSQLMonitor::GetMonitor; }
  bool IsFatalError(const EDAError& error) const override { return error.ErrorCode() == LostCode; }
  LosableSqliteConnection& Db() { return static_cast<LosableSqliteConnection&>(*IConnection()); }
  // Runs a statement through SQLite itself.
  void Sql(const std::string& sql) { Db().Exec(sql); }
  // The rows of a query as texts joined by "|" ("NULL" for NULL), read through SQLite itself.
  std::vector<std::string> Rows(const std::string& sql);

 protected:
  void CreateIConnection() override;
};

}  // namespace da::testing
