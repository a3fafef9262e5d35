#include "dataaccess/DADataSet.h"

#include <typeinfo>

#include "dataaccess/Blob.h"
#include "dataaccess/DAConnection.h"
#include "dataaccess/DASQLText.h"
#include "dataaccess/DAUpdateSQL.h"
#include "dataaccess/FilterExpression.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

// Every occurrence of from (ignoring ASCII case) replaced by to.
std::string ReplaceAllNoCase(const std::string& text, const std::string& from, const std::string& to) {
  const std::string upper = AsciiUpper(text);
  std::string out;
  std::size_t pos = 0;
  for (std::size_t at = upper.find(from); at != std::string::npos; at = upper.find(from, pos)) {
    out.append(text, pos, at - pos);
    out += to;
    pos = at + from.size();
  }
  out.append(text, pos, std::string::npos);
  return out;
}

void CheckClosed(const TDataSet& dataSet) {
  if (dataSet.Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
}

}  // namespace

std::string StatementTypesText(TStatementTypes types) {
  static const char* const kNames[] = {"Query", "Insert", "Update", "Delete", "Lock", "Refresh", "Check", "Custom"};
  std::string text;
  for (int t = stQuery; t <= stCustom; ++t)
    if (types & StatementBit(static_cast<TStatementType>(t))) text += (text.empty() ? "" : ",") + std::string(kNames[t]);
  return text;
}

// ---------------------------------------------------------------------------------------------
// options

TDADataSetOptions::TDADataSetOptions(TCustomDADataSet* owner) : owner_(owner) {
  // The record set takes LongStrings and FlatBuffers when the dataset hands it its settings.
  if (owner_) owner_->LocalConstraints = requiredFields_;
  SetTrimFixedChar(trimFixedChar_);
}

void TDADataSetOptions::SetRequiredFields(bool value) {
  if (value == requiredFields_) return;
  requiredFields_ = value;
  if (!owner_) return;
  owner_->LocalConstraints = value;
  if (owner_->Active()) owner_->InitFieldDefs();
}

void TDADataSetOptions::SetNumberRange(bool value) {
  numberRange_ = value;
  if (owner_) owner_->NumberRange = value;
}

void TDADataSetOptions::SetTrimFixedChar(bool value) {
  trimFixedChar_ = value;
  if (owner_ && owner_->DataOrNull()) owner_->DataOrNull()->TrimFixedChar = value;
}

void TDADataSetOptions::SetLongStrings(bool value) {
  if (owner_) CheckClosed(*owner_);
  longStrings_ = value;
  if (owner_ && owner_->recordSet_) owner_->recordSet_->SetProp(prLongStrings, Variant(value));
}

void TDADataSetOptions::SetFlatBuffers(bool value) {
  if (owner_) CheckClosed(*owner_);
  flatBuffers_ = value;
  if (owner_ && owner_->recordSet_) owner_->recordSet_->SetProp(prFlatBuffers, Variant(value));
}

void TDADataSetOptions::AssignTo(TDADataSetOptions& dest) const {
  dest.SetRequiredFields(requiredFields_);
  dest.StrictUpdate = StrictUpdate;
  dest.SetNumberRange(numberRange_);
  dest.QueryRecCount = QueryRecCount;
  dest.ReturnParams = ReturnParams;
  dest.SetTrimFixedChar(trimFixedChar_);
  dest.SetLongStrings(longStrings_);
  dest.SetFlatBuffers(flatBuffers_);
}

// ---------------------------------------------------------------------------------------------
// detail link

TDataSet* TDADetailDataLink::DetailDataSet() const { return &detail_; }

void TDADetailDataLink::ActiveChanged() {
  if (detail_.Active() && !detail_.destroying_ && Active()) detail_.RefreshDetail();
}

void TDADetailDataLink::RecordChanged(TField* field) {
  if (!field && detail_.Active() && !detail_.destroying_ && Active()) detail_.RefreshDetail();
}

void TDADetailDataLink::CheckBrowseMode() {
  TDataSet* master = DataSet();
  const bool masterInserting = master && master->State() == dsInsert;
  const bool detailEditing = detail_.State() == dsEdit || detail_.State() == dsInsert;
  if (!(masterInserting && detailEditing) && detail_.Active()) detail_.CheckBrowseMode();
}

// ---------------------------------------------------------------------------------------------
// creation and connection

TCustomDADataSet::TCustomDADataSet() : detailLink_(*this) {}

