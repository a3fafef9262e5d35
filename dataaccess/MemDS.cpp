#include "dataaccess/MemDS.h"

#include <algorithm>
#include <cmath>

namespace da {

namespace {

std::string TrimBlanks(const std::string& text) {
  std::size_t a = 0, b = text.size();
  while (a < b && static_cast<unsigned char>(text[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(text[b - 1]) <= ' ') --b;
  return text.substr(a, b - a);
}

}  // namespace

class TMemDataSet::Locator : public TRecordLocator {
 public:
  Locator(TMemDataSet& owner, TData& data) : TRecordLocator(data), owner_(owner) {}
  bool FieldToBuffer(const Variant& value, std::vector<std::uint8_t>& buffer, const TFieldDesc& field,
                     TDataType& bufferType) override {
    return owner_.FieldToBuffer(value, buffer, field, bufferType);
  }
  bool CompareFieldValue(const void* key, TDataType keyType, TLocateExOptions options, const void* record,
                         const TFieldDesc& field) override {
    return owner_.CompareFieldValue(key, keyType, options, record, field);
  }

 private:
  TMemDataSet& owner_;
};

TMemDataSet::TMemDataSet() { CreateIRecordSet(); }

TMemDataSet::~TMemDataSet() {
  try {
    UnPrepare();
  } catch (...) {
    // A destructor cannot report; the store is freed below in any case.
  }
  FreeEditBuffer();
}

void TMemDataSet::CreateIRecordSet() { SetIRecordSet(std::make_unique<TMemData>()); }

void TMemDataSet::SetIRecordSet(std::unique_ptr<TMemData> data) {
  data_ = std::move(data);
  locator_ = std::make_unique<Locator>(*this, *data_);
  data_->SetCachedUpdates(cachedUpdates_);
  // Each hook keeps the dataset's modified flag as it found it.
  auto keep = [this](void (TMemDataSet::*perform)()) {
    return [this, perform] {
      const bool modified = Modified();
      if (!LocalUpdate) (this->*perform)();
      SetModified(modified);
    };
  };
  data_->OnAppend = keep(&TMemDataSet::PerformAppend);
  data_->OnDelete = keep(&TMemDataSet::PerformDelete);
  data_->OnUpdate = keep(&TMemDataSet::PerformUpdate);
  data_->OnApplyRecord = [this](TUpdateKind kind, TUpdateAction& action) { ApplyRecordHook(kind, action); };
}

void TMemDataSet::Assign(const TMemDataSet& source) {
  SetCachedUpdates(source.cachedUpdates_);
  LocalConstraints = source.LocalConstraints;
  LocalUpdate = source.LocalUpdate;
}

void TMemDataSet::SetCachedUpdates(bool value) {
  if (cachedUpdates_ == value) return;
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset");
  cachedUpdates_ = value;
  data_->SetCachedUpdates(value);
}

void TMemDataSet::Prepare() {
  if (data_->Prepared()) return;
  data_->Prepare();
  CreateFieldDefsFromData();
}

void TMemDataSet::UnPrepare() {
  Close();
  data_->UnPrepare();
}

void TMemDataSet::CreateFieldDefsFromData() {
  std::vector<TFieldDef>& defs = FieldDefs();
  defs.clear();
  for (int i = 0; i < data_->Fields.Count(); ++i) {
    const TFieldDesc& desc = *data_->Fields.Items(i);
    if (desc.HiddenObject) continue;
    if (desc.HasParent() && !desc.ParentField->HiddenObject) continue;
    TFieldDef def;
    def.Name = desc.Name;
    def.DataType = GetFieldType(desc.DataType);
    def.SourceType = desc.DataType;
    switch (def.DataType) {
      case ftString: case ftWideString: def.Size = std::max<int>(desc.Length, 1); break;
      case ftBytes: case ftVarBytes: def.Size = desc.Length; break;
      default: def.Size = 0;
    }
    if (def.DataType == ftInteger || def.DataType == ftFloat) def.Precision = desc.Length;
    def.FieldNo = desc.FieldNo;
    def.Required = LocalConstraints && desc.Required;
    def.ReadOnly = desc.ReadOnly;
    def.Hidden = desc.Hidden;
    def.Fixed = desc.Fixed;
    if (def.DataType == ftADT || def.DataType == ftArray) {
      std::vector<const TObjectType*> path;
      AddChildDefs(def, desc.ObjectType(), path);
    }
    defs.push_back(std::move(def));
  }
}

void TMemDataSet::AddChildDefs(TFieldDef& def, const TObjectType* type, std::vector<const TObjectType*>& path) {
  if (!type) return;
  // A type that holds itself (directly or further down) would describe children without end;
  // the inner occurrence stays a leaf.
  if (std::find(path.begin(), path.end(), type) != path.end()) return;
  path.push_back(type);
  auto makeChild = [&](std::string name, const TAttribute& attribute) {
    TFieldDef child;
    child.Name = std::move(name);
    child.DataType = GetFieldType(attribute.DataType);
    child.SourceType = attribute.DataType;
    child.Size = child.DataType == ftString ? attribute.Length : 0;
    if (child.DataType == ftADT || child.DataType == ftArray) AddChildDefs(child, attribute.ObjectType(), path);
    def.ChildDefs.push_back(std::move(child));
  };
  if (def.DataType == ftArray) {
    if (type->GetAttributeCount() > 0) {
      const TAttribute& element = *type->GetAttributes(0);
      const int count = std::clamp<int>(type->Size, 0, kMaxArrayChildDefs);
      for (int i = 0; i < count; ++i) makeChild(std::to_string(i), element);
    }
  } else {
    for (int i = 0; i < type->GetAttributeCount(); ++i) {
      const TAttribute& attribute = *type->GetAttributes(i);
      makeChild(attribute.Name, attribute);
    }
  }
  path.pop_back();
}

void TMemDataSet::FieldsCreated() {
  if (!NumberRange) return;
  for (const TFieldDef& def : FieldDefs()) SetNumberRange(def);
}

void TMemDataSet::SetNumberRange(const TFieldDef& def) {
  if (def.DataType != ftInteger && def.DataType != ftFloat) return;
  TField* field = FindField(def.Name);
  if (!field || def.FieldNo <= 0) return;
  const TFieldDesc& desc = data_->FieldAt(def.FieldNo);
  const int p = desc.Length, s = desc.Scale;
  if (def.DataType == ftInteger) {
    field->MaxValue = std::pow(10.0, p) - 1;
    field->MinValue = -field->MaxValue;
  } else if (p > 0 && p < 16) {
    field->Precision = p;
    field->MaxValue = std::pow(10.0, p - s) - std::pow(10.0, -s);
    field->MinValue = -field->MaxValue;
  }
}

void TMemDataSet::OpenCursor() {
  if (!data_->Active()) data_->Open();
  CreateFieldDefsFromData();
  spareBuffer_ = data_->AllocRecBuf();
  if (filtered_) ActivateFilters();
}

template <typename Fill>
void TMemDataSet::FillSpare(Fill fill) {
  DropSpareRefs();
  fill();
  if (BufferRefs && data_->HasComplexFields()) {
    data_->AddRefComplexFields(spareBuffer_);
    spareRefs_ = true;
  }
}

void TMemDataSet::DropSpareRefs() {
  if (!spareRefs_) return;
  spareRefs_ = false;
  data_->FreeComplexFields(spareBuffer_, true);
}

void TMemDataSet::CloseCursor() {
  FreeEditBuffer();
  DropSpareRefs();
  if (spareBuffer_) TData::FreeRecBuf(spareBuffer_);
  spareBuffer_ = nullptr;
  data_->Close();
}

void TMemDataSet::FreeEditBuffer() {
  if (!editBuffer_) return;
  if (data_ && data_->Active()) {
    if (insertPending_) data_->FreeComplexFields(editBuffer_, true);
    if (editPending_) data_->CancelRecord(editBuffer_);
  }
  TData::FreeRecBuf(editBuffer_);
  editBuffer_ = nullptr;
  insertPending_ = editPending_ = false;
}

bool TMemDataSet::InternalFirst() {
  data_->SetToBegin();
  data_->GetNextRecord(nullptr);
  return data_->CurrentRecordPtr() != nullptr;
}

bool TMemDataSet::InternalLast() {
  data_->SetToEnd();
  data_->GetPriorRecord(nullptr);
  return data_->CurrentRecordPtr() != nullptr;
}

bool TMemDataSet::InternalNext() {
  data_->GetNextRecord(nullptr);
  if (data_->CurrentRecordPtr()) return true;
  // Past the end: back onto the last record (a one-way record set stays on none).
  data_->GetPriorRecord(nullptr);
  return false;
}

bool TMemDataSet::InternalPrior() {
  data_->GetPriorRecord(nullptr);
  if (data_->CurrentRecordPtr()) return true;
  data_->GetNextRecord(nullptr);
  return false;
}

int TMemDataSet::RecordCount() { return Active() ? data_->GetRecordCount() : 0; }

int TMemDataSet::RecNo() {
  if (!Active() || State() == dsInsert) return 0;
  return data_->CurrentRecordPtr() ? data_->GetRecNo() : 0;
}

void TMemDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  Fire(BeforeScroll, *this);
  data_->SetRecNo(value);
  Resync();
  Fire(AfterScroll, *this);
}

const void* TMemDataSet::ActiveRecord() const {
  switch (State()) {
    case dsBrowse: return applying_ ? applyNew_ : data_->CurrentRecordPtr();
    case dsEdit: case dsInsert: return editBuffer_;
    case dsCalcFields: return calcRecord_;
    case dsFilter: return filterRecord_;
    case dsNewValue: return applying_ ? applyNew_ : (editBuffer_ ? editBuffer_ : data_->CurrentRecordPtr());
    case dsOldValue:
      if (applying_) return applyOld_;
    {
      if (!data_->CurrentRecordPtr()) return nullptr;
      auto& self = const_cast<TMemDataSet&>(*this);
      self.FillSpare([&self] { self.data_->GetOldRecord(self.spareBuffer_); });
      return spareBuffer_;
    }
    case dsBlockRead: return data_->CurrentRecordPtr();
    default: return nullptr;
  }
}

bool TMemDataSet::GetFieldData(const TField& field, void* buffer, std::size_t capacity) {
  if (field.Calculated()) return !GetCalcValue(field).IsEmptyOrNull();
  const void* record = ActiveRecord();
  const int no = field.FieldNo();
  if (!record || no <= 0) return false;
  bool blank = true;
  data_->GetFieldByNo(no, record, blank, buffer, capacity);
  return !blank;
}

Variant TMemDataSet::GetFieldValue(const TField& field) {
  if (field.Calculated()) return GetCalcValue(field);
  const void* record = ActiveRecord();
  if (!record || field.FieldNo() <= 0) return Variant::Null();
  return data_->GetFieldAsVariant(field.FieldNo(), record);
}

void TMemDataSet::SetFieldValue(TField& field, const Variant& value) {
  const TDataSetState state = State();
  switch (state) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter: case dsNewValue: case dsInternalCalc:
      break;
    default: DatabaseError("Dataset not in edit or insert mode");
  }
  if (field.Calculated()) {
    SetCalcValue(field, value);
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue) FieldChanged(field);
    return;
  }
  // Data fields belong to the record, not to what is computed from it.
  if (state == dsCalcFields || field.FieldNo() <= 0) DatabaseError("Dataset not in edit or insert mode");
  if (field.ReadOnly() && state != dsSetKey && state != dsFilter)
    DatabaseError("Field '" + field.DisplayName() + "' cannot be modified");
  void* record = const_cast<void*>(ActiveRecord());
  if (!record) DatabaseError("Dataset not in edit or insert mode");
  data_->PutFieldAsVariant(field.FieldNo(), record, value);
  if (state != dsFilter && state != dsNewValue) FieldChanged(field);
}

