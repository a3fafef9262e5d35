#pragma once
// Oracle object values over the client library's object API: TOraObject holds one instance of a
// TOraType and reads and writes its attributes by path (A, A.B, A[n], A[n].B), converting between
// the library's forms (OCIString, OCINumber, OCIDate, REF, collection, LOB or file locator,
// datetime, interval) and the record store's value formats; TOraRef holds a REF and pins the
// object it points to; TOraArray and TOraNestTable hold varying arrays and nested tables with
// element access by 0-based index.
//
// Reading an attribute walks the instance by the type's layout (OraType.h); writing goes through
// OCIObjectSetAttr and the collection calls, marking the object or element that holds the value
// NOT NULL. Object, REF, collection, LOB, file, timestamp and interval attributes are children:
// shared objects made on first use that stay bound to their place in this instance (embedded
// objects own no instance; a LOB, timestamp or interval works on the instance's descriptor, and a
// LOB's content is read when it is bound). In the record store's formats such a value is a
// pointer to its child; writing one (the child or another value of the kind) stores its value in
// the instance: a LOB's content goes into a new temporary LOB whose locator the attribute takes.
//
// Errors: "Type of object must be defined", "OCISvcCtx is not defined", "Object is not
// allocated", "Invalid attribute name", "OCIRef is not assigned", "Unknown data type." (reading
// or writing a type without a value format) as da::Exception; "Attribute %s not found." from the
// type; conversion errors "Cannot convert type to ..." as da::EConvertError; the library's errors
// as EOraError. Every count the library returns (collection sizes, indexes) is checked before use:
// a size beyond a varying array's bound, or without an element below it, is an error.
//
// Ownership: shared objects (released, never deleted). An object owns the instance it made (or
// that a fetch made for it) and its children; a REF is the library's. Not thread-safe.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/DBObject.h"
#include "oracle/client/OciTypes.h"
#include "oracle/values/OraType.h"

namespace ora {

class TOraLob;
class TOraTimeStamp;
class TOraInterval;

class TOraObject : public da::TDBObject {
 public:
  explicit TOraObject(TOraType* type = nullptr);

  // The record store's access to child fields, in its value formats (texts NUL-terminated,
  // dates as time-stamp milliseconds); a NULL object, REF or collection attribute still gives its
  // child object. A nullptr source writes NULL.
  void GetAttributeValue(std::string_view path, void* destination, bool& isBlank) override;
  void SetAttributeValue(std::string_view path, const void* source) override;

  virtual void CheckType();
  virtual bool GetIsNull();
  virtual void SetIsNull(bool value);
  // Gives an embedded child its instance and indicator (its attribute's place in this instance).
  virtual void ChildAlloc(TOraObject* child);
  virtual void Pin();
  virtual void Assign(TOraObject& source);
  // Whether the value a fetch delivered is NULL (no pin, no allocation).
  virtual bool FetchedNull() const;
  // After a fetch: the instance (or REF) and indicator structure the library made for this value.
  virtual void TakeFetched(void* instance, void* indicator);

  TOraType* GetOraType() const { return static_cast<TOraType*>(ObjectType()); }
  void SetObjectType(TOraType* type);
  OCISvcCtx* GetSvcCtx() const { return svcCtx_; }
  void SetSvcCtx(OCISvcCtx* svcCtx);
  OCIEnv* GetEnv() const { return env_; }

  // Makes the instance when there is none (OCIObjectNew); embedded objects ask their owner.
  virtual void AllocObject();
  void AllocObject(OCISvcCtx* svcCtx);
  // Without an instance: AllocObject when AutoCreate; none then and raise: "Object is not allocated".
  bool CheckAlloc(bool raise = true);
  void FreeObject(bool freeChildren = true);
  void SetInstance(void* instance, void* indicator, bool owns = false);
  void* GetInstance() const { return instance_; }
  OCIInd* GetIndicator() const { return indicator_; }
  void GetObjectRef(OCIRef* ref);
  void Flush();
  void MarkDelete();
  void MarkUpdate();

  // Typed attribute access (the same paths).
  bool AttrIsNull(std::string_view path);
  void SetAttrNull(std::string_view path);
  double GetAttrAsDateTime(std::string_view path);
  void SetAttrAsDateTime(std::string_view path, double value);
  double GetAttrAsFloat(std::string_view path);
  void SetAttrAsFloat(std::string_view path, double value);
  std::int32_t GetAttrAsInteger(std::string_view path);
  void SetAttrAsInteger(std::string_view path, std::int32_t value);
  std::string GetAttrAsString(std::string_view path);
  void SetAttrAsString(std::string_view path, std::string_view value);
  // The child for an object, REF or collection attribute ("Cannot convert type to Object").
  TOraObject* GetAttrAsObject(std::string_view path);
  // The child for a LOB or file attribute ("Cannot convert type to Lob"), a timestamp ("... to
  // TimeStamp") or an interval ("... to Interval"), bound to the attribute's descriptor.
  TOraLob* GetAttrAsLob(std::string_view path);
  TOraTimeStamp* GetAttrAsTimeStamp(std::string_view path);
  TOraInterval* GetAttrAsInterval(std::string_view path);
  // Stores the content of every LOB child (of embedded objects too) into the instance.
  void WriteLobs();
  // The same for the LOB children whose content was written on the client since they were bound
  // (TOraLob::GetModified): each goes to the server once, in one new temporary LOB, however many
  // pieces wrote it; an unchanged LOB stays the one the instance refers to.
  void StoreModifiedLobs();
  // Stores into the instance the value that the child of a LOB, file, timestamp or interval
  // attribute holds, after that value was written through the child: the instance is what a copy
  // of the object, a collection and the server see.
  void StoreAttrChild(std::string_view path);

