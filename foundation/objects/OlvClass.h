#pragma once
// Persistent objects. Every persistent class derives from TBaseObject and reports its persistent
// fields, always in the same order, through EnumProps; the object stream, CopyPropsTo, Clone and
// FreeFields all run on that one visitor. A class names itself and its parent with OLV_CLASS so
// that the stream can re-create it by name (RegisterObjClasses) and CopyPropsTo can find the
// nearest common class of two objects.
//
// Ownership: an object owns whatever it reports with the kinds pkComponent, pkObject,
// pkObjectList and pkStrings; those fields are std::unique_ptr members and die with the object.
// Threads: an object is used by one thread at a time; the class registry may be read from any
// thread (registration normally happens once at start-up).
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/base/Exception.h"

namespace olv {

// Field kinds; the numbers are stored in no file but every class reports by them.
enum PropKind : uint8_t {
  pkNone = 0,
  pkComponent = 1,
  pkObject = 2,
  pkObjectList = 3,
  pkString = 4,
  pkHiddenString = 5,
  pkStrings = 6,
  pkPChar = 7,
  pkEnum = 8,
  pkInteger = 9,
  pkShortInt = 10,
  pkSmallInt = 11,
  pkLongInt = 12,
  pkByte = 13,
  pkWord = 14,
  pkCardinal = 15,
  pkBoolean = 16,
  pkByteBool = 17,
  pkWordBool = 18,
  pkLongBool = 19,
  pkChar = 20,
  pkReal = 21,
  pkSingle = 22,
  pkDouble = 23,
  pkExtended = 24,
  pkComp = 25,
  pkCurrency = 26,
  pkInt64 = 27,
  pkDateTime = 28,
  pkSet8 = 29,
  pkSet16 = 30,
  pkSet32 = 31,
  pkSet64 = 32,
  pkSet128 = 33,
  pkSet256 = 34,
  pkShortString = 35,
  pkReserved = 36,
  pkVariant = 37,
  pkRecord = 38,
};
constexpr int kPropKindCount = 39;

// The visitor modes of EnumProps.
enum PropMode : uint16_t {
  pmFree = 2,   // FreeFields
  pmWrite = 3,  // writing; also copying and collecting field names
  pmRead = 4,   // reading: called once per field name met in a stream
};

// The width of a kind's value when it is copied or streamed as raw bytes (0: not a raw kind).
int PropKindWidth(PropKind kind);
bool IsObjectKind(PropKind kind);  // 1, 2, 3: streamed in the object section

class EPropError : public Exception {
 public:
  using Exception::Exception;
};

// The root of everything a persistent field may own: objects, lists, components.
class TObject {
 public:
  virtual ~TObject() = default;
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

class TBaseObject;
class TStringList;
class TObjWriter;
class TObjReader;
class TStream;

// The class of a persistent object: its name, its parent and how to create one.
struct TClass {
  std::string_view name;
  const TClass* parent;
  std::unique_ptr<TBaseObject> (*create)();  // null for a class that cannot be created
  bool InheritsFrom(const TClass& other) const;
};

// How generic code reaches an owning-pointer field (std::unique_ptr<T>) without knowing T.
struct PropRefOps {
  TObject* (*get)(void* field);
  bool (*accepts)(const TObject* obj);             // a T?
  void (*set)(void* field, std::unique_ptr<TObject> obj);  // obj must be accepted (or null)
  std::unique_ptr<TObject> (*make)();              // a new empty T; null when T is abstract
};

template <class T>
const PropRefOps& RefOpsFor() {
  static const PropRefOps ops{
      [](void* f) -> TObject* { return static_cast<std::unique_ptr<T>*>(f)->get(); },
      [](const TObject* o) { return o == nullptr || dynamic_cast<const T*>(o) != nullptr; },
      [](void* f, std::unique_ptr<TObject> o) {
        auto& field = *static_cast<std::unique_ptr<T>*>(f);
        field.reset(o ? dynamic_cast<T*>(o.release()) : nullptr);
      },
      []() -> std::unique_ptr<TObject> {
        if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>) {
          return nullptr;
        } else {
          return std::make_unique<T>();
        }
      }};
  return ops;
}

// One reported field.
struct PropInfo {
  std::string_view name;
  PropKind kind = pkNone;
  bool hasValue = false;
  int32_t extra = 0;                  // pkStrings: list kind; pkRecord: size in bytes
  const char* enumNames = nullptr;    // pkEnum: comma list of the value names, in value order
  void* field = nullptr;
  const PropRefOps* ref = nullptr;    // owning-pointer kinds 1, 2, 3, 6
};

namespace detail {
template <PropKind K>
struct KindType;
#define OLV_KIND_TYPE(K, ...) \
  template <>                 \
  struct KindType<K> {        \
    using type = __VA_ARGS__; \
  };
OLV_KIND_TYPE(pkString, std::string)
OLV_KIND_TYPE(pkHiddenString, std::string)
OLV_KIND_TYPE(pkPChar, std::string)
OLV_KIND_TYPE(pkShortString, std::string)
OLV_KIND_TYPE(pkInteger, int32_t)
OLV_KIND_TYPE(pkShortInt, int8_t)
OLV_KIND_TYPE(pkSmallInt, int16_t)
OLV_KIND_TYPE(pkLongInt, int32_t)
OLV_KIND_TYPE(pkByte, uint8_t)
OLV_KIND_TYPE(pkWord, uint16_t)
OLV_KIND_TYPE(pkCardinal, uint32_t)
OLV_KIND_TYPE(pkBoolean, bool)
OLV_KIND_TYPE(pkByteBool, uint8_t)
OLV_KIND_TYPE(pkWordBool, uint16_t)
OLV_KIND_TYPE(pkLongBool, uint32_t)
OLV_KIND_TYPE(pkChar, char)
OLV_KIND_TYPE(pkReal, double)
OLV_KIND_TYPE(pkSingle, float)
OLV_KIND_TYPE(pkDouble, double)
OLV_KIND_TYPE(pkExtended, long double)
OLV_KIND_TYPE(pkComp, int64_t)
OLV_KIND_TYPE(pkCurrency, int64_t)  // the value times 10000
OLV_KIND_TYPE(pkInt64, int64_t)
OLV_KIND_TYPE(pkDateTime, double)   // days since 1899-12-30
OLV_KIND_TYPE(pkSet8, uint8_t)
OLV_KIND_TYPE(pkSet16, uint16_t)
OLV_KIND_TYPE(pkSet32, uint32_t)
OLV_KIND_TYPE(pkSet64, uint64_t)
OLV_KIND_TYPE(pkSet128, std::array<uint8_t, 16>)
OLV_KIND_TYPE(pkSet256, std::array<uint8_t, 32>)
#undef OLV_KIND_TYPE
template <class T>
struct IsUniquePtr : std::false_type {};
template <class T>
struct IsUniquePtr<std::unique_ptr<T>> : std::true_type {
  using element = T;
};
}  // namespace detail

// The callback of EnumProps. A class reports each field with one of the Report functions; the
// field's C++ type is checked against its kind when the class compiles.
class TPropEnumProc {
 public:
  virtual ~TPropEnumProc() = default;
  // Returns false after a reading visitor has read the field; the value is not consulted.
  virtual bool Visit(const PropInfo& prop) = 0;
  // A reading visitor names the field it is looking for, so that a class with computed field
  // names (the list container) can report just that one; empty in the other modes.
  virtual std::string_view WantedName() const { return {}; }

