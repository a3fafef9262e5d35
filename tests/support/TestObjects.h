#pragma once
// Persistent classes used by the object tests and the fuzz target.
#include <array>
#include <memory>
#include <string>

#include "foundation/objects/ListContainer.h"
#include "foundation/objects/ObjLists.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"
#include "foundation/objects/StoredStrList.h"

namespace olvtest {
using namespace olv;

class TChildObj : public TBaseObject {
  OLV_CLASS(TChildObj, TBaseObject)
 public:
  std::string name;
  int32_t value = 0;
  void EnumProps(PropMode mode, TPropEnumProc& p) override {
    TBaseObject::EnumProps(mode, p);
    p.Report<pkString>("Name", name, !name.empty());
    p.Report<pkInteger>("Value", value, value != 0);
  }
};

// A small object whose stream bytes the golden test works out by hand.
class TSmall : public TBaseObject {
  OLV_CLASS(TSmall, TBaseObject)
 public:
  std::string name;
  int32_t count = 0;
  bool on = false;
  uint8_t mode = 0;
  double when = 0;
  double rate = 0;
  std::unique_ptr<TChildObj> child;
  std::unique_ptr<TList> items = std::make_unique<TList>();
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkString>("Name", name, !name.empty());
    p.Report<pkInteger>("Count", count, count != 0);
    p.Report<pkBoolean>("On", on, on);
    p.ReportEnum("Mode", mode, "Off,Low,High", true);
    p.Report<pkDateTime>("When", when, when != 0);
    p.Report<pkDouble>("Rate", rate, rate != 0);
    p.ReportObject("Child", child, child != nullptr);
    p.ReportObjectList("Items", items, items && items->Count() > 0);
  }
};

// Name "ab", Count 300, On, Mode High, When 1.5, Rate 1.0, Child{Name "x"}, Items [y, nil, z].
inline std::unique_ptr<TSmall> MakeSmall() {
  auto child = [](const char* name) {
    auto c = std::make_unique<TChildObj>();
    c->name = name;
    return c;
  };
  auto s = std::make_unique<TSmall>();
  s->name = "ab";
  s->count = 300;
  s->on = true;
  s->mode = 2;
  s->when = 1.5;
  s->rate = 1.0;
  s->child = child("x");
  s->items->Add(child("y"));
  s->items->Add(nullptr);
  s->items->Add(child("z"));
  return s;
}

// One field of every kind the stream supports.
class TAllKinds : public TBaseObject {
  OLV_CLASS(TAllKinds, TBaseObject)
 public:
  std::string str, hidden, pchar, shortStr;
  std::unique_ptr<TChildObj> obj;
  std::unique_ptr<TList> list = std::make_unique<TList>();
  std::unique_ptr<TStack> stack;
  std::unique_ptr<OlvStringList> olvList = std::make_unique<OlvStringList>();
  std::unique_ptr<TStringList> strList;
  std::unique_ptr<TStringList> strings;     // pkStrings, kind detected
  std::unique_ptr<OlvStringList> fixedStrings;  // pkStrings, kind fixed as OlvStringList
  uint8_t en = 0;
  int32_t i32 = 0, li = 0;
  int8_t i8 = 0;
  int16_t i16 = 0;
  uint8_t u8 = 0, byteBool = 0;
  uint16_t u16 = 0, wordBool = 0;
  uint32_t u32 = 0, longBool = 0;
  bool b = false;
  char ch = 0;
  double real = 0, dbl = 0, date = 0;
  float single = 0;
  long double ext = 0;
  int64_t comp = 0, curr = 0, i64 = 0;
  uint8_t set8 = 0;
  uint16_t set16 = 0;
  uint32_t set32 = 0;
  uint64_t set64 = 0;
  std::array<uint8_t, 16> set128{};
  std::array<uint8_t, 32> set256{};
  // No padding: a record is streamed as its raw bytes, and padding is not set by `{}`.
  struct Rec {
    int32_t a;
    char tag[8];
  } rec{};

  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkString>("Str", str, !str.empty());
    p.Report<pkHiddenString>("Hidden", hidden, !hidden.empty());
    p.Report<pkPChar>("PChar", pchar, !pchar.empty());
    p.Report<pkShortString>("Short", shortStr, !shortStr.empty());
    p.ReportObject("Obj", obj, obj != nullptr);
    p.ReportObjectList("List", list, list != nullptr);
    p.ReportObjectList("Stack", stack, stack != nullptr);
    p.ReportObjectList("OlvList", olvList, olvList != nullptr);
    p.ReportObjectList("StrList", strList, strList != nullptr);
    p.ReportStrings("Strings", strings, strings != nullptr);
    p.ReportStrings("Fixed", fixedStrings, fixedStrings != nullptr, lkOlvStringList);
    p.ReportEnum("En", en, "Zero,One,Two,Three", en != 0);
    p.Report<pkInteger>("I32", i32, i32 != 0);
    p.Report<pkShortInt>("I8", i8, i8 != 0);
    p.Report<pkSmallInt>("I16", i16, i16 != 0);
    p.Report<pkLongInt>("LI", li, li != 0);
    p.Report<pkByte>("U8", u8, u8 != 0);
    p.Report<pkWord>("U16", u16, u16 != 0);
    p.Report<pkCardinal>("U32", u32, u32 != 0);
    p.Report<pkBoolean>("B", b, b);
    p.Report<pkByteBool>("BB", byteBool, byteBool != 0);
    p.Report<pkWordBool>("WB", wordBool, wordBool != 0);
    p.Report<pkLongBool>("LB", longBool, longBool != 0);
    p.Report<pkChar>("Ch", ch, ch != 0);
    p.Report<pkReal>("Real", real, real != 0);
    p.Report<pkSingle>("Single", single, single != 0);
    p.Report<pkDouble>("Dbl", dbl, dbl != 0);
    p.Report<pkExtended>("Ext", ext, ext != 0);
    p.Report<pkComp>("Comp", comp, comp != 0);
    p.Report<pkCurrency>("Curr", curr, curr != 0);
    p.Report<pkInt64>("I64", i64, i64 != 0);
    p.Report<pkDateTime>("Date", date, date != 0);
    p.Report<pkSet8>("S8", set8, set8 != 0);
    p.Report<pkSet16>("S16", set16, set16 != 0);
    p.Report<pkSet32>("S32", set32, set32 != 0);
    p.Report<pkSet64>("S64", set64, set64 != 0);
    p.Report<pkSet128>("S128", set128, true);
    p.Report<pkSet256>("S256", set256, true);
    p.ReportEmpty("Reserved", pkReserved, true);
    p.ReportRecord("Rec", &rec, sizeof rec, rec.a != 0);
  }
};

