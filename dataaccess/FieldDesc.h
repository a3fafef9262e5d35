#pragma once
// TFieldDesc: one field of a record store (name, full path, data type, length, scale, 1-based
// field number, size and offset in the record buffer, object type, parent field), and
// TFieldDescs, the list of them that a store owns.
//
// Ownership: the list owns its descriptors and frees them when cleared. A descriptor holds a
// counted reference on its ObjectType. ParentField points into the same list. One thread.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/DataTypes.h"
#include "dataaccess/ObjectType.h"

namespace da {

class TFieldDesc {
 public:
  TFieldDesc() = default;
  ~TFieldDesc() { SetObjectType(nullptr); }
  TFieldDesc(const TFieldDesc&) = delete;
  TFieldDesc& operator=(const TFieldDesc&) = delete;

  std::string Name;        // for a child field the attribute name, or "[i]" for an array element
  std::string ActualName;  // full path of a child field; equal to Name at the top level
  TDataType DataType = dtUnknown;
  // What a column of DataType holds beyond its storage form (a ROWID kept as text, a long text
  // kept as a memo); dtUnknown when nothing more. The framework only carries it.
  TDataType SubDataType = dtUnknown;
  std::uint16_t Length = 0;
  std::uint16_t Scale = 0;
  std::uint16_t FieldNo = 0;  // 1-based position in the list
  std::uint16_t Size = 0;     // bytes in the record (0 for a child field)
  std::uint32_t Offset = 0;
  bool Required = false;
  bool ReadOnly = false;
  bool Fixed = false;
  bool Hidden = false;
  bool HiddenObject = false;
  TFieldDesc* ParentField = nullptr;

  bool HasParent() const { return ParentField != nullptr; }

  TObjectType* ObjectType() const { return objectType_; }
  void SetObjectType(TObjectType* type) {
    if (type == objectType_) return;
    if (type) type->AddRef();
    TObjectType* old = objectType_;
    objectType_ = type;
    da::Release(old);
  }

 private:
  TObjectType* objectType_ = nullptr;
};

class TFieldDescs {
 public:
  // Appends a descriptor (taking ownership) and returns it.
  TFieldDesc& Add(std::unique_ptr<TFieldDesc> desc);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDesc* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }

  // Case-insensitive; a name holding "." or "[" is compared with ActualName, else with Name.
  TFieldDesc* FindField(std::string_view name) const;
  // FindField, or Exception "Field %s not found.".
  TFieldDesc& FieldByName(std::string_view name) const;

 private:
  std::vector<std::unique_ptr<TFieldDesc>> items_;
};

}  // namespace da
