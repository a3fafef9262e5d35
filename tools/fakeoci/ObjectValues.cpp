// Object values: instances laid out as the client library lays them out, strings, numbers,
// collections and REFs; object and collection columns read from their JSON text; objects of an
// object table pinned through a REF, marked and flushed back to their row.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "tools/fakeoci/Objects.h"

namespace fakeoci {

namespace {

// ---- JSON, the form object columns keep their values in ----

struct Json {
  enum Kind { Null, Number, Text, Array, Object } kind = Null;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  // An object's members, names upper-cased, side by side: a vector of pairs of a type still
  // incomplete here is refused by some standard libraries.
  std::vector<std::string> memberNames;
  std::vector<Json> memberValues;

  void AddMember(std::string name, Json value) {
    memberNames.push_back(std::move(name));
    memberValues.push_back(std::move(value));
  }
  const Json* Member(const std::string& name) const {
    for (std::size_t i = 0; i < memberNames.size(); ++i)
      if (memberNames[i] == name) return &memberValues[i];
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}
  bool Read(Json& out) {
    if (!Value(out)) return false;
    Blanks();
    return p_ == s_.size();
  }

 private:
  void Blanks() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }
  bool Text(std::string& out) {
    if (s_[p_] != '"') return false;
    for (++p_; p_ < s_.size() && s_[p_] != '"'; ++p_) {
      if (s_[p_] == '\\' && p_ + 1 < s_.size()) ++p_;
      out += s_[p_];
    }
    if (p_ >= s_.size()) return false;
    ++p_;
    return true;
  }
  bool Value(Json& v) {
    Blanks();
    if (p_ >= s_.size()) return false;
    const char c = s_[p_];
    if (c == '"') {
      v.kind = Json::Text;
      return Text(v.text);
    }
    if (s_.compare(p_, 4, "null") == 0) {
      p_ += 4;
      v.kind = Json::Null;
      return true;
    }
    if (c == '[' || c == '{') {
      const bool object = c == '{';
      v.kind = object ? Json::Object : Json::Array;
      ++p_;
      Blanks();
      if (p_ < s_.size() && s_[p_] == (object ? '}' : ']')) {
        ++p_;
        return true;
      }
      for (;;) {
        Json item;
        std::string name;
        if (object) {
          Blanks();
          if (p_ >= s_.size() || !Text(name)) return false;
          Blanks();
          if (p_ >= s_.size() || s_[p_] != ':') return false;
          ++p_;
        }
        if (!Value(item)) return false;
        if (object) {
          for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
          v.AddMember(name, std::move(item));
        } else {
          v.items.push_back(std::move(item));
        }
        Blanks();
        if (p_ >= s_.size()) return false;
        if (s_[p_] == ',') {
          ++p_;
          continue;
        }
        if (s_[p_] != (object ? '}' : ']')) return false;
        ++p_;
        return true;
      }
    }
    char* end = nullptr;
    v.number = std::strtod(s_.c_str() + p_, &end);
    if (end == s_.c_str() + p_) return false;
    v.kind = Json::Number;
    p_ = static_cast<std::size_t>(end - s_.c_str());
    return true;
  }

