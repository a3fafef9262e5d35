#include "dataaccess/ObjectType.h"

#include "dataaccess/TextUtil.h"

namespace da {

TAttribute::~TAttribute() { SetObjectType(nullptr); }

void TAttribute::SetObjectType(TObjectType* type) {
  if (type == objectType_) return;
  bool holdNew = type && !(owner_ && type->Name == owner_->Name);
  if (holdNew) type->AddRef();
  TObjectType* old = objectType_;
  bool heldOld = holdsReference_;
  objectType_ = type;
  holdsReference_ = holdNew;
  if (heldOld) old->Release();
}

TAttribute& TObjectType::AddAttribute(std::string name, TDataType dataType) {
  auto attribute = std::make_unique<TAttribute>(this);
  attribute->Name = std::move(name);
  attribute->DataType = dataType;
  attribute->AttributeNo = static_cast<std::uint16_t>(attributes_.size());
  attributes_.push_back(std::move(attribute));
  return *attributes_.back();
}

TAttribute* TObjectType::FindOwnAttribute(std::string_view upperName) const {
  for (const auto& attribute : attributes_)
    if (AsciiUpper(attribute->Name) == upperName) return attribute.get();
  return nullptr;
}

TAttribute* TObjectType::FindAttribute(std::string_view path) const {
  const std::string upper = AsciiUpper(path);
  std::string_view rest = upper;
  const TObjectType* type = this;
  while (true) {
    if (!type) return nullptr;  // "A." on an object attribute that has no type
    while (!rest.empty() && static_cast<unsigned char>(rest.front()) <= ' ') rest.remove_prefix(1);
    const std::size_t dot = rest.find('.');
    const std::size_t bracket = rest.find('[');
    const bool hasDot = dot != std::string_view::npos;
    const bool hasBracket = bracket != std::string_view::npos;
    std::string_view name;
    if (!rest.empty() && rest.front() == '[') {
      const std::size_t close = rest.find(']');
      if (close == std::string_view::npos) return nullptr;
      // Every element of a collection has the same description: the index is not looked at.
      name = "ELEMENT";
      rest.remove_prefix(close + 1);
      if (!rest.empty() && rest.front() == '.') rest.remove_prefix(1);
    } else if (hasDot && (!hasBracket || dot < bracket)) {
      name = rest.substr(0, dot);
      rest.remove_prefix(dot + 1);
    } else if (hasBracket) {
      name = rest.substr(0, bracket);
      rest.remove_prefix(bracket);
    } else {
      name = rest;
      rest = {};
    }
    TAttribute* attribute = type->FindOwnAttribute(name);
    if (!attribute) return nullptr;
    if (hasDot && !IsObjectDataType(attribute->DataType)) return nullptr;
    if (!rest.empty() && !attribute->ObjectType()) return nullptr;
    type = attribute->ObjectType();
    if (hasDot) continue;
    if (!hasBracket || rest.empty()) return attribute;
  }
}

TAttribute& TObjectType::AttributeByName(std::string_view path) const {
  TAttribute* attribute = FindAttribute(path);
  if (!attribute) throw Exception("Attribute " + std::string(path) + " not found.");
  return *attribute;
}

}  // namespace da