  // Simple kinds 4-35 except pkEnum and the object kinds.
  template <PropKind K, class F>
  bool Report(std::string_view name, F& field, bool hasValue) {
    static_assert(std::is_same_v<F, typename detail::KindType<K>::type>,
                  "field type does not match its PropKind");
    return Visit(PropInfo{name, K, hasValue, 0, nullptr, &field, nullptr});
  }
  // pkEnum: a one-byte value (or enum) named by a comma list.
  template <class F>
  bool ReportEnum(std::string_view name, F& field, const char* names, bool hasValue) {
    static_assert(sizeof(F) == 1 && std::is_trivially_copyable_v<F>, "pkEnum fields are one byte");
    return Visit(PropInfo{name, pkEnum, hasValue, 0, names, &field, nullptr});
  }
  // pkObject: std::unique_ptr<T> of a TBaseObject descendant.
  template <class T>
  bool ReportObject(std::string_view name, std::unique_ptr<T>& field, bool hasValue) {
    static_assert(std::is_base_of_v<TBaseObject, T>, "pkObject fields hold persistent objects");
    return Visit(PropInfo{name, pkObject, hasValue, 0, nullptr, &field, &RefOpsFor<T>()});
  }
  // pkObjectList: std::unique_ptr of a list (TList, TStack, TStringList, OlvStringList, the
  // stored string list).
  template <class T>
  bool ReportObjectList(std::string_view name, std::unique_ptr<T>& field, bool hasValue) {
    static_assert(std::is_base_of_v<TObject, T>);
    return Visit(PropInfo{name, pkObjectList, hasValue, 0, nullptr, &field, &RefOpsFor<T>()});
  }
  // pkStrings: std::unique_ptr of a string list; listKind 0 detects and stores the kind.
  template <class T>
  bool ReportStrings(std::string_view name, std::unique_ptr<T>& field, bool hasValue,
                     int32_t listKind = 0) {
    static_assert(std::is_base_of_v<TObject, T>);
    return Visit(PropInfo{name, pkStrings, hasValue, listKind, nullptr, &field, &RefOpsFor<T>()});
  }
  // pkComponent: kept so that every kind can be reported; the stream does not support it.
  template <class T>
  bool ReportComponent(std::string_view name, std::unique_ptr<T>& field, bool hasValue) {
    static_assert(std::is_base_of_v<TObject, T>);
    return Visit(PropInfo{name, pkComponent, hasValue, 0, nullptr, &field, &RefOpsFor<T>()});
  }
  // pkRecord: size bytes at data.
  bool ReportRecord(std::string_view name, void* data, int32_t size, bool hasValue) {
    return Visit(PropInfo{name, pkRecord, hasValue, size, nullptr, data, nullptr});
  }
  // pkReserved, pkVariant, pkNone: a kind without a C++ field here.
  bool ReportEmpty(std::string_view name, PropKind kind, bool hasValue) {
    return Visit(PropInfo{name, kind, hasValue, 0, nullptr, nullptr, nullptr});
  }
};

// Declares a persistent class: its name and parent for the registry and CopyPropsTo, and a
// factory when the class can be default-constructed. Leaves the access at private.
#define OLV_CLASS(Cls, Parent)                                                     \
 public:                                                                           \
  static const ::olv::TClass& StaticClass() {                                      \
    static const ::olv::TClass cls{#Cls, &Parent::StaticClass(),                    \
                                   ::olv::detail::FactoryFor<Cls>()};              \
    return cls;                                                                    \
  }                                                                                \
  const ::olv::TClass& ClassType() const override { return StaticClass(); }        \
                                                                                   \
 private:

namespace detail {
template <class T>
constexpr auto FactoryFor() -> std::unique_ptr<TBaseObject> (*)() {
  if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>) {
    return nullptr;
  } else {
    return []() -> std::unique_ptr<TBaseObject> { return std::make_unique<T>(); };
  }
}
}  // namespace detail

