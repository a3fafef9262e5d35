#pragma once
// The stand-in's object runtime, shared by ObjectTypes.cpp (the types a test defines and their
// describe) and ObjectValues.cpp (instances, strings, numbers, collections, REFs, pin and flush).
//
// Types are test settings: fakeoci_set("type:ADDRESS_T", "OBJECT(STREET VARCHAR2(30), LINES
// LINES_T)"), "TABLE OF VARCHAR2(40)", "VARRAY(10) OF NUMBER"; an object definition may end in
// "NOT FINAL". Every type belongs to the schema SCOTT. An object table is a table whose columns
// are the type's attributes, named by fakeoci_set("objtable:PEOPLE", "PERSON_T"); a REF to one of
// its rows is stored as the text "PEOPLE:<rowid>". Object and collection columns hold their value
// as JSON text: {"CITY": "Oslo", "LINES": ["a", "b"]}, dates as "YYYY-MM-DD HH:MM:SS". CLOB, BLOB,
// BFILE, TIMESTAMP [WITH [LOCAL] TIME ZONE] and INTERVAL attributes hold what a column of their
// type holds: a LOB's id (TO_CLOB, TO_BLOB), "bfile:DIR:file", the datetime or interval text
// (FakeOci.h). "SQLT_<n>" declares an attribute of any external type code, for tests.
//
// Instance layout, as the client library lays instances out: texts, raw values, REFs,
// collections, objects that are not final and descriptors (LOB and file locators, datetimes,
// intervals: made with the instance) are pointers (pointer-aligned); a NUMBER takes 22
// bytes (the stand-in keeps a double in the first 8), a DATE 8 (OCIDate); a final object attribute
// is inline, its type's size rounded up to a pointer's. The indicator structure: the object's own
// 16-bit indicator, then one per attribute, or an inline object's whole structure.
//
// Everything here runs under the engine lock.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

struct ObjType;

struct ObjAttr {
  std::string name;  // upper case; "" for a collection's element
  ub2 sqlt = 0;
  ub2 size = 0;
  sb2 precision = 0;
  sb1 scale = 0;
  std::string typeName;           // of a named type or REF attribute
  const ObjType* type = nullptr;  // resolved when the owner's layout is made
  ub4 offset = 0, indOffset = 0, dataSize = 0;
  bool inlineObject = false;
  bool IsObjectOrCollection() const { return sqlt == SQLT_NTY; }
};

struct ObjType {
  enum Kind { Object, Varray, Table } kind = Object;
  std::string name;
  bool final = true;
  ub4 maxElems = 0;
  std::vector<ObjAttr> attrs;  // a collection has one, its element
  ub4 dataSize = 0, indSize = 2;
  bool IsCollection() const { return kind != Object; }
};

inline constexpr const char* kTypeSchema = "SCOTT";

// The type of that name (a schema part is ignored), or nullptr.
const ObjType* FindObjType(const std::string& name);
const ObjAttr* FindObjAttr(const ObjType* type, const std::string& upperName);

// An instance of a type with every indicator NULL (collections empty, by-reference objects made).
void* NewInstance(const ObjType* type, void** indicator);
// The instance a value (JSON text, or NULL) stands for; its indicator structure through ind.
Status InstanceFromValue(const ObjType* type, const Value& value, void** instance, void** ind);
// A REF from its stored text ("TABLE:rowid"); a NULL value gives a NULL REF.
void* RefFromValue(const Value& value);
// The stored form of an instance or collection (JSON text; NULL by its indicator, ind when
// given, else its own) and of a REF ("TABLE:rowid"); NULL for what is not one of the runtime's.
Value InstanceValue(const void* instance, const void* ind);
Value RefValue(const void* ref);
// A JSON array of scalars to values (numbers as reals) and back; false when it is no such array.
bool JsonArrayValues(const std::string& text, std::vector<Value>& values);
std::string JsonArrayText(const std::vector<Value>& values);

}  // namespace fakeoci
