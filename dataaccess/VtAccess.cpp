#include "dataaccess/VtAccess.h"

#include "dataaccess/DAErrors.h"

namespace da {

namespace {

constexpr const char* kModule = "VtAccess";

[[noreturn]] void UnknownProp(int id) { throw EAssertionFailed(kModule, std::to_string(id)); }

}  // namespace

bool TVtConnection::SetProp(int id, const TPropValue& value) {
  switch (id) {
    case prAutoCommit: AutoCommit = value.AsBoolean(); return true;
    case prConvertEOL: ConvertEOL = value.AsBoolean(); return true;
    default: UnknownProp(id);
  }
}

bool TVtConnection::GetProp(int id, TPropValue&) { UnknownProp(id); }

bool TVtConnection::SetEventProp(int id, TEventMethod method) {
  if (id == prOnError) {
    OnError = method.As<TErrorProc>(id);
    return true;
  }
  UnknownProp(id);
}

bool TVtConnection::DoError(const EDAError& error) {
  bool fail = true;
  if (OnError) OnError(error, fail);
  return fail;
}

TParamDesc* TVtCommand::AddParam() {
  Params.push_back(std::make_unique<TParamDesc>());
  return Params.back().get();
}

bool TVtCommand::SetProp(int id, const TPropValue& value) {
  if (id == prAutoCommit) {
    AutoCommit = value.AsBoolean();
    return true;
  }
  UnknownProp(id);
}

bool TVtCommand::GetProp(int id, TPropValue& value) {
  switch (id) {
    case prParamCheck: value = Variant(false); return true;
    case prExecuting: value = Variant(Executing); return true;
    default: UnknownProp(id);
  }
}

bool TVtCommand::SetEventProp(int id, TEventMethod method) {
  if (id == prAfterExecute) {
    AfterExecute = method.As<TResultProc>(id);
    return true;
  }
  UnknownProp(id);
}

bool TVtRecordSet::SetProp(int id, const TPropValue& value) {
  switch (id) {
    case prUniDirectional: UniDirectional = value.AsBoolean(); return true;
    case prFetchRows: FetchRows = value.AsInteger(); return true;
    case prFetchAll: FetchAll = value.AsBoolean(); return true;
    case prLongStrings: LongStrings = value.AsBoolean(); return true;
    case prKeepEmptyStrings: KeepEmptyStrings = value.AsBoolean(); return true;
    case prFlatBuffers: FlatBuffers = value.AsBoolean(); return true;
    default: UnknownProp(id);
  }
}

bool TVtRecordSet::GetProp(int id, TPropValue&) { UnknownProp(id); }

bool TVtRecordSet::SetEventProp(int id, TEventMethod method) {
  switch (id) {
    case prRsAfterExecute: AfterExecute = method.As<TResultProc>(id); return true;
    case prAfterFetch: AfterFetch = method.As<TResultProc>(id); return true;
    case prBeforeFetch: BeforeFetch = method.As<TFetchProc>(id); return true;
    default: UnknownProp(id);
  }
}

TVtCommand* TVtRecordSet::GetCommand() {
  if (!command_) SetCommand(CreateCommand());
  return command_.get();
}

void TVtRecordSet::Prepare() {
  if (Prepared()) return;
  TMemData::Prepare();
  // A query is described at once, so that its fields can be shown before it is opened.
  if (CommandType == 2) InitFields();
}

void TVtRecordSet::SetToBegin() {
  TMemData::SetToBegin();
  if (!FirstItem() && !dry_) eof_ = false;
}

void TVtRecordSet::InternalOpen() {
  eof_ = false;
  dry_ = false;
  ExecCommand();
}

void TVtRecordSet::ExecCommand() {
  const bool knewRows = CommandType == 2;
  ExecuteCommand();
  // A statement described when it was prepared keeps its fields; one closed since has lost them.
  if (!knewRows || GetFieldCount() == 0) InitFields();
  if (FetchAll) {
    FetchAllRows();
  } else {
    Fetch(false);
  }
}

void TVtRecordSet::CloseListEnds() {
  if (TItemHeader* first = FirstItem()) first->Prev = nullptr;
  if (TItemHeader* last = LastItem()) last->Next = nullptr;
}

void TVtRecordSet::GetNextRecord(void* record) {
  if (GetEOF()) return;
  if (!FirstItem() && !Fetch(false)) {
    dry_ = true;
    eof_ = true;
    return;
  }
  TItemHeader* c = (bof_ && !CurrentItem()) ? FirstItem() : (CurrentItem() ? CurrentItem()->Next : FirstItem());
  bof_ = false;
  while (true) {
    while (c && OmitRecord(c)) c = c->Next;
    if (c) break;
    TItemHeader* const oldLast = LastItem();
    if (!Fetch(false)) {
      dry_ = true;
      SetCurrentItem(nullptr);
      eof_ = true;
      return;
    }
    // A one-way record set dropped the old rows (the former last item with them).
    c = (UniDirectional || !oldLast || !oldLast->Next) ? FirstItem() : oldLast->Next;
    if (UniDirectional || CanFetchBack()) CloseListEnds();
  }
  SetCurrentItem(c);
  bof_ = eof_ = false;
  if (record) BlockManager().GetRecord(c, record);
}

void TVtRecordSet::GetPriorRecord(void* record) {
  if (UniDirectional) {
    bof_ = true;
    SetCurrentItem(nullptr);
    return;
  }
  if (!CanFetchBack()) {
    TMemData::GetPriorRecord(record);
    return;
  }
  // The mirror image of GetNextRecord: rows before the first one held are fetched backwards.
  if (GetBOF()) return;
  if (!FirstItem() && !Fetch(true)) {
    bof_ = true;
    return;
  }
  TItemHeader* c = (eof_ && !CurrentItem()) ? LastItem() : (CurrentItem() ? CurrentItem()->Prev : LastItem());
  eof_ = false;
  while (true) {
    while (c && OmitRecord(c)) c = c->Prev;
    if (c) break;
    TItemHeader* const oldFirst = FirstItem();
    if (!Fetch(true)) {
      SetCurrentItem(nullptr);
      bof_ = true;
      return;
    }
    c = (!oldFirst || !oldFirst->Prev) ? LastItem() : oldFirst->Prev;
    CloseListEnds();
  }
  SetCurrentItem(c);
  bof_ = eof_ = false;
  if (record) BlockManager().GetRecord(c, record);
}

}  // namespace da