// Kinds that the stream refuses, one per object.
class TWithVariant : public TBaseObject {
  OLV_CLASS(TWithVariant, TBaseObject)
 public:
  bool has = true;
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.ReportEmpty("Var", pkVariant, has);
  }
};
class TWithComponent : public TBaseObject {
  OLV_CLASS(TWithComponent, TBaseObject)
 public:
  std::unique_ptr<TObject> comp = std::make_unique<TList>();
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.ReportComponent("Comp", comp, comp != nullptr);
  }
};

// A chain of objects, for nesting depth.
class TNode : public TBaseObject {
  OLV_CLASS(TNode, TBaseObject)
 public:
  std::unique_ptr<TNode> next;
  int32_t limit = 5;  // has a value only when not 0
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkInteger>("Limit", limit, limit != 0);
    p.ReportObject("Next", next, next != nullptr);
  }
};

// A family for copying between related classes.
class TBaseA : public TBaseObject {
  OLV_CLASS(TBaseA, TBaseObject)
 public:
  std::string schName;
  int32_t size = 0;
  std::unique_ptr<TChildObj> child;
  std::unique_ptr<TList> list = std::make_unique<TList>();
  std::unique_ptr<TStringList> lines = std::make_unique<OlvStringList>();
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkString>("SchName", schName, !schName.empty());
    p.Report<pkInteger>("Size", size, size != 0);
    p.ReportObject("Child", child, child != nullptr);
    p.ReportObjectList("List", list, list && list->Count() > 0);
    p.ReportStrings("Lines", lines, lines && lines->Count() > 0);
  }
};
class TDerivedB : public TBaseA {
  OLV_CLASS(TDerivedB, TBaseA)
 public:
  std::string extraB;
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseA::EnumProps(m, p);
    p.Report<pkString>("ExtraB", extraB, !extraB.empty());
  }
};
class TDerivedC : public TBaseA {
  OLV_CLASS(TDerivedC, TBaseA)
 public:
  std::string extraC;
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseA::EnumProps(m, p);
    p.Report<pkString>("ExtraC", extraC, !extraC.empty());
  }
};

class THolder : public TBaseObject {
  OLV_CLASS(THolder, TBaseObject)
 public:
  std::unique_ptr<TStoredStrList> stored;
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.ReportObjectList("Stored", stored, stored != nullptr);
  }
};

inline void RegisterTestClasses() {
  RegisterObjClasses({&TChildObj::StaticClass(), &TSmall::StaticClass(), &TAllKinds::StaticClass(),
                      &TWithVariant::StaticClass(), &TWithComponent::StaticClass(),
                      &TNode::StaticClass(), &TBaseA::StaticClass(), &TDerivedB::StaticClass(),
                      &TDerivedC::StaticClass(), &THolder::StaticClass()});
}

}  // namespace olvtest
