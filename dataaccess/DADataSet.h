#pragma once
// TCustomDADataSet: the SQL dataset. It runs one SQL text through a connection and shows its rows:
// its record store is the driver's record set (TVtRecordSet, fetching FetchRows rows at a time),
// its text, parameters and macros live in an internal TCustomDASQL, it connects on demand, reports
// prepare and execute to the SQL monitor, binds master values into its parameters (MasterSource,
// MasterFields/DetailFields), adds FilterSQL and the master/detail condition to the WHERE clause,
// and writes posted and deleted records back through update statements (see below).
//
// Update statements: inserts, updates, deletes and refreshes run through an auxiliary dataset
// (the update query) with a text from GetInsertSQL, GetUpdateSQL, GetDeleteSQL, GetRefreshSQL:
// the UpdateObject's texts when one is set; otherwise, when UpdatingTable is named, statements
// generated for the record (TDASQLGenerator: the changed fields, the key fields of KeyFields or
// every field in the WHERE clause); otherwise none, and the change stays local. Parameters bind
// to fields by name ("OLD_" + name: the old value; a number: that field number); a statement must
// touch exactly one row with Options().StrictUpdate ("Update failed. Found %d records."); refresh
// statements copy the returned row into the record.
//
// Extension points for a driver's dataset (virtual, in addition to TMemDataSet's): QuoteName,
// CreateCommand, CreateOptions, UsedConnection, CheckConnection, Disconnect, ExecuteCommand,
// GetRecCount, SetRefreshOptions, SetReadOnly, Lock, Get{Insert,Delete,Update,Refresh}SQL,
// PerformRefresh, CheckUpdateQuery, DoBeforeUpdateExecute, ExecuteUpdateQuery,
// DoAfterUpdateExecute, PerformSQL, CanReturnField, GetReturnParams, AssignFieldValue,
// AfterInsertHook, ScanMacros, RowsReturn, the four SQL text builders, GetFinalSQL,
// InternalExecute, Fetched, GetFieldDataType, SetKeyFields.
//
// Errors: EDatabaseError "Connection is not defined.", "FetchRows must be 1..10000.", "Field is not
// BLOB.", "Circular datalinks are not allowed", and those of update execution (DADataSetUpdate.cpp).
// Ownership: owns its internal SQL component, options, detail link and update query; refers to
// its connection, master source and UpdateObject. One thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/DAComponent.h"
#include "dataaccess/DASQL.h"
#include "dataaccess/DASQLMonitor.h"
#include "dataaccess/MemDS.h"
#include "dataaccess/VtAccess.h"

namespace da {

class TCustomDAConnection;
class TCustomDADataSet;
class TCustomDAUpdateSQL;

enum TStatementType : std::uint8_t { stQuery, stInsert, stUpdate, stDelete, stLock, stRefresh, stCheck, stCustom };
using TStatementTypes = std::uint8_t;
constexpr TStatementTypes StatementBit(TStatementType t) { return static_cast<TStatementTypes>(1u << t); }
// "Insert,Update": the names of the types in the set, in order, without their prefix.
std::string StatementTypesText(TStatementTypes types);

enum TRefreshOption : std::uint8_t { roAfterInsert, roAfterUpdate, roBeforeEdit };
using TRefreshOptions = std::uint8_t;
constexpr TRefreshOptions RefreshBit(TRefreshOption o) { return static_cast<TRefreshOptions>(1u << o); }

class TDADataSetOptions {
 public:
  explicit TDADataSetOptions(TCustomDADataSet* owner);
  virtual ~TDADataSetOptions() = default;
  TDADataSetOptions(const TDADataSetOptions&) = delete;
  TDADataSetOptions& operator=(const TDADataSetOptions&) = delete;

  bool RequiredFields() const { return requiredFields_; }
  void SetRequiredFields(bool value);
  bool StrictUpdate = true;
  bool NumberRange() const { return numberRange_; }
  void SetNumberRange(bool value);
  bool QueryRecCount = false;
  bool ReturnParams = false;
  bool TrimFixedChar() const { return trimFixedChar_; }
  void SetTrimFixedChar(bool value);
  bool LongStrings() const { return longStrings_; }
  void SetLongStrings(bool value);  // the dataset must be closed
  bool RemoveOnRefresh = true;
  bool FlatBuffers() const { return flatBuffers_; }
  void SetFlatBuffers(bool value);  // the dataset must be closed
  bool QuoteNames = false;
  // Every option but RemoveOnRefresh and QuoteNames.
  virtual void AssignTo(TDADataSetOptions& dest) const;

