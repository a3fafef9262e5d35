#include "oracle/components/OraDataSet.h"

#include "dataaccess/DASQLMonitor.h"
#include "dataaccess/DAUpdateSQL.h"
#include "dataaccess/TextUtil.h"
#include "oracle/values/OraBFileStream.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/components/OraFields.h"
#include "oracle/values/OraLob.h"
#include "oracle/OraProps.h"
#include "oracle/server/OraRecordSet.h"
#include "oracle/components/OraSQL.h"
#include "oracle/components/OraSQLText.h"
#include "oracle/components/OraSession.h"

namespace ora {

using da::StatementBit;
using da::Variant;

namespace {
// The record set's own properties (AutoClose, DeferredLobRead).
constexpr int kAutoCloseProp = 55;
constexpr int kDeferredLobReadProp = 61;

void CheckClosed(const da::TDataSet& ds) {
  if (ds.Active()) throw da::EDatabaseError("Cannot perform this operation on an open dataset");
}
}  // namespace

// ---- TOraDataSetOptions ----

TOraDataSetOptions::TOraDataSetOptions(TOraDataSet* owner) : da::TDADataSetOptions(owner), owner_(owner) {}

void TOraDataSetOptions::SetAutoClose(bool value) {
  autoClose_ = value;
  if (da::TVtRecordSet* rs = owner_->RecordSet()) rs->SetProp(kAutoCloseProp, Variant(value));
}

void TOraDataSetOptions::SetFieldsAsString(bool value) {
  fieldsAsString_ = value;
  if (TOCICommand* c = owner_->OCICommand()) c->SetProp(prFieldsAsString, Variant(value));
}

void TOraDataSetOptions::SetDeferredLobRead(bool value) {
  deferredLobRead_ = value;
  if (da::TVtRecordSet* rs = owner_->RecordSet()) rs->SetProp(kDeferredLobReadProp, Variant(value));
}

void TOraDataSetOptions::SetCacheLobs(bool value) {
  CheckClosed(*owner_);
  cacheLobs_ = value;
  if (TOCICommand* c = owner_->OCICommand()) c->SetProp(prCacheLobs, Variant(value));
}

void TOraDataSetOptions::SetScrollableCursor(bool value) {
  CheckClosed(*owner_);
  scrollableCursor_ = value;
  if (TOCICommand* c = owner_->OCICommand()) c->SetProp(prScrollable, Variant(value));
}

void TOraDataSetOptions::AssignTo(da::TDADataSetOptions& dest) const {
  da::TDADataSetOptions::AssignTo(dest);
  auto* d = dynamic_cast<TOraDataSetOptions*>(&dest);
  if (!d) return;
  d->KeepPrepared = KeepPrepared;
  d->SetAutoClose(autoClose_);
  d->FieldsOrigin = FieldsOrigin;
  d->DefaultValues = DefaultValues;
  d->SetFieldsAsString(fieldsAsString_);
  d->cacheLobs_ = cacheLobs_;
}

// ---- TOraDataSet ----

TOraDataSet::TOraDataSet() = default;
TOraDataSet::~TOraDataSet() = default;

std::unique_ptr<da::TCustomDASQL> TOraDataSet::CreateCommand() { return std::make_unique<TOraSQL>(this); }

std::unique_ptr<da::TDADataSetOptions> TOraDataSet::CreateOptions() {
  return std::make_unique<TOraDataSetOptions>(this);
}

TOraSession* TOraDataSet::Session() const { return dynamic_cast<TOraSession*>(Connection()); }

void TOraDataSet::SetSession(TOraSession* session) { SetConnection(session); }

da::TCustomDAConnection* TOraDataSet::UsedConnection() const {
  if (da::TCustomDAConnection* c = Connection()) return c;
  return DefaultSessionFallback ? DefaultSession() : nullptr;
}

TOraParams& TOraDataSet::Params() { return static_cast<TOraParams&>(da::TCustomDADataSet::Params()); }

TOCICommand* TOraDataSet::OCICommand() const {
  return ociRecordSet_ ? dynamic_cast<TOCICommand*>(ociRecordSet_->GetCommand()) : nullptr;
}

void TOraDataSet::SetNonBlocking(bool value) {
  NonBlocking = value;
  if (TOCICommand* c = OCICommand()) c->SetProp(prNonBlocking, Variant(value));
}

void TOraDataSet::CreateIRecordSet() {
  da::TCustomDADataSet::CreateIRecordSet();
  // Without a session the record set is made all the same: the text's parameters are found by
  // the Oracle command, and the session brings its connection later.
  if (!RecordSet()) SetIRecordSet(std::make_unique<TOCIRecordSet>());
}

void TOraDataSet::SetIRecordSet(std::unique_ptr<da::TMemData> data) {
  da::TCustomDADataSet::SetIRecordSet(std::move(data));
  ociRecordSet_ = RecordSet();
  if (!ociRecordSet_ || !dynamic_cast<TOCICommand*>(ociRecordSet_->GetCommand())) {
    ociRecordSet_ = nullptr;
    return;
  }
  TOraDataSetOptions& options = OptionsDS();
  ociRecordSet_->SetProp(kAutoCloseProp, Variant(options.AutoClose()));
  ociRecordSet_->SetProp(kDeferredLobReadProp, Variant(options.DeferredLobRead()));
  TOCICommand* command = OCICommand();
  command->SetProp(prScrollable, Variant(options.ScrollableCursor()));
  command->SetProp(prCacheLobs, Variant(options.CacheLobs()));
  command->SetProp(prFieldsAsString, Variant(options.FieldsAsString()));
  command->SetProp(prNonBlocking, Variant(NonBlocking));
  ociRecordSet_->SetEventProp(da::prBeforeFetch, da::TEventMethod([this](bool fetchStart, bool& cancel) {
                                if (NonBlocking) return;
                                if (fetchStart) {
                                  da::StartWait();
                                  if (BeforeFetch) BeforeFetch(*this, cancel);
                                  fetchCancelled_ = cancel;
                                } else if (AfterFetch) {
                                  AfterFetch(*this);
                                }
                              }));
}

template <class Step>
auto TOraDataSet::ServerStep(Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const da::EDAError&) {
    if (auto* session = dynamic_cast<TOraSession*>(UsedConnection())) session->FinishLostConnection();
    throw;
  }
}