TBookmark TMemDataSet::GetBookmark() {
  TBookmark bookmark;
  data_->GetBookmark(bookmark);
  return bookmark;
}

void TMemDataSet::InternalInsert(bool append) {
  FreeEditBuffer();
  editBuffer_ = data_->AllocRecBuf();
  data_->InitRecord(editBuffer_);
  if (data_->HasComplexFields()) data_->CreateComplexFields(editBuffer_, true);
  insertPending_ = true;
  appending_ = append;
}

void TMemDataSet::InternalEdit() {
  FreeEditBuffer();
  editBuffer_ = data_->AllocRecBuf();
  data_->GetRecord(editBuffer_);
  data_->EditRecord(editBuffer_);
  editPending_ = true;
}

void TMemDataSet::InternalPost() {
  if (insertPending_) {
    if (appending_) {
      data_->AppendRecord(editBuffer_);
    } else {
      data_->InsertRecord(editBuffer_);
    }
  } else if (editPending_) {
    data_->PostRecord(editBuffer_);
  }
  // The store holds the buffer's values now.
  TData::FreeRecBuf(editBuffer_);
  editBuffer_ = nullptr;
  insertPending_ = editPending_ = false;
}

void TMemDataSet::InternalCancel() { FreeEditBuffer(); }

void TMemDataSet::InternalDelete() { data_->DeleteRecord(); }

