#include "dataaccess/FieldDesc.h"

#include "dataaccess/DAErrors.h"
#include "dataaccess/TextUtil.h"

namespace da {

TFieldDesc& TFieldDescs::Add(std::unique_ptr<TFieldDesc> desc) {
  items_.push_back(std::move(desc));
  return *items_.back();
}

TFieldDesc* TFieldDescs::FindField(std::string_view name) const {
  const bool byPath = name.find('.') != std::string_view::npos || name.find('[') != std::string_view::npos;
  const std::string upper = AsciiUpper(name);
  for (const auto& desc : items_)
    if (AsciiUpper(byPath ? desc->ActualName : desc->Name) == upper) return desc.get();
  return nullptr;
}

TFieldDesc& TFieldDescs::FieldByName(std::string_view name) const {
  TFieldDesc* desc = FindField(name);
  if (!desc) throw Exception("Field " + std::string(name) + " not found.");
  return *desc;
}

}  // namespace da
