// Shared objects, object types and attribute paths, field descriptors.
#include <gtest/gtest.h>

#include <memory>

#include "dataaccess/DBObject.h"
#include "dataaccess/FieldDesc.h"
#include "dataaccess/ObjectType.h"
#include "dataaccess/SharedObject.h"

namespace da {
namespace {

class Probe : public TSharedObject {
 public:
  explicit Probe(int& destroyed) : destroyed_(destroyed) {}

 protected:
  ~Probe() override { ++destroyed_; }

 private:
  int& destroyed_;
};

TEST(TSharedObject, LastReleaseDestroys) {
  int destroyed = 0;
  auto* p = new Probe(destroyed);
  EXPECT_EQ(p->RefCount(), 1);
  p->AddRef();
  p->Release();
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(p->RefCount(), 1);
  p->Release();
  EXPECT_EQ(destroyed, 1);
  Release(nullptr);  // nothing happens
}

// An address type with attributes STREET (string) and CITY (string); a person type with NAME,
// ADDR (object: address), LINES (varying array of line objects with TEXT), TAGS (nested table of
// strings) and BOSS (REF to person: same name, no reference taken).
struct Types {
  TObjectType* address = new TObjectType("SCOTT.ADDRESS", dtObject);
  TObjectType* line = new TObjectType("SCOTT.LINE", dtObject);
  TObjectType* lines = new TObjectType("SCOTT.LINES", dtArray);
  TObjectType* tags = new TObjectType("SCOTT.TAGS", dtTable);
  TObjectType* person = new TObjectType("SCOTT.PERSON", dtObject);