void TOraDataSet::OpenCursor() {
  ServerStep([this] {
    if (OptionsDS().KeepPrepared && !Prepared()) {
      CheckConnection();
      Prepare();
    }
    da::TCustomDADataSet::OpenCursor();
  });
}

void TOraDataSet::InternalExecute() {
  ServerStep([this] { da::TCustomDADataSet::InternalExecute(); });
}
void TOraDataSet::InternalRefresh() {
  ServerStep([this] { da::TCustomDADataSet::InternalRefresh(); });
}
bool TOraDataSet::InternalFirst() {
  return ServerStep([this] { return da::TCustomDADataSet::InternalFirst(); });
}
bool TOraDataSet::InternalLast() {
  return ServerStep([this] { return da::TCustomDADataSet::InternalLast(); });
}
bool TOraDataSet::InternalNext() {
  return ServerStep([this] { return da::TCustomDADataSet::InternalNext(); });
}
bool TOraDataSet::InternalPrior() {
  return ServerStep([this] { return da::TCustomDADataSet::InternalPrior(); });
}

void TOraDataSet::FieldsCreated() {
  da::TCustomDADataSet::FieldsCreated();
  rowIdField_ = FindField("ROWID");
  if (rowIdField_ && HideRowId) rowIdField_->Visible = false;
  const std::vector<std::string> keys = da::SplitNames(KeyFields());
  if (keys.size() == 1 && !keySequence_.empty())
    if (da::TField* key = FindField(keys[0])) key->Required = false;
  if (OptionsDS().FieldsOrigin || OptionsDS().DefaultValues) ServerStep([this] { GetFieldsInfo(); });
}