void TMemDataSet::ActivateFilters() { InstallFilters(false); }

void TMemDataSet::InstallFilters(bool forSearch) {
  data_->FilterFunc = nullptr;
  if (!forSearch) data_->SetFilterText("");
  if (onFilterRecord_) {
    data_->FilterFunc = [this](const void* record) {
      const TDataSetState old = SetTempState(dsFilter);
      filterRecord_ = record;
      bool accept = true;
      try {
        onFilterRecord_(*this, accept);
      } catch (...) {
        RestoreState(old);
        filterRecord_ = nullptr;
        throw;
      }
      RestoreState(old);
      filterRecord_ = nullptr;
      return accept;
    };
  }
  const std::string text = TrimBlanks(filterText_);
  if (text.empty()) return;
  // A search's filter only decides which record it stops on: the store neither renumbers nor
  // moves its cursor off the record the search starts from.
  if (forSearch) {
    data_->ParseFilter(text);
  } else {
    data_->SetFilterText(text);
  }
}

void TMemDataSet::DeactivateFilters() {
  data_->FilterFunc = nullptr;
  data_->SetFilterText("");
}

void TMemDataSet::FilterChanged(bool renumber) {
  data_->FilterCaseInsensitive = (filterOptions_ & foCaseInsensitive) != 0;
  data_->FilterNoPartialCompare = (filterOptions_ & foNoPartialCompare) != 0;
  // A closed dataset's filters are installed when it opens: a store that filters while it
  // fetches would otherwise call the filter event before the fields exist.
  if (filtered_ && Active()) {
    ActivateFilters();
  } else {
    DeactivateFilters();
  }
  if (renumber) data_->FilterUpdated();
}