 private:
  TCustomDADataSet* owner_;
  bool requiredFields_ = true;
  bool numberRange_ = false;
  bool trimFixedChar_ = true;
  bool longStrings_ = true;
  bool flatBuffers_ = false;
};

class TDADetailDataLink : public TDetailDataLink {
 public:
  explicit TDADetailDataLink(TCustomDADataSet& detail) : detail_(detail) {}
  TDataSet* DetailDataSet() const override;

 protected:
  void ActiveChanged() override;
  void RecordChanged(TField* field) override;
  void CheckBrowseMode() override;

 private:
  TCustomDADataSet& detail_;
};

class TCustomDADataSet : public TMemDataSet, public TDAComponent {
 public:
  using TAfterExecuteEvent = std::function<void(TCustomDADataSet& sender, bool result)>;
  using TUpdateExecuteEvent = std::function<void(TCustomDADataSet& sender, TStatementTypes types, TParams& params)>;

  TCustomDADataSet();
  ~TCustomDADataSet() override;
  std::string ClassName() const override { return "TCustomDADataSet"; }

  // ---- connection ----
  TCustomDAConnection* Connection() const { return connection_; }
  void SetConnection(TCustomDAConnection* connection);
  virtual TCustomDAConnection* UsedConnection() const { return connection_; }
  // The dataset's close, unprepare and field definitions out of date (a disconnect of its connection).
  virtual void Disconnect();
  // Re-creates the record set when it is not of the class the server connection makes.
  void CheckIRecordSet();

  // ---- text, parameters, macros ----
  const std::string& SQL() { return InternalSQL().SQL(); }
  void SetSQL(const std::string& text) { InternalSQL().SetSQL(text); }
  TParams& Params() { return InternalSQL().Params(); }
  int ParamCount() { return Params().Count(); }
  TParam* FindParam(std::string_view name) { return Params().FindParam(name); }
  TParam& ParamByName(std::string_view name) { return Params().ParamByName(name); }
  bool ParamCheck() { return InternalSQL().ParamCheck(); }
  void SetParamCheck(bool value) { InternalSQL().SetParamCheck(value); }
  TMacros& Macros() { return InternalSQL().Macros(); }
  TMacro& MacroByName(std::string_view name) { return Macros().MacroByName(name); }
  TMacro* FindMacro(std::string_view name) { return Macros().FindMacro(name); }
  // A text used instead of SQL as the base of the final text (empty: SQL).
  const std::string& BaseSQL() const { return replacementSQL_; }
  void SetBaseSQL(const std::string& text);
  const std::string& FilterSQL() const { return filterSQL_; }
  // Trimmed; a change closes, re-parses and reopens (the old condition comes back when that fails).
  void SetFilterSQL(const std::string& value);
  // The base text with macros expanded, FilterSQL and the master/detail condition added.
  virtual std::string GetFinalSQL();
  virtual void ScanMacros();
  // The platform's Filter with "OR(", "AND(", " IS NOT " and " IS " made readable to the filter.
  void SetFilter(std::string text);

  // ---- running ----
  void Prepare() override;
  void UnPrepare() override;
  bool Prepared() { return DataOrNull() && DataOrNull()->Prepared(); }
  // Runs the statement: a query opens the dataset, anything else executes.
  void ExecSQL() { InternalExecute(); }
  int RowsAffected() const { return rowsAffected_; }
  bool Debug = false;
  bool NoMonitor = false;
  bool NonBlocking = false;
  TAfterExecuteEvent AfterExecute;
  TUpdateExecuteEvent BeforeUpdateExecute, AfterUpdateExecute;

  // ---- properties passed to the record set ----
  int FetchRows() const { return fetchRows_; }
  void SetFetchRows(int value);
  bool FetchAll() const { return fetchAll_; }
  void SetFetchAll(bool value);
  bool UniDirectional() const { return uniDirectional_; }
  void SetUniDirectional(bool value);
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool value);
  virtual void SetReadOnly(bool value) { ReadOnly = value; }
  TRefreshOptions RefreshOptions() const { return refreshOptions_; }
  virtual void SetRefreshOptions(TRefreshOptions value) { refreshOptions_ = value; }
  TDADataSetOptions& Options();
  int RecordCount() override;