void TOraDataSet::DoAfterOpen() {
  da::TCustomDADataSet::DoAfterOpen();
  for (da::TDataSet* nested : NestedDataSets())
    if (nested->Active()) nested->DataEvent(da::deParentScroll);
}

void TOraDataSet::DoAfterScroll() {
  if (fetchCancelled_) {
    fetchCancelled_ = false;
    // The cancelled fetch ended the step without rows: a dataset that reached its end stays
    // there (the hook is not asked again) until it is scrolled back or refreshed.
    const bool atEnd = Eof();
    Resync();
    if (atEnd) eof_ = true;
  }
  da::TCustomDADataSet::DoAfterScroll();
}

void TOraDataSet::ExecuteCommand() {
  if (OptionsDS().KeepPrepared && !Prepared()) Prepare();
  da::TCustomDADataSet::ExecuteCommand();
  if (RecordSet()->CommandType == 2) InitFieldDefs();
}

int TOraDataSet::GetRecCount() {
  const std::string text = SetOrderBy(GetFinalSQL(), std::string());
  const std::string countSQL = "SELECT Count(*) FROM (\r" + text + ")";
  da::TCustomDAConnection* connection = UsedConnection();
  if (!connection) return 0;
  std::unique_ptr<da::TCustomDADataSet> counter = connection->CreateDataSet();
  counter->NoMonitor = true;
  counter->SetSQL(countSQL);
  counter->Params().AssignValues(Params());
  counter->Prepare();
  auto* command = dynamic_cast<TOCICommand*>(counter->RecordSet() ? counter->RecordSet()->GetCommand() : nullptr);
  if (!command || command->GetSQLFunctionCode() != fcSelect) return 0;
  int count = 0;
  ReportExecute(ShouldReport(), countSQL, &Params(), "Get RecCount", [&] {
    counter->Open();
    if (!counter->Eof()) count = counter->Fields(0).AsInteger();
  });
  return count;
}

void TOraDataSet::SetKeySequence(const std::string& value) { keySequence_ = da::TrimText(value); }

void TOraDataSet::SetKeyFields(const std::string& value) { da::TCustomDADataSet::SetKeyFields(da::TrimText(value)); }

bool TOraDataSet::HasSequence() { return !keySequence_.empty() && !da::SplitNames(KeyFields()).empty(); }

void TOraDataSet::FillKeyFromSequence() {
  const std::string key = da::SplitNames(KeyFields()).front();
  const std::string text = "begin\r  SELECT " + keySequence_ + ".NEXTVAL INTO :" + key + " FROM Dual;\rend;";
  const bool returnParams = Options().ReturnParams;
  Options().ReturnParams = true;
  try {
    PerformSQL(text, StatementBit(da::stCustom));
  } catch (...) {
    Options().ReturnParams = returnParams;
    throw;
  }
  Options().ReturnParams = returnParams;
}

void TOraDataSet::InternalInsert(bool append) {
  da::TCustomDADataSet::InternalInsert(append);
  if (SequenceMode != smInsert || !HasSequence()) return;
  // The new record is not the active one until the insert state is set: meanwhile the key is
  // read and written in it under that state, not in the record being browsed.
  const da::TDataSetState state = SetTempState(da::dsInsert);
  try {
    FillKeyFromSequence();
  } catch (...) {
    RestoreState(state);
    da::TCustomDADataSet::InternalCancel();  // the insert does not begin
    throw;
  }
  RestoreState(state);
}

bool TOraDataSet::PerformAppend() {
  if (SequenceMode == smPost && HasSequence() && !da::TrimText(GetInsertSQL()).empty()) FillKeyFromSequence();
  return da::TCustomDADataSet::PerformAppend();
}

void TOraDataSet::CheckUpdateQuery() {
  da::TCustomDADataSet::CheckUpdateQuery();
  auto* query = dynamic_cast<TOraDataSet*>(UpdateQuery());
  if (!query || !query->OCICommand()) return;
  query->OCICommand()->SetProp(prFetchRowId, Variant(true));
  query->OptionsDS().SetCacheLobs(OptionsDS().CacheLobs());
}