TCustomDADataSet::~TCustomDADataSet() {
  destroying_ = true;
  try {
    Close();
    UnPrepare();
  } catch (...) {
    // A destructor cannot report; the record set goes with the base in any case.
  }
  if (registered_) registered_->UnRegisterClient(this);
  registered_ = nullptr;
  updateQuery_.reset();
  if (updateObject_) {
    updateObject_->dataSet_ = nullptr;
    updateObject_ = nullptr;
  }
  detailLink_.SetDataSource(nullptr);
}

TCustomDASQL& TCustomDADataSet::InternalSQL() {
  if (!sql_) {
    sql_ = CreateCommand();
    sql_->Macros().SetOwnerName(Name);
    if (recordSet_) sql_->SetICommand(recordSet_->GetCommand());
  }
  return *sql_;
}

TDADataSetOptions& TCustomDADataSet::Options() {
  if (!options_) options_ = CreateOptions();
  return *options_;
}

TSQLMonitorClass TCustomDADataSet::MonitorClass() const {
  const TCustomDAConnection* connection = UsedConnection();
  return connection ? connection->SQLMonitorClass() : nullptr;
}

bool TCustomDADataSet::ShouldReport() const {
  if (NoMonitor) return false;
  const TCustomDAConnection* connection = UsedConnection();
  return Debug || (connection && connection->MonitorActive());
}

void TCustomDADataSet::CreateIRecordSet() {
  TCustomDAConnection* connection = UsedConnection();
  TVtConnection* server = connection ? connection->IConnection() : nullptr;
  if (server) {
    SetIRecordSet(std::unique_ptr<TMemData>(server->CreateRecordSet().release()));
  } else {
    // Without a server there are no rows to fetch: an empty store of its own stands in until a
    // connection brings its record set.
    SetIRecordSet(std::make_unique<TMemData>());
  }
}

void TCustomDADataSet::SetIRecordSet(std::unique_ptr<TMemData> data) {
  TMemDataSet::SetIRecordSet(std::move(data));
  recordSet_ = dynamic_cast<TVtRecordSet*>(DataOrNull());
  TVtCommand* command = nullptr;
  if (DataOrNull()) DataOrNull()->TrimFixedChar = Options().TrimFixedChar();
  if (recordSet_) {
    command = recordSet_->GetCommand();
    recordSet_->SetProp(prUniDirectional, Variant(uniDirectional_));
    recordSet_->SetProp(prFetchRows, Variant(static_cast<std::int32_t>(fetchRows_)));
    recordSet_->SetProp(prFetchAll, Variant(fetchAll_));
    recordSet_->SetProp(prLongStrings, Variant(Options().LongStrings()));
    recordSet_->SetProp(prFlatBuffers, Variant(Options().FlatBuffers()));
    recordSet_->SetEventProp(prRsAfterExecute, TEventMethod([this](bool result) { DoRecordSetAfterExecute(result); }));
    recordSet_->SetEventProp(prAfterFetch, TEventMethod([this](bool) {
                               if (NonBlocking) StopWait();
                             }));
    recordSet_->SetEventProp(prBeforeFetch, TEventMethod([this](bool fetchStart, bool&) {
                               if (fetchStart && !NonBlocking) StartWait();
                             }));
  }
  InternalSQL().SetICommand(command);
  if (command) {
    command->SetProp(prAutoCommit, Variant(autoCommit_));
    command->SetEventProp(prAfterExecute, TEventMethod([this](bool result) { DoCommandAfterExecute(result); }));
  }
  updateQuery_.reset();
}

void TCustomDADataSet::CheckIRecordSet() {
  TCustomDAConnection* connection = UsedConnection();
  TVtConnection* server = connection ? connection->IConnection() : nullptr;
  if (!server) return;
  std::unique_ptr<TVtRecordSet> probe = server->CreateRecordSet();
  const TVtRecordSet& made = *probe;
  if (!recordSet_ || typeid(made) != typeid(*recordSet_)) {
    if (DataOrNull()) {
      Close();
      TMemDataSet::UnPrepare();
    }
    SetIRecordSet(std::unique_ptr<TMemData>(probe.release()));
  }
  recordSet_->SetConnection(server);
}

void TCustomDADataSet::RegisterWith(TCustomDAConnection* connection) {
  registered_ = connection;
  connection->RegisterClient(this, [this](bool connected) {
    if (!connected) Disconnect();
  });
}

void TCustomDADataSet::SetConnection(TCustomDAConnection* connection) {
  if (connection == connection_ && connection == UsedConnection() && (!connection || registered_ == connection))
    return;
  if (registered_) {
    Disconnect();
    registered_->UnRegisterClient(this);
    registered_ = nullptr;
  }
  connection_ = connection;
  if (!connection_) {
    if (recordSet_) recordSet_->SetConnection(nullptr);
  } else {
    RegisterWith(connection_);
    CheckIRecordSet();
  }
  DataEvent(dePropertyChange);
}