  const std::string& s_;
  std::size_t p_ = 0;
};

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// ---- the values ----

struct Str {
  std::string s;
};

struct Ref {
  std::string table;
  std::int64_t rowid = 0;
  bool IsNull() const { return table.empty(); }
};

struct Elem {
  alignas(8) std::uint8_t storage[24] = {};
  OCIInd ind = OCI_IND_NULL;
  bool exists = true;
  void* instance = nullptr;  // of an object element
};

struct Coll {
  const ObjType* type = nullptr;
  std::vector<std::unique_ptr<Elem>> elems;
  OCIInd atomic = OCI_IND_NOTNULL;  // what OCIObjectGetInd gives for a collection
};

struct Instance {
  const ObjType* type = nullptr;
  std::unique_ptr<std::uint8_t[]> data;
  std::unique_ptr<OCIInd[]> ind;
  std::string table;  // the object table row it was pinned from
  std::int64_t rowid = 0;
  bool dirty = false;
};

struct ValueStore {
  std::unordered_map<const void*, std::unique_ptr<Str>> strings;
  std::unordered_map<const void*, std::unique_ptr<Ref>> refs;
  std::unordered_map<const void*, std::unique_ptr<Coll>> colls;
  std::unordered_map<const void*, std::unique_ptr<Instance>> instances;  // by data pointer
  std::map<std::pair<std::string, std::int64_t>, void*> pinned;
};

ValueStore& Store() {
  static ValueStore store;
  return store;
}

template <class T>
T* Find(const std::unordered_map<const void*, std::unique_ptr<T>>& map, const void* p) {
  auto it = map.find(p);
  return it == map.end() ? nullptr : it->second.get();
}

template <class T>
T Read(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Write(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// The descriptor type of an attribute whose value the library keeps in a descriptor, or 0.
ub4 DescriptorTypeOf(ub2 sqlt) {
  switch (sqlt) {
    case SQLT_CLOB: case SQLT_BLOB: return OCI_DTYPE_LOB;
    case SQLT_BFILEE: case SQLT_CFILEE: return OCI_DTYPE_FILE;
    case SQLT_TIMESTAMP: return OCI_DTYPE_TIMESTAMP;
    case SQLT_TIMESTAMP_TZ: return OCI_DTYPE_TIMESTAMP_TZ;
    case SQLT_TIMESTAMP_LTZ: return OCI_DTYPE_TIMESTAMP_LTZ;
    case SQLT_INTERVAL_YM: return OCI_DTYPE_INTERVAL_YM;
    case SQLT_INTERVAL_DS: return OCI_DTYPE_INTERVAL_DS;
    default: return 0;
  }
}

Handle* NewDescriptor(ub4 type) {
  if (type == OCI_DTYPE_LOB || type == OCI_DTYPE_FILE) return AddHandle(std::make_unique<LobLocator>(type, nullptr));
  if (type == OCI_DTYPE_INTERVAL_YM || type == OCI_DTYPE_INTERVAL_DS)
    return AddHandle(std::make_unique<IntervalDescriptor>(type, nullptr));
  return AddHandle(std::make_unique<DateTimeDescriptor>(type, nullptr));
}

// One descriptor's value into another of its kind; false when they are not of one kind.
bool AssignDescriptor(Handle* to, const Handle* from) {
  if (!to || !from || to->type != from->type) return false;
  if (auto* lob = dynamic_cast<LobLocator*>(to)) {
    const auto* source = static_cast<const LobLocator*>(from);
    lob->state = source->state;
    lob->lob = source->lob;
    lob->dir = source->dir;
    lob->file = source->file;
    lob->open = false;
  } else if (auto* dt = dynamic_cast<DateTimeDescriptor*>(to)) {
    dt->set = static_cast<const DateTimeDescriptor*>(from)->set;
    dt->value = static_cast<const DateTimeDescriptor*>(from)->value;
  } else {
    auto* iv = static_cast<IntervalDescriptor*>(to);
    iv->set = static_cast<const IntervalDescriptor*>(from)->set;
    iv->value = static_cast<const IntervalDescriptor*>(from)->value;
  }
  return true;
}

Str* NewStr(const std::string& s) {
  auto str = std::make_unique<Str>();
  str->s = s;
  Str* p = str.get();
  Store().strings[p] = std::move(str);
  return p;
}

Ref* NewRef() {
  auto ref = std::make_unique<Ref>();
  Ref* p = ref.get();
  Store().refs[p] = std::move(ref);
  return p;
}

Coll* NewColl(const ObjType* type) {
  auto coll = std::make_unique<Coll>();
  coll->type = type;
  Coll* p = coll.get();
  Store().colls[p] = std::move(coll);
  return p;
}

enum class ElemKind { String, Number, Date, Object, RefValue };

ElemKind KindOf(const ObjAttr& a) {
  switch (a.sqlt) {
    case SQLT_NUM: return ElemKind::Number;
    case SQLT_DAT: return ElemKind::Date;
    case SQLT_NTY: return ElemKind::Object;
    case SQLT_REF: return ElemKind::RefValue;
    default: return ElemKind::String;
  }
}

void FreeColl(void* p);
void FreeInstance(void* data);
void* NewInstanceData(const ObjType* type);
void* CopyInstance(const void* source);
Coll* CopyColl(const Coll& source);

// Every indicator NULL; by-reference objects and collections made, empty.
void InitRegion(const ObjType* t, std::uint8_t* data, OCIInd* ind) {
  ind[0] = OCI_IND_NULL;
  for (const ObjAttr& a : t->attrs) {
    std::uint8_t* slot = data + a.offset;
    if (a.inlineObject) {
      InitRegion(a.type, slot, ind + a.indOffset / 2);
      continue;
    }
    ind[a.indOffset / 2] = OCI_IND_NULL;
    // Collections and descriptors exist from the start; objects stored by reference are made when
    // first used (a type may refer to itself that way).
    if (a.sqlt == SQLT_NTY && a.type && a.type->IsCollection()) Write<void*>(slot, NewColl(a.type));
    if (const ub4 d = DescriptorTypeOf(a.sqlt)) Write<void*>(slot, NewDescriptor(d));
  }
}

void FreeRegion(const ObjType* t, std::uint8_t* data) {
  for (const ObjAttr& a : t->attrs) {
    std::uint8_t* slot = data + a.offset;
    if (a.inlineObject) {
      FreeRegion(a.type, slot);
      continue;
    }
    void* p = Read<void*>(slot);
    if (!p) continue;
    if (DescriptorTypeOf(a.sqlt)) {
      // Gone already when the test reset the handles.
      if (Handle* h = FindHandle(p)) FreeHandle(h);
      Write<void*>(slot, nullptr);
      continue;
    }
    switch (a.sqlt) {
      case SQLT_NUM: case SQLT_DAT: continue;
      case SQLT_NTY: a.type && a.type->IsCollection() ? FreeColl(p) : FreeInstance(p); break;
      case SQLT_REF: Store().refs.erase(p); break;
      default: Store().strings.erase(p); break;
    }
    Write<void*>(slot, nullptr);
  }
}

void CopyRegion(const ObjType* t, std::uint8_t* dst, const std::uint8_t* src) {
  for (const ObjAttr& a : t->attrs) {
    std::uint8_t* to = dst + a.offset;
    const std::uint8_t* from = src + a.offset;
    if (a.inlineObject) {
      CopyRegion(a.type, to, from);
      continue;
    }
    if (a.sqlt == SQLT_NUM || a.sqlt == SQLT_DAT) {
      std::memcpy(to, from, a.dataSize);
      continue;
    }
    void* p = Read<void*>(from);
    void* copy = nullptr;
    if (const ub4 d = DescriptorTypeOf(a.sqlt)) {
      Handle* h = NewDescriptor(d);
      AssignDescriptor(h, FindHandle(p));
      copy = h;
    } else if (p) {
      switch (a.sqlt) {
        case SQLT_NTY:
          copy = a.type && a.type->IsCollection() ? static_cast<void*>(CopyColl(*Find(Store().colls, p))) : CopyInstance(p);
          break;
        case SQLT_REF: {
          Ref* r = NewRef();
          *r = *Find(Store().refs, p);
          copy = r;
          break;
        }
        default: copy = NewStr(Find(Store().strings, p)->s); break;
      }
    }
    Write<void*>(to, copy);
  }
}

void* NewInstanceData(const ObjType* type) {
  if (type->IsCollection()) return NewColl(type);
  auto in = std::make_unique<Instance>();
  in->type = type;
  in->data.reset(new std::uint8_t[std::max<ub4>(type->dataSize, 8)]());
  in->ind.reset(new OCIInd[std::max<ub4>(type->indSize / 2, 1)]());
  InitRegion(type, in->data.get(), in->ind.get());
  void* p = in->data.get();
  Store().instances[p] = std::move(in);
  return p;
}

void* CopyInstance(const void* source) {
  const Instance* from = Find(Store().instances, source);
  if (!from) return nullptr;
  auto in = std::make_unique<Instance>();
  in->type = from->type;
  in->data.reset(new std::uint8_t[std::max<ub4>(from->type->dataSize, 8)]());
  in->ind.reset(new OCIInd[std::max<ub4>(from->type->indSize / 2, 1)]());
  CopyRegion(from->type, in->data.get(), from->data.get());
  std::memcpy(in->ind.get(), from->ind.get(), from->type->indSize);
  void* p = in->data.get();
  Store().instances[p] = std::move(in);
  return p;
}

void FreeInstance(void* data) {
  Instance* in = Find(Store().instances, data);
  if (!in) return;
  FreeRegion(in->type, in->data.get());
  if (!in->table.empty()) Store().pinned.erase({in->table, in->rowid});
  Store().instances.erase(data);
}

void FreeElem(const ObjAttr& element, Elem& e) {
  switch (KindOf(element)) {
    case ElemKind::String: Store().strings.erase(Read<void*>(e.storage)); break;
    case ElemKind::RefValue: Store().refs.erase(Read<void*>(e.storage)); break;
    case ElemKind::Object: FreeInstance(e.instance); break;
    default: break;
  }
  std::memset(e.storage, 0, sizeof e.storage);
  e.instance = nullptr;
}

void FreeColl(void* p) {
  Coll* c = Find(Store().colls, p);
  if (!c) return;
  for (auto& e : c->elems) FreeElem(c->type->attrs[0], *e);
  Store().colls.erase(p);
}

// Sets an element from a value in the library's form (what OCICollAppend is given).
void SetElem(const ObjAttr& element, Elem& e, const void* value, const void* ind) {
  FreeElem(element, e);
  switch (KindOf(element)) {
    case ElemKind::String: {
      const Str* s = Find(Store().strings, value);
      Write<void*>(e.storage, NewStr(s ? s->s : std::string()));
      break;
    }
    case ElemKind::Number: std::memcpy(e.storage, value, sizeof(OCINumber)); break;
    case ElemKind::Date: std::memcpy(e.storage, value, sizeof(OCIDate)); break;
    case ElemKind::RefValue: {
      Ref* r = NewRef();
      if (const Ref* from = Find(Store().refs, value)) *r = *from;
      Write<void*>(e.storage, r);
      break;
    }
    case ElemKind::Object: {
      // A registered instance is copied; any other storage stands for an empty one.
      e.instance = Find(Store().instances, value) ? CopyInstance(value) : NewInstanceData(element.type);
      Instance* in = Find(Store().instances, e.instance);
      if (ind) std::memcpy(in->ind.get(), ind, element.type->indSize);
      e.ind = in->ind[0];
      return;
    }
  }
  e.ind = ind ? Read<OCIInd>(ind) : OCI_IND_NOTNULL;
}

Coll* CopyColl(const Coll& source) {
  Coll* c = NewColl(source.type);
  const ObjAttr& element = source.type->attrs[0];
  for (const auto& from : source.elems) {
    auto e = std::make_unique<Elem>();
    e->exists = from->exists;
    const bool object = KindOf(element) == ElemKind::Object;
    const void* value = object ? from->instance
                        : KindOf(element) == ElemKind::String || KindOf(element) == ElemKind::RefValue
                            ? Read<void*>(from->storage)
                            : static_cast<const void*>(from->storage);
    const void* ind = object ? static_cast<const void*>(Find(Store().instances, from->instance)->ind.get()) : &from->ind;
    SetElem(element, *e, value, ind);
    c->elems.push_back(std::move(e));
  }
  return c;
}

// ---- between stored values and instances ----

double NumberOf(const void* number) { return Read<double>(number); }

void SetNumber(void* number, double v) {
  std::memset(number, 0, sizeof(OCINumber));
  Write(number, v);
}

bool DateFromText(const std::string& text, OCIDate& d) {
  ub1 b[7];
  if (!DateTextToBytes(text, b)) return false;
  d.OCIDateYYYY = static_cast<sb2>((b[0] - 100) * 100 + (b[1] - 100));
  d.OCIDateMM = b[2];
  d.OCIDateDD = b[3];
  d.OCIDateTime = {static_cast<ub1>(b[4] - 1), static_cast<ub1>(b[5] - 1), static_cast<ub1>(b[6] - 1)};
  return true;
}

std::string DateText(const OCIDate& d) {
  const int year = d.OCIDateYYYY, magnitude = std::abs(year), sign = year < 0 ? -1 : 1;
  const ub1 b[7] = {static_cast<ub1>(100 + sign * (magnitude / 100)), static_cast<ub1>(100 + sign * (magnitude % 100)),
                    d.OCIDateMM, d.OCIDateDD, static_cast<ub1>(d.OCIDateTime.OCITimeHH + 1),
                    static_cast<ub1>(d.OCIDateTime.OCITimeMI + 1), static_cast<ub1>(d.OCIDateTime.OCITimeSS + 1)};
  return DateBytesToText(b);
}

void ParseRefText(const std::string& text, Ref& r) {
  const std::size_t colon = text.find(':');
  r.table = colon == std::string::npos ? std::string() : text.substr(0, colon);
  r.rowid = colon == std::string::npos ? 0 : std::atoll(text.c_str() + colon + 1);
}

Status FillRegion(const ObjType* t, std::uint8_t* data, OCIInd* ind, const Json& j);

// One scalar or reference value into its slot (which is empty); false when it does not fit.
bool FillSlot(const ObjAttr& a, std::uint8_t* slot, const Json& j) {
  if (const ub4 d = DescriptorTypeOf(a.sqlt)) {
    // As a column of the type holds it: a LOB's id, a file's or a datetime's text.
    if (!FindHandle(Read<void*>(slot))) Write<void*>(slot, NewDescriptor(d));
    const Value v = j.kind == Json::Number ? Value::OfInt(static_cast<std::int64_t>(j.number)) : Value::OfText(j.text);
    const bool lob = d == OCI_DTYPE_LOB || d == OCI_DTYPE_FILE;
    return (lob ? LocatorToExternal(v, a.sqlt, slot, nullptr) : DateTimeToExternal(v, a.sqlt, slot, nullptr)).Ok();
  }
  switch (a.sqlt) {
    case SQLT_NUM:
      if (j.kind != Json::Number) return false;
      SetNumber(slot, j.number);
      return true;
    case SQLT_DAT: {
      OCIDate d{};
      if (j.kind != Json::Text || !DateFromText(j.text, d)) return false;
      Write(slot, d);
      return true;
    }
    case SQLT_REF: {
      Ref* r = NewRef();
      if (j.kind == Json::Text) ParseRefText(j.text, *r);
      Write<void*>(slot, r);
      return true;
    }
    default:
      Store().strings.erase(Read<void*>(slot));
      Write<void*>(slot, NewStr(j.kind == Json::Number ? Value::OfReal(j.number).AsText() : j.text));
      return true;
  }
}

Status FillColl(Coll& c, const Json& j) {
  if (j.kind != Json::Array) return Error(932);
  const ObjAttr& element = c.type->attrs[0];
  for (const Json& item : j.items) {
    auto e = std::make_unique<Elem>();
    if (KindOf(element) == ElemKind::Object) {
      e->instance = NewInstanceData(element.type);
      Instance* in = Find(Store().instances, e->instance);
      Status s = FillRegion(element.type, in->data.get(), in->ind.get(), item);
      if (!s.Ok()) return s;
      e->ind = in->ind[0];
    } else if (item.kind != Json::Null) {
      if (!FillSlot(element, e->storage, item)) return Error(932);
      e->ind = OCI_IND_NOTNULL;
    }
    c.elems.push_back(std::move(e));
  }
  return {};
}

// The object a by-reference attribute's slot points to, made when there is none yet.
Instance* ByReference(const ObjAttr& a, std::uint8_t* slot) {
  Instance* in = Find(Store().instances, Read<void*>(slot));
  if (!in) {
    void* data = NewInstanceData(a.type);
    Write<void*>(slot, data);
    in = Find(Store().instances, data);
  }
  return in;
}

// A freshly initialised region (InitRegion) filled from its JSON value.
Status FillRegion(const ObjType* t, std::uint8_t* data, OCIInd* ind, const Json& j) {
  if (j.kind == Json::Null) return {};
  if (j.kind != Json::Object) return Error(932);
  ind[0] = OCI_IND_NOTNULL;
  for (const ObjAttr& a : t->attrs) {
    const Json* v = j.Member(a.name);
    if (!v || v->kind == Json::Null) continue;
    std::uint8_t* slot = data + a.offset;
    if (a.inlineObject) {
      Status s = FillRegion(a.type, slot, ind + a.indOffset / 2, *v);
      if (!s.Ok()) return s;
      continue;
    }
    if (a.sqlt == SQLT_NTY && a.type) {
      Status s;
      if (a.type->IsCollection()) {
        s = FillColl(*Find(Store().colls, Read<void*>(slot)), *v);
      } else {
        Instance* in = ByReference(a, slot);
        s = FillRegion(a.type, in->data.get(), in->ind.get(), *v);
      }
      if (!s.Ok()) return s;
    } else if (!FillSlot(a, slot, *v)) {
      return Error(932);
    }
    ind[a.indOffset / 2] = OCI_IND_NOTNULL;
  }
  return {};
}

std::string SlotJson(const ObjAttr& a, const std::uint8_t* slot, OCIInd ind);

std::string RegionJson(const ObjType* t, const std::uint8_t* data, const OCIInd* ind) {
  if (ind[0] != OCI_IND_NOTNULL) return "null";
  std::string out = "{";
  for (const ObjAttr& a : t->attrs) {
    if (out.size() > 1) out += ",";
    out += Quote(a.name) + ":";
    if (a.inlineObject) {
      out += RegionJson(a.type, data + a.offset, ind + a.indOffset / 2);
    } else {
      out += SlotJson(a, data + a.offset, ind[a.indOffset / 2]);
    }
  }
  return out + "}";
}

std::string CollJson(const Coll& c) {
  const ObjAttr& element = c.type->attrs[0];
  std::string out = "[";
  for (const auto& e : c.elems) {
    if (!e->exists) continue;
    if (out.size() > 1) out += ",";
    if (KindOf(element) == ElemKind::Object) {
      const Instance* in = Find(Store().instances, e->instance);
      out += RegionJson(element.type, in->data.get(), in->ind.get());
    } else {
      out += SlotJson(element, e->storage, e->ind);
    }
  }
  return out + "]";
}

std::string SlotJson(const ObjAttr& a, const std::uint8_t* slot, OCIInd ind) {
  if (ind != OCI_IND_NOTNULL) return "null";
  if (const ub4 d = DescriptorTypeOf(a.sqlt)) {
    Status s;
    const Value v = d == OCI_DTYPE_LOB || d == OCI_DTYPE_FILE ? LocatorFromExternal(a.sqlt, slot, s)
                                                              : DateTimeFromExternal(a.sqlt, slot, s);
    if (!s.Ok()) return "null";
    return v.kind == Value::Int ? std::to_string(v.i) : Quote(v.AsText());
  }
  switch (a.sqlt) {
    case SQLT_NUM: return Value::OfReal(NumberOf(slot)).AsText();
    case SQLT_DAT: return Quote(DateText(Read<OCIDate>(slot)));
    case SQLT_REF: {
      const Ref* r = Find(Store().refs, Read<void*>(slot));
      return r && !r->IsNull() ? Quote(r->table + ":" + std::to_string(r->rowid)) : "null";
    }
    case SQLT_NTY: {
      void* p = Read<void*>(slot);
      if (a.type && a.type->IsCollection()) return p ? CollJson(*Find(Store().colls, p)) : "null";
      const Instance* in = Find(Store().instances, p);
      return in ? RegionJson(a.type, in->data.get(), in->ind.get()) : "null";
    }
    default: {
      const Str* s = Find(Store().strings, Read<void*>(slot));
      return Quote(s ? s->s : std::string());
    }
  }
}

// ---- object tables ----

std::string ObjectTableType(const std::string& table) {
  std::string key = table;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return Setting("objtable:" + key);
}

Status Pin(const Ref& ref, void** object) {
  auto cached = Store().pinned.find({ref.table, ref.rowid});
  if (cached != Store().pinned.end()) {
    *object = cached->second;
    return {};
  }
  const ObjType* type = FindObjType(ObjectTableType(ref.table));
  if (!type) return Error(21700, "object does not exist or is marked for delete");
  sqlite3_stmt* stmt = nullptr;
  const std::string sql = "SELECT * FROM " + ref.table + " WHERE rowid = ?";
  if (sqlite3_prepare_v2(Db(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return Error(942);
  sqlite3_bind_int64(stmt, 1, ref.rowid);
  if (sqlite3_step(stmt) != SQLITE_ROW) {
    sqlite3_finalize(stmt);
    return Error(21700, "object does not exist or is marked for delete");
  }
  void* data = NewInstanceData(type);
  Instance* in = Find(Store().instances, data);
  in->table = ref.table;
  in->rowid = ref.rowid;
  in->ind[0] = OCI_IND_NOTNULL;
  Status s;
  for (int i = 0; i < sqlite3_column_count(stmt) && s.Ok(); ++i) {
    std::string name = sqlite3_column_name(stmt, i);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const ObjAttr* a = FindObjAttr(type, name);
    if (!a || sqlite3_column_type(stmt, i) == SQLITE_NULL) continue;
    Json j;
    if (a->sqlt == SQLT_NTY) {
      const std::string text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      if (!JsonReader(text).Read(j)) s = Error(932);
      Json wrapper;
      wrapper.kind = Json::Object;
      wrapper.AddMember(name, j);
      if (s.Ok()) s = FillRegion(type, in->data.get(), in->ind.get(), wrapper);
      continue;
    }
    if (sqlite3_column_type(stmt, i) == SQLITE_INTEGER || sqlite3_column_type(stmt, i) == SQLITE_FLOAT) {
      j.kind = Json::Number;
      j.number = sqlite3_column_double(stmt, i);
    } else {
      j.kind = Json::Text;
      j.text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    }
    if (!FillSlot(*a, in->data.get() + a->offset, j)) s = Error(932);
    in->ind[a->indOffset / 2] = OCI_IND_NOTNULL;
  }
  sqlite3_finalize(stmt);
  if (!s.Ok()) {
    FreeInstance(data);
    return s;
  }
  Store().pinned[{ref.table, ref.rowid}] = data;
  *object = data;
  return {};
}

Status FlushRow(Instance& in) {
  std::string sql = "UPDATE " + in.table + " SET ";
  for (std::size_t i = 0; i < in.type->attrs.size(); ++i) sql += (i ? ", " : "") + in.type->attrs[i].name + " = ?";
  sql += " WHERE rowid = ?";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(Db(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return Error(904);
  int k = 1;
  for (const ObjAttr& a : in.type->attrs) {
    const std::uint8_t* slot = in.data.get() + a.offset;
    const OCIInd ind = in.ind[a.indOffset / 2];
    if (a.inlineObject) {
      const std::string text = RegionJson(a.type, slot, in.ind.get() + a.indOffset / 2);
      sqlite3_bind_text(stmt, k++, text.c_str(), -1, SQLITE_TRANSIENT);
    } else if (ind != OCI_IND_NOTNULL) {
      sqlite3_bind_null(stmt, k++);
    } else if (a.sqlt == SQLT_NUM) {
      sqlite3_bind_double(stmt, k++, NumberOf(slot));
    } else {
      std::string text = SlotJson(a, slot, ind);
      if (a.sqlt != SQLT_NTY && text.size() >= 2 && text.front() == '"') text = text.substr(1, text.size() - 2);
      sqlite3_bind_text(stmt, k++, text.c_str(), -1, SQLITE_TRANSIENT);
    }
  }
  sqlite3_bind_int64(stmt, k, in.rowid);
  BeginWorkIfNeeded();
  const int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return Error(900);
  in.dirty = false;
  return {};
}

// Walks names from an instance region: the region, indicator structure and type that hold the
// last name's attribute, which is returned; nullptr when a name is no attribute.
const ObjAttr* Walk(const ObjType*& t, std::uint8_t*& data, OCIInd*& ind, const OraText** names, const ub4* lengths,
                    ub4 count) {
  const ObjAttr* a = nullptr;
  for (ub4 i = 0; i < count; ++i) {
    std::string name(reinterpret_cast<const char*>(names[i]), lengths[i]);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    a = FindObjAttr(t, name);
    if (!a) return nullptr;
    if (i + 1 == count) return a;
    if (a->inlineObject) {
      data += a->offset;
      ind += a->indOffset / 2;
    } else if (a->sqlt == SQLT_NTY && a->type && !a->type->IsCollection()) {
      Instance* in = ByReference(*a, data + a->offset);
      data = in->data.get();
      ind = in->ind.get();
    } else {
      return nullptr;
    }
    t = a->type;
  }
  return a;
}

}  // namespace

void* NewInstance(const ObjType* type, void** indicator) {
  void* data = NewInstanceData(type);
  if (indicator) {
    Instance* in = Find(Store().instances, data);
    *indicator = in ? static_cast<void*>(in->ind.get()) : static_cast<void*>(&Find(Store().colls, data)->atomic);
  }
  return data;
}

Status InstanceFromValue(const ObjType* type, const Value& value, void** instance, void** ind) {
  *instance = NewInstance(type, ind);
  Json j;
  if (value.kind != Value::Null && !JsonReader(value.AsText()).Read(j)) return Error(932);
  if (type->IsCollection()) {
    Coll* c = Find(Store().colls, *instance);
    c->atomic = j.kind == Json::Null ? OCI_IND_NULL : OCI_IND_NOTNULL;
    return j.kind == Json::Null ? Status{} : FillColl(*c, j);
  }
  Instance* in = Find(Store().instances, *instance);
  return FillRegion(type, in->data.get(), in->ind.get(), j);
}

void* RefFromValue(const Value& value) {
  Ref* r = NewRef();
  if (value.kind != Value::Null) ParseRefText(value.AsText(), *r);
  return r;
}

Value InstanceValue(const void* instance, const void* ind) {
  if (const Instance* in = Find(Store().instances, instance)) {
    const auto* indicators = ind ? static_cast<const OCIInd*>(ind) : in->ind.get();
    const std::string json = RegionJson(in->type, in->data.get(), indicators);
    return json == "null" ? Value() : Value::OfText(json);
  }
  if (const Coll* c = Find(Store().colls, instance)) {
    const OCIInd atomic = ind ? *static_cast<const OCIInd*>(ind) : c->atomic;
    return atomic == OCI_IND_NOTNULL ? Value::OfText(CollJson(*c)) : Value();
  }
  return {};
}

Value RefValue(const void* ref) {
  const Ref* r = Find(Store().refs, ref);
  return r && !r->IsNull() ? Value::OfText(r->table + ":" + std::to_string(r->rowid)) : Value();
}

bool JsonArrayValues(const std::string& text, std::vector<Value>& values) {
  Json j;
  if (!JsonReader(text).Read(j) || j.kind != Json::Array) return false;
  values.clear();
  for (const Json& item : j.items) {
    switch (item.kind) {
      case Json::Null: values.emplace_back(); break;
      case Json::Number: values.push_back(Value::OfReal(item.number)); break;
      case Json::Text: values.push_back(Value::OfText(item.text)); break;
      default: return false;
    }
  }
  return true;
}

std::string JsonArrayText(const std::vector<Value>& values) {
  std::string out = "[";
  for (const Value& v : values) {
    if (out.size() > 1) out += ",";
    switch (v.kind) {
      case Value::Null: out += "null"; break;
      case Value::Int: case Value::Real: out += v.AsText(); break;
      default: out += Quote(v.s); break;
    }
  }
  return out + "]";
}

Status PutObject(const DefineSlot& d, const Value& value, ub4 r) {
  if (!d.objects) return Error(3115);
  auto at = [r](void** base, ub4 skip) {
    return reinterpret_cast<std::uint8_t*>(base) + static_cast<std::size_t>(r) * skip;
  };
  if (d.type == SQLT_REF) {
    Write<void*>(at(d.objects, d.valueSkip), RefFromValue(value));
    return {};
  }
  const auto* type = static_cast<const ObjType*>(d.objectType);
  if (!type) return Error(3115);
  void* instance = nullptr;
  void* ind = nullptr;
  Status s = InstanceFromValue(type, value, &instance, &ind);
  Write<void*>(at(d.objects, d.valueSkip), instance);
  if (d.objectInds) Write<void*>(at(d.objectInds, d.indSkip), ind);
  return s;
}

}  // namespace fakeoci

using namespace fakeoci;

// ---- objects ----

FAKEOCI_OCI8 sword OCIDefineObject(OCIDefine* defnp, OCIError* errhp, const OCIType* type, void** pgvpp, ub4*,
                                   void** indpp, ub4*) {
  if (auto e = Enter("OCIDefineObject", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* define = Live<DefineHandle>(defnp, OCI_HTYPE_DEFINE);
  if (!define || !pgvpp) return OCI_INVALID_HANDLE;
  define->slot->objects = pgvpp;
  define->slot->objectInds = indpp;
  define->slot->objectType = type;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectNew(OCIEnv*, OCIError* errhp, const OCISvcCtx*, OCITypeCode typecode, OCIType* tdo, void*,
                                OCIDuration, boolean, void** instance) {
  if (auto e = Enter("OCIObjectNew", "typecode=" + std::to_string(typecode))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!tdo || !instance) return OCI_INVALID_HANDLE;
  *instance = NewInstance(reinterpret_cast<const ObjType*>(tdo), nullptr);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectGetInd(OCIEnv*, OCIError* errhp, void* instance, void** nullStruct) {
  if (auto e = Enter("OCIObjectGetInd", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!nullStruct) return OCI_INVALID_HANDLE;
  if (Instance* in = Find(Store().instances, instance)) {
    *nullStruct = in->ind.get();
  } else if (Coll* c = Find(Store().colls, instance)) {
    *nullStruct = &c->atomic;
  } else {
    return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  }
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectFree(OCIEnv*, OCIError* errhp, void* instance, ub2 flags) {
  if (auto e = Enter("OCIObjectFree", "flags=" + std::to_string(flags))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (Find(Store().instances, instance)) {
    FreeInstance(instance);
  } else if (Find(Store().colls, instance)) {
    FreeColl(instance);
  } else {
    return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  }
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectCopy(OCIEnv*, OCIError* errhp, const OCISvcCtx*, void* source, void* sourceInd, void* target,
                                 void* targetInd, OCIType* tdo, OCIDuration, ub1) {
  if (auto e = Enter("OCIObjectCopy", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const auto* type = reinterpret_cast<const ObjType*>(tdo);
  if (!type || !source || !target) return OCI_INVALID_HANDLE;
  if (type->IsCollection()) {
    Coll* from = Find(Store().colls, source);
    Coll* to = Find(Store().colls, target);
    if (!from || !to) return OCI_INVALID_HANDLE;
    Coll* copy = CopyColl(*from);
    for (auto& e : to->elems) FreeElem(type->attrs[0], *e);
    to->elems = std::move(copy->elems);
    Store().colls.erase(copy);
    return OCI_SUCCESS;
  }
  FreeRegion(type, static_cast<std::uint8_t*>(target));
  CopyRegion(type, static_cast<std::uint8_t*>(target), static_cast<const std::uint8_t*>(source));
  if (sourceInd && targetInd) std::memcpy(targetInd, sourceInd, type->indSize);
  return OCI_SUCCESS;
}

namespace {

// The attribute a path names in an instance, where its value lies and where its indicator.
sword FindAttr(OCIError* errhp, void* instance, void* nullStruct, OCIType* tdo, const OraText** names,
               const ub4* lengths, ub4 nameCount, const ObjAttr*& attr, std::uint8_t*& slot, OCIInd*& attrInd) {
  const auto* t = reinterpret_cast<const ObjType*>(tdo);
  auto* data = static_cast<std::uint8_t*>(instance);
  auto* ind = static_cast<OCIInd*>(nullStruct);
  if (!t || !data || !ind || nameCount == 0) return OCI_INVALID_HANDLE;
  attr = Walk(t, data, ind, names, lengths, nameCount);
  if (!attr) return Fail(errhp, Error(22806, "not an object or REF"));
  slot = data + attr->offset;
  attrInd = ind + attr->indOffset / 2;
  return OCI_SUCCESS;
}

}  // namespace

FAKEOCI_OCI8 sword OCIObjectSetAttr(OCIEnv*, OCIError* errhp, void* instance, void* nullStruct, OCIType* tdo,
                                    const OraText** names, const ub4* lengths, ub4 nameCount, const ub4*, ub4,
                                    OCIInd nullStatus, const void*, const void* value) {
  std::string path;
  for (ub4 i = 0; i < nameCount; ++i) path += (i ? "." : "") + std::string(reinterpret_cast<const char*>(names[i]), lengths[i]);
  if (auto e = Enter("OCIObjectSetAttr", "path=" + path + " null=" + std::to_string(nullStatus) + (value ? " value" : "")))
    return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const ObjAttr* a = nullptr;
  std::uint8_t* slot = nullptr;
  OCIInd* attrInd = nullptr;
  if (sword rc = FindAttr(errhp, instance, nullStruct, tdo, names, lengths, nameCount, a, slot, attrInd)) return rc;
  if (a->inlineObject) {
    if (value) {
      FreeRegion(a->type, slot);
      CopyRegion(a->type, slot, static_cast<const std::uint8_t*>(value));
    }
    if (nullStatus != OCI_IND_NOTNULL) std::fill(attrInd, attrInd + a->type->indSize / 2, OCI_IND_NULL);
    attrInd[0] = nullStatus;
  } else {
    if (value && DescriptorTypeOf(a->sqlt)) {
      // A locator, datetime or interval of the attribute's kind: its value is copied.
      Handle* own = FindHandle(Read<void*>(slot));
      if (!own) Write<void*>(slot, own = NewDescriptor(DescriptorTypeOf(a->sqlt)));
      if (!AssignDescriptor(own, FindHandle(value))) return OCI_INVALID_HANDLE;
    } else if (value) {
      switch (a->sqlt) {
        case SQLT_NUM: std::memcpy(slot, value, sizeof(OCINumber)); break;
        case SQLT_DAT: std::memcpy(slot, value, sizeof(OCIDate)); break;
        case SQLT_REF: {
          Ref* r = Find(Store().refs, Read<void*>(slot));
          if (!r) Write<void*>(slot, r = NewRef());
          if (const Ref* from = Find(Store().refs, value)) *r = *from;
          break;
        }
        case SQLT_NTY: {
          void* old = Read<void*>(slot);
          if (a->type && a->type->IsCollection()) {
            Coll* from = Find(Store().colls, value);
            if (!from) return OCI_INVALID_HANDLE;
            Write<void*>(slot, CopyColl(*from));
            FreeColl(old);
          } else {
            Write<void*>(slot, CopyInstance(value));
            FreeInstance(old);
          }
          break;
        }
        default: {
          const Str* from = Find(Store().strings, value);
          Str* s = Find(Store().strings, Read<void*>(slot));
          if (!s) Write<void*>(slot, s = NewStr(std::string()));
          s->s = from ? from->s : std::string();
          break;
        }
      }
    }
    *attrInd = nullStatus;
  }
  if (Instance* in = Find(Store().instances, instance)) in->dirty = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectGetAttr(OCIEnv*, OCIError* errhp, void* instance, void* nullStruct, OCIType* tdo,
                                    const OraText** names, const ub4* lengths, ub4 nameCount, const ub4*, ub4,
                                    OCIInd* attrNullStatus, void** attrNullStruct, void** attrValue,
                                    OCIType** attrTdo) {
  if (auto e = Enter("OCIObjectGetAttr", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const ObjAttr* a = nullptr;
  std::uint8_t* slot = nullptr;
  OCIInd* attrInd = nullptr;
  if (sword rc = FindAttr(errhp, instance, nullStruct, tdo, names, lengths, nameCount, a, slot, attrInd)) return rc;
  void* valueOut = slot;
  void* nullOut = attrInd;
  if (!a->inlineObject && a->sqlt == SQLT_NTY) {
    if (a->type && !a->type->IsCollection()) nullOut = ByReference(*a, slot)->ind.get();
    valueOut = Read<void*>(slot);
  }
  if (attrNullStatus) *attrNullStatus = Read<OCIInd>(nullOut);
  if (attrNullStruct) *attrNullStruct = nullOut;
  if (attrValue) *attrValue = valueOut;
  if (attrTdo) *attrTdo = reinterpret_cast<OCIType*>(const_cast<ObjType*>(a->type));
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectPin(OCIEnv*, OCIError* errhp, OCIRef* ref, OCIComplexObject*, OCIPinOpt, OCIDuration,
                                OCILockOpt, void** object) {
  if (auto e = Enter("OCIObjectPin", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const Ref* r = Find(Store().refs, ref);
  if (!r || !object) return OCI_INVALID_HANDLE;
  if (r->IsNull()) return Fail(errhp, Error(22805, "cannot pin a NULL REF"));
  return Result(errhp, Pin(*r, object));
}

FAKEOCI_OCI8 sword OCIObjectMarkUpdate(OCIEnv*, OCIError* errhp, void* instance) {
  if (auto e = Enter("OCIObjectMarkUpdate", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Instance* in = Find(Store().instances, instance);
  if (!in) return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  in->dirty = true;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectMarkDelete(OCIEnv*, OCIError* errhp, void* instance) {
  if (auto e = Enter("OCIObjectMarkDelete", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Instance* in = Find(Store().instances, instance);
  if (!in || in->table.empty()) return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  const std::string sql = "DELETE FROM " + in->table + " WHERE rowid = " + std::to_string(in->rowid);
  BeginWorkIfNeeded();
  sqlite3_exec(Db(), sql.c_str(), nullptr, nullptr, nullptr);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIObjectFlush(OCIEnv*, OCIError* errhp, void* instance) {
  if (auto e = Enter("OCIObjectFlush", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Instance* in = Find(Store().instances, instance);
  if (!in) return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  if (in->table.empty() || !in->dirty) return OCI_SUCCESS;
  return Result(errhp, FlushRow(*in));
}

FAKEOCI_OCI8 sword OCIObjectGetObjectRef(OCIEnv*, OCIError* errhp, void* instance, OCIRef* ref) {
  if (auto e = Enter("OCIObjectGetObjectRef", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Instance* in = Find(Store().instances, instance);
  Ref* r = Find(Store().refs, ref);
  if (!in || !r) return OCI_INVALID_HANDLE;
  r->table = in->table;
  r->rowid = in->rowid;
  return OCI_SUCCESS;
}

// ---- strings and numbers ----

FAKEOCI_OCI8 OraText* OCIStringPtr(OCIEnv*, const OCIString* vs) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Str* s = Find(Store().strings, vs);
  return s ? reinterpret_cast<OraText*>(s->s.data()) : nullptr;
}

FAKEOCI_OCI8 ub4 OCIStringSize(OCIEnv*, const OCIString* vs) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Str* s = Find(Store().strings, vs);
  return s ? static_cast<ub4>(s->s.size()) : 0;
}

FAKEOCI_OCI8 sword OCIStringResize(OCIEnv*, OCIError* errhp, ub4 newSize, OCIString** str) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!str) return OCI_INVALID_HANDLE;
  if (newSize == 0) {
    Store().strings.erase(*str);
    *str = nullptr;
    return OCI_SUCCESS;
  }
  Str* s = Find(Store().strings, *str);
  if (!s && *str) return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  if (!s) *str = reinterpret_cast<OCIString*>(s = NewStr(std::string()));
  s->s.reserve(newSize);
  if (s->s.size() >= newSize) s->s.resize(newSize - 1);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIStringAssignText(OCIEnv*, OCIError* errhp, const OraText* rhs, ub4 rhsLength, OCIString** lhs) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!lhs) return OCI_INVALID_HANDLE;
  Str* s = Find(Store().strings, *lhs);
  if (!s && *lhs) return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  if (!s) *lhs = reinterpret_cast<OCIString*>(s = NewStr(std::string()));
  s->s.assign(rhs ? reinterpret_cast<const char*>(rhs) : "", rhs ? rhsLength : 0);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCINumberFromInt(OCIError* errhp, const void* inum, uword length, uword signFlag, OCINumber* number) {
  if (!inum || !number) return OCI_INVALID_HANDLE;
  std::int64_t v = 0;
  switch (length) {
    case 1: v = signFlag == OCI_NUMBER_SIGNED ? Read<std::int8_t>(inum) : Read<std::uint8_t>(inum); break;
    case 2: v = signFlag == OCI_NUMBER_SIGNED ? Read<std::int16_t>(inum) : Read<std::uint16_t>(inum); break;
    case 4: v = signFlag == OCI_NUMBER_SIGNED ? Read<std::int32_t>(inum) : Read<std::uint32_t>(inum); break;
    case 8: v = Read<std::int64_t>(inum); break;
    default: return Fail(errhp, Error(22053, "overflow error"));
  }
  SetNumber(number, static_cast<double>(v));
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCINumberToInt(OCIError* errhp, const OCINumber* number, uword length, uword signFlag, void* rsl) {
  if (!number || !rsl) return OCI_INVALID_HANDLE;
  const double d = std::trunc(NumberOf(number));
  const bool sign = signFlag == OCI_NUMBER_SIGNED;
  const double max = length >= 8 ? 9.2e18 : std::ldexp(1.0, static_cast<int>(8 * length - (sign ? 1 : 0))) - 1;
  const double min = sign ? -max - 1 : 0;
  if (d > max || d < min) return Fail(errhp, Error(22053, "overflow error"));
  const auto v = static_cast<std::int64_t>(d);
  switch (length) {
    case 1: Write(rsl, static_cast<std::int8_t>(v)); break;
    case 2: Write(rsl, static_cast<std::int16_t>(v)); break;
    case 4: Write(rsl, static_cast<std::int32_t>(v)); break;
    case 8: Write(rsl, v); break;
    default: return Fail(errhp, Error(22053, "overflow error"));
  }
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCINumberFromReal(OCIError* errhp, const void* rnum, uword length, OCINumber* number) {
  if (!rnum || !number) return OCI_INVALID_HANDLE;
  if (length == 8) {
    SetNumber(number, Read<double>(rnum));
  } else if (length == 4) {
    SetNumber(number, Read<float>(rnum));
  } else {
    return Fail(errhp, Error(22053, "overflow error"));
  }
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCINumberToReal(OCIError* errhp, const OCINumber* number, uword length, void* rsl) {
  if (!number || !rsl) return OCI_INVALID_HANDLE;
  if (length == 8) {
    Write(rsl, NumberOf(number));
  } else if (length == 4) {
    Write(rsl, static_cast<float>(NumberOf(number)));
  } else {
    return Fail(errhp, Error(22053, "overflow error"));
  }
  return OCI_SUCCESS;
}

// ---- collections ----

namespace {

Coll* CollOf(const void* p) {
  Coll* c = Find(Store().colls, p);
  return c;
}

std::size_t Existing(const Coll& c) {
  return static_cast<std::size_t>(std::count_if(c.elems.begin(), c.elems.end(), [](const auto& e) { return e->exists; }));
}

}  // namespace

FAKEOCI_OCI8 sword OCICollSize(OCIEnv*, OCIError* errhp, const OCIColl* coll, sb4* size) {
  if (auto e = Enter("OCICollSize", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(coll);
  if (!c || !size) return OCI_INVALID_HANDLE;
  *size = static_cast<sb4>(c->elems.size() + CollectionSizeBias());
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCITableSize(OCIEnv*, OCIError* errhp, const OCITable* table, sb4* size) {
  if (auto e = Enter("OCITableSize", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(table);
  if (!c || !size) return OCI_INVALID_HANDLE;
  *size = static_cast<sb4>(Existing(*c) + CollectionSizeBias());
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCICollGetElem(OCIEnv*, OCIError* errhp, const OCIColl* coll, sb4 index, boolean* exists,
                                  void** elem, void** elemInd) {
  if (auto e = Enter("OCICollGetElem", "index=" + std::to_string(index))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(coll);
  if (!c || !exists || !elem) return OCI_INVALID_HANDLE;
  if (index < 0 || static_cast<std::size_t>(index) >= c->elems.size() || !c->elems[static_cast<std::size_t>(index)]->exists) {
    *exists = 0;
    *elem = nullptr;
    if (elemInd) *elemInd = nullptr;
    return OCI_SUCCESS;
  }
  Elem& e = *c->elems[static_cast<std::size_t>(index)];
  *exists = 1;
  if (KindOf(c->type->attrs[0]) == ElemKind::Object) {
    *elem = e.instance;
    if (elemInd) *elemInd = Find(Store().instances, e.instance)->ind.get();
  } else {
    *elem = e.storage;
    if (elemInd) *elemInd = &e.ind;
  }
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCICollAppend(OCIEnv*, OCIError* errhp, const void* elem, const void* elemInd, OCIColl* coll) {
  if (auto e = Enter("OCICollAppend", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(coll);
  if (!c || !elem) return OCI_INVALID_HANDLE;
  if (c->type->kind == ObjType::Varray && c->elems.size() >= c->type->maxElems)
    return Fail(errhp, Error(22165, "given index is out of range"));
  auto e = std::make_unique<Elem>();
  SetElem(c->type->attrs[0], *e, elem, elemInd);
  c->elems.push_back(std::move(e));
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCICollAssignElem(OCIEnv*, OCIError* errhp, sb4 index, const void* elem, const void* elemInd,
                                     OCIColl* coll) {
  if (auto e = Enter("OCICollAssignElem", "index=" + std::to_string(index))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(coll);
  if (!c || !elem) return OCI_INVALID_HANDLE;
  if (index < 0 || static_cast<std::size_t>(index) >= c->elems.size())
    return Fail(errhp, Error(22165, "given index is out of range"));
  // The value may be the element's own (assigned back): it is copied before the element changes.
  auto fresh = std::make_unique<Elem>();
  SetElem(c->type->attrs[0], *fresh, elem, elemInd);
  Elem& old = *c->elems[static_cast<std::size_t>(index)];
  FreeElem(c->type->attrs[0], old);
  c->elems[static_cast<std::size_t>(index)] = std::move(fresh);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCICollAssign(OCIEnv*, OCIError* errhp, const OCIColl* rhs, OCIColl* lhs) {
  if (auto e = Enter("OCICollAssign", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* from = CollOf(rhs);
  Coll* to = CollOf(lhs);
  if (!from || !to) return OCI_INVALID_HANDLE;
  Coll* copy = CopyColl(*from);
  for (auto& e : to->elems) FreeElem(to->type->attrs[0], *e);
  to->elems = std::move(copy->elems);
  Store().colls.erase(copy);
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCITableDelete(OCIEnv*, OCIError* errhp, sb4 index, OCITable* table) {
  if (auto e = Enter("OCITableDelete", "index=" + std::to_string(index))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(table);
  if (!c) return OCI_INVALID_HANDLE;
  if (index < 0 || static_cast<std::size_t>(index) >= c->elems.size() || !c->elems[static_cast<std::size_t>(index)]->exists)
    return Fail(errhp, Error(22160, "element at index does not exist"));
  c->elems[static_cast<std::size_t>(index)]->exists = false;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCITableNext(OCIEnv*, OCIError* errhp, sb4 index, const OCITable* table, sb4* next, boolean* exists) {
  if (auto e = Enter("OCITableNext", "index=" + std::to_string(index))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Coll* c = CollOf(table);
  if (!c || !next || !exists) return OCI_INVALID_HANDLE;
  *exists = 0;
  for (std::size_t i = static_cast<std::size_t>(std::max(index + 1, 0)); i < c->elems.size(); ++i) {
    if (c->elems[i]->exists) {
      *next = static_cast<sb4>(i);
      *exists = 1;
      break;
    }
  }
  return OCI_SUCCESS;
}

// ---- REFs ----

FAKEOCI_OCI8 boolean OCIRefIsNull(OCIEnv*, const OCIRef* ref) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const Ref* r = Find(Store().refs, ref);
  return !r || r->IsNull();
}

FAKEOCI_OCI8 sword OCIRefAssign(OCIEnv*, OCIError* errhp, const OCIRef* source, OCIRef** target) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  const Ref* from = Find(Store().refs, source);
  if (!from || !target) return OCI_INVALID_HANDLE;
  Ref* to = Find(Store().refs, *target);
  if (!to && *target) return Fail(errhp, Error(21710, "argument is expecting a valid memory address of an object"));
  if (!to) *target = reinterpret_cast<OCIRef*>(to = NewRef());
  *to = *from;
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 void OCIRefClear(OCIEnv*, OCIRef* ref) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (Ref* r = Find(Store().refs, ref)) *r = Ref();
}
