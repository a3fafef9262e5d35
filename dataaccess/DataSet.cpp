#include "dataaccess/DataSet.h"

#include <algorithm>

#include "dataaccess/TextUtil.h"

namespace da {

std::vector<std::string> SplitNames(std::string_view names) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find(';', start);
    if (end == std::string_view::npos) end = names.size();
    std::string_view name = names.substr(start, end - start);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (!name.empty()) out.emplace_back(name);
    start = end + 1;
  }
  return out;
}

TDataSet::~TDataSet() {
  SetDataSetField(nullptr);
  for (TDataSet* nested : std::vector<TDataSet*>(nested_)) nested->SetDataSetField(nullptr);
  // The sources stay, without a dataset; nothing reaches this one any more.
  for (TDataSource* source : sources_) source->DataSetGone();
  sources_.clear();
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  Fire(OnStateChange, *this);
  DataEvent(deUpdateState);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
  if (sources_.empty()) return;  // the common case while scanning: nobody to tell
  if (disableCount_ > 0) {
    if (event == deUpdateState) {
      pendingState_ = true;
    } else if (event != deCheckBrowseMode) {
      pendingChange_ = true;
    }
    return;
  }
  // A source may go while it is told (a detail closing): walk a copy, skipping the ones gone.
  for (TDataSource* source : std::vector<TDataSource*>(sources_))
    if (std::find(sources_.begin(), sources_.end(), source) != sources_.end()) source->DataEvent(event, info);
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0 || --disableCount_ > 0) return;
  const bool state = pendingState_, change = pendingChange_;
  pendingState_ = pendingChange_ = false;
  if (state) DataEvent(deUpdateState);
  if (change || state) DataEvent(deDataSetChange);
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const {
  // Each step climbs one master; a chain that never ends is a circle as well.
  for (int steps = 0; source && steps < 1000; ++steps) {
    const TDataSet* master = source->DataSet();
    if (!master) return false;
    if (master == this) return true;
    source = master->GetDataSource();
  }
  return source != nullptr;
}

void TDataSet::SetDataSetField(TDataSetField* field) {
  if (field == dataSetField_) return;
  if (dataSetField_) {
    auto& list = dataSetField_->DataSet().nested_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    dataSetField_->nested_ = nullptr;
  }
  dataSetField_ = nullptr;
  if (!field) return;
  if (field->nested_) field->nested_->SetDataSetField(nullptr);
  dataSetField_ = field;
  field->nested_ = this;
  field->DataSet().nested_.push_back(this);
}

void TDataSet::Scrolled(TDataEvent event, int distance) {
  DataEvent(event, distance);
  if (nested_.empty()) return;
  for (TDataSet* nested : std::vector<TDataSet*>(nested_))
    if (nested->Active()) nested->DataEvent(deParentScroll);
}

TFieldClass TDataSet::GetFieldClass(TFieldType type) const {
  return type == ftDataSet ? &TDataSetField::Create : &TField::Create;
}

