#include "foundation/expr/ExpFunction.h"

namespace olv {

int TotalParamCount(const TFunction& f) {
  const long long n = static_cast<long long>(f.MinParamCount()) + f.OptParamCount();
  return n > INT_MAX ? INT_MAX : static_cast<int>(n < 0 ? 0 : n);
}

int TFunction::ParamCount() const {
  const int slots = TotalParamCount(*this);
  for (int i = (slots < kMaxParams ? slots : kMaxParams); i > 0; --i)
    if (GetParam(i - 1)) return i;
  return 0;
}

bool TN1Function::AddParam(int index, std::unique_ptr<TExpression>& node) {
  if (node && (node->DataType == TExpDataType::Boolean || node->DataType == TExpDataType::Char ||
               node->DataType == TExpDataType::String))
    return false;
  return TFunction::AddParam(index, node);
}

}  // namespace olv
