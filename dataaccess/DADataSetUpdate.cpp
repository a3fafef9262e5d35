// Update statement execution of TCustomDADataSet: the statements that write a posted, deleted or
// refreshed record run through the update query, their parameters bound to the record's fields.
#include <cctype>

#include "dataaccess/Blob.h"
#include "dataaccess/DAConnection.h"
#include "dataaccess/DADataSet.h"
#include "dataaccess/DASQLGenerator.h"
#include "dataaccess/DAUpdateSQL.h"
#include "dataaccess/FilterExpression.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

bool IsWholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool HasPrefixOld(const std::string& name) { return name.size() > 4 && AsciiUpper(name.substr(0, 4)) == "OLD_"; }

// Fields whose value a returned parameter may not overwrite.
bool KeepsOwnValue(TFieldType type) {
  switch (type) {
    case ftBlob: case ftMemo: case ftCursor: case ftADT: case ftArray: case ftReference: case ftDataSet:
    case ftOraBlob: case ftOraClob:
      return true;
    default: return false;
  }
}

constexpr TStatementTypes kChanges = StatementBit(stInsert) | StatementBit(stUpdate) | StatementBit(stDelete);

}  // namespace

std::string TCustomDADataSet::GetInsertSQL() {
  if (updateObject_) return updateObject_->InsertSQL;
  return UpdatingTable.empty() ? std::string() : TDASQLGenerator(*this).InsertSQL();
}

std::string TCustomDADataSet::GetDeleteSQL() {
  if (updateObject_) return updateObject_->DeleteSQL;
  return UpdatingTable.empty() ? std::string() : TDASQLGenerator(*this).DeleteSQL();
}

std::string TCustomDADataSet::GetUpdateSQL() {
  if (updateObject_) return updateObject_->ModifySQL;
  return UpdatingTable.empty() ? std::string() : TDASQLGenerator(*this).UpdateSQL();
}

std::string TCustomDADataSet::GetRefreshSQL() {
  if (updateObject_) return updateObject_->RefreshSQL;
  return UpdatingTable.empty() ? std::string() : TDASQLGenerator(*this).RefreshSQL();
}

bool TCustomDADataSet::PerformAppend() {
  if (!PerformSQL(GetInsertSQL(), StatementBit(stInsert))) return false;
  AfterInsertHook();
  if (refreshOptions_ & RefreshBit(roAfterInsert)) PerformRefresh();
  return true;
}

bool TCustomDADataSet::PerformUpdate() {
  if (!PerformSQL(GetUpdateSQL(), StatementBit(stUpdate))) return false;
  if (refreshOptions_ & RefreshBit(roAfterUpdate)) PerformRefresh();
  return true;
}

bool TCustomDADataSet::PerformDelete() { return PerformSQL(GetDeleteSQL(), StatementBit(stDelete)); }

bool TCustomDADataSet::PerformRefresh() { return PerformSQL(GetRefreshSQL(), StatementBit(stRefresh)); }

void TCustomDADataSet::DoApplyRecord(TUpdateKind kind, TUpdateAction& action) {
  applyingRecord_ = true;
  try {
    TMemDataSet::DoApplyRecord(kind, action);
  } catch (...) {
    applyingRecord_ = false;
    throw;
  }
  applyingRecord_ = false;
}

void TCustomDADataSet::CheckUpdateQuery() {
  TCustomDAConnection* connection = UsedConnection();
  if (!connection) throw EDatabaseError("Connection is not defined.");
  if (!updateQuery_) {
    updateQuery_ = connection->CreateDataSet();
    updateQuery_->NoMonitor = true;
  } else {
    updateQuery_->SetConnection(connection);
  }
  updateQuery_->Close();
  updateQuery_->Options().SetTrimFixedChar(Options().TrimFixedChar());
  updateQuery_->Options().SetFlatBuffers(true);
}