void TCustomDADataSet::CheckConnection() {
  TCustomDAConnection* connection = UsedConnection();
  if (!connection) throw EDatabaseError("Connection is not defined.");
  if (!connection->Connected()) connection->Connect();
  if (!connection_ && registered_ != connection) {
    RegisterWith(connection);
    CheckIRecordSet();
  } else if (!recordSet_) {
    CheckIRecordSet();
  }
  if (!recordSet_) throw EDatabaseError("Connection is not defined.");
}

void TCustomDADataSet::Disconnect() {
  Close();
  UnPrepare();
}

// ---------------------------------------------------------------------------------------------
// text

void TCustomDADataSet::ScanMacros() { Macros().Scan(SQL()); }

std::string TCustomDADataSet::GetFinalSQL() {
  std::string text = replacementSQL_.empty() ? SQL() : replacementSQL_;
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  if (Macros().Count() > 0) Macros().Expand(text);
  if (!filterSQL_.empty()) text = AddWhere(text, filterSQL_);
  if (MasterSource()) {
    const std::vector<std::string> masters = SplitNames(masterFields_), details = SplitNames(detailFields_);
    if (!masters.empty() && !details.empty()) {
      std::string condition;
      for (std::size_t i = 0; i < masters.size() && i < details.size(); ++i)
        condition += (condition.empty() ? "" : " and ") + QuoteName(details[i]) + " = :" + QuoteName(masters[i]);
      text = AddWhere(text, condition);
    }
  }
  return text;
}

std::string TCustomDADataSet::AddWhere(const std::string& sql, const std::string& condition) {
  return AddWhereCondition(sql, condition);
}

std::string TCustomDADataSet::QuoteName(const std::string& name) const {
  if (options_ && options_->QuoteNames) return "\"" + name + "\"";
  return name;
}

void TCustomDADataSet::Reparse(bool reopen) {
  const bool wasActive = Active();
  Close();
  UnPrepare();
  InternalSQL().ParseParams();
  if (wasActive && reopen) Open();
}

void TCustomDADataSet::SetBaseSQL(const std::string& text) {
  if (text == replacementSQL_) return;
  replacementSQL_ = text;
  Reparse(false);
}

void TCustomDADataSet::SetFilterSQL(const std::string& value) {
  const std::string trimmed = TrimText(value);
  if (trimmed == filterSQL_) return;
  const std::string old = filterSQL_;
  const bool wasActive = Active();
  filterSQL_ = trimmed;
  Reparse(false);
  if (!wasActive) return;
  try {
    Open();
  } catch (...) {
    filterSQL_ = old;
    InternalSQL().ParseParams();
    throw;
  }
}

void TCustomDADataSet::SetFilter(std::string text) {
  text = ReplaceAllNoCase(text, "OR(", "OR (");
  text = ReplaceAllNoCase(text, "AND(", "AND (");
  text = ReplaceAllNoCase(text, " IS NOT ", " <> ");
  text = ReplaceAllNoCase(text, " IS ", " = ");
  TMemDataSet::SetFilter(std::move(text));
}

// ---------------------------------------------------------------------------------------------
// properties

void TCustomDADataSet::SetFetchRows(int value) {
  if (value == fetchRows_) return;
  CheckClosed(*this);
  if (value < 1 || value > 10000) throw EDatabaseError("FetchRows must be 1..10000.");
  fetchRows_ = value;
  if (recordSet_) recordSet_->SetProp(prFetchRows, Variant(static_cast<std::int32_t>(value)));
}

void TCustomDADataSet::SetFetchAll(bool value) {
  fetchAll_ = value;
  if (recordSet_) recordSet_->SetProp(prFetchAll, Variant(value));
  if (!value) return;
  uniDirectional_ = false;
  if (recordSet_) recordSet_->SetProp(prUniDirectional, Variant(false));
  if (Active()) {
    recordSet_->FetchAllRows();
    Resync();
  }
}

void TCustomDADataSet::SetUniDirectional(bool value) {
  if (value == uniDirectional_) return;
  CheckClosed(*this);
  uniDirectional_ = value;
  if (recordSet_) recordSet_->SetProp(prUniDirectional, Variant(value));
  if (!value) return;
  fetchAll_ = false;
  if (recordSet_) recordSet_->SetProp(prFetchAll, Variant(false));
}

