// The record set's life: preparing, describing, executing (also in the background), the record
// form (16-bit indicators, Oracle DATEs) and the complex values of its records.
#include "oracle/server/OraRecordSet.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordBuffer.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraConsts.h"
#include "oracle/server/OraCursor.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraDate.h"
#include "oracle/values/OraDateTime.h"
#include "oracle/values/OraLob.h"
#include "oracle/values/OraObject.h"
#include "oracle/server/OraWorker.h"
#include "oracle/values/OraValueObjects.h"

namespace ora {

namespace {

bool IsOraObjectType(da::TDataType t) { return da::IsObjectDataType(t); }

bool IsTimeStampType(da::TDataType t) { return IsTimeStampDataType(t); }
bool IsIntervalType(da::TDataType t) { return IsIntervalDataType(t); }

bool IsHandleType(da::TDataType t) { return t == dtCursor || IsDescriptorDataType(t); }

std::uint32_t AlignSlot(std::uint32_t n) { return (n + 7u) / 8u * 8u; }

}  // namespace

TOCIRecordSet::TOCIRecordSet() {
  FetchRows = 25;
  SetCommand(CreateCommand());
}

TOCIRecordSet::~TOCIRecordSet() {
  try {
    if (worker_) {
      StopThread(connection_, *worker_, true);
      worker_.reset();
    }
    Close();
  } catch (...) {
    // A destructor cannot report.
  }
}

std::unique_ptr<da::TVtCommand> TOCIRecordSet::CreateCommand() { return std::make_unique<TOCICommand>(); }

void TOCIRecordSet::SetCommand(std::unique_ptr<da::TVtCommand> command) {
  command_ = static_cast<TOCICommand*>(command.get());
  connection_ = command_ ? command_->GetOCIConnection() : nullptr;
  da::TVtRecordSet::SetCommand(std::move(command));
}

void TOCIRecordSet::SetConnection(da::TVtConnection* connection) {
  da::TVtRecordSet::SetConnection(connection);
  connection_ = static_cast<TOCIConnection*>(connection);
}

TOCICommand* TOCIRecordSet::GetOCICommand() {
  GetCommand();
  return command_;
}

bool TOCIRecordSet::SetProp(int id, const da::TPropValue& value) {
  switch (id) {
    case da::prFetchRows:
      FreeFetchBuffer();
      return da::TVtRecordSet::SetProp(id, value);
    case prAutoClose: AutoClose = value.AsBoolean(); return true;
    case prDeferredLobRead: DeferredLobRead = value.AsBoolean(); return true;
    default: return da::TVtRecordSet::SetProp(id, value);
  }
}

void TOCIRecordSet::ForgetDefines() {
  for (TColumn& col : columns_) col.define = nullptr;
  definedFor_ = nullptr;
}

void TOCIRecordSet::FreeFetchBuffer() {
  fetchBuffer_.clear();
  fetchBuffer_.shrink_to_fit();
  definedFor_ = nullptr;
}

bool TOCIRecordSet::CanFetchBack() {
  TOraCursor* cursor = GetOCICommand()->GetCursor();
  return cursor && cursor->Scrollable;
}

// ---------------------------------------------------------------------------------------------
// preparing and describing

void TOCIRecordSet::FindResultCursor() {
  TOCICommand* c = GetOCICommand();
  resultCursor_ = c->GetCursor();
  if (c->IsOwnCursor() && c->GetSQLFunctionCode() == fcPLSQL) {
    resultCursor_ = nullptr;
    for (int i = 0; i < c->GetParamCount(); ++i) {
      TOraParamDesc* p = c->GetOraParam(i);
      if (p->GetDataType() == dtCursor) {
        resultCursor_ = p->GetAsCursor();
        break;
      }
    }
  }
}

void TOCIRecordSet::FindCommandKind() {
  TOCICommand* c = GetOCICommand();
  const std::uint16_t code = c->GetSQLFunctionCode();
  if (code == 0) {
    CommandType = 0;
  } else if (code == fcSelect) {
    CommandType = 2;
  } else {
    CommandType = c->ReturnsRows() || (code == fcPLSQL && resultCursor_) ? 2 : 1;
  }
}

void TOCIRecordSet::InternalPrepare() {
  TOCICommand* c = GetOCICommand();
  if (c->IsOwnCursor()) c->Prepare();
  FindResultCursor();
  FindCommandKind();
}

void TOCIRecordSet::InternalUnPrepare() {
  TOCICommand* c = GetOCICommand();
  if (!c->IsOwnCursor()) {
    if (c->GetCursorState() != csInactive) c->Unprepare();
    c->SetCursor(nullptr);
    if (resultCursor_) resultCursor_->FreeCursor();
  }
  if (c->GetCursorState() != csInactive) c->Unprepare();
  CommandType = 0;
}

void TOCIRecordSet::InternalInitFields() {
  TOCICommand* c = GetOCICommand();
  const bool wasInactive = c->GetCursorState() == csInactive;
  const bool own = c->IsOwnCursor();
  if (own) {
    if (wasInactive) c->Prepare();
    FindResultCursor();
    const std::uint16_t code = c->GetSQLFunctionCode();
    const TCursorState state = static_cast<TCursorState>(c->GetCursorState());
    if (code == fcSelect && c->GetCallStyle() == OCI80 && state < csExecuted) {
      if (state < csBound) c->BindParams();
      c->Exec(OCI_DESCRIBE_ONLY);
    } else if (code == fcPLSQL && resultCursor_) {
      if (state < csBound) c->BindParams();
      if (c->GetCursorState() < csExecuted) c->InternalExecute();
      c->SetCursor(resultCursor_);
    }
  } else {
    FindResultCursor();
    c->CheckActive();
  }
  const std::uint16_t code = c->GetSQLFunctionCode();
  if (!own || code == fcSelect || (code == fcPLSQL && resultCursor_)) {
    TBusy busy(*connection_);
    for (int column = 1;; ++column) {
      auto desc = std::make_unique<da::TFieldDesc>();
      if (!c->DescribeField(column, *desc, FlatBuffers, LongStrings)) break;
      desc->ActualName = desc->Name;
      desc->FieldNo = static_cast<std::uint16_t>(Fields.Count() + 1);
      da::TFieldDesc& added = Fields.Add(std::move(desc));
      if (added.DataType == da::dtObject || added.DataType == da::dtArray) InitObjectFields(added.ObjectType(), &added);
    }
  }
  if (own && wasInactive && c->IsOwnCursor()) c->Unprepare();
}

void TOCIRecordSet::InitFields() {
  da::TVtRecordSet::InitFields();
  // The plan of the top-level columns: how each reaches its record, and its fetch-buffer slot.
  columns_.clear();
  fetchRowSize_ = 0;
  int column = 0;
  for (int i = 0; i < GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent()) continue;
    TColumn c;
    c.fieldNo = f.FieldNo;
    c.column = ++column;
    switch (f.DataType) {
      case da::dtExtString:
        c.kind = TColumnKind::HeapString;
        c.slotSize = f.Length + 1u;
        break;
      case da::dtExtVarBytes:
        c.kind = TColumnKind::HeapBytes;
        c.slotSize = f.Length + 2u;
        break;
      case da::dtBlob:
        c.kind = TColumnKind::Long;
        break;
      case da::dtMemo:
        if (f.SubDataType == da::dtString) {
          c.kind = TColumnKind::LongString;
          c.slotSize = f.Length + 1u;
        } else {
          c.kind = TColumnKind::Long;
        }
        break;
      default:
        if (IsOraObjectType(f.DataType)) {
          c.kind = TColumnKind::Object;
          c.slotSize = 2 * sizeof(void*);
        } else if (IsHandleType(f.DataType)) {
          c.kind = TColumnKind::Handle;
          c.slotSize = sizeof(void*);
        }
        break;
    }
    if (c.slotSize) {
      c.slot = fetchRowSize_;
      fetchRowSize_ += AlignSlot(c.slotSize);
    }
    columns_.push_back(c);
  }
  FreeFetchBuffer();
}

