#include "dataaccess/DAUpdateSQL.h"

#include "dataaccess/DADataSet.h"

namespace da {

TCustomDAUpdateSQL::~TCustomDAUpdateSQL() {
  if (dataSet_ && dataSet_->UpdateObject() == this) dataSet_->SetUpdateObject(nullptr);
}

const std::string& TCustomDAUpdateSQL::GetSQL(TUpdateKind kind) const {
  switch (kind) {
    case ukInsert: return InsertSQL;
    case ukDelete: return DeleteSQL;
    default: return ModifySQL;
  }
}

void TCustomDAUpdateSQL::SetDataSet(TCustomDADataSet* dataSet) {
  if (dataSet) {
    dataSet->SetUpdateObject(this);
  } else if (dataSet_) {
    dataSet_->SetUpdateObject(nullptr);
  }
}

void TCustomDAUpdateSQL::Apply(TUpdateKind kind) {
  if (dataSet_) dataSet_->PerformSQL(GetSQL(kind), StatementBit(stUpdate));
}

}  // namespace da
