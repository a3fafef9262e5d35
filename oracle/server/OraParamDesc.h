#pragma once
// TOraParamDesc: the Oracle parameter description, a TParamDesc with a bind buffer in Oracle's
// external formats: Length items of one item size each (a PL/SQL index-by table or DML array
// when Length is 2 or more), one 16-bit indicator per item (-1 NULL, 0 a value, above 0 a value
// the server cut), and conversions from and to variants. Parameters of the object-like types
// (LOBs, files, cursors, object instances, timestamps, intervals) carry no buffer but the object
// they bind, which they do not own.
//
// Item sizes: dtString, dtFixedChar, dtExtString and dtRowId (its text) Size + 1 (at least 2), a
// NUL-terminated text; dtBytes, dtVarBytes and dtExtVarBytes Size + 2, a 16-bit length and the
// bytes (first item only); dtInt32 and dtBoolean 4; dtFloat 8; dtDateTime 7 (an Oracle DATE,
// OraDate.h); the object-like types, dtLabel and dtUndefined (always NULL here) 0.
// Items are numbered from 1; another index raises ERangeError "Index of array is not range".
// A typed setter that does not fit the current item size lays the buffer out again for its type.
//
// One thread at a time.
#include <cstdint>
#include <string>
#include <vector>

#include "dataaccess/VtAccess.h"
#include "oracle/OraDataTypes.h"

namespace da {
class TBlob;
}

namespace ora {

class TOraCursor;
class TOraLob;
class TOraFile;
class TOraTimeStamp;
class TOraInterval;

// The platform's range error.
class ERangeError : public da::Exception {
 public:
  using da::Exception::Exception;
};

class TOraParamDesc : public da::TParamDesc {
 public:
  TOraParamDesc();
  ~TOraParamDesc() override;
  TOraParamDesc(const TOraParamDesc&) = delete;
  TOraParamDesc& operator=(const TOraParamDesc&) = delete;

  void SetDataType(da::TDataType value) override;
  void SetSize(std::int32_t value) override;
  // Length of 2 or more: a variant array of the items, bounds 1 to Length.
  da::Variant GetValue() override;
  // A variant array sets Length to its high bound and stores elements low to high as items of
  // the same index (so arrays must start at 1); bytes parameters take a text or byte array whole.
  void SetValue(const da::Variant& value) override;
  bool GetNull() override { return GetItemNull(1); }
  void SetNull(bool value) override { SetItemNull(1, value); }

  void SetLength(std::int32_t length);
  std::int32_t GetLength() const { return length_; }
  void SetTable(bool value) { Table = value; }
  bool GetTable() const { return Table; }
  std::int32_t GetItemSize() const { return itemSize_; }
  // The item buffer, or the bound object for the object-like types.
  void* GetValuePtr();
  std::int16_t* GetIndicatorPtr() { return indicators_; }

  // Binds an object (not owned): a blob (LONG values), LOB, file, cursor, object instance,
  // timestamp or interval, of the type the data type says. A timestamp's or interval's own
  // indicator then serves as the parameter's; ownIndicator names another one.
  void SetObject(da::TSharedObject* object, std::int16_t* ownIndicator = nullptr);
  da::TSharedObject* GetObject() const { return object_; }
  // The object as its type, unchecked.
  TOraCursor* GetAsCursor() const;
  da::TBlob* GetAsBlob() const;
  TOraLob* GetAsLob() const;
  TOraFile* GetAsFile() const;
  TOraTimeStamp* GetAsTimeStamp() const;
  TOraInterval* GetAsInterval() const;

  bool GetItemNull(std::int32_t index);
  void SetItemNull(std::int32_t index, bool isNull);
  std::int16_t GetIndicator(std::int32_t index);
  void SetIndicator(std::int32_t index, std::int16_t value);

  std::int32_t GetItemAsInteger(std::int32_t index);
  void SetItemAsInteger(std::int32_t index, std::int32_t value);
  double GetItemAsFloat(std::int32_t index);
  void SetItemAsFloat(std::int32_t index, double value);
  double GetItemAsDateTime(std::int32_t index);
  void SetItemAsDateTime(std::int32_t index, double value);
  bool GetItemAsBoolean(std::int32_t index);
  void SetItemAsBoolean(std::int32_t index, bool value);
  std::string GetItemAsString(std::int32_t index);
  void SetItemAsString(std::int32_t index, const std::string& value);
  da::Variant GetItemValue(std::int32_t index);
  void SetItemValue(std::int32_t index, const da::Variant& value);

  // Before binding: item 1's indicator from the bound object (no object: NULL).
  void SyncIndicator();

  bool Table = false;
  std::int32_t BindCount = 0;       // items the last bind announced; the server updates it for tables
  void* BindHandle = nullptr;       // the bind of a LONG value, found again by the piece callbacks
  std::int32_t PieceCounter = 0;
  bool QuotedName = false;          // written in double quotes in the SQL text
  std::int32_t ActualLength = 0;    // bytes of text in the last string item written
  // An object, collection or REF parameter: the instance (or REF) and indicator structure the
  // library reads and, for an output, replaces; the command hands the new ones to the object.
  void* BoundInstance = nullptr;
  void* BoundIndicator = nullptr;
  da::TSharedObject* BoundObject = nullptr;  // whose they are; another object set since takes none

 private:
  void LayOut();
  void FreeBuffer();
  void CheckIndex(std::int32_t index) const;
  std::uint8_t* Item(std::int32_t index) { return buffer_.data() + static_cast<std::size_t>(index - 1) * itemSize_; }
  // Makes the item size fit a value of n bytes of the given type.
  void Fit(da::TDataType type, std::int32_t n);
  // A fixed-size item: 0 when NULL or of another type; stored, the item is not NULL.
  template <class T>
  T ReadItem(std::int32_t index, da::TDataType type);
  template <class T>
  void WriteItem(std::int32_t index, da::TDataType type, T value);

  std::vector<std::uint8_t> buffer_;
  std::vector<std::int16_t> ownIndicators_;
  std::int16_t singleIndicator_ = -1;
  std::int16_t* indicators_ = &singleIndicator_;
  da::TSharedObject* object_ = nullptr;
  std::int32_t itemSize_ = 0;
  std::int32_t length_ = 1;
};

}  // namespace ora
