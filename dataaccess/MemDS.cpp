#include "dataaccess/MemDS.h"

#include <algorithm>
#include <cmath>

#include "dataaccess/Blob.h"
#include "dataaccess/TextUtil.h"
#include "foundation/dialogs/MessageBoxes.h"
#include "foundation/files/Folders.h"

namespace da {

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

void (*HandleExceptionProc)(const std::exception& error) = nullptr;

TMemDataSet::TMemDataSet() = default;

void TMemDataSet::MakeRecordSet() {
  CreateIRecordSet();
  DAAssert(data_ != nullptr, "MemDS", "No record set");
}

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
  locator_.reset();
  data_ = std::move(data);
  if (!data_) return;
  locator_ = std::make_unique<Locator>(*this, *data_);
  data_->SetCachedUpdates(cachedUpdates_);
  // Each hook keeps the dataset's modified flag as it found it.
  auto keep = [this](bool (TMemDataSet::*perform)()) {
    return [this, perform] {
      const bool modified = Modified();
      if (!LocalUpdate) (void)(this->*perform)();
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
  if (data_) data_->SetCachedUpdates(value);
}

void TMemDataSet::Prepare() {
  if (Data().Prepared()) return;
  Data().Prepare();
  CreateFieldDefsFromData();
}

void TMemDataSet::UnPrepare() {
  Close();
  if (data_) data_->UnPrepare();
}

void TMemDataSet::InitFieldDefs() {
  if (!Data().Active()) Data().InitFields();
  CreateFieldDefsFromData();
}

void TMemDataSet::InternalHandleException() {
  const std::exception_ptr error = std::current_exception();
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // The silent abort shows nothing.
  } catch (const std::exception& e) {
    if (HandleExceptionProc) {
      HandleExceptionProc(e);
    } else {
      olv::ErrorBox(olv::GetProgramName(), e.what());
    }
  }
}

void TMemDataSet::InternalRefresh() {
  DropSpareRefs();
  Data().Reopen();
  // The store was described anew: the spare buffer follows its record size.
  if (spareBuffer_) TData::FreeRecBuf(spareBuffer_);
  spareBuffer_ = Data().AllocRecBuf();
}

void TMemDataSet::CreateFieldDefsFromData() {
  std::vector<TFieldDef>& defs = FieldDefs();
  defs.clear();
  for (int i = 0; i < Data().Fields.Count(); ++i) {
    const TFieldDesc& desc = *Data().Fields.Items(i);
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
      AddChildDefs(def, desc.ObjectType(), desc.ActualName, path);
    }
    defs.push_back(std::move(def));
  }
}

void TMemDataSet::AddChildDefs(TFieldDef& def, const TObjectType* type, const std::string& actualName,
                               std::vector<const TObjectType*>& path) {
  if (!type) return;
  // A type that holds itself (directly or further down) would describe children without end;
  // the inner occurrence stays a leaf.
  if (std::find(path.begin(), path.end(), type) != path.end()) return;
  path.push_back(type);
  // childPath: the store descriptor's ActualName of the child, whose field number it takes.
  auto makeChild = [&](std::string name, const std::string& childPath, const TAttribute& attribute) {
    TFieldDef child;
    child.Name = std::move(name);
    child.DataType = GetFieldType(attribute.DataType);
    child.SourceType = attribute.DataType;
    child.Size = child.DataType == ftString ? attribute.Length : 0;
    if (const TFieldDesc* desc = Data().FindField(childPath); desc && desc->ActualName == childPath)
      child.FieldNo = desc->FieldNo;
    if (child.DataType == ftADT || child.DataType == ftArray)
      AddChildDefs(child, attribute.ObjectType(), childPath, path);
    def.ChildDefs.push_back(std::move(child));
  };
  if (def.DataType == ftArray) {
    if (type->GetAttributeCount() > 0) {
      const TAttribute& element = *type->GetAttributes(0);
      const int count = std::clamp<int>(type->Size, 0, kMaxArrayChildDefs);
      for (int i = 0; i < count; ++i)
        makeChild(std::to_string(i), actualName + "[" + std::to_string(i) + "]", element);
    }
  } else {
    for (int i = 0; i < type->GetAttributeCount(); ++i) {
      const TAttribute& attribute = *type->GetAttributes(i);
      makeChild(attribute.Name, actualName + "." + attribute.Name, attribute);
    }
  }
  path.pop_back();
}

