#pragma once
// Object types and their attributes: TObjectType names an object, varying-array or nested-table
// type and owns its list of TAttribute; an attribute may itself carry an object type, so that a
// path such as ADDR.STREET or LINES[3].TEXT can be resolved (FindAttribute). A collection type
// has exactly one attribute, "ELEMENT", describing its elements.
//
// Ownership: a type is a shared object (released, never deleted). Its attributes belong to it and
// die with it. An attribute holds a counted reference on its ObjectType, except on a type with the
// same Name as its owner (a self-referring type would otherwise never be freed). Not thread-safe:
// a type is built by one thread, then only read.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/DataTypes.h"
#include "dataaccess/SharedObject.h"

namespace da {

class TObjectType;

class TAttribute {
 public:
  explicit TAttribute(TObjectType* owner) : owner_(owner) {}
  ~TAttribute();
  TAttribute(const TAttribute&) = delete;
  TAttribute& operator=(const TAttribute&) = delete;

  std::string Name;
  TDataType DataType = dtUnknown;
  std::uint16_t Length = 0;
  std::uint16_t Scale = 0;
  std::uint16_t Size = 0;             // bytes of the value in a record buffer
  std::uint16_t DataSize = 0;         // bytes in the server-side instance layout
  std::uint16_t Offset = 0;           // position in that layout
  std::uint16_t IndicatorOffset = 0;  // position of its NULL indicator there
  std::uint16_t AttributeNo = 0;      // index in the owner's list
  bool Fixed = false;

  TObjectType* Owner() const { return owner_; }
  TObjectType* ObjectType() const { return objectType_; }
  // Takes a reference on the new type and drops the one on the old type, under the reference rule.
  void SetObjectType(TObjectType* type);

 private:
  TObjectType* owner_;
  TObjectType* objectType_ = nullptr;
  // Whether objectType_ carries our reference; remembered, so that a later rename of either
  // type cannot make release and add-reference disagree.
  bool holdsReference_ = false;
};

class TObjectType : public TSharedObject {
 public:
  TObjectType() = default;
  TObjectType(std::string name, TDataType dataType) : Name(std::move(name)), DataType(dataType) {}

  std::string Name;
  TDataType DataType = dtObject;  // dtObject, dtArray or dtTable
  std::int32_t Size = 0;          // for dtArray: the maximum element count

  // Appends a new attribute owned by this type and returns it.
  TAttribute& AddAttribute(std::string name, TDataType dataType);

  // The attribute at the end of a path (A, A.B, A[n], A[n].B, ...), or nullptr. Case-insensitive;
  // blanks before each segment are ignored; never raises.
  TAttribute* FindAttribute(std::string_view path) const;
  // FindAttribute, or Exception "Attribute %s not found.".
  TAttribute& AttributeByName(std::string_view path) const;

  TAttribute* GetAttributes(int index) const { return attributes_.at(static_cast<std::size_t>(index)).get(); }
  int GetAttributeCount() const { return static_cast<int>(attributes_.size()); }
  void ClearAttributes() { attributes_.clear(); }

 protected:
  ~TObjectType() override { ClearAttributes(); }

 private:
  TAttribute* FindOwnAttribute(std::string_view upperName) const;

  std::vector<std::unique_ptr<TAttribute>> attributes_;
};

}  // namespace da