void TOraDataSet::ExecuteUpdateQuery(da::TStatementTypes types) {
  da::TCustomDADataSet* query = UpdateQuery();
  if (Options().ReturnParams || (types & StatementBit(da::stRefresh))) {
    da::TParams& params = query->Params();
    for (int i = 0; i < params.Count(); ++i) {
      da::TParam& p = params.Items(i);
      if (p.DataType() == da::ftString || p.DataType() == da::ftFixedChar) p.ParamType = da::ptInputOutput;
    }
  }
  da::TCustomDADataSet::ExecuteUpdateQuery(types);
}

void TOraDataSet::AssignFieldValue(da::TParam& param, da::TField& field, bool old) {
  auto* p = dynamic_cast<TOraParam*>(&param);
  const da::TFieldType type = field.DataType();
  if (p && IsObjectFieldType(type) && field.FieldNo() > 0) {
    p->SetDataType(type);
    if (da::TSharedObject* object = old ? nullptr : RecordObject(field)) {
      p->SetObject(object);
      return;
    }
  }
  da::TCustomDADataSet::AssignFieldValue(param, field, old);
}

void TOraDataSet::AfterInsertHook() {
  auto* query = dynamic_cast<TOraDataSet*>(UpdateQuery());
  if (!rowIdField_ || !query || !query->OCICommand()) return;
  const std::string rowId = query->OCICommand()->GetRowId();
  if (rowId.empty()) return;
  const bool readOnly = rowIdField_->ReadOnly();
  rowIdField_->SetReadOnly(false);
  try {
    rowIdField_->SetAsString(rowId);
  } catch (...) {
    rowIdField_->SetReadOnly(readOnly);
    throw;
  }
  rowIdField_->SetReadOnly(readOnly);
}

std::string TOraDataSet::AddWhere(const std::string& sql, const std::string& condition) {
  return ora::AddWhere(sql, condition);
}
std::string TOraDataSet::DeleteWhere(const std::string& sql) { return ora::DeleteWhere(sql); }
std::string TOraDataSet::SetOrderBy(const std::string& sql, const std::string& fields) {
  return ora::SetOrderBy(sql, fields);
}
std::string TOraDataSet::GetOrderBy(const std::string& sql) { return ora::GetOrderBy(sql); }

std::string TOraDataSet::GetTableName() {
  const std::vector<TTableInfo> tables = GetTablesInfo(GetFinalSQL());
  return tables.empty() ? std::string() : da::AsciiUpper(tables.front().Name);
}

da::TFieldClass TOraDataSet::GetFieldClass(da::TFieldType type) const {
  if (da::TFieldClass cls = OraFieldClass(type)) return cls;
  return da::TCustomDADataSet::GetFieldClass(type);
}

std::unique_ptr<da::TStream> TOraDataSet::CreateBlobStream(da::TField& field, da::TBlobStreamMode mode) {
  if (field.DataType() == ftBFile && field.FieldNo() > 0)
    return std::make_unique<TBFileStream>(field, mode, dynamic_cast<TOraFile*>(RecordObject(field)));
  return da::TCustomDADataSet::CreateBlobStream(field, mode);
}

std::string TOraDataSet::LockSavepoint() const {
  std::string name = Name;
  if (name.size() > 25) name = name.substr(name.size() - 25);
  return "LOCK_" + name;
}

void TOraDataSet::LockRecord() {
  if (Eof() && IsEmpty()) return;
  if (auto* session = dynamic_cast<TOraSession*>(UsedConnection())) session->Savepoint(LockSavepoint());
  PerformSQL(GetLockSQL(), StatementBit(da::stLock));
}

void TOraDataSet::AssignTo(TOraDataSet& dest) {
  dest.SetConnection(Connection());
  dest.SetSQL(SQL());
  dest.Params().Assign(Params());
  dest.SetNonBlocking(NonBlocking);
  dest.LockMode = LockMode;
  dest.CheckOnLock = CheckOnLock;
  dest.SetKeyFields(KeyFields());
  Options().AssignTo(dest.Options());
}

}  // namespace ora
