// Object types: the definitions a test sets, their layout, and the describe calls that report
// them (OCITypeByName, OCIDescribeAny and the attributes of their parameters); column types
// beyond the plain ones.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "tools/fakeoci/Objects.h"

namespace fakeoci {

namespace {

constexpr ub4 kRef = sizeof(void*);

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// "SCOTT.X", "\"SCOTT\".\"X\"", "x" -> "X".
std::string BareName(const std::string& name) {
  std::string n = name;
  const std::size_t dot = n.rfind('.');
  if (dot != std::string::npos) n = n.substr(dot + 1);
  n.erase(std::remove(n.begin(), n.end(), '"'), n.end());
  return Upper(Trim(n));
}

// The parts of a list at its top level: "a(1,2), b" -> "a(1,2)", "b".
std::vector<std::string> SplitTop(const std::string& s) {
  std::vector<std::string> parts;
  int depth = 0;
  std::string current;
  for (char c : s) {
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) {
      parts.push_back(Trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!Trim(current).empty()) parts.push_back(Trim(current));
  return parts;
}

// "NUMBER(9,2)" -> the attribute's external type and sizes.
void ParseAttrType(const std::string& text, ObjAttr& a) {
  const std::string t = Upper(Trim(text));
  int p = -1, q = -1;
  if (std::size_t open = t.find('('); open != std::string::npos) {
    p = std::atoi(t.c_str() + open + 1);
    if (std::size_t comma = t.find(',', open); comma != std::string::npos) q = std::atoi(t.c_str() + comma + 1);
  }
  if (t.rfind("VARCHAR", 0) == 0) {
    a.sqlt = SQLT_CHR;
    a.size = static_cast<ub2>(p > 0 ? p : 4000);
  } else if (t.rfind("CHAR", 0) == 0) {
    a.sqlt = SQLT_AFC;
    a.size = static_cast<ub2>(p > 0 ? p : 1);
  } else if (t.rfind("NUMBER", 0) == 0) {
    a.sqlt = SQLT_NUM;
    a.size = 22;
    a.precision = static_cast<sb2>(p > 0 ? p : 0);
    a.scale = static_cast<sb1>(p > 0 ? (q >= 0 ? q : 0) : -127);
  } else if (t == "DATE") {
    a.sqlt = SQLT_DAT;
    a.size = 7;
  } else if (t.rfind("RAW", 0) == 0) {
    a.sqlt = SQLT_BIN;
    a.size = static_cast<ub2>(p > 0 ? p : 2000);
  } else if (t == "CLOB" || t == "BLOB") {
    a.sqlt = t == "CLOB" ? SQLT_CLOB : SQLT_BLOB;
    a.size = 86;
  } else if (t == "BFILE") {
    a.sqlt = SQLT_BFILEE;
    a.size = 530;
  } else if (t.rfind("TIMESTAMP", 0) == 0) {
    const bool local = t.find("LOCAL TIME ZONE") != std::string::npos;
    a.sqlt = local ? SQLT_TIMESTAMP_LTZ : t.find("TIME ZONE") != std::string::npos ? SQLT_TIMESTAMP_TZ : SQLT_TIMESTAMP;
    a.size = a.sqlt == SQLT_TIMESTAMP_TZ ? 13 : 11;
  } else if (t.rfind("INTERVAL ", 0) == 0) {
    a.sqlt = t.find("YEAR") != std::string::npos ? SQLT_INTERVAL_YM : SQLT_INTERVAL_DS;
    a.size = a.sqlt == SQLT_INTERVAL_YM ? 5 : 11;
  } else if (t.rfind("SQLT_", 0) == 0) {  // any external type code, for tests
    a.sqlt = static_cast<ub2>(std::atoi(t.c_str() + 5));
    a.size = 4;
  } else if (t.rfind("REF ", 0) == 0) {
    a.sqlt = SQLT_REF;
    a.typeName = BareName(t.substr(4));
  } else {
    a.sqlt = SQLT_NTY;
    a.typeName = BareName(t);
  }
}

struct TypeRegistry {
  std::map<std::string, std::pair<std::string, std::unique_ptr<ObjType>>> types;  // name -> (definition, type)
  std::vector<std::unique_ptr<ObjType>> replaced;  // their descriptors may still be in use
};

TypeRegistry& Registry() {
  static TypeRegistry registry;
  return registry;
}

ub4 RoundRef(ub4 n) { return (n + kRef - 1) / kRef * kRef; }

// Attribute offsets and sizes, as the library lays an instance out.
void LayOut(ObjType& t) {
  t.dataSize = 0;
  t.indSize = 2;
  for (ObjAttr& a : t.attrs) {
    bool byRef = true;
    a.inlineObject = false;
    switch (a.sqlt) {
      case SQLT_NUM: a.dataSize = sizeof(OCINumber); byRef = false; break;
      case SQLT_DAT: a.dataSize = sizeof(OCIDate); byRef = false; break;
      case SQLT_NTY:
        a.type = FindObjType(a.typeName);
        if (a.type && !a.type->IsCollection() && a.type->final) {
          a.inlineObject = true;
          a.dataSize = RoundRef(a.type->dataSize);
        } else {
          a.dataSize = kRef;
        }
        break;
      case SQLT_REF: a.dataSize = kRef; break;
      default: a.dataSize = kRef; break;
    }
    a.offset = byRef ? RoundRef(t.dataSize) : t.dataSize;
    a.indOffset = t.indSize;
    t.dataSize = a.offset + a.dataSize;
    t.indSize += a.inlineObject ? a.type->indSize : 2;
  }
}

std::unique_ptr<ObjType> Parse(const std::string& name, const std::string& definition) {
  auto t = std::make_unique<ObjType>();
  t->name = name;
  const std::string d = Upper(Trim(definition));
  if (d.rfind("OBJECT", 0) == 0) {
    const std::size_t open = d.find('('), close = d.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return nullptr;
    t->final = d.find("NOT FINAL", close) == std::string::npos;
    for (const std::string& part : SplitTop(definition.substr(open + 1, close - open - 1))) {
      const std::size_t space = part.find(' ');
      ObjAttr a;
      a.name = Upper(part.substr(0, space));
      ParseAttrType(part.substr(space + 1), a);
      t->attrs.push_back(a);
    }
  } else if (d.rfind("TABLE OF ", 0) == 0 || d.rfind("VARRAY", 0) == 0) {
    t->kind = d[0] == 'T' ? ObjType::Table : ObjType::Varray;
    if (t->kind == ObjType::Varray) t->maxElems = static_cast<ub4>(std::atoi(d.c_str() + d.find('(') + 1));
    ObjAttr a;
    ParseAttrType(definition.substr(d.find(" OF ") + 4), a);
    t->attrs.push_back(a);
  } else {
    return nullptr;
  }
  return t;
}

// A describe parameter of a type, its attribute list or one attribute.
struct TypeParam : Handle {
  enum Kind { TypeLevel, List, Attr } kind;
  const ObjType* objType;
  int index;
  TypeParam(Handle* parent, Kind k, const ObjType* t, int i) : Handle(OCI_DTYPE_PARAM, parent), kind(k), objType(t), index(i) {}
};

std::map<const Handle*, TypeParam*>& DescribedParams() {
  static std::map<const Handle*, TypeParam*> params;
  return params;
}

sword PutText(void* attributep, ub4* sizep, const std::string& text) {
  if (!attributep) return OCI_INVALID_HANDLE;
  const OraText* p = reinterpret_cast<const OraText*>(text.c_str());
  std::memcpy(attributep, &p, sizeof p);
  if (sizep) *sizep = static_cast<ub4>(text.size());
  return OCI_SUCCESS;
}

template <class T>
sword PutValue(void* attributep, ub4* sizep, T value) {
  if (!attributep) return OCI_INVALID_HANDLE;
  std::memcpy(attributep, &value, sizeof value);
  if (sizep) *sizep = sizeof value;
  return OCI_SUCCESS;
}

std::optional<sword> AttrOfAttribute(const ObjType& owner, const ObjAttr& a, void* attributep, ub4* sizep, ub4 attrtype) {
  // The texts handed out stay where they are: the caller keeps a pointer to them.
  static const std::string schema = kTypeSchema, none;
  switch (attrtype) {
    case OCI_ATTR_NAME: return PutText(attributep, sizep, a.name);
    case OCI_ATTR_DATA_SIZE: return PutValue<ub2>(attributep, sizep, a.size);
    case OCI_ATTR_DATA_TYPE: return PutValue<ub2>(attributep, sizep, a.sqlt);
    case OCI_ATTR_TYPECODE: return PutValue<ub2>(attributep, sizep, a.sqlt);
    case OCI_ATTR_PRECISION: return PutValue<sb2>(attributep, sizep, a.precision);
    case OCI_ATTR_SCALE: return PutValue<sb1>(attributep, sizep, a.scale);
    case OCI_ATTR_TYPE_NAME: return PutText(attributep, sizep, a.typeName);
    case OCI_ATTR_SCHEMA_NAME: return PutText(attributep, sizep, a.typeName.empty() ? none : schema);
    case OCI_ATTR_NUM_ELEMS: return PutValue<ub4>(attributep, sizep, owner.maxElems);
    default: return std::nullopt;
  }
}

}  // namespace

const ObjType* FindObjType(const std::string& name) {
  const std::string key = BareName(name);
  if (key.empty()) return nullptr;
  const std::string definition = Setting("type:" + key);
  auto& types = Registry().types;
  auto it = types.find(key);
  if (definition.empty()) return nullptr;
  if (it != types.end() && it->second.first == definition) return it->second.second.get();
  std::unique_ptr<ObjType> parsed = Parse(key, definition);
  if (!parsed) return nullptr;
  if (it != types.end()) Registry().replaced.push_back(std::move(it->second.second));
  ObjType* t = parsed.get();
  types[key] = {definition, std::move(parsed)};
  LayOut(*t);  // after joining: an attribute may name the type itself through a REF
  return t;
}

const ObjAttr* FindObjAttr(const ObjType* type, const std::string& upperName) {
  if (!type) return nullptr;
  for (const ObjAttr& a : type->attrs)
    if (a.name == upperName) return &a;
  return nullptr;
}

bool ExtendedColumn(const std::string& declared, Column& column) {
  const std::string d = Upper(Trim(declared));
  if (d.rfind("SQLT_", 0) == 0) {
    column.type = static_cast<ub2>(std::atoi(d.c_str() + 5));
    column.size = 4;
    return true;
  }
  if (d.rfind("REF ", 0) == 0 && FindObjType(d.substr(4))) {
    column.type = SQLT_REF;
    column.size = kRef;
    column.schemaName = kTypeSchema;
    column.typeName = BareName(d.substr(4));
    return true;
  }
  if (FindObjType(d)) {
    column.type = SQLT_NTY;
    column.size = kRef;
    column.schemaName = kTypeSchema;
    column.typeName = BareName(d);
    return true;
  }
  return false;
}

std::optional<sword> ExtendedAttrGet(Handle* h, void* attributep, ub4* sizep, ub4 attrtype) {
  if (h->type == OCI_HTYPE_SVCCTX && attrtype == OCI_ATTR_ENV) return PutValue<void*>(attributep, sizep, h->parent);
  if (h->type == OCI_HTYPE_DESCRIBE && attrtype == OCI_ATTR_PARAM) {
    auto it = DescribedParams().find(h);
    if (it == DescribedParams().end() || FindHandle(it->second) != it->second || it->second->parent != h)
      return OCI_INVALID_HANDLE;
    return PutValue<void*>(attributep, sizep, it->second);
  }
  if (h->type != OCI_DTYPE_PARAM) return std::nullopt;
  if (auto* column = dynamic_cast<ParamDescriptor*>(h)) {
    if (attrtype == OCI_ATTR_TYPE_NAME) return PutText(attributep, sizep, column->column.typeName);
    if (attrtype == OCI_ATTR_SCHEMA_NAME) return PutText(attributep, sizep, column->column.schemaName);
    return std::nullopt;
  }
  auto* p = dynamic_cast<TypeParam*>(h);
  if (!p) return std::nullopt;
  const ObjType& t = *p->objType;
  if (p->kind == TypeParam::Attr) return AttrOfAttribute(t, t.attrs[static_cast<std::size_t>(p->index)], attributep, sizep, attrtype);
  switch (attrtype) {
    case OCI_ATTR_TYPECODE:
      return PutValue<ub2>(attributep, sizep, t.IsCollection() ? OCI_TYPECODE_NAMEDCOLLECTION : OCI_TYPECODE_OBJECT);
    case OCI_ATTR_IS_FINAL_TYPE: return PutValue<ub1>(attributep, sizep, t.final ? 1 : 0);
    case OCI_ATTR_NUM_TYPE_ATTRS: return PutValue<ub2>(attributep, sizep, static_cast<ub2>(t.IsCollection() ? 0 : t.attrs.size()));
    case OCI_ATTR_LIST_TYPE_ATTRS:
      return PutValue<void*>(attributep, sizep, AddHandle(std::make_unique<TypeParam>(p, TypeParam::List, &t, -1)));
    case OCI_ATTR_COLLECTION_TYPECODE:
      return PutValue<ub2>(attributep, sizep, t.kind == ObjType::Varray ? OCI_TYPECODE_VARRAY : OCI_TYPECODE_TABLE);
    case OCI_ATTR_COLLECTION_ELEMENT:
      if (!t.IsCollection()) return std::nullopt;
      return PutValue<void*>(attributep, sizep, AddHandle(std::make_unique<TypeParam>(p, TypeParam::Attr, &t, 0)));
    default: return std::nullopt;
  }
}

std::optional<sword> ExtendedParamGet(Handle* h, OCIError* errhp, void** parmdpp, ub4 pos) {
  auto* list = dynamic_cast<TypeParam*>(h);
  if (!list || list->kind != TypeParam::List || !parmdpp) return std::nullopt;
  if (pos < 1 || pos > list->objType->attrs.size()) return Fail(errhp, Error(24334, "no descriptor for this position"));
  *parmdpp = AddHandle(std::make_unique<TypeParam>(list, TypeParam::Attr, list->objType, static_cast<int>(pos - 1)));
  return OCI_SUCCESS;
}

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_OCI8 sword OCITypeByName(OCIEnv*, OCIError* errhp, const OCISvcCtx*, const OraText* schemaName, ub4 schemaLength,
                                 const OraText* typeName, ub4 typeLength, const OraText*, ub4, OCIDuration,
                                 OCITypeGetOpt, OCIType** tdo) {
  const std::string schema = TextArg(schemaName, static_cast<sb4>(schemaLength));
  const std::string name = TextArg(typeName, static_cast<sb4>(typeLength));
  if (auto e = Enter("OCITypeByName", "schema=" + schema + " name=" + name)) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!tdo) return OCI_INVALID_HANDLE;
  if (!schema.empty() && Upper(schema) != kTypeSchema) return Fail(errhp, Error(4043, "object " + name + " does not exist"));
  const ObjType* t = FindObjType(name);
  if (!t) return Fail(errhp, Error(4043, "object " + name + " does not exist"));
  *tdo = reinterpret_cast<OCIType*>(const_cast<ObjType*>(t));
  return OCI_SUCCESS;
}

FAKEOCI_OCI8 sword OCIDescribeAny(OCISvcCtx*, OCIError* errhp, void* objptr, ub4 objnmLength, ub1 objptrType, ub1,
                                  ub1 objtype, OCIDescribe* dschp) {
  const std::string name = objptr ? std::string(static_cast<const char*>(objptr), objnmLength) : std::string();
  if (auto e = Enter("OCIDescribeAny", "name=" + name + " type=" + std::to_string(objtype))) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  Handle* describe = FindHandle(dschp);
  if (!describe || describe->type != OCI_HTYPE_DESCRIBE || objptrType != OCI_OTYPE_NAME) return OCI_INVALID_HANDLE;
  const ObjType* t = objtype == OCI_PTYPE_TYPE ? FindObjType(name) : nullptr;
  if (!t) return Fail(errhp, Error(4043, "object " + name + " does not exist"));
  FreeChildren(describe);
  DescribedParams()[describe] =
      static_cast<TypeParam*>(AddHandle(std::make_unique<TypeParam>(describe, TypeParam::TypeLevel, t, -1)));
  return OCI_SUCCESS;
}
