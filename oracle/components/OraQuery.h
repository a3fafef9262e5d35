#pragma once
// TCustomOraQuery adds the five update statement texts SQLInsert, SQLUpdate, SQLDelete, SQLLock
// and SQLRefresh (macros expanded; an SQLRefresh that begins with WHERE adds its condition to the
// query's own text, an SQLLock that begins with FOR follows the refresh text) and refuses, silently,
// an insert, edit or delete that nothing could write. TOraQuery is the query the program uses:
// set SQL, Open (or ExecSQL: a statement that returns rows opens), read FieldByName, run
// statements with ExecSQL.
//
// Errors: those of TOraDataSet; a delete or update that fails after a lock rolls back to the lock
// savepoint before the error propagates. Ownership: as TOraDataSet. One thread.
#include <string>

#include "oracle/components/OraDataSet.h"

namespace ora {

class TCustomOraQuery : public TOraDataSet {
 public:
  TCustomOraQuery() = default;
  std::string ClassName() const override { return "TCustomOraQuery"; }

  // A change of an update text re-scans the macros.
  const std::string& SQLInsert() const { return sqlInsert_; }
  void SetSQLInsert(const std::string& text) { SetText(sqlInsert_, text); }
  const std::string& SQLUpdate() const { return sqlUpdate_; }
  void SetSQLUpdate(const std::string& text) { SetText(sqlUpdate_, text); }
  const std::string& SQLDelete() const { return sqlDelete_; }
  void SetSQLDelete(const std::string& text) { SetText(sqlDelete_, text); }
  const std::string& SQLLock() const { return sqlLock_; }
  void SetSQLLock(const std::string& text) { SetText(sqlLock_, text); }
  const std::string& SQLRefresh() const { return sqlRefresh_; }
  void SetSQLRefresh(const std::string& text) { SetText(sqlRefresh_, text); }

  // A set view of the dataset options (doRequiredFields ... doQueryRecCount); 11 on a new query.
  TOraDataSetOptions1 GetOptions();
  void SetOptions(TOraDataSetOptions1 value);
  TRefreshMode RefreshMode() const;
  void SetRefreshMode(TRefreshMode value);
  bool CanModify() const override;
  void ScanMacros() override;
  void AssignTo(TCustomOraQuery& dest);

 protected:
  std::string GetInsertSQL() override;
  std::string GetUpdateSQL() override;
  std::string GetDeleteSQL() override;
  std::string GetRefreshSQL() override;
  std::string GetLockSQL() override;
  void Lock() override;
  void InternalCancel() override;
  bool PerformDelete() override;
  bool PerformUpdate() override;
  void DoBeforeInsert() override;
  void DoBeforeEdit() override;
  void DoBeforeDelete() override;
  virtual bool LocalUpdateTest() const { return false; }

 private:
  void SetText(std::string& field, const std::string& text);
  std::string Expand(const std::string& text);
  // Whether an insert, edit or delete whose statement text is text could be written at all.
  bool CanWrite(const std::string& text) const;
  bool RollbackToLock();

  std::string sqlInsert_, sqlDelete_, sqlUpdate_, sqlLock_, sqlRefresh_;
};

class TOraQuery : public TCustomOraQuery {
 public:
  std::string ClassName() const override { return "TOraQuery"; }
};

}  // namespace ora
