#pragma once
// TOraParam and TOraParams: the Oracle components' parameters. A TOraParam is a TParam that can
// also carry an Oracle value object (LOB, BFILE, cursor, timestamp, interval; a LONG value as a
// blob), an object instance, VARRAY, nested table or REF (TOraObject and its kin, without a type
// until one is given), a PL/SQL table value (Table) or one value per row of a DML array
// (Length >= 2, the value then a variant array with bounds 1 .. Length). The object a parameter
// has follows its type: changing the type releases the old object and makes a new, empty one of
// the new type.
//
// The Oracle field types above the platform's (ftBFile ...) and the mapping between the record
// store's data types and field types (OraDataTypeToFieldType, OraFieldTypeToDataType) live here
// too.
//
// Errors (EDatabaseError): "This type cannot consist in table", "Type is not allowed in DML
// array", "Unknown type of parameter %s.", "Index of array is not range"; "Unsupported data type"
// (EOraError). Ownership: a parameter holds one reference on its object (released, never
// deleted); a list owns its parameters. One thread.
#include <cstdint>
#include <memory>
#include <string>

#include "dataaccess/Field.h"
#include "dataaccess/Params.h"
#include "dataaccess/Stream.h"
#include "oracle/OraDataTypes.h"

namespace da {
class TBlob;
class TSharedObject;
}  // namespace da

namespace olv {
class TStringList;
}

namespace ora {

class TOraCursor;
class TOraLob;
class TOraFile;
class TOraTimeStamp;
class TOraInterval;
class TOraObject;
class TOraArray;
class TOraNestTable;

// What can write itself to a stream and read itself back: a parameter of a LOB type takes such
// an object's bytes.
class IStreamPersist {
 public:
  virtual void LoadFromStream(da::TStream& stream) = 0;
  virtual void SaveToStream(da::TStream& stream) = 0;

 protected:
  ~IStreamPersist() = default;
};

// The Oracle field types above the platform's.
inline constexpr auto ftBFile = static_cast<da::TFieldType>(100);
inline constexpr auto ftLabel = static_cast<da::TFieldType>(101);
inline constexpr auto ftIntervalYM = static_cast<da::TFieldType>(103);
inline constexpr auto ftIntervalDS = static_cast<da::TFieldType>(104);
inline constexpr auto ftTimeStampTZ = static_cast<da::TFieldType>(105);
inline constexpr auto ftTimeStampLTZ = static_cast<da::TFieldType>(106);

da::TFieldType OraDataTypeToFieldType(da::TDataType dataType);
da::TDataType OraFieldTypeToDataType(da::TFieldType fieldType);
// Field types whose parameter value is an object of its own.
bool IsObjectFieldType(da::TFieldType type);
bool IsLobFieldType(da::TFieldType type);  // ftBlob, ftMemo, ftOraBlob, ftOraClob, ftBFile


enum TSubFieldType : std::uint8_t { stNone, stOraBlob, stOraClob };

class TOraParam : public da::TParam {
 public:
  TOraParam() = default;
  ~TOraParam() override;

  void SetDataType(da::TFieldType value) override;
  // LOB types: the object's content as a string; otherwise the value.
  da::Variant Value() const override;
  void SetValue(const da::Variant& value) override;
  bool IsNull() const override;
  void Clear() override;
  void Assign(const da::TParam& source) override;
  void AssignField(const da::TField& field) override;

  TSubFieldType SubDataType() const { return subDataType_; }
  void SetSubDataType(TSubFieldType value);
  bool Table() const { return table_; }
  void SetTable(bool value);
  // DML array rows: 1 unless the value is an array.
  int Length() const;
  void SetLength(int value);
  // One row's value (1-based); an index above Length grows it.
  da::Variant ItemValue(int index);
  void SetItemValue(int index, const da::Variant& value);
  // The size a text parameter binds with (0 for other types).
  int StringSize() const { return DataType() == da::ftString || DataType() == da::ftFixedChar ? Size : 0; }

  // The parameter's object (nullptr for a type without one); takes no reference.
  da::TSharedObject* Object() const { return object_; }
  // Keeps object (with a reference of its own) in place of the current one; the value reads "Object".
  void SetObject(da::TSharedObject* object);
  da::TBlob* AsBlob() const;
  TOraLob* AsOraLob() const;
  TOraFile* AsOraFile() const;
  TOraCursor* AsCursor() const;
  TOraTimeStamp* AsTimeStamp() const;
  TOraInterval* AsInterval() const;
  // The object of its kind; a parameter of unknown type first becomes ftBlob, ftBFile, ftADT,
  // ftArray or ftDataSet. nullptr when the type does not fit (a BLOB or CLOB parameter gives its
  // LOB as the blob; an array gives a nested table's).
  da::TBlob* AsBlobObject();
  TOraFile* AsBFile();
  TOraObject* AsObject();
  TOraArray* AsArray();
  TOraNestTable* AsTable();
  // A memo of the lines, each ended by a line feed.
  void AssignStrings(const olv::TStringList& lines);
  // A blob, memo, BLOB or CLOB parameter takes the bytes source saves; another type raises
  // "Unsupported data type" (EOraError).
  void AssignPersistent(IStreamPersist& source);
  // Gives the server-side parts of the object back (locators, descriptors), keeping the object.
  void FreeServerParts();

 private:
  void ReleaseObject();
  void CreateObject();

  da::TSharedObject* object_ = nullptr;
  TSubFieldType subDataType_ = stNone;
  bool table_ = false;
};

class TOraParams : public da::TParams {
 public:
  TOraParam& Items(int index) const { return static_cast<TOraParam&>(da::TParams::Items(index)); }
  TOraParam* FindParam(std::string_view name) const { return static_cast<TOraParam*>(da::TParams::FindParam(name)); }
  TOraParam& ParamByName(std::string_view name) const {
    return static_cast<TOraParam&>(da::TParams::ParamByName(name));
  }
  void FreeServerParts();

  // Reads the legacy binary "Data" property in place of the list's parameters (little-endian):
  // version (1 byte), count (2), then per parameter its name (1-byte length, the bytes), its
  // record-store data type (2); for a type that is not unknown, blob, memo or cursor: a text
  // parameter's size (4), the value (2-byte length, the bytes: the text of a text type, a
  // little-endian number of its own width for integers and Booleans, an 8-byte double for
  // floats and dates, bytes otherwise; objects' values are not kept), a NULL flag (1), Table (1)
  // and Length (4); from version 2 on the direction (1). Values of any length up to the 2-byte
  // field's bound are read whole. Input that ends early or names an unknown data type, a
  // direction beyond ptResult or a Length beyond kMaxLegacyLength raises olv::EReadError and
  // leaves the list empty.
  void ReadData(da::TStream& stream);
  static constexpr int kMaxLegacyLength = 65536;

 protected:
  std::unique_ptr<da::TParam> CreateItem() override { return std::make_unique<TOraParam>(); }
};

// The texts the Oracle SQL monitor (TOraSQLMonitor) gives what only this layer knows of a
// parameter. The data type: object type names ("OBJECT:T", "Ref:T", ...) and the names of the
// timestamp and interval types with a zone or a range. The value: LOB sizes ("<LOB:n>"), BFILE
// names, object, REF, VARRAY and nested-table values, PL/SQL table and DML array lengths, and a
// timestamp's or interval's own text. Each returns true with the text, false to leave the
// monitor's own.
bool MonitorDataTypeText(const TOraParam& param, std::string& text);
bool MonitorValueText(const TOraParam& param, std::string& text);

}  // namespace ora
