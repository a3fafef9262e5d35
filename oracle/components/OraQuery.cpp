#include "oracle/components/OraQuery.h"

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

namespace {
bool StartsWithWord(const std::string& text, const char* word) {
  const std::string upper = da::AsciiUpper(text.substr(0, std::char_traits<char>::length(word)));
  return upper == word;
}
}  // namespace

void TCustomOraQuery::SetText(std::string& field, const std::string& text) {
  if (field == text) return;
  field = text;
  ScanMacros();
}

void TCustomOraQuery::ScanMacros() {
  Macros().Scan(SQL() + "\n" + sqlInsert_ + "\n" + sqlUpdate_ + "\n" + sqlDelete_ + "\n" + sqlLock_ + "\n" +
                sqlRefresh_);
}

std::string TCustomOraQuery::Expand(const std::string& text) {
  std::string result = text;
  if (Macros().Count() > 0) Macros().Expand(result);
  return result;
}

std::string TCustomOraQuery::GetInsertSQL() {
  return Expand(UpdateObject() ? UpdateObject()->InsertSQL : sqlInsert_);
}
std::string TCustomOraQuery::GetUpdateSQL() {
  return Expand(UpdateObject() ? UpdateObject()->ModifySQL : sqlUpdate_);
}
std::string TCustomOraQuery::GetDeleteSQL() {
  return Expand(UpdateObject() ? UpdateObject()->DeleteSQL : sqlDelete_);
}

std::string TCustomOraQuery::GetRefreshSQL() {
  if (UpdateObject()) return Expand(UpdateObject()->RefreshSQL);
  const std::string text = da::TrimText(sqlRefresh_);
  if (!StartsWithWord(text, "WHERE")) return Expand(text);
  std::string base = BaseSQL().empty() ? SQL() : BaseSQL();
  return ora::AddWhere(Expand(base), da::TrimText(text.substr(5)));
}

std::string TCustomOraQuery::GetLockSQL() {
  const std::string text = da::TrimText(sqlLock_);
  if (StartsWithWord(text, "FOR")) return GetRefreshSQL() + "\r" + Expand(text);
  return Expand(text);
}

TOraDataSetOptions1 TCustomOraQuery::GetOptions() {
  TOraDataSetOptions& o = OptionsDS();
  TOraDataSetOptions1 bits = 0;
  auto set = [&bits](bool on, TOraDataSetOption option) {
    if (on) bits |= static_cast<TOraDataSetOptions1>(1u << option);
  };
  set(o.RequiredFields(), doRequiredFields);
  set(o.StrictUpdate, doStrictUpdate);
  set(o.LongStrings(), doLongStrings);
  set(o.NumberRange(), doNumberRange);
  set(o.KeepPrepared, doKeepPrepared);
  set(o.AutoClose(), doAutoClose);
  set(o.QueryRecCount, doQueryRecCount);
  return bits;
}

void TCustomOraQuery::SetOptions(TOraDataSetOptions1 value) {
  TOraDataSetOptions& o = OptionsDS();
  auto has = [value](TOraDataSetOption option) { return (value & (1u << option)) != 0; };
  o.SetRequiredFields(has(doRequiredFields));
  o.StrictUpdate = has(doStrictUpdate);
  o.SetLongStrings(has(doLongStrings));
  o.SetNumberRange(has(doNumberRange));
  o.KeepPrepared = has(doKeepPrepared);
  o.SetAutoClose(has(doAutoClose));
  o.QueryRecCount = has(doQueryRecCount);
}

TRefreshMode TCustomOraQuery::RefreshMode() const {
  const bool insert = RefreshOptions() & da::RefreshBit(da::roAfterInsert);
  const bool update = RefreshOptions() & da::RefreshBit(da::roAfterUpdate);
  if (insert && update) return rmAlways;
  if (insert) return rmAfterInsert;
  if (update) return rmAfterUpdate;
  return rmNone;
}

void TCustomOraQuery::SetRefreshMode(TRefreshMode value) {
  da::TRefreshOptions options =
      RefreshOptions() & static_cast<da::TRefreshOptions>(~(da::RefreshBit(da::roAfterInsert) | da::RefreshBit(da::roAfterUpdate)));
  if (value == rmAfterInsert || value == rmAlways) options |= da::RefreshBit(da::roAfterInsert);
  if (value == rmAfterUpdate || value == rmAlways) options |= da::RefreshBit(da::roAfterUpdate);
  SetRefreshOptions(options);
}

