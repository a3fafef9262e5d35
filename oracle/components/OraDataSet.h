#pragma once
// TOraDataSet: the Oracle SQL dataset, a TCustomDADataSet whose record set is a TOCIRecordSet and
// whose text, parameters and macros live in a TOraSQL. It adds the Oracle dataset options, a key
// field filled from a sequence (KeySequence, SequenceMode), record locking with savepoints
// (LockMode), the hidden ROWID field, the Oracle field classes (OraFields.h), the record count
// through a wrapped "SELECT Count(*)", and the Oracle SQL text builders (OraSQLText.h).
//
// The query classes built on it are in OraQuery.h.
//
// Errors: those of TCustomDADataSet and the Oracle errors of the command (EOraError). A delete or
// update that fails after a lock rolls back to the lock savepoint before the error propagates.
// Ownership: as TCustomDADataSet; refers to its session. One thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dataaccess/DADataSet.h"
#include "oracle/components/OraParams.h"

namespace ora {

class TOCICommand;
class TOCIRecordSet;
class TOraSession;
class TOraSQL;
class TOraDataSet;

enum TLockMode : std::uint8_t { lmNone, lmLockImmediate, lmLockDelayed };
enum TSequenceMode : std::uint8_t { smInsert, smPost };
enum TRefreshMode : std::uint8_t { rmNone, rmAfterInsert, rmAfterUpdate, rmAlways };

// Bits of TOraQuery::Options (a set view of the dataset options).
enum TOraDataSetOption : std::uint8_t {
  doRequiredFields, doStrictUpdate, doDefaultValue, doLongStrings, doNumberRange, doKeepPrepared, doAutoClose,
  doQueryRecCount
};
using TOraDataSetOptions1 = std::uint8_t;

class TOraDataSetOptions : public da::TDADataSetOptions {
 public:
  explicit TOraDataSetOptions(TOraDataSet* owner);
  bool KeepPrepared = false;
  bool AutoClose() const { return autoClose_; }
  void SetAutoClose(bool value);
  bool FieldsOrigin = false;
  bool DefaultValues = false;
  bool FieldsAsString() const { return fieldsAsString_; }
  void SetFieldsAsString(bool value);
  bool DeferredLobRead() const { return deferredLobRead_; }
  void SetDeferredLobRead(bool value);
  bool CacheLobs() const { return cacheLobs_; }
  void SetCacheLobs(bool value);  // the dataset must be closed
  bool ScrollableCursor() const { return scrollableCursor_; }
  void SetScrollableCursor(bool value);  // the dataset must be closed
  void AssignTo(da::TDADataSetOptions& dest) const override;

 private:
  TOraDataSet* owner_;
  bool autoClose_ = false;
  bool fieldsAsString_ = false;
  bool deferredLobRead_ = false;
  bool cacheLobs_ = true;
  bool scrollableCursor_ = false;
};

class TOraDataSet : public da::TCustomDADataSet {
 public:
  using TBeforeFetchEvent = std::function<void(TOraDataSet& dataSet, bool& cancel)>;
  using TAfterFetchEvent = std::function<void(TOraDataSet& dataSet)>;

  TOraDataSet();
  ~TOraDataSet() override;
  std::string ClassName() const override { return "TOraDataSet"; }

  TOraSession* Session() const;
  void SetSession(TOraSession* session);
  da::TCustomDAConnection* UsedConnection() const override;
  TOraParams& Params();
  TOraParam& ParamByName(std::string_view name) { return Params().ParamByName(name); }
  TOraParam* FindParam(std::string_view name) { return Params().FindParam(name); }
  TOraDataSetOptions& OptionsDS() { return static_cast<TOraDataSetOptions&>(Options()); }
  void SetNonBlocking(bool value);

  TLockMode LockMode = lmNone;
  bool CheckOnLock = false;
  TBeforeFetchEvent BeforeFetch;
  TAfterFetchEvent AfterFetch;
  const std::string& KeySequence() const { return keySequence_; }
  void SetKeySequence(const std::string& value);
  TSequenceMode SequenceMode = smPost;
  void SetKeyFields(const std::string& value) override;

  // The field named ROWID, found at open (hidden while HideRowId and the fields are the default ones).
  da::TField* RowIdField() const { return rowIdField_; }
  bool HideRowId = true;
  // The Oracle record set (nullptr while the dataset has none).
  da::TVtRecordSet* OCIRecordSet() const { return ociRecordSet_; }
  TOCICommand* OCICommand() const;
  // Provider support: the first table of the FROM list, upper-cased.
  std::string GetTableName();
  std::string PSGetTableName() override { return GetTableName(); }
  da::TFieldClass GetFieldClass(da::TFieldType type) const override;
  std::unique_ptr<da::TStream> CreateBlobStream(da::TField& field, da::TBlobStreamMode mode) override;
  void AssignTo(TOraDataSet& dest);

  // Locks the current record (savepoint "LOCK_" + Name, then the lock statement).
  virtual void LockRecord();
  std::string LockSavepoint() const;

 protected:
  std::unique_ptr<da::TCustomDASQL> CreateCommand() override;
  std::unique_ptr<da::TDADataSetOptions> CreateOptions() override;
  void CreateIRecordSet() override;
  void SetIRecordSet(std::unique_ptr<da::TMemData> data) override;
  da::TFieldType GetFieldType(da::TDataType dataType) override { return OraDataTypeToFieldType(dataType); }
  void OpenCursor() override;
  void InternalExecute() override;
  void InternalRefresh() override;
  bool InternalFirst() override;
  bool InternalLast() override;
  bool InternalNext() override;
  bool InternalPrior() override;
  void FieldsCreated() override;
  void DoAfterOpen() override;
  void DoAfterScroll() override;
  void ExecuteCommand() override;
  int GetRecCount() override;
  void InternalInsert(bool append) override;
  bool PerformAppend() override;
  void AfterInsertHook() override;
  void CheckUpdateQuery() override;
  void ExecuteUpdateQuery(da::TStatementTypes types) override;
  void AssignFieldValue(da::TParam& param, da::TField& field, bool old) override;
  std::string AddWhere(const std::string& sql, const std::string& condition) override;
  std::string DeleteWhere(const std::string& sql) override;
  std::string SetOrderBy(const std::string& sql, const std::string& fields) override;
  std::string GetOrderBy(const std::string& sql) override;
  virtual std::string GetLockSQL() { return std::string(); }
  // FieldsOrigin, DefaultValues: each data field's Origin ("TABLE.COLUMN") from the select list
  // and the FROM list, asking the data dictionary (all_tab_columns) when DefaultValues is set or
  // the text leaves a column of several tables unattributed; with DefaultValues the column's
  // default (trailing blanks and enclosing quotes removed) becomes the field's DefaultExpression.
  void GetFieldsInfo();
  // The key field from the sequence (ReturnParams forced on meanwhile).
  void FillKeyFromSequence();
  bool HasSequence();
  // Runs a step that may reach the server; after a fatal error the session's clients (this
  // dataset among them) are told once the step has unwound.
  template <class Step>
  auto ServerStep(Step step) -> decltype(step());

 private:
  da::TVtRecordSet* ociRecordSet_ = nullptr;
  da::TField* rowIdField_ = nullptr;
  std::string keySequence_;
  bool fetchCancelled_ = false;
};

}  // namespace ora