bool TMemDataSet::FindRecord(bool restart, bool goForward) {
  const bool temporary = !filtered_;
  const bool had = data_->CurrentRecordPtr() != nullptr;
  const TBookmark saved = had ? GetBookmark() : TBookmark{};
  if (temporary) InstallFilters(true);
  auto removeSearchFilters = [this] {
    data_->FilterFunc = nullptr;
    data_->FreeFilter();
  };
  bool found = false;
  try {
    if (goForward) {
      if (restart) data_->SetToBegin();
      data_->GetNextRecord(nullptr);
    } else {
      if (restart) data_->SetToEnd();
      data_->GetPriorRecord(nullptr);
    }
    found = data_->CurrentRecordPtr() != nullptr;
  } catch (...) {
    if (temporary) removeSearchFilters();
    throw;
  }
  if (temporary) removeSearchFilters();
  // Not found: back where the search began.
  if (!found && had) data_->SetToBookmark(saved);
  return found;
}

bool TMemDataSet::LocateEx(std::string_view keyFields, const std::vector<Variant>& keyValues, bool restorePosition,
                           TLocateExOptions options) {
  return locator_->LocateEx(keyFields, keyValues, restorePosition, options);
}

bool TMemDataSet::FieldToBuffer(const Variant& value, std::vector<std::uint8_t>& buffer, const TFieldDesc& field,
                                TDataType& bufferType) {
  return locator_->TRecordLocator::FieldToBuffer(value, buffer, field, bufferType);
}

bool TMemDataSet::CompareFieldValue(const void* key, TDataType keyType, TLocateExOptions options, const void* record,
                                    const TFieldDesc& field) {
  return locator_->TRecordLocator::CompareFieldValue(key, keyType, options, record, field);
}

bool TMemDataSet::LocateRecord(std::string_view keyFields, const std::vector<Variant>& keyValues,
                               TLocateOptions options) {
  TLocateExOptions ex = 0;
  if (options & loCaseInsensitive) ex |= lxCaseInsensitive;
  if (options & loPartialKey) ex |= lxPartialKey;
  return LocateEx(keyFields, keyValues, false, ex);
}