class TBaseObject : public TObject {
 public:
  // The default constructor plays the part of the virtual constructor Create: whatever a class's
  // fields need at birth (owned lists, defaults) is set there, since the stream creates objects
  // by their class before reading any field.
  TBaseObject() = default;
  ~TBaseObject() override = default;

  static const TClass& StaticClass();
  virtual const TClass& ClassType() const { return StaticClass(); }
  std::string GetClassNameStr() const { return std::string(ClassType().name); }

  // Reports the persistent fields, parent's first. Must have no effect beyond the callback's
  // (and a documented preparation in pmRead): reading calls it once per field name.
  virtual void EnumProps(PropMode mode, TPropEnumProc& proc);

  // Called by the object stream around this object's record.
  virtual void BeforeWrite(TObjWriter& writer);
  virtual void AfterWrite(TObjWriter& writer);
  virtual void BeforeRead(TObjReader& reader);
  virtual void AfterRead(TObjReader& reader);

  // A persistent object that wraps a string list (the stored string list) returns it here, so
  // that list containers stream it as that kind. Null for every other class.
  virtual TStringList* InnerStrings() { return nullptr; }

  // Copies the fields of the nearest common class of this and dest into dest. filter: empty or
  // "*" for every field, else field names separated by ";" ("*" and "?" wildcards allowed).
  // Raises EPropError when the two classes share no class below TBaseObject.
  virtual void CopyPropsTo(TBaseObject& dest, std::string_view filter) const;
  // dest := a copy of src's common fields (CopyPropsTo(*this, "")).
  void Assign(const TBaseObject& src) { src.CopyPropsTo(*this, ""); }
  // A new object of the same class carrying exactly what the object stream carries: a field
  // whose has-value flag is false keeps what the constructor gave it.
  virtual std::unique_ptr<TBaseObject> Clone() const;
  // Frees the owned fields now (kinds 1, 2, 3, 6 become null, pkPChar empty); the destructor
  // does the same through the members' own destructors.
  void FreeFields();

