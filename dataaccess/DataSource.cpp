#include "dataaccess/DataSource.h"

#include <algorithm>

#include "dataaccess/DataSet.h"

namespace da {

TDataSource::TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  // Copy: a link leaving its source edits the list.
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links) link->SourceGone();
  links_.clear();
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) dataSet_->RemoveDataSource(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->AddDataSource(this);
  DataEvent(deUpdateState, 0);
}

void TDataSource::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
}

bool TDataSource::IsEditing() const {
  return dataSet_ && (dataSet_->State() == dsEdit || dataSet_->State() == dsInsert);
}

void TDataSource::RemoveLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
    if (OnStateChange) OnStateChange(*this);
    return;
  }
  if (!enabled_) return;
  // A link may leave (or a detail close) while it is told: walk a copy, skipping the ones gone.
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, info);
  switch (event) {
    case deFieldChange: case deRecordChange:
      if (OnDataChange) OnDataChange(*this, reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange: case deDataSetScroll: case deLayoutChange:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(*this);
      break;
    default: break;
  }
}

TDataLink::~TDataLink() {
  if (dataSource_) dataSource_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == dataSource_) return;
  if (dataSource_) dataSource_->RemoveLink(this);
  dataSource_ = source;
  if (dataSource_) dataSource_->AddLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TDataLink::UpdateState() {
  const bool active = dataSource_ && dataSource_->Enabled() && DataSet() && DataSet()->Active();
  const bool editing = active && dataSource_->IsEditing();
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange: case deRecordChange: RecordChanged(reinterpret_cast<TField*>(info)); break;
    case deDataSetChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(static_cast<int>(info)); break;
    case deLayoutChange: LayoutChanged(); break;
    case deUpdateRecord: UpdateData(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    default: break;
  }
}

}  // namespace da
