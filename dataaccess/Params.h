#pragma once
// TParam and TParams, in place of the platform's: the parameters of a SQL text as the components
// keep them (name, field type, direction, value), found in a text with ParseSQL ("select ... where
// a = :A" gives the parameter A and the text "select ... where a = ?"), copied by name, and
// written to and read from fields. A driver's parameter class derives from TParam and its list
// from TParams, which makes its items through the virtual CreateItem.
//
// ParseSQL: a parameter is ":" followed by a name (letters, digits, "_", "$", "#" and any
// non-ASCII character) or by a name in double quotes; "::" and ":=" are no parameters, nor is
// anything inside quotes ('...' or "..."). Each occurrence is a parameter of its own, in text
// order (the "?" of the text are positional).
//
// Errors: "Parameter '%s' not found" (EDatabaseError) from ParamByName and ParamValues.
// Ownership: a list owns its parameters. One thread.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/DataTypes.h"
#include "dataaccess/Field.h"
#include "dataaccess/Variant.h"

namespace da {

class TParam {
 public:
  TParam() = default;
  TParam(std::string name, TFieldType dataType, TParamType paramType)
      : Name(std::move(name)), ParamType(paramType), dataType_(dataType) {}
  virtual ~TParam() = default;
  TParam(const TParam&) = delete;
  TParam& operator=(const TParam&) = delete;

  std::string Name;
  TParamType ParamType = ptUnknown;
  int Size = 0;
  // A value was given (a value set, or Clear).
  bool Bound = false;

  virtual TFieldType DataType() const { return dataType_; }
  virtual void SetDataType(TFieldType value) { dataType_ = value; }
  virtual Variant Value() const { return value_; }
  // Stores the value; a parameter of unknown type takes the type of the value.
  virtual void SetValue(const Variant& value);
  virtual bool IsNull() const { return value_.IsEmptyOrNull(); }
  // The value becomes Null (bound).
  virtual void Clear();
  // Name, type, direction, size, value and bound flag of source.
  virtual void Assign(const TParam& source);
  // The field's name, type and value (NULL clears).
  virtual void AssignField(const TField& field);
  // The value of a field, with the field's type when this one has none.
  virtual void AssignFieldValue(const TField& field, const Variant& value);
  // Writes the value into the field.
  virtual void AssignTo(TField& field) const;

  std::string AsString() const { return IsNull() ? std::string() : Value().AsString(); }
  std::int32_t AsInteger() const { return IsNull() ? 0 : Value().AsInteger(); }
  double AsFloat() const { return IsNull() ? 0 : Value().AsDouble(); }
  bool AsBoolean() const { return IsNull() ? false : Value().AsBoolean(); }
  double AsDateTime() const { return IsNull() ? 0 : Value().AsDate(); }
  // Each sets the value and the type that goes with it.
  void SetAsString(std::string value) { SetTyped(ftString, Variant(std::move(value))); }
  void SetAsInteger(std::int32_t value) { SetTyped(ftInteger, Variant(value)); }
  void SetAsFloat(double value) { SetTyped(ftFloat, Variant(value)); }
  void SetAsBoolean(bool value) { SetTyped(ftBoolean, Variant(value)); }
  void SetAsDateTime(double dayNumber) { SetTyped(ftDateTime, Variant::Date(dayNumber)); }
  void SetAsMemo(std::string value) { SetTyped(ftMemo, Variant(std::move(value))); }

 private:
  void SetTyped(TFieldType type, const Variant& value) {
    SetDataType(type);
    SetValue(value);
  }

  TFieldType dataType_ = ftUnknown;
  Variant value_;
};

class TParams {
 public:
  TParams() = default;
  virtual ~TParams() = default;
  TParams(const TParams&) = delete;
  TParams& operator=(const TParams&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TParam& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  TParam& CreateParam(TFieldType dataType, std::string name, TParamType paramType);
  void Remove(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }

  // Case-insensitive; the first of that name.
  TParam* FindParam(std::string_view name) const;
  TParam& ParamByName(std::string_view name) const;
  // One name: its value; names separated by ";": a variant array of their values (from 0).
  Variant ParamValues(std::string_view names) const;
  // One name: value; several: value must be an array with an item for each, in order.
  void SetParamValues(std::string_view names, const Variant& value);

  // Copies of source's parameters in place of these (items made by CreateItem).
  virtual void Assign(const TParams& source);
  // Each parameter of source that has a namesake here is assigned to it.
  void AssignValues(const TParams& source);
  // Same count, and each parameter equal in name, type, direction and value.
  bool IsEqual(const TParams& other) const;

  // The text with every parameter replaced by "?"; with doCreate, the parameters are added.
  std::string ParseSQL(std::string_view sql, bool doCreate);

 protected:
  // A new parameter of the list's class.
  virtual std::unique_ptr<TParam> CreateItem() { return std::make_unique<TParam>(); }

 private:
  std::vector<std::unique_ptr<TParam>> items_;
};

}  // namespace da