  bool AutoCreate = true;
  TOraObject* Owner() const { return owner_; }

 protected:
  ~TOraObject() override;

  struct TAttrInfo {
    da::TAttribute* attribute = nullptr;
    void* value = nullptr;       // the attribute's storage, nullptr for a missing or NULL element
    OCIInd* indicator = nullptr;  // its indicator (or indicator structure)
    OCIInd nullValue = 0;         // its indicator value; not 0 when it or a holder is NULL
  };
  TAttrInfo GetAttributeInfo(std::string_view path);
  // Stores a value (the library's form, or nullptr) at a path with a null status (-1 or 0).
  void SetAttribute(std::string_view path, const void* value, OCIInd nullStatus);
  // The child for the attribute at the path, made and bound on first use.
  da::TSharedObject* GetAttrChild(std::string_view path);
  TOraObject* GetAttrAsComplex(std::string_view path);
  da::TSharedObject* MakeChild(const da::TAttribute& attribute);
  // Binds a LOB, file, timestamp or interval value object to the descriptor of the attribute at
  // the path and, with fill, gives it the attribute's NULL state (a LOB's content is read).
  void BindValue(da::TSharedObject* value, da::TDataType type, std::string_view path, bool fill);
  // Stores a value object's value (LOB, file, timestamp, interval) at the path.
  void StoreValue(std::string_view path, const da::TAttribute& attribute, da::TSharedObject* value);
  // WriteLobs (every LOB attribute) or StoreModifiedLobs (only those written since they were
  // read), through the embedded objects too.
  void StoreLobs(bool modifiedOnly);
  // Storage of a collection element to append: NULL, holding an empty or zero value by type.
  void AppendPlaceholder(OCIColl* collection, const da::TAttribute& element);
  void ReleaseChildren();
  void BindChildren();
  void SetChild(std::size_t index, da::TSharedObject* child);
  OCIError* Err() const;

  void* instance_ = nullptr;
  OCIInd* indicator_ = nullptr;
  bool ownsInstance_ = false;
  OCISvcCtx* svcCtx_ = nullptr;
  OCIEnv* env_ = nullptr;
  TOraObject* owner_ = nullptr;  // the object whose attribute (or element) this one is
  int ownerIndex_ = -1;          // the attribute (or element) index there
  std::vector<da::TSharedObject*> children_;  // counted, by AttributeNo - 1 (or element index)

  friend class TOraArray;
};

class TOraRef : public TOraObject {
 public:
  explicit TOraRef(TOraType* type = nullptr) : TOraObject(type) {}

  bool GetIsNull() override;
  void SetIsNull(bool value) override;
  void Pin() override;
  void AllocObject() override;
  void Assign(TOraObject& source) override;
  bool FetchedNull() const override;
  void TakeFetched(void* instance, void* indicator) override;

  OCIRef* GetRef() const { return ref_; }
  // A new REF: the object pinned for the old one is let go.
  void SetRef(OCIRef* ref);
  void Clear();
  bool Invalid() const { return invalid_; }

 private:
  OCIRef* ref_ = nullptr;  // the library's
  bool invalid_ = false;
};

class TOraArray : public TOraObject {
 public:
  explicit TOraArray(TOraType* type = nullptr) : TOraObject(type) {}

  void CheckType() override;
  void ChildAlloc(TOraObject* child) override;
  void Assign(TOraObject& source) override;

  virtual std::int32_t GetSize();
  // The index of the next existing element after index (-1: the first), or -1 at the end.
  virtual std::int32_t NextIndex(std::int32_t index);
  da::TDataType ElementType();
  std::int32_t AppendElement();
  void ExtendTo(std::int32_t index);
  bool ElementIsNull(std::int32_t index);
  void SetElementNull(std::int32_t index, bool value);
  double GetElementDate(std::int32_t index);
  void SetElementDate(std::int32_t index, double value);
  double GetElementFloat(std::int32_t index);
  void SetElementFloat(std::int32_t index, double value);
  std::int32_t GetElementInteger(std::int32_t index);
  void SetElementInteger(std::int32_t index, std::int32_t value);
  std::string GetElementString(std::int32_t index);
  void SetElementString(std::int32_t index, std::string_view value);
  TOraObject* GetElementObject(std::int32_t index);
  void SetElementObject(std::int32_t index, TOraObject& value);
  // Binds an object to the element at index (its instance becomes the element's) and keeps it,
  // with a reference, as the collection's child there.
  void BindElementObject(std::int32_t index, TOraObject* object);

  OCIColl* Collection() const { return static_cast<OCIColl*>(instance_); }

 protected:
  // The element's storage and indicator, or false when it does not exist.
  bool GetElem(std::int32_t index, void*& element, void*& indicator);
  void AssignElem(std::int32_t index, const void* element, OCIInd nullStatus);
  void CheckElementType(std::initializer_list<da::TDataType> types, const char* kind);
};

class TOraNestTable : public TOraArray {
 public:
  explicit TOraNestTable(TOraType* type = nullptr) : TOraArray(type) {}

  void CheckType() override;
  std::int32_t GetSize() override;
  void DeleteElement(std::int32_t index);
  std::int32_t NextIndex(std::int32_t index) override;
};

// The value object for a field or parameter of the data type: TOraObject, TOraRef, TOraArray or
// TOraNestTable of the type (with the creator's reference).
TOraObject* NewOraObject(da::TDataType dataType, TOraType* type);

}  // namespace ora