  // The object stream of this object at the stream's position.
  virtual void SaveToStream(TStream& stream) const;
  // The object stream into the file (path macros expanded), replaced atomically: a save that
  // fails leaves the previous file as it was. Raises the stream's or the file's error.
  virtual void SaveToFile(const std::string& fileName) const;
  // The object stream's text form (foundation/objects/ObjStreamText.h) at the stream's position.
  virtual void SaveToTextStream(TStream& stream) const;
  // The text form into the file, as SaveToFile writes it.
  virtual void SaveToTextFile(const std::string& fileName) const;
};

template <class T>
std::unique_ptr<T> CloneAs(const T& obj) {
  auto c = obj.Clone();
  return std::unique_ptr<T>(static_cast<T*>(c.release()));
}

// The foundation's own persistent classes by stream name, the registry's first entries, which it
// asks for on its first use. Defined by the start-up unit (foundation/startup), the one place that
// knows every module, so that the registry need not know the modules built on it.
std::vector<std::pair<std::string_view, const TClass*>> FoundationClasses();

// The class registry of the object stream. Registering a class under a name that another class
// holds replaces it: the last registration wins. Names compare without regard to ASCII case.
void RegisterObjClasses(std::initializer_list<const TClass*> classes);
void RegisterObjClass(const TClass& cls);
// The class stays registered under its own name and is found under alias as well.
void RegisterObjClassAlias(const TClass& cls, std::string_view alias);
void UnregisterObjClasses(std::initializer_list<const TClass*> classes);
// Null when no class of that name is registered.
const TClass* FindObjClass(std::string_view name);
// Raises EClassNotFound for an unknown name, EPropError for a class that cannot be created.
std::unique_ptr<TBaseObject> CreateObjByClassName(std::string_view name);

class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

// The clipboard format under which objects travel as their object stream.
inline constexpr std::string_view kObjectClipboardFormat = "OlvekObject";
// The bytes of obj's object stream, as they go on the clipboard.
std::string ObjectToBytes(const TBaseObject* obj);

// ASCII case-insensitive comparison, as field and class names are compared.
bool SameName(std::string_view a, std::string_view b);
// "*" any run, "?" one character; exact otherwise.
bool WildcardMatch(std::string_view pattern, std::string_view text);

}  // namespace olv
