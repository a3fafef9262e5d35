#include "foundation/objects/OlvClass.h"

#include <cstring>
#include <map>
#include <vector>

#include "foundation/files/AtomicFile.h"
#include "foundation/files/FileStream.h"
#include "foundation/objects/AppCfg.h"
#include "foundation/objects/ListContainer.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/objects/ObjStreamText.h"
#include "foundation/streams/Stream.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      const char x = Lower(a[i]), y = Lower(b[i]);
      if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
  }
};

struct Registry {
  plat::SharedMutex mutex;
  std::map<std::string, const TClass*, NameLess> classes GUARDED_BY(mutex);
  // The library's own classes are known from the start, so that any stream can name them.
  Registry() {
    for (const auto& [name, cls] : FoundationClasses()) classes.emplace(std::string(name), cls);
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// The C++ size of a kind's field, for copying.
size_t FieldSize(PropKind kind) {
  switch (kind) {
    case pkReal: return sizeof(double);
    case pkExtended: return sizeof(long double);
    case pkBoolean: return sizeof(bool);
    default: return static_cast<size_t>(PropKindWidth(kind));
  }
}

// Collects what a visitor reports, names copied (a reported name may be a temporary).
struct Collected {
  std::string name;
  PropInfo info;
};
class CollectProc : public TPropEnumProc {
 public:
  std::vector<Collected> props;
  bool Visit(const PropInfo& p) override {
    props.push_back(Collected{std::string(p.name), p});
    return true;
  }
};

class FreeProc : public TPropEnumProc {
 public:
  bool Visit(const PropInfo& p) override {
    try {
      switch (p.kind) {
        case pkComponent:
        case pkObject:
        case pkObjectList:
        case pkStrings:
          if (p.ref) p.ref->set(p.field, nullptr);
          break;
        case pkPChar: static_cast<std::string*>(p.field)->clear(); break;
        default: break;
      }
    } catch (...) {
      // A failure while freeing one field must not keep the others alive.
    }
    return true;
  }
};

const TClass* CommonClass(const TClass& a, const TClass& b) {
  const TClass& base = TBaseObject::StaticClass();
  for (const TClass* x = &a; x && x != &base; x = x->parent) {
    for (const TClass* y = &b; y && y != &base; y = y->parent) {
      if (x == y) return x;
    }
  }
  return nullptr;
}

void CopyField(const PropInfo& src, const PropInfo& dst) {
  switch (src.kind) {
    case pkNone:
    case pkReserved: return;
    case pkComponent:
      if (src.ref->get(src.field)) {
        throw EPropError("Field \"" + std::string(src.name) + "\": component fields cannot be copied");
      }
      dst.ref->set(dst.field, nullptr);
      return;
    case pkObject: {
      dst.ref->set(dst.field, nullptr);
      auto* obj = static_cast<TBaseObject*>(src.ref->get(src.field));
      if (!obj) return;
      std::unique_ptr<TBaseObject> copy = obj->Clone();
      if (!dst.ref->accepts(copy.get())) {
        throw EPropError("Field \"" + std::string(dst.name) + "\" cannot hold a " + copy->GetClassNameStr());
      }
      dst.ref->set(dst.field, std::move(copy));
      return;
    }
    case pkObjectList: {
      dst.ref->set(dst.field, nullptr);
      TObject* list = src.ref->get(src.field);
      if (!list) return;
      // A deep copy: the list goes through the stream inside a container.
      TListContainer container;
      container.SetList(list);
      std::unique_ptr<TBaseObject> copy = container.Clone();
      std::unique_ptr<TObject> copied = static_cast<TListContainer*>(copy.get())->TakeList();
      if (copied) copied = FitListToField(std::move(copied), *dst.ref, dst.name);
      dst.ref->set(dst.field, std::move(copied));
      return;
    }
    case pkStrings: {
      dst.ref->set(dst.field, nullptr);
      TObject* list = src.ref->get(src.field);
      if (!list) return;
      // The new list owns its objects, so it takes copies of the source's, never the same ones.
      std::unique_ptr<TObject> copy = CreateListOfKind(DetectListKind(list));
      if (!copy) return;
      if (TStringList* from = ViewOfList(list).strings) {
        if (TStringList* to = ViewOfList(copy.get()).strings) to->Assign(*from);
      }
      dst.ref->set(dst.field, FitListToField(std::move(copy), *dst.ref, dst.name));
      return;
    }
    case pkString:
    case pkHiddenString:
    case pkPChar:
    case pkShortString:
      *static_cast<std::string*>(dst.field) = *static_cast<const std::string*>(src.field);
      return;
    case pkVariant: throw EPropError("Field \"" + std::string(src.name) + "\": variant fields cannot be copied");
    case pkRecord:
      if (src.extra > 0 && src.field && dst.field) {
        std::memcpy(dst.field, src.field, static_cast<size_t>(std::min(src.extra, dst.extra)));
      }
      return;
    case pkExtended:
      *static_cast<long double*>(dst.field) = *static_cast<const long double*>(src.field);
      return;
    default:
      std::memcpy(dst.field, src.field, FieldSize(src.kind));
      return;
  }
}

class CopyProc : public TPropEnumProc {
 public:
  CopyProc(const std::vector<std::string>& names, const std::vector<Collected>& dest)
      : names_(names), dest_(dest) {}
  bool Visit(const PropInfo& p) override {
    const size_t pos = index_++;
    bool wanted = false;
    for (const auto& n : names_) {
      if (WildcardMatch(n, p.name)) {
        wanted = true;
        break;
      }
    }
    if (!wanted || pos >= dest_.size()) return true;
    const Collected& d = dest_[pos];
    // The same position in an object of a class that shares this one holds the same field.
    if (d.info.kind != p.kind || d.name != p.name) return true;
    CopyField(p, d.info);
    return true;
  }

 private:
  const std::vector<std::string>& names_;
  const std::vector<Collected>& dest_;
  size_t index_ = 0;
};
}  // namespace

int PropKindWidth(PropKind kind) {
  static constexpr int kWidth[kPropKindCount] = {
      0, 0, 0, 0, 0, 0, 0, 0,  // 0-7: none and references
      1, 4, 1, 2, 4, 1, 2, 4,  // 8-15
      1, 1, 2, 4, 1, 6, 4, 8,  // 16-23
      10, 8, 8, 8, 8,          // 24-28
      1, 2, 4, 8, 16, 32,      // 29-34 sets
      0, 0, 0, 0};             // 35-38
  return kind < kPropKindCount ? kWidth[kind] : 0;
}

bool IsObjectKind(PropKind kind) { return kind >= pkComponent && kind <= pkObjectList; }

bool TClass::InheritsFrom(const TClass& other) const {
  for (const TClass* c = this; c; c = c->parent) {
    if (c == &other) return true;
  }
  return false;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

const TClass& TBaseObject::StaticClass() {
  static const TClass cls{"TBaseObject", nullptr, detail::FactoryFor<TBaseObject>()};
  return cls;
}

void TBaseObject::EnumProps(PropMode, TPropEnumProc&) {}
void TBaseObject::BeforeWrite(TObjWriter&) {}
void TBaseObject::AfterWrite(TObjWriter&) {}
void TBaseObject::BeforeRead(TObjReader&) {}
void TBaseObject::AfterRead(TObjReader&) {}

void TBaseObject::FreeFields() {
  FreeProc proc;
  EnumProps(pmFree, proc);
}

void TBaseObject::CopyPropsTo(TBaseObject& dest, std::string_view filter) const {
  if (&dest == this) return;
  const TClass* common = CommonClass(ClassType(), dest.ClassType());
  if (!common) {
    throw EPropError("Cannot copy a " + GetClassNameStr() + " into a " + dest.GetClassNameStr() +
                     ": the classes share no persistent class");
  }
  if (!common->create) {
    throw EPropError("Cannot copy fields of class " + std::string(common->name) +
                     ": it cannot be created");
  }
  std::vector<std::string> names;
  {
    std::unique_ptr<TBaseObject> probe = common->create();
    CollectProc collect;
    probe->EnumProps(pmWrite, collect);
    for (auto& c : collect.props) names.push_back(std::move(c.name));
  }
  if (!filter.empty() && filter != "*") {
    std::vector<std::string> wanted;
    size_t start = 0;
    while (start <= filter.size()) {
      const size_t semi = filter.find(';', start);
      const size_t end = semi == std::string_view::npos ? filter.size() : semi;
      const std::string_view item = filter.substr(start, end - start);
      for (const auto& n : names) {
        if (SameName(n, item)) {
          wanted.emplace_back(item);
          break;
        }
      }
      if (semi == std::string_view::npos) break;
      start = semi + 1;
    }
    names = std::move(wanted);
  }
  if (names.empty()) return;
  CollectProc destProps;
  dest.EnumProps(pmWrite, destProps);
  CopyProc copy(names, destProps.props);
  const_cast<TBaseObject*>(this)->EnumProps(pmWrite, copy);
}

std::unique_ptr<TBaseObject> TBaseObject::Clone() const {
  TMemoryStream stream;
  WriteObjectToStream(stream, this);
  stream.SetPosition(0);
  return ReadObjectFromStream(stream);
}

void TBaseObject::SaveToStream(TStream& stream) const { WriteObjectToStream(stream, this); }

void TBaseObject::SaveToFile(const std::string& fileName) const {
  olv::SaveFileAtomically(ExpandStreamFileName(fileName), std::nullopt,
                          [this](TStream& out) { SaveToStream(out); });
}

void TBaseObject::SaveToTextStream(TStream& stream) const {
  TMemoryStream binary;
  SaveToStream(binary);
  binary.SetPosition(0);
  ObjectStreamToText(binary, stream);
}

void TBaseObject::SaveToTextFile(const std::string& fileName) const {
  olv::SaveFileAtomically(ExpandStreamFileName(fileName), std::nullopt,
                          [this](TStream& out) { SaveToTextStream(out); });
}

std::string ObjectToBytes(const TBaseObject* obj) {
  TMemoryStream stream;
  WriteObjectToStream(stream, obj);
  return std::string(stream.View());
}

void RegisterObjClass(const TClass& cls) {
  Registry& r = TheRegistry();
  plat::WriterLock lock(r.mutex);
  auto it = r.classes.find(cls.name);
  if (it != r.classes.end()) {
    it->second = &cls;
  } else {
    r.classes.emplace(std::string(cls.name), &cls);
  }
}

void RegisterObjClasses(std::initializer_list<const TClass*> classes) {
  for (const TClass* c : classes) RegisterObjClass(*c);
}

void RegisterObjClassAlias(const TClass& cls, std::string_view alias) {
  RegisterObjClass(cls);
  Registry& r = TheRegistry();
  plat::WriterLock lock(r.mutex);
  auto it = r.classes.find(alias);
  if (it != r.classes.end()) {
    it->second = &cls;
  } else {
    r.classes.emplace(std::string(alias), &cls);
  }
}

void UnregisterObjClasses(std::initializer_list<const TClass*> classes) {
  Registry& r = TheRegistry();
  plat::WriterLock lock(r.mutex);
  for (const TClass* c : classes) {
    for (auto it = r.classes.begin(); it != r.classes.end();) {
      it = it->second == c ? r.classes.erase(it) : std::next(it);
    }
  }
}

const TClass* FindObjClass(std::string_view name) {
  Registry& r = TheRegistry();
  plat::ReaderLock lock(r.mutex);
  auto it = r.classes.find(name);
  return it == r.classes.end() ? nullptr : it->second;
}

std::unique_ptr<TBaseObject> CreateObjByClassName(std::string_view name) {
  const TClass* cls = FindObjClass(name);
  if (!cls) {
    throw EClassNotFound("Class \"" + std::string(name) + "\" is not registered for the object stream");
  }
  if (!cls->create) throw EPropError("Class \"" + std::string(name) + "\" cannot be created");
  return cls->create();
}

}  // namespace olv