// ---------------------------------------------------------------------------------------------
// opening, executing, closing

void TOCIRecordSet::InternalOpen() {
  allFetched_ = false;
  countBefore_ = lastRow_ = 0;
  lastFetchBack_ = false;
  da::TVtRecordSet::InternalOpen();
}

void TOCIRecordSet::ExecuteCommand() {
  TOCICommand* c = GetOCICommand();
  const bool wasPrepared = c->GetPrepared();
  if (CommandType != 2) c->Prepare();
  da::TVtRecordSet::ExecuteCommand();
  FindResultCursor();
  FindCommandKind();
  if (CommandType != 2 && !wasPrepared && c->GetPrepared()) c->Unprepare();
}

void TOCIRecordSet::ExecCommand() {
  TOCICommand* c = GetOCICommand();
  c->Executing = true;
  if (c->NonBlocking) {
    if (!connection_ || !connection_->ThreadSafety) {
      c->Executing = false;
      RaiseError(SNeedThreadSafety);
    }
    if (!Prepared()) {
      InitFields();
      FindCommandKind();
    }
    fetchEvent_.Reset();
    if (deferExecThread_) {
      execThreadDue_ = true;
      return;
    }
    StartExecThread();
    return;
  }
  try {
    DoExecCommand();
  } catch (...) {
    fetchEvent_.Set();
    EndExecCommand(false);
    throw;
  }
  EndExecCommand(true);
}