bool TCustomOraQuery::CanWrite(const std::string& text) const {
  return !da::TrimText(text).empty() || LocalUpdate || UpdateObject() || LocalUpdateTest() ||
         (CachedUpdates() && OnUpdateRecord);
}

void TCustomOraQuery::DoBeforeInsert() {
  TOraDataSet::DoBeforeInsert();
  if (!CanWrite(sqlInsert_)) throw da::EAbort();
}

void TCustomOraQuery::DoBeforeEdit() {
  TOraDataSet::DoBeforeEdit();
  if (CachedUpdates() && !sqlInsert_.empty() && const_cast<TCustomOraQuery*>(this)->UpdateStatus() == da::isAppended) return;
  if (!CanWrite(sqlUpdate_)) throw da::EAbort();
}

void TCustomOraQuery::DoBeforeDelete() {
  TOraDataSet::DoBeforeDelete();
  if (CachedUpdates() && !sqlInsert_.empty() && const_cast<TCustomOraQuery*>(this)->UpdateStatus() == da::isAppended) return;
  if (!CanWrite(sqlDelete_)) throw da::EAbort();
}

bool TCustomOraQuery::CanModify() const {
  if (const_cast<TCustomOraQuery*>(this)->OptionsDS().ScrollableCursor()) return false;
  if (TOraDataSet::CanModify()) return true;
  return !ReadOnly && (!sqlInsert_.empty() || !sqlUpdate_.empty() || !sqlDelete_.empty());
}

bool TCustomOraQuery::RollbackToLock() {
  auto* session = dynamic_cast<TOraSession*>(UsedConnection());
  if (!session || !session->Connected()) return false;
  try {
    session->RollbackToSavepoint(LockSavepoint());
  } catch (const da::EDAError&) {
    return false;  // the error being reported is the one that matters
  }
  return true;
}

void TCustomOraQuery::Lock() {
  if (CachedUpdates() || LockMode != lmLockImmediate) {
    if (RefreshOptions() & da::RefreshBit(da::roBeforeEdit)) PerformRefresh();
    return;
  }
  const bool forUpdate = StartsWithWord(da::TrimText(sqlLock_), "FOR");
  da::TStatementTypes types = 0;
  if (forUpdate) types |= StatementBit(da::stLock);
  if (CheckOnLock) types |= StatementBit(da::stCheck);
  if (RefreshOptions() & da::RefreshBit(da::roBeforeEdit)) types |= StatementBit(da::stRefresh);
  if (!forUpdate && !CheckOnLock) {
    LockRecord();
    if (types) PerformSQL(GetRefreshSQL(), types);
    return;
  }
  if (types & StatementBit(da::stLock)) {
    if (auto* session = dynamic_cast<TOraSession*>(UsedConnection())) session->Savepoint(LockSavepoint());
  }
  PerformSQL(forUpdate ? GetLockSQL() : GetRefreshSQL(), types);
}

void TCustomOraQuery::InternalCancel() {
  const bool wasEditing = State() == da::dsEdit;
  TOraDataSet::InternalCancel();
  if (LockMode == lmLockImmediate && wasEditing && !CachedUpdates()) RollbackToLock();
}

bool TCustomOraQuery::PerformDelete() {
  if (LockMode != lmNone && !CachedUpdates()) LockRecord();
  try {
    return TOraDataSet::PerformDelete();
  } catch (...) {
    if (LockMode != lmNone) RollbackToLock();
    throw;
  }
}

bool TCustomOraQuery::PerformUpdate() {
  if (LockMode == lmLockDelayed && !CachedUpdates()) {
    if (CheckOnLock) {
      if (auto* session = dynamic_cast<TOraSession*>(UsedConnection())) session->Savepoint(LockSavepoint());
      PerformSQL(GetLockSQL(), StatementBit(da::stLock) | StatementBit(da::stCheck));
    } else {
      LockRecord();
    }
  }
  bool result;
  try {
    result = TOraDataSet::PerformUpdate();
  } catch (...) {
    if (LockMode != lmNone) RollbackToLock();
    throw;
  }
  if (!result && LockMode != lmNone) RollbackToLock();
  return result;
}

void TCustomOraQuery::AssignTo(TCustomOraQuery& dest) {
  TOraDataSet::AssignTo(dest);
  dest.sqlInsert_ = sqlInsert_;
  dest.sqlUpdate_ = sqlUpdate_;
  dest.sqlDelete_ = sqlDelete_;
  dest.sqlLock_ = sqlLock_;
  dest.sqlRefresh_ = sqlRefresh_;
  dest.ScanMacros();
}

}  // namespace ora