void TCustomDADataSet::DoBeforeUpdateExecute(TStatementTypes types) {
  if (BeforeUpdateExecute) BeforeUpdateExecute(*this, types, updateQuery_->Params());
}

void TCustomDADataSet::ExecuteUpdateQuery(TStatementTypes types) {
  (void)types;
  updateQuery_->InternalExecute();
}

void TCustomDADataSet::DoAfterUpdateExecute(TStatementTypes types) {
  if (AfterUpdateExecute) AfterUpdateExecute(*this, types, updateQuery_->Params());
}

Variant TCustomDADataSet::OldFieldValue(TField& field) {
  if (State() == dsInsert) return field.AsVariant();
  const TDataSetState old = SetTempState(dsOldValue);
  Variant value;
  try {
    value = field.AsVariant();
  } catch (...) {
    RestoreState(old);
    throw;
  }
  RestoreState(old);
  return value;
}

void TCustomDADataSet::AssignFieldValue(TParam& param, TField& field, bool old) {
  param.SetDataType(field.DataType());
  const Variant value = old ? OldFieldValue(field) : field.AsVariant();
  if (value.IsEmptyOrNull()) {
    param.Clear();
  } else {
    param.SetValue(value);
  }
}

const TFieldDesc* TCustomDADataSet::ObjectDescWithoutField(const std::string& name) {
  TData& data = Data();
  const TFieldDesc* desc = nullptr;
  if (IsWholeNumber(name)) {
    const int no = std::stoi(name);
    if (no >= 1 && no <= data.GetFieldCount()) desc = &data.FieldAt(no);
  }
  if (!desc) desc = data.FindField(name);
  return desc && (desc->DataType == dtObject || desc->DataType == dtArray) ? desc : nullptr;
}

bool TCustomDADataSet::PerformSQL(const std::string& sql, TStatementTypes types) {
  const std::string text = TrimText(sql);
  if (text.empty()) return false;
  CheckUpdateQuery();
  TCustomDADataSet& query = *updateQuery_;
  // The same statement as last time keeps its prepared form and parameters.
  if (TrimText(query.SQL()) != text) query.SetSQL(sql);
  query.SetAutoCommit((types & kChanges) != 0 && autoCommit_);
  TParams& params = query.Params();
  for (int i = 0; i < params.Count(); ++i) {
    TParam& p = params.Items(i);
    const bool old = HasPrefixOld(p.Name);
    const std::string name = old ? p.Name.substr(4) : p.Name;
    TField* field = nullptr;
    if (IsWholeNumber(name)) {
      const int no = std::stoi(name);
      for (int f = 0; f < FieldCount() && !field; ++f)
        if (Fields(f).FieldNo() == no && !Fields(f).Calculated()) field = &Fields(f);
    }
    if (!field) field = FindField(name);
    const TFieldDesc* desc = field ? nullptr : ObjectDescWithoutField(name);
    if (field) {
      AssignFieldValue(p, *field, old && State() != dsInsert);
    } else if (desc) {
      // An object or array the dataset shows no field for is still the record's: a field made
      // for the moment carries its value.
      TFieldDef def;
      def.Name = desc->Name;
      def.DataType = GetFieldType(desc->DataType);
      def.SourceType = desc->DataType;
      def.FieldNo = desc->FieldNo;
      std::unique_ptr<TField> carrier = GetFieldClass(def.DataType)(*this, def);
      AssignFieldValue(p, *carrier, false);
    } else if (TParam* own = (types & StatementBit(stRefresh)) ? Params().FindParam(p.Name) : nullptr) {
      p.SetDataType(own->DataType());
      if (own->IsNull()) {
        p.Clear();
      } else {
        p.SetValue(own->Value());
      }
    } else if (!BeforeUpdateExecuteAssigned()) {
      throw EDatabaseError("Not found field corresponding parameter " + p.Name + ".");
    }
    p.ParamType = ptInput;
  }
  if (BeforeUpdateExecuteAssigned()) {
    DoBeforeUpdateExecute(types);
    for (int i = 0; i < params.Count(); ++i)
      if (params.Items(i).DataType() == ftUnknown)
        throw EDatabaseError("Unknown type of parameter " + params.Items(i).Name + ".");
  }
  ReportExecute(ShouldReport(), query.GetFinalSQL(), &params, StatementTypesText(types),
                [this, types] { ExecuteUpdateQuery(types); });
  if ((types & (StatementBit(stRefresh) | StatementBit(stCheck))) && query.Active()) {
    rowsAffected_ = query.RecordCount();
    if (Options().StrictUpdate && rowsAffected_ != 1)
      throw EDatabaseError("Refresh failed. Found " + std::to_string(rowsAffected_) + " records.");
    CopyRefreshedRow(types);
  } else {
    rowsAffected_ = query.RowsAffected();
    if (Options().StrictUpdate && rowsAffected_ != 1)
      throw EDatabaseError("Update failed. Found " + std::to_string(rowsAffected_) + " records.");
    if (GetReturnParams() || (types & StatementBit(stRefresh))) ReturnParams(types);
  }
  DoAfterUpdateExecute(types);
  query.Close();
  return true;
}

