#pragma once
// TRecordLocator: the locate engine of the record store. It searches a store for the record whose
// key fields hold given values, optionally case-insensitively, by prefix, from the current record
// or backwards, and leaves the cursor on it (or restores the position). The dataset builds its
// Locate and Lookup on it; FieldToBuffer and CompareFieldValue are the two steps a dataset may
// override for its own field types.
//
// Key values: one per key field; a missing or Empty/Null value is a NULL key, which matches only
// a NULL field. Errors: "Field %s not found." for an unknown key field, "Cannot convert type."
// for a key or field type that cannot be compared (EConvertError from FieldToBuffer, Exception
// from CompareFieldValue). A failing search restores the position and returns false.
//
// Ownership: the locator refers to the store, which must outlive it. One thread.
#include <cstdint>
#include <string_view>
#include <vector>

#include "dataaccess/Data.h"

namespace da {

using TLocateExOptions = std::uint8_t;
inline constexpr TLocateExOptions lxCaseInsensitive = 1;
inline constexpr TLocateExOptions lxPartialKey = 2;
inline constexpr TLocateExOptions lxNearest = 4;  // a field value above the key matches too
inline constexpr TLocateExOptions lxNext = 8;     // start at the current record
inline constexpr TLocateExOptions lxUp = 16;      // search backwards

class TRecordLocator {
 public:
  explicit TRecordLocator(TData& data) : data_(data) {}
  virtual ~TRecordLocator() = default;

  // keyFields: names separated by ";". The i-th value goes with the i-th field (Null beyond the
  // values given).
  bool LocateEx(std::string_view keyFields, const std::vector<Variant>& keyValues, bool restorePosition,
                TLocateExOptions options);
  // A single key value: for the first field; the other fields are looked for as NULL.
  bool LocateEx(std::string_view keyFields, const Variant& keyValue, bool restorePosition, TLocateExOptions options);

  // The key buffer of a value for the field, and the type it is to be compared as; false (no
  // buffer) for Empty or Null.
  virtual bool FieldToBuffer(const Variant& value, std::vector<std::uint8_t>& buffer, const TFieldDesc& field,
                             TDataType& bufferType);
  // Whether the record's non-NULL field matches the key.
  virtual bool CompareFieldValue(const void* key, TDataType keyType, TLocateExOptions options, const void* record,
                                 const TFieldDesc& field);

 protected:
  TData& Data() { return data_; }
  // The field's value as text, for a text key.
  std::string FieldText(const void* record, const TFieldDesc& field);
  // A date, time or date-time field's value as a day number, through the store's conversion.
  double FieldDay(const void* record, const TFieldDesc& field);

 private:
  TData& data_;
};

}  // namespace da