void TMemDataSet::FieldsCreated() {
  if (ObjectView)
    for (int i = 0; i < FieldCount(); ++i) BindObjectTypes(Fields(i));
  if (!NumberRange) return;
  for (const TFieldDef& def : FieldDefs()) SetNumberRange(def);
}

void TMemDataSet::BindObjectTypes(TField& field) {
  if (field.DataType() != ftADT && field.DataType() != ftArray) return;
  if (field.FieldNo() > 0)
    if (const TObjectType* type = Data().FieldAt(field.FieldNo()).ObjectType()) field.ObjectType = type->Name;
  // The elements of an array are bound only with sparse arrays.
  if (field.DataType() == ftArray && !SparseArrays) return;
  for (int i = 0; i < field.ChildFieldCount(); ++i) BindObjectTypes(field.ChildFields(i));
}

void TMemDataSet::SetNumberRange(const TFieldDef& def) {
  if (def.DataType != ftInteger && def.DataType != ftFloat) return;
  TField* field = FindField(def.Name);
  if (!field || def.FieldNo <= 0) return;
  const TFieldDesc& desc = Data().FieldAt(def.FieldNo);
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
  if (!Data().Active()) Data().Open();
  CreateFieldDefsFromData();
  spareBuffer_ = Data().AllocRecBuf();
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
  Data().Close();
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
  Data().SetToBegin();
  Data().GetNextRecord(nullptr);
  return Data().CurrentRecordPtr() != nullptr;
}

bool TMemDataSet::InternalLast() {
  Data().SetToEnd();
  Data().GetPriorRecord(nullptr);
  return Data().CurrentRecordPtr() != nullptr;
}

bool TMemDataSet::InternalNext() {
  Data().GetNextRecord(nullptr);
  if (Data().CurrentRecordPtr()) return true;
  // Past the end: back onto the last record (a one-way record set stays on none).
  Data().GetPriorRecord(nullptr);
  return false;
}

bool TMemDataSet::InternalPrior() {
  Data().GetPriorRecord(nullptr);
  if (Data().CurrentRecordPtr()) return true;
  Data().GetNextRecord(nullptr);
  return false;
}

int TMemDataSet::RecordCount() { return Active() ? Data().GetRecordCount() : 0; }

int TMemDataSet::RecNo() {
  if (!Active() || State() == dsInsert) return 0;
  return Data().CurrentRecordPtr() ? Data().GetRecNo() : 0;
}

void TMemDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  Fire(BeforeScroll, *this);
  Data().SetRecNo(value);
  Resync();
  Fire(AfterScroll, *this);
}

const void* TMemDataSet::ActiveRecord() const {
  // Without a store there is no record (a dataset that was never opened).
  const TMemData* data = data_.get();
  if (!data) return nullptr;
  switch (State()) {
    case dsBrowse: return applying_ ? applyNew_ : data->CurrentRecordPtr();
    case dsEdit: case dsInsert: return editBuffer_;
    case dsCalcFields: return calcRecord_;
    case dsFilter: return filterRecord_;
    case dsNewValue: return applying_ ? applyNew_ : (editBuffer_ ? editBuffer_ : data->CurrentRecordPtr());
    case dsOldValue:
      if (applying_) return applyOld_;
    {
      if (!data->CurrentRecordPtr()) return nullptr;
      auto& self = const_cast<TMemDataSet&>(*this);
      self.FillSpare([&self] { self.data_->GetOldRecord(self.spareBuffer_); });
      return spareBuffer_;
    }
    case dsBlockRead: return data->CurrentRecordPtr();
    default: return nullptr;
  }
}

