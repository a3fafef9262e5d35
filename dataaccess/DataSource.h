#pragma once
// Data sources and data links, in place of the platform's: a TDataSource stands between one
// dataset and the links that follow it (a master/detail link, a control); the dataset sends its
// data events to its sources, each source to its links, and a link turns them into the virtual
// notifications below. A detail dataset reaches its master through a TDetailDataLink.
//
// What a link hears, by event: deUpdateState -> ActiveChanged when the dataset opens or closes,
// EditingChanged when editing starts or ends; deDataSetChange -> DataSetChanged; deDataSetScroll
// -> DataSetScrolled; deLayoutChange -> LayoutChanged (these three end in RecordChanged(nullptr)
// unless overridden); deRecordChange and deFieldChange -> RecordChanged(field, or nullptr);
// deUpdateRecord -> UpdateData; deCheckBrowseMode -> CheckBrowseMode. An inactive link hears
// nothing but deUpdateState. A disabled source passes nothing on.
//
// Ownership: none between the three: each side unregisters itself when destroyed (a destroyed
// dataset leaves its sources without one; a destroyed source leaves its links without one).
// One thread: the datasets'.
#include <cstdint>
#include <functional>
#include <vector>

namespace da {

class TDataSet;
class TField;
class TDataLink;

// The platform's data events, with its numbering.
enum TDataEvent : std::uint8_t {
  deFieldChange = 0, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
  deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl, deParentScroll,
  deConnectChange, deReconcileError, deDisabledStateChange
};

class TDataSource {
 public:
  using TNotifyEvent = std::function<void(TDataSource&)>;
  using TDataChangeEvent = std::function<void(TDataSource&, TField* field)>;

  explicit TDataSource(TDataSet* dataSet = nullptr);
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  bool Enabled() const { return enabled_; }
  // Switching tells the links as a state change does.
  void SetEnabled(bool value);
  // Whether the dataset is in its edit or insert state.
  bool IsEditing() const;

  // Called on deDataSetChange, deDataSetScroll, deRecordChange and deFieldChange (field for the last).
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange, OnUpdateData;

  // From the dataset: passes the event to every link.
  void DataEvent(TDataEvent event, std::intptr_t info);
  const std::vector<TDataLink*>& Links() const { return links_; }

 private:
  friend class TDataLink;
  friend class TDataSet;
  void AddLink(TDataLink* link) { links_.push_back(link); }
  void RemoveLink(TDataLink* link);
  void DataSetGone() { dataSet_ = nullptr; }

  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  std::vector<TDataLink*> links_;
};

class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // The source is enabled and its dataset open.
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }

  void DataEvent(TDataEvent event, std::intptr_t info);

 protected:
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}

 private:
  friend class TDataSource;
  void UpdateState();
  void SourceGone() {
    dataSource_ = nullptr;
    UpdateState();
  }

  TDataSource* dataSource_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
};

// The link of a detail dataset to its master's source.
class TDetailDataLink : public TDataLink {
 public:
  virtual TDataSet* DetailDataSet() const { return nullptr; }
};

}  // namespace da