void TOCIRecordSet::StartExecThread() {
  worker_ = RunThread(connection_, this, [this] { DoExecCommand(); },
                      [this](bool succeeded) { EndExecCommand(succeeded); });
}

void TOCIRecordSet::Open() {
  // Opening parses the filter after the execution has begun, and the worker's first fetch reads
  // it: a background execution starts once the store is open.
  deferExecThread_ = true;
  try {
    da::TVtRecordSet::Open();
  } catch (...) {
    deferExecThread_ = false;
    if (std::exchange(execThreadDue_, false)) {
      GetOCICommand()->Executing = false;
      fetchEvent_.Set();
    }
    throw;
  }
  deferExecThread_ = false;
  if (std::exchange(execThreadDue_, false)) StartExecThread();
}

void TOCIRecordSet::DoExecCommand() {
  TOCICommand* c = GetOCICommand();
  fetchEvent_.Pulse();
  const std::uint8_t kind = CommandType;
  const bool executed = c->GetCursorState() == csExecuted;
  if (c->IsOwnCursor() && !executed) {
    if (c->GetCursorState() == csInactive) InternalPrepare();
    c->BindParams();
    c->InternalExecute();
  }
  if (!RowsReturn()) RaiseError(SNotRows);
  if (kind != 2 || GetFieldCount() == 0) InitFields();
  rowByRow_ = false;
  if (CanFetchBack()) {
    CheckOCI90();
    rowByRow_ = true;
    BlockManager().DefaultItemCount = static_cast<std::uint16_t>(std::clamp(FetchRows, 2, 65535));
  } else if (c->GetCallStyle() == OCI73) {
    for (const TColumn& col : columns_)
      if (col.kind == TColumnKind::Long && FieldAt(col.fieldNo).Length == 0) rowByRow_ = true;
  }
  c->SetCursor(resultCursor_);
  ForgetDefines();
  if (!c->NonBlocking) {
    fetchEvent_.Set();
    return;
  }
  Fetch(false);
  SetCurrentItem(FirstItem());
  bof_ = FirstItem() == nullptr;
  fetchEvent_.Set();
}

void TOCIRecordSet::EndExecCommand(bool succeeded) {
  worker_.reset();
  TOCICommand* c = GetOCICommand();
  try {
    if (succeeded && FetchAll) FetchAllRows();
  } catch (...) {
    c->Executing = false;
    throw;
  }
  if (AfterExecute) AfterExecute(succeeded);
  c->Executing = false;
}

void TOCIRecordSet::InternalClose() {
  TOCICommand* c = GetOCICommand();
  if (worker_) {
    if (c->Executing) c->BreakExec();
    StopThread(connection_, *worker_, true);
    worker_.reset();
    c->Executing = false;
    fetchEvent_.Set();
  }
  if (!c->IsOwnCursor()) {
    if (c->GetCursorState() != csInactive) c->Unprepare();
    c->SetCursor(nullptr);
    if (resultCursor_) resultCursor_->FreeCursor();
  }
  if (c->GetCursorState() > csPrepared) c->SetCursorState(csPrepared);
  allFetched_ = false;
  FreeFetchBuffer();
  ForgetDefines();
  if (!Prepared()) InternalUnPrepare();
}

void TOCIRecordSet::FreeData() {
  reuseBlock_ = nullptr;
  definedFor_ = nullptr;
  da::TVtRecordSet::FreeData();
}

void TOCIRecordSet::Reopen() {
  TOCICommand* c = GetOCICommand();
  if (c->GetCursorState() == csInactive) {
    Close();
    Open();
  } else if (c->IsOwnCursor()) {
    FreeData();
    InitData();
    InternalOpen();
  } else {
    if (c->GetSQLFunctionCode() == 0) RaiseError(SCannotReopen);
    Close();
    Open();
  }
}

bool TOCIRecordSet::GetEOF() const {
  const da::TItemHeader* current = CurrentItem();
  if (current && current->Next) return da::TVtRecordSet::GetEOF();
  if (worker_) return true;
  fetchEvent_.Wait();
  return da::TVtRecordSet::GetEOF();
}