bool TMemDataSet::GetFieldData(const TField& field, void* buffer, std::size_t capacity) {
  if (field.Calculated()) return !GetCalcValue(field).IsEmptyOrNull();
  const void* record = ActiveRecord();
  const int no = field.FieldNo();
  if (!record || no <= 0) return false;
  bool blank = true;
  Data().GetFieldByNo(no, record, blank, buffer, capacity);
  return !blank;
}

Variant TMemDataSet::GetFieldValue(const TField& field) {
  if (field.Calculated()) return GetCalcValue(field);
  const void* record = ActiveRecord();
  if (!record || field.FieldNo() <= 0) return Variant::Null();
  return Data().GetFieldAsVariant(field.FieldNo(), record);
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
  const TFieldDesc& desc = Data().FieldAt(field.FieldNo());
  if ((state == dsEdit || state == dsInsert) && !desc.HasParent() && Data().IsBlobFieldType(desc.DataType)) {
    WriteBlobValue(field.FieldNo(), record, value);
  } else {
    Data().PutFieldValue(field.FieldNo(), record, value);
  }
  if (state != dsFilter && state != dsNewValue) FieldChanged(field);
}

void TMemDataSet::WriteBlobValue(int fieldNo, void* record, const Variant& value) {
  // Checked before anything changes: a value the blob cannot take leaves it as it was.
  std::string bytes;
  if (!value.IsEmptyOrNull()) {
    if (value.IsByteArray()) {
      bytes.assign(value.AsBytes().begin(), value.AsBytes().end());
    } else {
      bytes = value.AsString();
    }
    if (bytes.size() > 0xFFFFFFFEu) throw Exception("BLOB value too large.");
  }
  Data().TruncateBlob(fieldNo, record, 0);
  if (!bytes.empty()) Data().WriteBlob(fieldNo, record, 0, static_cast<std::uint32_t>(bytes.size()), bytes.data());
}

void TMemDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  Data().SetToBookmark(bookmark);
  Data().GetRecord(nullptr);
}

TBookmark TMemDataSet::GetBookmark() {
  TBookmark bookmark;
  Data().GetBookmark(bookmark);
  return bookmark;
}

void TMemDataSet::InternalInsert(bool append) {
  FreeEditBuffer();
  editBuffer_ = Data().AllocRecBuf();
  Data().InitRecord(editBuffer_);
  if (Data().HasComplexFields()) Data().CreateComplexFields(editBuffer_, true);
  insertPending_ = true;
  appending_ = append;
}

void TMemDataSet::InternalEdit() {
  FreeEditBuffer();
  editBuffer_ = Data().AllocRecBuf();
  Data().GetRecord(editBuffer_);
  Data().EditRecord(editBuffer_);
  editPending_ = true;
}

void TMemDataSet::InternalPost() {
  if (insertPending_) {
    if (appending_) {
      Data().AppendRecord(editBuffer_);
    } else {
      Data().InsertRecord(editBuffer_);
    }
    // The blobs written while inserting start their stored life with no change to undo.
    Data().CommitBlobs(editBuffer_);
  } else if (editPending_) {
    Data().PostRecord(editBuffer_);
  }
  // The store holds the buffer's values now.
  TData::FreeRecBuf(editBuffer_);
  editBuffer_ = nullptr;
  insertPending_ = editPending_ = false;
}

void TMemDataSet::InternalCancel() { FreeEditBuffer(); }

void TMemDataSet::InternalDelete() { Data().DeleteRecord(); }

void TMemDataSet::ActivateFilters() { InstallFilters(false); }

