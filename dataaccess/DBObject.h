#pragma once
// TDBObject: the base of object values (object instances, REFs, collections) that a record field
// refers to. It keeps a counted reference on its TObjectType. The record store reads and writes
// the child fields of an object column only through GetAttributeValue and SetAttributeValue, in
// the record store's field value formats; the base has no values (every attribute is NULL).
// TVariantObject: the shared holder of one variant, referred to by a dtVariant field.
// Both are shared objects: released, never deleted. Not thread-safe.
#include <string_view>

#include "dataaccess/ObjectType.h"
#include "dataaccess/SharedObject.h"
#include "dataaccess/Variant.h"

namespace da {

class TDBObject : public TSharedObject {
 public:
  TObjectType* ObjectType() const { return objectType_; }
  void SetObjectType(TObjectType* type) {
    if (type == objectType_) return;
    if (type) type->AddRef();
    TObjectType* old = objectType_;
    objectType_ = type;
    da::Release(old);
  }

  virtual void GetAttributeValue(std::string_view path, void* destination, bool& isBlank) {
    (void)path;
    (void)destination;
    isBlank = true;
  }
  // A nullptr source writes NULL.
  virtual void SetAttributeValue(std::string_view path, const void* source) {
    (void)path;
    (void)source;
  }

 protected:
  ~TDBObject() override { SetObjectType(nullptr); }

 private:
  TObjectType* objectType_ = nullptr;
};

class TVariantObject : public TSharedObject {
 public:
  Variant Value;
};

}  // namespace da
