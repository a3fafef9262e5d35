// Child field definitions of object and array fields, made from the store descriptor's object type.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"

namespace da {
namespace {

std::vector<std::string> Names(const std::vector<TFieldDef>& defs) {
  std::vector<std::string> names;
  for (const TFieldDef& d : defs) names.push_back(d.Name);
  return names;
}

const TFieldDef& Def(TDataSet& ds, const std::string& name) {
  for (const TFieldDef& d : ds.FieldDefs())
    if (d.Name == name) return d;
  throw std::runtime_error("no definition " + name);
}

// O: ADDR_T (CITY string(20), ZIP int32, LINES: LINES_T array of 150 string(10) elements,
// AT: POINT_T (X float, Y float)); P: POINTS_T array of 3 POINT_T objects.
class ChildDefs : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* point = new TObjectType("POINT_T", dtObject);
    point->AddAttribute("X", dtFloat);
    point->AddAttribute("Y", dtFloat);
    auto* lines = new TObjectType("LINES_T", dtArray);
    lines->Size = 150;
    lines->AddAttribute("ELEMENT", dtString).Length = 10;
    auto* addr = new TObjectType("ADDR_T", dtObject);
    addr->AddAttribute("CITY", dtString).Length = 20;
    addr->AddAttribute("ZIP", dtInt32).Length = 5;
    addr->AddAttribute("LINES", dtArray).SetObjectType(lines);
    addr->AddAttribute("AT", dtObject).SetObjectType(point);
    auto* points = new TObjectType("POINTS_T", dtArray);
    points->Size = 3;
    points->AddAttribute("ELEMENT", dtObject).SetObjectType(point);

    TMemData& data = ds.Data();
    data.AutoInitFields = false;
    data.AddField("ID", dtInt32);
    TFieldDesc& o = data.AddField("O", dtObject);
    o.SetObjectType(addr);
    data.InitObjectFields(addr, &o);
    TFieldDesc& p = data.AddField("P", dtArray);
    p.SetObjectType(points);
    data.InitObjectFields(points, &p);
    data.InitFields();
    for (TObjectType* t : {point, lines, addr, points}) t->Release();
  }

  TMemDataSet ds;
};

TEST_F(ChildDefs, ObjectsGetOneChildPerAttributeAndArraysOnePerElement) {
  ds.Open();
  // The store's child descriptors are not definitions of their own.
  EXPECT_EQ(Names(ds.FieldDefs()), (std::vector<std::string>{"ID", "O", "P"}));
  EXPECT_TRUE(Def(ds, "ID").ChildDefs.empty());

  const TFieldDef& o = Def(ds, "O");
  EXPECT_EQ(o.DataType, ftADT);
  EXPECT_EQ(Names(o.ChildDefs), (std::vector<std::string>{"CITY", "ZIP", "LINES", "AT"}));
  const struct {
    const char* name;
    TFieldType type;
    int size;
    std::size_t children;
  } expected[] = {{"CITY", ftString, 20, 0}, {"ZIP", ftInteger, 0, 0}, {"LINES", ftArray, 0, 100}, {"AT", ftADT, 0, 2}};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].name);
    const TFieldDef& child = o.ChildDefs[i];
    EXPECT_EQ(child.DataType, expected[i].type);
    EXPECT_EQ(child.Size, expected[i].size);
    EXPECT_EQ(child.ChildDefs.size(), expected[i].children);
  }
  // 150 elements are declared; at most 100 are described, named by their index.
  const TFieldDef& lines = o.ChildDefs[2];
  EXPECT_EQ(lines.ChildDefs.front().Name, "0");
  EXPECT_EQ(lines.ChildDefs.back().Name, "99");
  EXPECT_EQ(lines.ChildDefs.back().DataType, ftString);
  EXPECT_EQ(lines.ChildDefs.back().Size, 10);
  EXPECT_EQ(Names(o.ChildDefs[3].ChildDefs), (std::vector<std::string>{"X", "Y"}));

  // An array of objects: each element an object definition with its attributes.
  const TFieldDef& p = Def(ds, "P");
  EXPECT_EQ(p.DataType, ftArray);
  EXPECT_EQ(Names(p.ChildDefs), (std::vector<std::string>{"0", "1", "2"}));
  for (const TFieldDef& element : p.ChildDefs) {
    EXPECT_EQ(element.DataType, ftADT);
    EXPECT_EQ(Names(element.ChildDefs), (std::vector<std::string>{"X", "Y"}));
    EXPECT_EQ(element.ChildDefs[0].DataType, ftFloat);
  }
}

TEST(ChildDefsEdges, SelfReferringTypesEndAndMissingTypesGiveNoChildren) {
  // NODE_T holds an attribute of its own type: describing it must end.
  auto* node = new TObjectType("NODE_T", dtObject);
  node->AddAttribute("V", dtInt32);
  node->AddAttribute("NEXT", dtObject).SetObjectType(node);
  TMemDataSet ds;
  ds.Data().AutoInitFields = false;
  ds.Data().AddField("N", dtObject).SetObjectType(node);
  ds.Data().AddField("NOTYPE", dtArray);
  ds.Data().InitFields();
  node->Release();
  ds.Open();
  const TFieldDef& n = Def(ds, "N");
  ASSERT_EQ(Names(n.ChildDefs), (std::vector<std::string>{"V", "NEXT"}));
  EXPECT_EQ(n.ChildDefs[1].DataType, ftADT);
  EXPECT_TRUE(n.ChildDefs[1].ChildDefs.empty());
  EXPECT_TRUE(Def(ds, "NOTYPE").ChildDefs.empty());
}

TEST(ChildDefsEdges, TheStoreDescribesASelfReferringTypeOnce) {
  auto* node = new TObjectType("NODE_T", dtObject);
  node->AddAttribute("V", dtInt32);
  node->AddAttribute("NEXT", dtObject).SetObjectType(node);
  TMemData data;
  data.AutoInitFields = false;
  TFieldDesc& n = data.AddField("N", dtObject);
  n.SetObjectType(node);
  data.InitObjectFields(node, &n);
  node->Release();
  std::vector<std::string> paths;
  for (int i = 0; i < data.Fields.Count(); ++i) paths.push_back(data.Fields.Items(i)->ActualName);
  EXPECT_EQ(paths, (std::vector<std::string>{"N", "N.V", "N.NEXT"}));  // the inner NODE_T is a leaf
}

TEST(ChildDefsEdges, AnAttributeTypeWithoutFieldTypeCannotBeShown) {
  auto* t = new TObjectType("T", dtObject);
  t->AddAttribute("BIG", dtInt64);
  TMemDataSet ds;
  ds.Data().AutoInitFields = false;
  ds.Data().AddField("O", dtObject).SetObjectType(t);
  ds.Data().InitFields();
  t->Release();
  try {
    ds.Open();
    ADD_FAILURE() << "opened";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Unknown data type."), std::string::npos) << e.what();
  }
  EXPECT_FALSE(ds.Active());
}

}  // namespace
}  // namespace da