void TMemDataSet::InstallFilters(bool forSearch) {
  Data().FilterFunc = nullptr;
  if (!forSearch) Data().SetFilterText("");
  if (onFilterRecord_) {
    Data().FilterFunc = [this](const void* record) {
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
  const std::string text = TrimText(filterText_);
  if (text.empty()) return;
  // A search's filter only decides which record it stops on: the store neither renumbers nor
  // moves its cursor off the record the search starts from.
  if (forSearch) {
    Data().ParseFilter(text);
  } else {
    Data().SetFilterText(text);
  }
}

void TMemDataSet::DeactivateFilters() {
  Data().FilterFunc = nullptr;
  Data().SetFilterText("");
}

void TMemDataSet::FilterChanged(bool renumber) {
  Data().FilterCaseInsensitive = (filterOptions_ & foCaseInsensitive) != 0;
  Data().FilterNoPartialCompare = (filterOptions_ & foNoPartialCompare) != 0;
  // A closed dataset's filters are installed when it opens: a store that filters while it
  // fetches would otherwise call the filter event before the fields exist.
  if (filtered_ && Active()) {
    ActivateFilters();
  } else {
    DeactivateFilters();
  }
  if (renumber) Data().FilterUpdated();
}

bool TMemDataSet::FindRecord(bool restart, bool goForward) {
  const bool temporary = !filtered_;
  const bool had = Data().CurrentRecordPtr() != nullptr;
  const TBookmark saved = had ? GetBookmark() : TBookmark{};
  if (temporary) InstallFilters(true);
  auto removeSearchFilters = [this] {
    Data().FilterFunc = nullptr;
    Data().FreeFilter();
  };
  bool found = false;
  try {
    if (goForward) {
      if (restart) Data().SetToBegin();
      Data().GetNextRecord(nullptr);
    } else {
      if (restart) Data().SetToEnd();
      Data().GetPriorRecord(nullptr);
    }
    found = Data().CurrentRecordPtr() != nullptr;
  } catch (...) {
    if (temporary) removeSearchFilters();
    throw;
  }
  if (temporary) removeSearchFilters();
  // Not found: back where the search began.
  if (!found && had) Data().SetToBookmark(saved);
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
  const bool had = Data().CurrentRecordPtr() != nullptr;
  const TBookmark saved = had ? GetBookmark() : TBookmark{};
  if (!LocateEx(keyFields, keyValues, false, 0)) return false;
  // The found record is read from the spare buffer, and the cursor goes back at once.
  FillSpare([this] { Data().GetRecord(spareBuffer_); });
  if (had) {
    Data().SetToBookmark(saved);
  } else {
    Data().SetToBegin();
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
  return Data().ReadBlob(fieldNo, record, position, count, dest);
}
void TMemDataSet::WriteBlob(int fieldNo, void* record, std::uint32_t position, std::uint32_t count,
                            const void* source) {
  Data().WriteBlob(fieldNo, record, position, count, source);
}
void TMemDataSet::TruncateBlob(int fieldNo, void* record, std::uint32_t size) {
  Data().TruncateBlob(fieldNo, record, size);
}
std::uint32_t TMemDataSet::GetBlobSize(int fieldNo, void* record) { return Data().GetBlobSize(fieldNo, record); }

void TMemDataSet::DoApplyRecord(TUpdateKind kind, TUpdateAction& action) {
  (void)kind, (void)action;
  if (State() == dsEdit) {
    Data().OnUpdate();
  } else {
    Data().OnAppend();
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
  applyNew_ = Data().AllocRecBuf();
  applyOld_ = Data().AllocRecBuf();
  Data().SetCacheRecBuf(applyNew_, applyOld_);
  applying_ = true;
  auto done = [this] {
    applying_ = false;
    Data().SetCacheRecBuf(nullptr, nullptr);
    TData::FreeRecBuf(applyNew_);
    TData::FreeRecBuf(applyOld_);
    applyNew_ = applyOld_ = nullptr;
  };
  try {
    Data().ApplyUpdates();
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
  Data().CommitUpdates();
  Resync();
}

void TMemDataSet::CancelUpdates() {
  CheckBrowseMode();
  Data().CancelUpdates();
  Resync();
  if (!Data().CurrentRecordPtr()) {
    bof_ = true;
    eof_ = !InternalFirst();
    RecordMoved();
  }
}

TItemStatus TMemDataSet::UpdateStatus() {
  if (!Active() || !Data().CurrentRecordPtr()) return isUnmodified;
  return Data().GetUpdateStatus();
}

}  // namespace da