  Types() {
    address->AddAttribute("Street", dtString).Length = 40;
    address->AddAttribute("CITY", dtString);
    line->AddAttribute("TEXT", dtString);
    lines->Size = 10;
    lines->AddAttribute("ELEMENT", dtObject).SetObjectType(line);
    tags->AddAttribute("ELEMENT", dtString);
    person->AddAttribute("NAME", dtString);
    person->AddAttribute("ADDR", dtObject).SetObjectType(address);
    person->AddAttribute("LINES", dtArray).SetObjectType(lines);
    person->AddAttribute("TAGS", dtTable).SetObjectType(tags);
    person->AddAttribute("BOSS", dtReference).SetObjectType(person);
    // The person's attributes hold the other types; drop the builder's references.
    address->Release();
    line->Release();
    lines->Release();
    tags->Release();
  }
  ~Types() { person->Release(); }
};

struct PathCase {
  const char* path;
  const char* found;  // "Owner.Name" of the attribute found, or nullptr
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << '"' << c.path << '"'; }

class AttributePaths : public testing::TestWithParam<PathCase> {};

TEST_P(AttributePaths, Resolve) {
  Types t;
  const PathCase& c = GetParam();
  TAttribute* a = t.person->FindAttribute(c.path);
  if (!c.found) {
    EXPECT_EQ(a, nullptr) << c.path;
    EXPECT_THROW(t.person->AttributeByName(c.path), Exception);
    return;
  }
  ASSERT_NE(a, nullptr) << c.path;
  EXPECT_EQ(a->Owner()->Name + "." + a->Name, c.found);
  EXPECT_EQ(&t.person->AttributeByName(c.path), a);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AttributePaths,
    testing::Values(PathCase{"NAME", "SCOTT.PERSON.NAME"}, PathCase{"name", "SCOTT.PERSON.NAME"},
                    PathCase{"ADDR.STREET", "SCOTT.ADDRESS.Street"}, PathCase{"addr.street", "SCOTT.ADDRESS.Street"},
                    PathCase{"Addr.Street", "SCOTT.ADDRESS.Street"}, PathCase{" ADDR. STREET", "SCOTT.ADDRESS.Street"},
                    PathCase{"LINES[0].TEXT", "SCOTT.LINE.TEXT"}, PathCase{"LINES[7].TEXT", "SCOTT.LINE.TEXT"},
                    PathCase{"LINES[3]", "SCOTT.LINES.ELEMENT"}, PathCase{"TAGS[1]", "SCOTT.TAGS.ELEMENT"},
                    PathCase{"BOSS.ADDR.CITY", "SCOTT.ADDRESS.CITY"}, PathCase{"BOSS.BOSS.NAME", "SCOTT.PERSON.NAME"},
                    PathCase{"LINES.TEXT", nullptr}, PathCase{"LINES[3", nullptr}, PathCase{"NAME.X", nullptr},
                    PathCase{"NAME[1]", nullptr}, PathCase{"TAGS[1].X", nullptr}, PathCase{"NOPE", nullptr},
                    PathCase{"ADDR.NOPE", nullptr}, PathCase{"ADDR.", nullptr}, PathCase{"", nullptr}));

TEST(TObjectType, AttributeByNameMessage) {
  Types t;
  try {
    t.person->AttributeByName("ADDR.ZIP");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Attribute ADDR.ZIP not found.");
  }
}

TEST(TObjectType, AttributesHoldTheirTypesUntilFreed) {
  auto* address = new TObjectType("ADDRESS", dtObject);
  auto* person = new TObjectType("PERSON", dtObject);
  person->AddAttribute("ADDR", dtObject).SetObjectType(address);
  EXPECT_EQ(address->RefCount(), 2);
  person->GetAttributes(0)->SetObjectType(nullptr);  // assigning releases the old type
  EXPECT_EQ(address->RefCount(), 1);
  person->GetAttributes(0)->SetObjectType(address);
  person->ClearAttributes();
  EXPECT_EQ(address->RefCount(), 1);
  EXPECT_EQ(person->GetAttributeCount(), 0);
  person->Release();
  address->Release();
}

TEST(TObjectType, SelfReferenceTakesNoReference) {
  auto* node = new TObjectType("NODE", dtObject);
  node->AddAttribute("NEXT", dtReference).SetObjectType(node);
  EXPECT_EQ(node->RefCount(), 1);
  // A rename after the fact must not make the attribute release a reference it never took.
  node->Name = "RENAMED";
  node->Release();  // freed here; ASan would report a leak or a double release
}

TEST(TDBObject, ObjectTypeIsCounted) {
  auto* type = new TObjectType("T", dtObject);
  auto* obj = new TDBObject();
  obj->SetObjectType(type);
  obj->SetObjectType(type);  // the same again changes nothing
  EXPECT_EQ(type->RefCount(), 2);
  bool blank = false;
  obj->GetAttributeValue("A", nullptr, blank);
  EXPECT_TRUE(blank);
  obj->Release();
  EXPECT_EQ(type->RefCount(), 1);
  type->Release();
}

TEST(TFieldDescs, FindByNameOrPath) {
  TFieldDescs fields;
  auto add = [&](const char* name, const char* actual) {
    auto d = std::make_unique<TFieldDesc>();
    d->Name = name;
    d->ActualName = actual;
    d->FieldNo = static_cast<std::uint16_t>(fields.Count() + 1);
    return &fields.Add(std::move(d));
  };
  TFieldDesc* o = add("O", "O");
  TFieldDesc* a = add("A", "O.A");
  TFieldDesc* e = add("[1]", "O.L[1]");
  a->ParentField = o;
  EXPECT_EQ(fields.FindField("o"), o);
  EXPECT_EQ(fields.FindField("a"), a);
  EXPECT_EQ(fields.FindField("o.a"), a);
  EXPECT_EQ(fields.FindField("O.L[1]"), e);
  EXPECT_EQ(fields.FindField("O.B"), nullptr);
  EXPECT_TRUE(a->HasParent());
  EXPECT_FALSE(o->HasParent());
  try {
    fields.FieldByName("Z");
    FAIL();
  } catch (const Exception& ex) {
    EXPECT_STREQ(ex.what(), "Field Z not found.");
  }
  auto* type = new TObjectType("T", dtObject);
  o->SetObjectType(type);
  type->Release();
  EXPECT_EQ(type->RefCount(), 1);
  fields.Clear();  // the descriptor drops the last reference
}

}  // namespace
}  // namespace da