void TCustomDADataSet::SetAutoCommit(bool value) {
  autoCommit_ = value;
  if (recordSet_) recordSet_->GetCommand()->SetProp(prAutoCommit, Variant(value));
}

void TCustomDADataSet::SetUpdateObject(TCustomDAUpdateSQL* value) {
  if (value == updateObject_) return;
  if (updateObject_ && updateObject_->dataSet_ == this) updateObject_->dataSet_ = nullptr;
  updateObject_ = value;
  if (!value) return;
  if (value->dataSet_ && value->dataSet_ != this) value->dataSet_->updateObject_ = nullptr;
  value->dataSet_ = this;
}

void TCustomDADataSet::SetKeyFields(const std::string& value) { keyFields_ = TrimText(value); }

int TCustomDADataSet::RecordCount() {
  if (Active() && !Fetched() && Options().QueryRecCount && recordCountQueried_ != 0) {
    TPropValue rows(0);
    recordSet_->GetCommand()->GetProp(prRowsProcessed, rows);
    return Data().GetRecordCount() + recordCountQueried_ - rows.AsInteger();
  }
  return TMemDataSet::RecordCount();
}

bool TCustomDADataSet::Fetched() {
  if (!recordSet_) return true;
  const int state = recordSet_->GetCommand()->GetCursorState();
  return state >= 9 || (Active() && state == 0);
}

const TFieldDesc& TCustomDADataSet::GetFieldDesc(std::string_view name) {
  TFieldDesc* desc = Data().FindField(name);
  if (!desc) throw Exception("Field " + std::string(name) + " not found.");
  return *desc;
}

TBlob* TCustomDADataSet::GetBlob(std::string_view name) {
  const TFieldDesc& desc = GetFieldDesc(name);
  if (!Data().IsBlobFieldType(desc.DataType)) throw EDatabaseError("Field is not BLOB.");
  const void* record = ActiveRecord();
  return record ? Data().GetBlob(desc.FieldNo, record) : nullptr;
}

std::unique_ptr<TStream> TCustomDADataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
  const TCustomDAConnection* connection = UsedConnection();
  if (mode != TBlobStreamMode::bmWrite && connection && connection->ConvertEOL() &&
      (field.DataType() == ftMemo || field.DataType() == ftOraClob) && field.FieldNo() > 0)
    if (const void* record = ActiveRecord())
      if (TBlob* blob = Data().GetBlob(field.FieldNo(), record)) blob->ExpandLineBreaks();
  return TMemDataSet::CreateBlobStream(field, mode);
}

// ---------------------------------------------------------------------------------------------
// master/detail

void TCustomDADataSet::SetMasterSource(TDataSource* source) {
  if (source && IsLinkedTo(source)) throw EDatabaseError("Circular datalinks are not allowed");
  detailLink_.SetDataSource(source);
  if (source && !SplitNames(masterFields_).empty() && !SplitNames(detailFields_).empty()) Reparse(true);
}

void TCustomDADataSet::SetMasterFields(const std::string& value) {
  if (value == masterFields_) return;
  masterFields_ = value;
  if (MasterSource() && !SplitNames(masterFields_).empty() && !SplitNames(detailFields_).empty()) Reparse(true);
}

void TCustomDADataSet::SetDetailFields(const std::string& value) {
  if (value == detailFields_) return;
  detailFields_ = value;
  if (MasterSource() && !SplitNames(masterFields_).empty() && !SplitNames(detailFields_).empty()) Reparse(true);
}

bool TCustomDADataSet::SetMasterParams() {
  TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  if (!master || !master->Active()) return false;
  bool changed = false;
  TParams& params = Params();
  for (int i = 0; i < params.Count(); ++i) {
    TParam& p = params.Items(i);
    TField* field = master->FindField(p.Name);
    if (!field) continue;
    const Variant value = field->AsVariant();
    const bool same = value.IsEmptyOrNull() ? p.IsNull() && p.Bound
                                            : !p.IsNull() && VarEquals(p.Value(), value);
    if (!same) {
      p.SetDataType(field->DataType());
      if (value.IsEmptyOrNull()) {
        p.Clear();
      } else {
        p.SetValue(value);
      }
      changed = true;
    }
    p.ParamType = ptInput;
  }
  return changed;
}