  // ---- master/detail ----
  TDataSource* MasterSource() const { return detailLink_.DataSource(); }
  void SetMasterSource(TDataSource* source);
  const std::string& MasterFields() const { return masterFields_; }
  void SetMasterFields(const std::string& value);
  const std::string& DetailFields() const { return detailFields_; }
  void SetDetailFields(const std::string& value);
  TDataSource* GetDataSource() const override { return MasterSource(); }

  // ---- updates ----
  TCustomDAUpdateSQL* UpdateObject() const { return updateObject_; }
  void SetUpdateObject(TCustomDAUpdateSQL* value);
  const std::string& KeyFields() const { return keyFields_; }
  virtual void SetKeyFields(const std::string& value);
  // The table generated update statements write (empty: none are generated).
  std::string UpdatingTable;
  // Runs one update statement for the current record (see DADataSetUpdate.cpp).
  virtual bool PerformSQL(const std::string& sql, TStatementTypes types);
  // Re-reads the current record through the refresh statement.
  virtual bool PerformRefresh();
  TCustomDADataSet* UpdateQuery() const { return updateQuery_.get(); }
  // The field's value before the edit (the current value while inserting).
  Variant OldFieldValue(TField& field);

  // ---- fields ----
  const TFieldDesc& GetFieldDesc(std::string_view name);
  // The blob of a blob or memo field in the active record (nullptr without one); "Field is not BLOB.".
  TBlob* GetBlob(std::string_view name);
  virtual TDataType GetFieldDataType(std::string_view name) { return GetFieldDesc(name).DataType; }
  std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;

  virtual std::string QuoteName(const std::string& name) const;
  TVtRecordSet* RecordSet() const { return recordSet_; }

  // Assigns a field's value with the dataset in a temporary state (dsNewValue, dsSetKey, ...): a
  // Largeint field that is not read-only takes the value as a 64-bit integer.
  void SetStateFieldValue(TDataSetState state, TField& field, const Variant& value);

  // ---- provider support (DADataSetProvider.cpp) ----
  // Runs a statement whose parameters are "?" marks (outside quoted strings), named "1", "2", ...
  // in text order and taken from params in that order (unknown directions become input), through
  // a SQL component of the used connection; the rows it affected.
  int PSExecuteStatement(const std::string& sql, const TParams& params);
  void PSExecute() { ExecSQL(); }
  // Transactions are the provider's only while the dataset and the connection commit by
  // themselves; otherwise the application runs its own and these leave it alone.
  void PSStartTransaction();
  void PSEndTransaction(bool commit);
  bool PSInTransaction();
  TParams& PSGetParams() { return Params(); }
  // Copies the parameters when any are given, then closes.
  void PSSetParams(const TParams& params);
  void PSSetCommandText(const std::string& text);
  std::string PSGetQuoteChar() const { return "\""; }
  virtual std::string PSGetTableName() { return std::string(); }
  bool PSIsSQLBased() const { return true; }
  bool PSIsSQLSupported() const { return true; }
  // Closes and reopens an open dataset.
  void PSReset();
  bool PSUpdateRecord() const { return false; }
  TCustomDASQL& InternalSQL();

  const TCustomDAConnection* MonitorConnection() const override { return UsedConnection(); }
  bool MonitorDebug() const override { return Debug; }
  int MonitorRowsAffected() const override { return rowsAffected_; }

 protected:
  friend class TDADetailDataLink;
  friend class TDADataSetOptions;
  friend class TCustomDASQL;