bool TMemDataSet::LookupRecord(std::string_view keyFields, const std::vector<Variant>& keyValues,
                               std::string_view resultFields, std::vector<Variant>& values) {
  const bool had = data_->CurrentRecordPtr() != nullptr;
  const TBookmark saved = had ? GetBookmark() : TBookmark{};
  if (!LocateEx(keyFields, keyValues, false, 0)) return false;
  // The found record is read from the spare buffer, and the cursor goes back at once.
  FillSpare([this] { data_->GetRecord(spareBuffer_); });
  if (had) {
    data_->SetToBookmark(saved);
  } else {
    data_->SetToBegin();
  }
  // The result may name a calculated or lookup field of the found record.
  if (CalcFieldCount() != 0) CalculateFields(spareBuffer_, spareCalc_);
  CalcScope scope(*this, spareBuffer_, spareCalc_);
  for (const std::string& name : SplitNames(resultFields)) values.push_back(FieldByName(name).AsVariant());
  return true;
}

std::unique_ptr<TStream> TMemDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
  return std::make_unique<TBlobStream>(field, mode);
}

std::uint32_t TMemDataSet::ReadBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count,
                                    void* dest) {
  return data_->ReadBlob(fieldNo, record, position, count, dest);
}
void TMemDataSet::WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count,
                            const void* source) {
  data_->WriteBlob(fieldNo, record, position, count, source);
}
void TMemDataSet::TruncateBlob(int fieldNo, void* record, std::uint32_t size) {
  data_->TruncateBlob(fieldNo, record, size);
}
std::uint32_t TMemDataSet::GetBlobSize(int fieldNo, void* record) { return data_->GetBlobSize(fieldNo, record); }

void TMemDataSet::DoApplyRecord(TUpdateKind kind, TUpdateAction& action) {
  (void)action;
  if (kind == ukModify) {
    data_->OnUpdate();
  } else if (kind == ukInsert) {
    data_->OnAppend();
  } else {
    data_->OnDelete();
  }
}

void TMemDataSet::ApplyRecordHook(TUpdateKind kind, TUpdateAction& action) {
  const bool modified = Modified();
  action = uaFail;
  try {
    if (OnUpdateRecord) {
      OnUpdateRecord(*this, kind, action);
      if (action == uaAbort) throw EAbort();
    } else {
      if (!LocalUpdate) {
        switch (kind) {
          case ukModify: PerformUpdate(); break;
          case ukInsert: PerformAppend(); break;
          case ukDelete: PerformDelete(); break;
        }
      }
      action = uaApplied;
    }
  } catch (const EAbort&) {
    SetModified(modified);
    throw;
  } catch (const EDatabaseError& error) {
    if (!OnUpdateError) {
      SetModified(modified);
      throw;
    }
    OnUpdateError(*this, error, kind, action);
    if (action == uaFail) {
      SetModified(modified);
      throw;
    }
    if (action == uaAbort) {
      SetModified(modified);
      throw EAbort();
    }
  }
  SetModified(modified);
}

void TMemDataSet::ApplyUpdates() {
  CheckBrowseMode();
  applyNew_ = data_->AllocRecBuf();
  applyOld_ = data_->AllocRecBuf();
  data_->SetCacheRecBuf(applyNew_, applyOld_);
  applying_ = true;
  auto done = [this] {
    applying_ = false;
    data_->SetCacheRecBuf(nullptr, nullptr);
    TData::FreeRecBuf(applyNew_);
    TData::FreeRecBuf(applyOld_);
    applyNew_ = applyOld_ = nullptr;
  };
  try {
    data_->ApplyUpdates();
  } catch (...) {
    done();
    Resync();
    throw;
  }
  done();
  Resync();
}

void TMemDataSet::CommitUpdates() {
  CheckBrowseMode();
  data_->CommitUpdates();
  Resync();
}

void TMemDataSet::CancelUpdates() {
  CheckBrowseMode();
  data_->CancelUpdates();
  Resync();
  if (!data_->CurrentRecordPtr()) {
    bof_ = true;
    eof_ = !InternalFirst();
    RecordMoved();
  }
}

TItemStatus TMemDataSet::UpdateStatus() {
  if (!Active() || !data_->CurrentRecordPtr()) return isUnmodified;
  return data_->GetUpdateStatus();
}

}  // namespace da