void TOCIRecordSet::UnPrepareAfterLastRow() {
  if (!Prepared()) {
    InternalUnPrepare();
    return;
  }
  // The rows stay: so do their fields.
  const bool autoInit = AutoInitFields;
  AutoInitFields = false;
  try {
    UnPrepare();
  } catch (...) {
    AutoInitFields = autoInit;
    throw;
  }
  AutoInitFields = autoInit;
}

// ---------------------------------------------------------------------------------------------
// the record form

std::uint8_t* TOCIRecordSet::Record(da::TItemHeader* item) const {
  return static_cast<std::uint8_t*>(da::TBlockManager::GetRecordPtr(item));
}

sb2* TOCIRecordSet::Indicator(void* record, int fieldNo) const {
  return reinterpret_cast<sb2*>(static_cast<std::uint8_t*>(record) + DataSize() + 2u * static_cast<unsigned>(fieldNo - 1));
}

std::uint16_t TOCIRecordSet::FieldSize(da::TDataType type, std::uint16_t length) const {
  if (type == da::dtDateTime) return kOraDateSize;
  if (IsHandleType(type)) return sizeof(void*);
  return da::TVtRecordSet::FieldSize(type, length);
}

bool TOCIRecordSet::GetNull(int fieldNo, const void* record) {
  if (FieldAt(fieldNo).HasParent()) return da::TVtRecordSet::GetNull(fieldNo, record);
  return da::ReadValue<sb2>(Indicator(const_cast<void*>(record), fieldNo)) == -1;
}

void TOCIRecordSet::SetNull(int fieldNo, void* record, bool value) {
  const da::TFieldDesc& field = FieldAt(fieldNo);
  if (field.HasParent()) {
    da::TVtRecordSet::SetNull(fieldNo, record, value);
    return;
  }
  da::WriteValue<sb2>(Indicator(record, fieldNo), value ? -1 : 0);
  if (value && IsBlobFieldType(field.DataType))
    if (da::TBlob* blob = GetBlob(fieldNo, record)) blob->Clear();
  // A timestamp or interval is bound and defined with its own indicator: it follows the record's.
  void* object = IsTimeStampType(field.DataType) || IsIntervalType(field.DataType)
                     ? da::ReadPointer(static_cast<std::uint8_t*>(record) + field.Offset)
                     : nullptr;
  if (!object) return;
  if (IsTimeStampType(field.DataType)) {
    static_cast<TOraTimeStamp*>(object)->SetIsNull(value);
  } else {
    static_cast<TOraInterval*>(object)->SetIsNull(value);
  }
}

void TOCIRecordSet::DateTimeToInternal(const void* source, void* dest, int format) const {
  const auto* date = static_cast<const std::uint8_t*>(source);
  if (format == da::dfTimeStampMSecs) {
    da::WriteValue(dest, OraDateToMSecs(date));
    return;
  }
  const double day = OraDateToDateTime(date);
  da::TVtRecordSet::DateTimeToInternal(&day, dest, format);
}

void TOCIRecordSet::InternalToDateTime(void* dest, const void* source, int format) const {
  auto* date = static_cast<std::uint8_t*>(dest);
  if (format == da::dfTimeStampMSecs) {
    MSecsToOraDate(da::ReadValue<double>(source), date);
    return;
  }
  double day;
  da::TVtRecordSet::InternalToDateTime(&day, source, format);
  DateTimeToOraDate(day, date);
}

void TOCIRecordSet::GetField(const da::TFieldDesc& field, const void* record, void* dest, std::size_t destSize) {
  if (field.DataType != dtFixedChar) {
    da::TVtRecordSet::GetField(field, record, dest, destSize);
    return;
  }
  const auto* p = static_cast<const char*>(record) + field.Offset;
  if (GetConvertEOL()) {
    da::ExpandLineBreaks(p, field.Size, static_cast<char*>(dest), destSize ? destSize : 2u * field.Size + 1u);
  } else {
    std::memcpy(dest, p, destSize ? std::min<std::size_t>(destSize, field.Size) : field.Size);
  }
}

da::Variant TOCIRecordSet::GetFieldAsVariant(int fieldNo, const void* record) {
  const da::TFieldDesc& field = FieldAt(fieldNo);
  if (!field.HasParent() && GetNull(fieldNo, record)) return da::Variant::Null();
  if (!field.HasParent() &&
      (field.DataType == dtOraClob || IsTimeStampType(field.DataType) || IsIntervalType(field.DataType))) {
    void* object = da::ReadPointer(static_cast<const std::uint8_t*>(record) + field.Offset);
    if (!object) return da::Variant::Null();
    if (field.DataType == dtOraClob) return da::Variant(static_cast<TOraLob*>(object)->GetAsString());
    return GetTimeValueVariant(field.DataType, static_cast<da::TSharedObject*>(object));
  }
  return da::TVtRecordSet::GetFieldAsVariant(fieldNo, record);
}