  virtual std::unique_ptr<TCustomDASQL> CreateCommand() { return std::make_unique<TCustomDASQL>(this); }
  virtual std::unique_ptr<TDADataSetOptions> CreateOptions() { return std::make_unique<TDADataSetOptions>(this); }
  void CreateIRecordSet() override;
  void SetIRecordSet(std::unique_ptr<TMemData> data) override;
  virtual void CheckConnection();
  virtual void ExecuteCommand() { recordSet_->ExecuteCommand(); }
  virtual int GetRecCount() { return 0; }
  virtual void Lock() {}
  virtual std::string GetInsertSQL();
  virtual std::string GetDeleteSQL();
  virtual std::string GetUpdateSQL();
  virtual std::string GetRefreshSQL();
  virtual void CheckUpdateQuery();
  virtual bool BeforeUpdateExecuteAssigned() const { return static_cast<bool>(BeforeUpdateExecute); }
  virtual void DoBeforeUpdateExecute(TStatementTypes types);
  virtual void ExecuteUpdateQuery(TStatementTypes types);
  virtual void DoAfterUpdateExecute(TStatementTypes types);
  virtual bool CanReturnField(const TField& field) const {
    (void)field;
    return true;
  }
  virtual bool GetReturnParams() { return Options().ReturnParams; }
  virtual void AssignFieldValue(TParam& param, TField& field, bool old);
  // The record store's object or array descriptor a parameter names (by number, then by name).
  const TFieldDesc* ObjectDescWithoutField(const std::string& name);
  virtual void AfterInsertHook() {}
  virtual bool RowsReturn() { return recordSet_ && recordSet_->RowsReturn(); }
  // The SQL text builders: the generic add-WHERE; the others leave the text (a driver's dataset
  // gives its own).
  virtual std::string AddWhere(const std::string& sql, const std::string& condition);
  virtual std::string DeleteWhere(const std::string& sql) { return sql; }
  virtual std::string SetOrderBy(const std::string& sql, const std::string& fields) {
    (void)fields;
    return sql;
  }
  virtual std::string GetOrderBy(const std::string& sql) {
    (void)sql;
    return std::string();
  }
  virtual void InternalExecute();
  virtual bool Fetched();

  // TMemDataSet
  bool PerformAppend() override;
  bool PerformUpdate() override;
  bool PerformDelete() override;
  void DoApplyRecord(TUpdateKind kind, TUpdateAction& action) override;
  void OpenCursor() override;
  void CloseCursor() override;
  void InternalRefresh() override;
  void InternalEdit() override;
  void DoOnNewRecord() override;

  bool ShouldReport() const;
  // Runs action between the monitor's execute reports (before and after) when they are due.
  template <class Action>
  void ReportExecute(bool due, const std::string& text, TParams* params, const std::string& caption, Action&& action) {
    int id = 0;
    if (due) TCustomDASQLMonitor::SQLExecute(MonitorClass(), *this, text, params, caption, id, false);
    action();
    if (due) TCustomDASQLMonitor::SQLExecute(MonitorClass(), *this, text, params, caption, id, true);
  }
  // Master values into the parameters of the same names; whether any changed.
  bool SetMasterParams();
  // A record or activity change of the master.
  void RefreshDetail();
  // Writes the parameters with their values to the command.
  void WriteParams() { InternalSQL().WriteParamDescs(true); }
  // Close, unprepare, re-parse, and reopen when it was open.
  void Reparse(bool reopen);

  int rowsAffected_ = -1;
  int recordCountQueried_ = 0;
  bool applyingRecord_ = false;

 private:
  void DoCommandAfterExecute(bool result);
  void DoRecordSetAfterExecute(bool result);
  void RegisterWith(TCustomDAConnection* connection);
  TSQLMonitorClass MonitorClass() const;
  // The record being applied or edited, whose values a refresh writes.
  void* RefreshTarget();
  void CopyRefreshedRow(TStatementTypes types);
  void ReturnParams(TStatementTypes types);

  TCustomDAConnection* connection_ = nullptr;
  TCustomDAConnection* registered_ = nullptr;
  std::unique_ptr<TCustomDASQL> sql_;
  std::unique_ptr<TDADataSetOptions> options_;
  TDADetailDataLink detailLink_;
  std::unique_ptr<TCustomDADataSet> updateQuery_;
  TCustomDAUpdateSQL* updateObject_ = nullptr;
  TVtRecordSet* recordSet_ = nullptr;
  int fetchRows_ = 25;
  bool fetchAll_ = false;
  bool uniDirectional_ = false;
  bool autoCommit_ = true;
  TRefreshOptions refreshOptions_ = 0;
  std::string replacementSQL_, filterSQL_, masterFields_, detailFields_, keyFields_;
  bool destroying_ = false;
  bool commandReported_ = false;  // the command's after-execute came during this execution
};

}  // namespace da