void TCustomDADataSet::RefreshDetail() {
  TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  DisableControls();
  try {
    if (master && master->Active() && master->State() != dsSetKey) DoBeforeScroll();
    if (SetMasterParams()) {
      ReportExecute(ShouldReport(), GetFinalSQL(), &Params(), "Refresh", [this] {
        StartWait();
        WriteParams();
        DoBeforeRefresh();
        CheckBrowseMode();
        TMemDataSet::InternalRefresh();
        MoveToFirst();
        DoAfterRefresh();
      });
      rowsAffected_ = -1;
    }
    DoAfterScroll();
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TCustomDADataSet::DoOnNewRecord() {
  TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  if (master && master->Active()) {
    const std::vector<std::string> masters = SplitNames(masterFields_), details = SplitNames(detailFields_);
    for (std::size_t i = 0; i < masters.size() && i < details.size(); ++i) {
      TField* from = master->FindField(masters[i]);
      TField* to = FindField(details[i]);
      if (from && to) to->SetAsVariant(from->AsVariant());
    }
  }
  TMemDataSet::DoOnNewRecord();
}

// ---------------------------------------------------------------------------------------------
// running

void TCustomDADataSet::Prepare() {
  if (Prepared() || Active()) return;
  CheckConnection();
  SetMasterParams();
  const bool report = ShouldReport();
  int id = 0;
  const std::string text = GetFinalSQL();
  if (report) TCustomDASQLMonitor::SQLPrepare(MonitorClass(), *this, text, &Params(), id, false);
  StartWait();
  WriteParams();
  TMemDataSet::Prepare();
  if (report) TCustomDASQLMonitor::SQLPrepare(MonitorClass(), *this, text, &Params(), id, true);
}

void TCustomDADataSet::UnPrepare() {
  TMemDataSet::UnPrepare();
  if (recordSet_) {
    // A statement run without opening (ExecSQL) was prepared by the command alone.
    if (TVtCommand* command = recordSet_->GetCommand(); command->GetPrepared()) command->Unprepare();
    // Whether the next text returns rows is not known until it is prepared or run.
    recordSet_->CommandType = 0;
  }
  if (updateQuery_) updateQuery_->UnPrepare();
}

void TCustomDADataSet::OpenCursor() {
  CheckConnection();
  SetMasterParams();
  recordCountQueried_ = Options().QueryRecCount ? GetRecCount() : 0;
  ReportExecute(ShouldReport() && recordSet_->CommandType == 0, GetFinalSQL(), &Params(), std::string(), [this] {
    if (!NonBlocking) StartWait();
    WriteParams();
    commandReported_ = false;
    TMemDataSet::OpenCursor();
  });
  rowsAffected_ = -1;
}

void TCustomDADataSet::CloseCursor() {
  try {
    TMemDataSet::CloseCursor();
  } catch (const EDAError& e) {
    // A lost connection must not keep the dataset open.
    const TCustomDAConnection* connection = UsedConnection();
    if (!connection || !connection->IsFatalError(e)) throw;
  }
  if (updateQuery_) updateQuery_->UnPrepare();
}

void TCustomDADataSet::InternalRefresh() {
  if (Options().QueryRecCount) recordCountQueried_ = GetRecCount();
  ReportExecute(ShouldReport(), GetFinalSQL(), &Params(), "Refresh", [this] {
    StartWait();
    WriteParams();
    TMemDataSet::InternalRefresh();
  });
  rowsAffected_ = -1;
}

void TCustomDADataSet::InternalEdit() {
  Lock();
  TMemDataSet::InternalEdit();
}

void TCustomDADataSet::InternalExecute() {
  if (recordSet_) {
    TPropValue executing(false);
    recordSet_->GetCommand()->GetProp(prExecuting, executing);
    if (executing.AsBoolean()) return;
  }
  CheckConnection();
  if (Active()) Close();
  if (!NonBlocking) StartWait();
  if (RowsReturn()) {
    Open();
    return;
  }
  SetMasterParams();
  ReportExecute(ShouldReport(), GetFinalSQL(), &Params(), std::string(), [this] {
    WriteParams();
    commandReported_ = false;
    ExecuteCommand();
  });
  if (RowsReturn()) Open();
}

void TCustomDADataSet::DoCommandAfterExecute(bool result) {
  if (result) {
    InternalSQL().ReadParamValues();
    rowsAffected_ = InternalSQL().RowsAffected();
  }
  if (NonBlocking) StopWait();
  commandReported_ = true;
  if (AfterExecute) AfterExecute(*this, result);
}

void TCustomDADataSet::DoRecordSetAfterExecute(bool result) {
  if (result) InternalSQL().ReadParamValues();
  // A driver whose command reported the execution already is not reported twice.
  const bool reported = commandReported_;
  commandReported_ = false;
  if (!reported && AfterExecute) AfterExecute(*this, result);
}

}  // namespace da