// A timestamp or interval column takes the variant into its value, and the record's NULL flag
// follows the value.
void TOCIRecordSet::PutFieldAsVariant(int fieldNo, void* record, const da::Variant& value) {
  const da::TFieldDesc& field = FieldAt(fieldNo);
  void* object = !field.HasParent() && (IsTimeStampType(field.DataType) || IsIntervalType(field.DataType))
                     ? da::ReadPointer(static_cast<std::uint8_t*>(record) + field.Offset)
                     : nullptr;
  if (!object) {
    da::TVtRecordSet::PutFieldAsVariant(fieldNo, record, value);
    return;
  }
  SetNull(fieldNo, record, SetTimeValueVariant(field.DataType, static_cast<da::TSharedObject*>(object), value));
}

// ---------------------------------------------------------------------------------------------
// complex values

bool TOCIRecordSet::IsBlobFieldType(da::TDataType type) const {
  return da::TVtRecordSet::IsBlobFieldType(type) || type == dtOraBlob || type == dtOraClob || type == dtBFile ||
         type == dtCFile;
}

bool TOCIRecordSet::IsComplexFieldType(da::TDataType type) const {
  return da::TVtRecordSet::IsComplexFieldType(type) || IsOraObjectType(type) || IsHandleType(type);
}

void TOCIRecordSet::CreateComplexFields(void* record, bool withBlobs) {
  da::TVtRecordSet::CreateComplexFields(record, withBlobs);
  for (int i = 0; i < GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent() || (!withBlobs && IsBlobFieldType(f.DataType))) continue;
    std::uint8_t* slot = static_cast<std::uint8_t*>(record) + f.Offset;
    if (f.DataType == dtCursor) {
      auto* cursor = new TOraCursor();
      cursor->SetCallStyle(GetOCICommand()->GetCallStyle());
      da::WritePointer(slot, cursor);
    } else if (IsOraObjectType(f.DataType)) {
      da::WritePointer(slot, NewOraObject(f.DataType, static_cast<TOraType*>(f.ObjectType())));
    } else if (IsDescriptorDataType(f.DataType)) {
      OCISvcCtx* svc = connection_ ? connection_->GetSvcCtx() : nullptr;
      da::TSharedObject* value = NewDescriptorValue(f.DataType, svc, GetOCICommand()->CacheLobs);
      da::WritePointer(slot, value);
      DescriptorOf(f.DataType, value);
    }
  }
}

void TOCIRecordSet::FreeComplexFields(void* record, bool withBlobs) {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent() || (!withBlobs && IsBlobFieldType(f.DataType))) continue;
    if (!IsOraObjectType(f.DataType) && !IsHandleType(f.DataType)) continue;
    std::uint8_t* slot = static_cast<std::uint8_t*>(record) + f.Offset;
    da::Release(static_cast<da::TSharedObject*>(da::ReadPointer(slot)));
    da::WritePointer(slot, nullptr);
  }
  da::TVtRecordSet::FreeComplexFields(record, withBlobs);
}

void TOCIRecordSet::CopyComplexFields(const void* source, void* dest, bool withBlobs) {
  da::TVtRecordSet::CopyComplexFields(source, dest, withBlobs);
  for (int i = 0; i < GetFieldCount(); ++i) {
    const da::TFieldDesc& f = *Fields.Items(i);
    if (f.HasParent()) continue;
    void* from = da::ReadPointer(static_cast<const std::uint8_t*>(source) + f.Offset);
    void* to = da::ReadPointer(static_cast<std::uint8_t*>(dest) + f.Offset);
    if (!from || !to) continue;
    if (IsOraObjectType(f.DataType)) {
      static_cast<TOraObject*>(to)->Assign(*static_cast<TOraObject*>(from));
    } else if (IsTimeStampType(f.DataType)) {
      static_cast<TOraTimeStamp*>(from)->AssignTo(*static_cast<TOraTimeStamp*>(to));
    } else if (IsIntervalType(f.DataType)) {
      static_cast<TOraInterval*>(from)->AssignTo(*static_cast<TOraInterval*>(to));
    }
  }
}

}  // namespace ora
