#pragma once
// TCustomDAUpdateSQL: the statements a SQL dataset uses for its changes instead of generating
// them: ModifySQL, InsertSQL, DeleteSQL (by update kind) and RefreshSQL. Parameters name the
// record's fields (":NAME" the current value, ":OLD_NAME" the value before the edit). Apply runs
// the statement of a kind for the dataset's current record (as an update statement).
// Ownership: refers to its dataset; each side clears the other's reference when it goes. One thread.
#include <string>

#include "dataaccess/DAComponent.h"
#include "dataaccess/Data.h"

namespace da {

class TCustomDADataSet;

class TCustomDAUpdateSQL : public TDAComponent {
 public:
  TCustomDAUpdateSQL() = default;
  ~TCustomDAUpdateSQL() override;
  std::string ClassName() const override { return "TCustomDAUpdateSQL"; }

  std::string ModifySQL, InsertSQL, DeleteSQL, RefreshSQL;
  virtual const std::string& GetSQL(TUpdateKind kind) const;
  virtual TCustomDADataSet* DataSet() const { return dataSet_; }
  // Makes dataSet this object's dataset (its UpdateObject).
  virtual void SetDataSet(TCustomDADataSet* dataSet);
  virtual void Apply(TUpdateKind kind);

 private:
  friend class TCustomDADataSet;
  TCustomDADataSet* dataSet_ = nullptr;
};

}  // namespace da
