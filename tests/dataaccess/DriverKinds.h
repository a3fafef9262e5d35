#pragma once
// The same small database behind either test driver, so that a test runs over both: the scripted
// fake (ScriptDriver) and SQLite (SqliteDriver). Tables:
//   DEPT(DEPTNO INTEGER, DNAME TEXT): 10 ACCOUNTING, 20 RESEARCH, 30 SALES
//   EMP(ID INTEGER PRIMARY KEY, NAME TEXT, NOTE MEMO, DEPT INTEGER, HIRED DATE):
//     1 SMITH "first note" 20 1980.12.17, 2 ALLEN NULL 30 1981.2.20, 3 WARD "w" 30 1981.2.22,
//     4 JONES "j" 20 1981.4.2
// Queries the script answers: "select * from emp", "select * from dept", "select * from emp
// where dept = :DEPT" for each department, "select * from emp where id = 0" (no rows); the script
// accepts inserts, updates and deletes. SQLite answers anything.
//
// DriverDataSet is a dataset over a record set of the connection, made by its own
// CreateIRecordSet; its Perform operations write the change to EMP (insert, update of NAME,
// delete by ID) and count themselves. One thread.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"
#include "tests/dataaccess/ScriptDriver.h"
#include "tests/dataaccess/SqliteDriver.h"

namespace da::testing {

enum class DriverKind { Script, Sqlite };
inline void PrintTo(DriverKind kind, std::ostream* os) { *os << (kind == DriverKind::Sqlite ? "Sqlite" : "Script"); }
inline const auto kAllDrivers = ::testing::Values(DriverKind::Script, DriverKind::Sqlite);
std::string DriverName(const ::testing::TestParamInfo<DriverKind>& info);

class DriverDb {
 public:
  explicit DriverDb(DriverKind kind);
  DriverKind Kind() const { return kind_; }
  TVtConnection& Connection() { return *connection_; }
  Script& GetScript() { return script_; }
  // Runs a statement on the connection (parameters by name, in order of the values).
  void Execute(const std::string& sql, const std::vector<std::pair<std::string, Variant>>& params = {});
  // The rows of EMP as (ID, NAME) in ID order: what SQLite holds, or for the script the rows as
  // they started with every insert, update and delete it logged applied (ID and NAME only).
  std::vector<std::pair<int, std::string>> EmpRows();

 private:
  DriverKind kind_;
  Script script_;
  std::unique_ptr<TVtConnection> connection_;
};

class DriverDataSet : public TMemDataSet {
 public:
  explicit DriverDataSet(DriverDb& db) : db_(db) {}
  ~DriverDataSet() override { Close(); }
  TVtRecordSet& RecordSet() { return static_cast<TVtRecordSet&>(Data()); }
  void SetSQL(const std::string& sql) { RecordSet().SetSQL(sql); }
  int Appends = 0, Updates = 0, Deletes = 0;
  int RecordSetsSet = 0;  // calls of SetIRecordSet

  using TMemDataSet::DoApplyRecord;

 protected:
  void CreateIRecordSet() override { SetIRecordSet(std::unique_ptr<TMemData>(db_.Connection().CreateRecordSet())); }
  void SetIRecordSet(std::unique_ptr<TMemData> data) override {
    ++RecordSetsSet;
    TMemDataSet::SetIRecordSet(std::move(data));
  }
  bool PerformAppend() override;
  bool PerformUpdate() override;
  bool PerformDelete() override;

 private:
  DriverDb& db_;
};

}  // namespace da::testing