void TDataSet::MoveToFirst() {
  bof_ = true;
  eof_ = !InternalFirst();
  RecordMoved();
  Scrolled(deDataSetChange);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  DoBeforeRefresh();
  InternalRefresh();
  MoveToFirst();
  DoAfterRefresh();
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::AddCalculatedField(std::string name, TFieldType type, int size) {
  CheckInactive();
  TFieldDef def;
  def.Name = std::move(name);
  def.DataType = type;
  def.Size = size;
  def.FieldKind = fkCalculated;
  calcDefs_.push_back(std::move(def));
}

void TDataSet::AddLookupField(std::string name, TFieldType type, int size, TDataSet* lookupDataSet,
                              std::string keyFields, std::string lookupKeyFields, std::string lookupResultField) {
  CheckInactive();
  TFieldDef def;
  def.Name = std::move(name);
  def.DataType = type;
  def.Size = size;
  def.FieldKind = fkLookup;
  def.LookupDataSet = lookupDataSet;
  def.KeyFields = std::move(keyFields);
  def.LookupKeyFields = std::move(lookupKeyFields);
  def.LookupResultField = std::move(lookupResultField);
  calcDefs_.push_back(std::move(def));
}

void TDataSet::ClearCalculatedFields() {
  CheckInactive();
  calcDefs_.clear();
}

void TDataSet::Open() {
  if (Active()) return;
  DoBeforeOpen();
  state_ = dsOpening;
  try {
    OpenCursor();
    CreateFields();
    FieldsCreated();
  } catch (...) {
    // Whatever the cursor took before the failure (the store opened, buffers) is given back.
    try {
      CloseCursor();
    } catch (...) {
      // The first error is the one to report.
    }
    state_ = dsInactive;
    DestroyFields();
    throw;
  }
  bof_ = true;
  eof_ = !InternalFirst();
  SetState(dsBrowse);
  RecordMoved();
  DoAfterOpen();
  DoAfterScroll();
}

void TDataSet::Close() {
  if (!Active()) return;
  DoBeforeClose();
  if (state_ == dsEdit || state_ == dsInsert) InternalCancel();
  CloseCursor();
  blockReadSize_ = 0;
  DestroyFields();
  bof_ = eof_ = true;
  SetState(dsInactive);
  DoAfterClose();
}

void TDataSet::CreateFields() {
  fields_.clear();
  calcFieldCount_ = 0;
  for (const TFieldDef& def : fieldDefs_) {
    if (def.Hidden) continue;
    fields_.push_back(GetFieldClass(def.DataType)(*this, def));
    if (ObjectView) AddChildFields(*fields_.back(), def);
  }
  for (const TFieldDef& def : calcDefs_) {
    if (FindField(def.Name)) DatabaseError("Duplicate field name '" + def.Name + "'");
    if (def.FieldKind == fkLookup) {
      if (!def.LookupDataSet || SplitNames(def.KeyFields).empty() || SplitNames(def.LookupKeyFields).empty() ||
          def.LookupResultField.empty())
        DatabaseError("Lookup information for field '" + def.Name + "' is incomplete");
      if (def.LookupDataSet == this) DatabaseError("Circular datalinks are not allowed");
    }
    auto field = std::make_unique<TField>(*this, def);
    field->SetCalcIndex(calcFieldCount_++);
    fields_.push_back(std::move(field));
  }
  // Key fields name fields of this dataset: a wrong name shows at open, not at the first move.
  for (const TFieldDef& def : calcDefs_)
    if (def.FieldKind == fkLookup)
      for (const std::string& key : SplitNames(def.KeyFields)) FieldByName(key);
  activeCalc_.assign(static_cast<std::size_t>(calcFieldCount_), Variant::Null());
  spareCalc_.assign(static_cast<std::size_t>(calcFieldCount_), Variant::Null());
}

void TDataSet::AddChildFields(TField& field, const TFieldDef& def) {
  for (const TFieldDef& childDef : def.ChildDefs) {
    auto child = GetFieldClass(childDef.DataType)(*this, childDef);
    TField& added = *child;
    field.AddChildField(std::move(child));
    AddChildFields(added, childDef);
  }
}

TField* TDataSet::FindField(std::string_view name) {
  for (auto& f : fields_)
    if (olv::utf8::SameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) {
  if (TField* f = FindField(name)) return *f;
  DatabaseError("Field '" + std::string(name) + "' not found");
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TDataSet::Resync() {
  const bool has = HasCurrentRecord();
  bof_ = !has && bof_;
  eof_ = !has;
  if (has) bof_ = false;
  RecordMoved();
}

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  eof_ = !InternalFirst();
  bof_ = true;
  RecordMoved();
  Scrolled(deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  bof_ = !InternalLast();
  eof_ = true;
  RecordMoved();
  Scrolled(deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Next() {
  CheckBrowseMode();
  DoBeforeScroll();
  if (!eof_) {
    if (InternalNext()) {
      bof_ = false;
      RecordMoved();
      Scrolled(deDataSetScroll, 1);
    } else {
      eof_ = true;
    }
  }
  DoAfterScroll();
}

void TDataSet::Prior() {
  CheckBrowseMode();
  DoBeforeScroll();
  if (!bof_) {
    if (InternalPrior()) {
      eof_ = false;
      RecordMoved();
      Scrolled(deDataSetScroll, -1);
    } else {
      bof_ = true;
    }
  }
  DoAfterScroll();
}

void TDataSet::BeginInsert(bool append) {
  CheckBrowseMode();
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
  DoBeforeInsert();
  DoBeforeScroll();
  InternalInsert(append);
  SetState(dsInsert);
  std::fill(activeCalc_.begin(), activeCalc_.end(), Variant::Null());
  for (auto& f : fields_) f->SetModified(false);
  // Defaults before the new-record event, so that the handler sees (and may override) them.
  for (auto& f : fields_)
    if (!f->DefaultExpression.empty()) {
      try {
        f->SetAsString(f->DefaultExpression);
      } catch (const EConvertError&) {
        f->Clear();  // a default the field cannot hold is the server's to apply
      }
    }
  DoOnNewRecord();
  modified_ = false;
  DataEvent(deDataSetChange);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::SetBlockReadSize(int value) {
  if (value > 0) {
    CheckActive();
    // An edit buffer would be left behind by the state change.
    CheckBrowseMode();
    blockReadSize_ = value;
    SetState(dsBlockRead);
    return;
  }
  blockReadSize_ = value;
  if (state_ == dsBlockRead) {
    SetState(dsBrowse);
    RecordMoved();
  }
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  CheckActive();
  if (IsEmpty()) {
    Insert();
    return;
  }
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
  DoBeforeEdit();
  InternalEdit();
  SetState(dsEdit);
  for (auto& f : fields_) f->SetModified(false);
  DataEvent(deRecordChange);
  DoAfterEdit();
}

void TDataSet::Post() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DoBeforePost();
  for (auto& f : fields_)
    if (f->Required && !f->ReadOnly() && f->FieldNo() > 0 && f->IsNull())
      DatabaseError("Field '" + f->DisplayName() + "' must have a value");
  DataEvent(deUpdateRecord);
  InternalPost();
  SetState(dsBrowse);
  Resync();
  DataEvent(deDataSetChange);
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DoBeforeCancel();
  InternalCancel();
  SetState(dsBrowse);
  Resync();
  DataEvent(deDataSetChange);
  DoAfterCancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (IsEmpty()) DatabaseError("Cannot perform this operation on an empty dataset");
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
  if (state_ == dsEdit) Cancel();
  DoBeforeDelete();
  DoBeforeScroll();
  InternalDelete();
  Resync();
  if (eof_) bof_ = true;
  Scrolled(deDataSetChange);
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::FieldChanged(TField& field) {
  field.SetModified(true);
  if (state_ != dsCalcFields && state_ != dsFilter && state_ != dsNewValue) {
    modified_ = true;
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(&field));
  }
  if (field.FieldKind() == fkData && (state_ == dsEdit || state_ == dsInsert) && AutoCalcFields &&
      calcFieldCount_ != 0)
    CalculateFields(ActiveRecord(), activeCalc_);
}

TDataSet::CalcScope::CalcScope(TDataSet& dataSet, const void* record, std::vector<Variant>& area)
    : dataSet_(dataSet), state_(dataSet.state_), record_(dataSet.calcRecord_), area_(dataSet.calcTarget_) {
  dataSet_.state_ = dsCalcFields;
  dataSet_.calcRecord_ = record;
  dataSet_.calcTarget_ = &area;
}

TDataSet::CalcScope::~CalcScope() {
  dataSet_.state_ = state_;
  dataSet_.calcRecord_ = record_;
  dataSet_.calcTarget_ = area_;
}

void TDataSet::CalculateCurrent() {
  const void* record = ActiveRecord();
  if (!record || IsEmpty()) {
    std::fill(activeCalc_.begin(), activeCalc_.end(), Variant::Null());
    return;
  }
  CalculateFields(record, activeCalc_);
}

void TDataSet::CalculateFields(const void* record, std::vector<Variant>& area) {
  CalcScope scope(*this, record, area);
  std::fill(area.begin(), area.end(), Variant::Null());
  for (auto& f : fields_)
    if (f->FieldKind() == fkLookup) CalcLookupValue(*f, area);
  Fire(OnCalcFields, *this);
}

void TDataSet::CalcLookupValue(const TField& field, std::vector<Variant>& area) {
  TDataSet& lookup = *field.LookupDataSet();
  if (!lookup.Active()) return;
  std::vector<Variant> keys;
  for (const std::string& name : SplitNames(field.KeyFields())) {
    keys.push_back(FieldByName(name).AsVariant());
    // A NULL key refers to no record; it must not pick a lookup record whose key is NULL too.
    if (keys.back().IsEmptyOrNull()) return;
  }
  area[static_cast<std::size_t>(field.CalcIndex())] = lookup.Lookup(field.LookupKeyFields(), keys,
                                                                    field.LookupResultField());
}

Variant TDataSet::GetCalcValue(const TField& field) const {
  const std::vector<Variant>* area = nullptr;
  switch (state_) {
    case dsBrowse:
      if (!IsEmpty()) area = &activeCalc_;
      break;
    case dsEdit: case dsInsert: area = &activeCalc_; break;
    case dsCalcFields: area = calcTarget_; break;
    default: break;
  }
  const auto index = static_cast<std::size_t>(field.CalcIndex());
  if (!area || index >= area->size()) return Variant::Null();
  return (*area)[index];
}

void TDataSet::SetCalcValue(const TField& field, const Variant& value) {
  std::vector<Variant>* area = state_ == dsCalcFields ? calcTarget_
                               : (state_ == dsEdit || state_ == dsInsert) ? &activeCalc_
                                                                          : nullptr;
  const auto index = static_cast<std::size_t>(field.CalcIndex());
  if (!area || index >= area->size()) DatabaseError("Dataset not in edit or insert mode");
  Variant stored = value;
  if (!value.IsEmptyOrNull()) {
    switch (field.DataType()) {
      case ftString: case ftFixedChar: case ftWideString: case ftMemo: {
        std::string text = value.AsString();
        if (field.Size() > 0 && field.DataType() != ftMemo && text.size() > static_cast<std::size_t>(field.Size()))
          text.resize(static_cast<std::size_t>(field.Size()));
        stored = Variant(std::move(text));
        break;
      }
      case ftSmallint: case ftInteger: case ftWord: stored = Variant(value.AsInteger()); break;
      case ftFloat: case ftCurrency: stored = Variant(value.AsDouble()); break;
      case ftBoolean: stored = Variant(value.AsBoolean()); break;
      case ftDate: case ftTime: case ftDateTime: stored = Variant::Date(value.AsDate()); break;
      default: break;
    }
  } else {
    stored = Variant::Null();
  }
  (*area)[index] = std::move(stored);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark);
  Resync();
  Scrolled(deDataSetChange);
  DoAfterScroll();
}

void TDataSet::SetFiltered(bool value) {
  if (Active()) CheckBrowseMode();
  if (filtered_ == value) return;
  filtered_ = value;
  FilterChanged(Active());
  if (Active()) {
    MoveToFirst();
  }
}

void TDataSet::SetFilterData(std::string text, TFilterOptions options) {
  if (text == filterText_ && options == filterOptions_) return;
  if (Active()) CheckBrowseMode();
  filterText_ = std::move(text);
  filterOptions_ = options;
  const bool renumber = Active() && filtered_;
  FilterChanged(renumber);
  if (renumber) {
    MoveToFirst();
  }
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
  if (Active()) CheckBrowseMode();
  onFilterRecord_ = std::move(handler);
  FilterChanged(Active());
  if (Active()) {
    MoveToFirst();
  }
}

bool TDataSet::Find(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  found_ = FindRecord(restart, goForward);
  if (found_) {
    Resync();
    Scrolled(deDataSetChange);
    DoAfterScroll();
  }
  return found_;
}

bool TDataSet::Locate(std::string_view keyFields, const std::vector<Variant>& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  DoBeforeScroll();
  const bool found = LocateRecord(keyFields, keyValues, options);
  if (found) {
    Resync();
    Scrolled(deDataSetChange);
    DoAfterScroll();
  }
  return found;
}

std::vector<Variant> TDataSet::LookupValues(std::string_view keyFields, const std::vector<Variant>& keyValues,
                                            std::string_view resultFields) {
  CheckBrowseMode();
  std::vector<Variant> values;
  if (!LookupRecord(keyFields, keyValues, resultFields, values)) {
    values.assign(std::max<std::size_t>(SplitNames(resultFields).size(), 1), Variant::Null());
  }
  return values;
}

Variant TDataSet::Lookup(std::string_view keyFields, const std::vector<Variant>& keyValues,
                         std::string_view resultFields) {
  CheckBrowseMode();
  std::vector<Variant> values;
  if (!LookupRecord(keyFields, keyValues, resultFields, values) || values.empty()) return Variant::Null();
  if (values.size() > 1) return Variant::ArrayOf(std::move(values));
  return values.front();
}

}  // namespace da
