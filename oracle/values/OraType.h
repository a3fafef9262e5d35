#pragma once
// TOraType: an Oracle object, varying-array or nested-table type, described through the client
// library's describe calls on a service context: its attributes in declaration order (a
// collection has the one attribute "ELEMENT"), and where each attribute lies in the library's
// client-side instance and in its NULL-indicator structure.
//
// Instance layout (the client library's): texts, raw values, REFs, collections, LOBs, files,
// timestamps, intervals and objects that are not final are stored by reference, a pointer aligned
// to a pointer's size; a NUMBER takes 22 bytes, a DATE 8; a final object attribute is stored inline
// (its type's size rounded up to a pointer's). The indicator structure begins with the object's
// own 16-bit indicator, then one per attribute, or an inline object's whole structure. (The
// library of the original platform had 4-byte pointers; here they are pointer-sized.)
//
// The type cache: every TOraType joins a process-wide list on creation and leaves it when
// destroyed; FindType and FindOrCreate look a type up by name and service context under the
// list's lock. The cache holds no reference: a type lives while fields and objects refer to it,
// and one whose last reference is going is no longer found. A type joins before it is described
// (its own attributes may refer to it), but only the thread describing it finds it until then.
//
// Ownership: a shared object (released, never deleted). Built by one thread, then only read.
#include <cstdint>
#include <string>

#include "dataaccess/ObjectType.h"
#include "oracle/client/OciTypes.h"

namespace ora {

class TOraType : public da::TObjectType {
 public:
  // Describes the named type ("NAME" is upper-cased; "SCHEMA.NAME" is taken as written, each part
  // quoted). Raises "OCISvcCtx is not defined" without a service context, EOraError when the
  // library refuses, "Data type is not supported." for an attribute of a type it does not know and
  // for a timestamp or interval attribute of a client without the version-9 calls.
  TOraType(OCISvcCtx* svcCtx, const std::string& name);

  // The cached type of that name (upper-cased and trimmed) on that service context, or nullptr;
  // no reference is taken.
  static TOraType* FindType(OCISvcCtx* svcCtx, const std::string& name);
  // The cached type with a reference for the caller, or a new one (its creator's reference).
  static TOraType* FindOrCreate(OCISvcCtx* svcCtx, const std::string& name);

  std::uint16_t DataSize = 0;       // bytes of the client-side instance
  std::uint16_t IndicatorSize = 2;  // bytes of its NULL-indicator structure
  OCITypeCode TypeCode = 0;         // 108 object, 58 opaque, 122 named collection
  bool Final = true;                // cannot have subtypes (true without the version-9 calls)

  OCISvcCtx* GetSvcCtx() const { return svcCtx_; }
  OCIEnv* GetEnv() const { return env_; }
  OCIType* GetTDO() const { return tdo_; }

 protected:
  ~TOraType() override;

 private:
  void Describe();
  void DescribeAttribute(void* param);

  OCISvcCtx* svcCtx_ = nullptr;
  OCIEnv* env_ = nullptr;
  OCIType* tdo_ = nullptr;
};

// Bytes of a reference in an instance: a pointer.
inline constexpr std::uint16_t kOraRefSize = sizeof(void*);

}  // namespace ora