void* TCustomDADataSet::RefreshTarget() { return const_cast<void*>(ActiveRecord()); }

void TCustomDADataSet::CopyRefreshedRow(TStatementTypes types) {
  TCustomDADataSet& query = *updateQuery_;
  void* target = RefreshTarget();
  if (!target || query.IsEmpty()) return;
  const bool refresh = (types & StatementBit(stRefresh)) != 0;
  const bool editing = State() == dsEdit || State() == dsInsert;
  for (int i = 0; i < query.FieldCount(); ++i) {
    TField& column = query.Fields(i);
    const TFieldDesc* desc = Data().FindField(column.FieldName());
    if (!desc || column.FieldNo() <= 0) continue;
    const int no = desc->FieldNo;
    if (!desc->HasParent() && Data().IsBlobFieldType(desc->DataType)) {
      if (!refresh) continue;
      // The blob takes the returned contents; while editing it keeps its rollback copy.
      const std::string bytes = column.AsString();
      Data().TruncateBlob(no, target, 0);
      if (!bytes.empty()) Data().WriteBlob(no, target, 0, static_cast<std::uint32_t>(bytes.size()), bytes.data());
      if (!editing)
        if (TBlob* blob = Data().GetBlob(no, target)) blob->Commit();
      if (!column.IsNull()) Data().SetNull(no, target, false);
      continue;
    }
    TField* field = nullptr;
    for (int f = 0; f < FieldCount() && !field; ++f)
      if (Fields(f).FieldNo() == no) field = &Fields(f);
    if (!field) continue;
    const Variant value = column.AsVariant();
    if (types & StatementBit(stCheck)) {
      const bool useOld = editing || State() == dsSetKey;
      const Variant mine = useOld ? OldFieldValue(*field) : field->AsVariant();
      const bool same = value.IsEmptyOrNull() ? mine.IsEmptyOrNull()
                                              : !mine.IsEmptyOrNull() && VarEquals(value, mine);
      if (!same) throw EDatabaseError("Record was changed by another user.");
    }
    if (refresh) Data().PutFieldValue(no, target, value);
  }
}

void TCustomDADataSet::ReturnParams(TStatementTypes types) {
  (void)types;
  TParams& params = updateQuery_->Params();
  void* target = RefreshTarget();
  if (!target) return;
  for (int i = 0; i < params.Count(); ++i) {
    const TParam& p = params.Items(i);
    if (HasPrefixOld(p.Name)) continue;
    TField* field = FindField(p.Name);
    if (!field || field->FieldNo() <= 0 || !CanReturnField(*field) || KeepsOwnValue(field->DataType())) continue;
    Data().PutFieldValue(field->FieldNo(), target, p.IsNull() ? Variant::Null() : p.Value());
  }
}

}  // namespace da
