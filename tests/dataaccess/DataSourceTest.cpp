// Data sources and links: what a link hears from its dataset, controls disabled and enabled
// again, circular links, either side destroyed first, master/detail over both test drivers, and
// what a driver's dataset builds on: nested datasets told of their parent's moves, field classes
// of its own, object view with type names, and the exception display.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DBObject.h"
#include "dataaccess/MemDS.h"
#include "dataaccess/RecordBuffer.h"
#include "tests/dataaccess/DriverKinds.h"

namespace da {
namespace {

using Log = std::vector<std::string>;

// Rows with ID 1 .. n at the end of an open dataset.
void AppendIds(TDataSet& ds, int n) {
  for (int i = 1; i <= n; ++i) {
    ds.Append();
    ds.FieldByName("ID").SetAsInteger(i);
    ds.Post();
  }
}

// A link that writes down what it hears.
class RecordingLink : public TDataLink {
 public:
  Log heard;

 protected:
  void ActiveChanged() override { heard.push_back(Active() ? "active" : "inactive"); }
  void EditingChanged() override { heard.push_back(Editing() ? "editing" : "browsing"); }
  void DataSetChanged() override { heard.push_back("changed"); }
  void DataSetScrolled(int distance) override { heard.push_back("scrolled " + std::to_string(distance)); }
  void RecordChanged(TField* field) override { heard.push_back("record " + (field ? field->FieldName() : "-")); }
  void UpdateData() override { heard.push_back("update data"); }
};

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    TMemData& d = ds.Data();
    d.AutoInitFields = false;
    d.AddField("ID", dtInt32);
    d.AddField("NAME", dtString, 10);
    d.InitFields();
    ds.Open();
    AppendIds(ds, 3);
    ds.First();
    link.SetDataSource(&source);  // the rows live in the store: it stays open
  }
  TMemDataSet ds;
  TDataSource source{&ds};
  RecordingLink link;
};

TEST_F(LinkFixture, ALinkHearsOpeningMovesEditsAndClosing) {
  ds.Next();
  ds.Prior();
  ds.Last();
  EXPECT_EQ(link.heard, (Log{"active", "scrolled 1", "scrolled -1", "changed"}));
  link.heard.clear();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("x");
  ds.Post();
  EXPECT_EQ(link.heard, (Log{"editing", "record -", "record NAME", "update data", "browsing", "changed"}));
  link.heard.clear();
  source.SetEnabled(false);  // a disabled source passes nothing on
  ds.Next();
  ds.Edit();
  EXPECT_EQ(link.heard, (Log{"inactive"}));
  ds.Cancel();
  source.SetEnabled(true);
  ds.Close();
  EXPECT_EQ(link.heard, (Log{"inactive", "active", "inactive"}));
}

TEST_F(LinkFixture, DisabledControlsHearOneChangeWhenTheLastEnableComes) {
  link.heard.clear();
  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("y");
  ds.Post();
  ds.Last();
  ds.EnableControls();
  EXPECT_TRUE(link.heard.empty());
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.EnableControls();
  EXPECT_EQ(link.heard, (Log{"changed"}));
  EXPECT_FALSE(ds.ControlsDisabled());
  ds.EnableControls();  // one too many changes nothing
  EXPECT_EQ(link.heard.size(), 1u);

  // A state change held back is told as well.
  link.heard.clear();
  ds.DisableControls();
  ds.Close();
  ds.EnableControls();
  EXPECT_EQ(link.heard, (Log{"inactive"}));
}

// A dataset whose master is another's source.
class DetailDataSet : public TMemDataSet {
 public:
  TDataSource* Master = nullptr;
  TDataSource* GetDataSource() const override { return Master; }
};

TEST(DataSources, CircularLinksAreSeenThroughTheMasterChain) {
  DetailDataSet a, b, c;
  TDataSource sa(&a), sb(&b), sc(&c);
  b.Master = &sa;
  c.Master = &sb;
  EXPECT_TRUE(a.IsLinkedTo(&sc));  // c -> b -> a
  EXPECT_TRUE(c.IsLinkedTo(&sc));
  EXPECT_FALSE(c.IsLinkedTo(&sa));
  a.Master = &sc;  // a circle: still answered
  EXPECT_TRUE(b.IsLinkedTo(&sa));
  EXPECT_FALSE(a.IsLinkedTo(nullptr));
}

TEST(DataSources, EitherSideMayGoFirst) {
  auto ds = std::make_unique<TMemDataSet>();
  auto source = std::make_unique<TDataSource>(ds.get());
  RecordingLink link;
  link.SetDataSource(source.get());
  ds.reset();
  EXPECT_EQ(source->DataSet(), nullptr);
  source.reset();
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_FALSE(link.Active());

  TMemDataSet other;
  {
    TDataSource s(&other);
    RecordingLink l;
    l.SetDataSource(&s);
  }
  EXPECT_TRUE(other.DataSources().empty());
}

// The detail side of master/detail: the detail follows the master's DEPTNO.
class DeptLink : public TDetailDataLink {
 public:
  explicit DeptLink(testing::DriverDataSet& detail) : detail_(detail) {}
  TDataSet* DetailDataSet() const override { return &detail_; }
  int Refreshes = 0;

 protected:
  void ActiveChanged() override { Follow(); }
  void RecordChanged(TField* field) override {
    if (!field) Follow();
  }

 private:
  void Follow() {
    if (!Active() || !detail_.Active()) return;
    detail_.RecordSet().GetCommand()->GetParam(0)->SetValue(DataSet()->FieldByName("DEPTNO").AsVariant());
    ++Refreshes;
    detail_.Refresh();
  }
  testing::DriverDataSet& detail_;
};

class MasterDetail : public ::testing::TestWithParam<testing::DriverKind> {
 protected:
  std::vector<int> DetailIds() {
    std::vector<int> ids;
    for (detail.First(); !detail.Eof(); detail.Next()) ids.push_back(detail.FieldByName("ID").AsInteger());
    return ids;
  }
  testing::DriverDb db{GetParam()};
  testing::DriverDataSet master{db}, detail{db};
};
INSTANTIATE_TEST_SUITE_P(Drivers, MasterDetail, testing::kAllDrivers, testing::DriverName);

TEST_P(MasterDetail, TheDetailFollowsTheMastersRecordAndWaitsWhileControlsAreDisabled) {
  master.SetSQL("select * from dept");
  detail.SetSQL("select * from emp where dept = :DEPT");
  TParamDesc* dept = detail.RecordSet().GetCommand()->AddParam();
  dept->SetName("DEPT");
  dept->SetParamType(ptInput);
  dept->SetValue(Variant(10));
  detail.Open();
  EXPECT_TRUE(DetailIds().empty());

  TDataSource source(&master);
  DeptLink link(detail);
  link.SetDataSource(&source);
  master.Open();
  EXPECT_EQ(link.Refreshes, 1);
  EXPECT_TRUE(DetailIds().empty());  // department 10 has no one
  master.Next();
  EXPECT_EQ(DetailIds(), (std::vector<int>{1, 4}));
  master.Next();
  EXPECT_EQ(DetailIds(), (std::vector<int>{2, 3}));
  EXPECT_EQ(link.Refreshes, 3);

  master.DisableControls();
  master.First();
  master.Next();
  EXPECT_EQ(link.Refreshes, 3);
  master.EnableControls();
  EXPECT_EQ(link.Refreshes, 4);
  EXPECT_EQ(DetailIds(), (std::vector<int>{1, 4}));
}

// A dataset that counts the parent moves it is told of.
class NestedDataSet : public TMemDataSet {
 public:
  int ParentScrolls = 0;
  void DataEvent(TDataEvent event, std::intptr_t info) override {
    if (event == deParentScroll) ++ParentScrolls;
    TMemDataSet::DataEvent(event, info);
  }
};

TEST(NestedDataSets, AnOpenNestedDatasetHearsItsParentMove) {
  TMemDataSet parent;
  TMemData& d = parent.Data();
  d.AutoInitFields = false;
  d.AddField("ID", dtInt32);
  d.AddField("LINES", dtTable);
  d.InitFields();
  parent.Open();
  AppendIds(parent, 2);
  auto* field = dynamic_cast<TDataSetField*>(&parent.FieldByName("LINES"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->Text(), "(DataSet)");

  NestedDataSet nested;
  nested.Data().AutoInitFields = false;
  nested.Data().AddField("LINE", dtInt32);
  nested.Data().InitFields();
  nested.SetDataSetField(field);
  EXPECT_EQ(field->NestedDataSet(), &nested);
  ASSERT_EQ(parent.NestedDataSets().size(), 1u);
  parent.First();
  EXPECT_EQ(nested.ParentScrolls, 0);  // a closed nested dataset is not told
  nested.Open();
  parent.Next();
  parent.First();
  EXPECT_EQ(nested.ParentScrolls, 2);

  parent.Close();  // its fields go, and the nested dataset loses its field
  EXPECT_EQ(nested.DataSetField(), nullptr);
  EXPECT_TRUE(parent.NestedDataSets().empty());
}

// A field class of a driver's own: shows its value in brackets.
class BracketField : public TField {
 public:
  using TField::TField;
  std::string Text() const override { return "[" + AsString() + "]"; }
};

class OwnFieldsDataSet : public TMemDataSet {
 public:
  TFieldClass GetFieldClass(TFieldType type) const override {
    if (type == ftInteger) return [](TDataSet& ds, const TFieldDef& def) -> std::unique_ptr<TField> {
        return std::make_unique<BracketField>(ds, def);
      };
    return TMemDataSet::GetFieldClass(type);
  }
};

TEST(FieldClasses, ADatasetMakesItsFieldsOfTheClassesItNames) {
  OwnFieldsDataSet ds;
  ds.Data().AutoInitFields = false;
  ds.Data().AddField("ID", dtInt32);
  ds.Data().AddField("NAME", dtString, 5);
  ds.Data().InitFields();
  ds.Open();
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(42);
  ds.FieldByName("NAME").SetAsString("abc");
  ds.Post();
  EXPECT_NE(dynamic_cast<BracketField*>(&ds.FieldByName("ID")), nullptr);
  EXPECT_EQ(dynamic_cast<BracketField*>(&ds.FieldByName("NAME")), nullptr);
  EXPECT_EQ(ds.FieldByName("ID").Text(), "[42]");
  EXPECT_EQ(ds.FieldByName("NAME").Text(), "abc");
}

// An object value answering from attribute paths to texts.
class TextObject : public TDBObject {
 public:
  void GetAttributeValue(std::string_view path, void* destination, bool& isBlank) override {
    isBlank = path != "CITY";
    if (!isBlank && destination) std::strcpy(static_cast<char*>(destination), "Oslo");
  }
};

TEST(ObjectView, ObjectFieldsGetChildFieldsAndTheNamesOfTheirTypes) {
  auto* geo = new TObjectType("GEO_T", dtObject);
  geo->AddAttribute("LAT", dtFloat);
  auto* tags = new TObjectType("TAGS_T", dtArray);
  tags->Size = 2;
  tags->AddAttribute("ELEMENT", dtObject).SetObjectType(geo);
  auto* addr = new TObjectType("ADDR_T", dtObject);
  addr->AddAttribute("CITY", dtString).Length = 20;
  addr->AddAttribute("POS", dtObject).SetObjectType(geo);
  addr->AddAttribute("TAGS", dtArray).SetObjectType(tags);
  geo->Release();
  tags->Release();

  for (bool sparse : {false, true}) {
    TMemDataSet ds;
    ds.ObjectView = true;
    ds.SparseArrays = sparse;
    TMemData& d = ds.Data();
    d.AutoInitFields = false;
    TFieldDesc& o = d.AddField("O", dtObject);
    o.SetObjectType(addr);
    d.InitObjectFields(addr, &o);
    d.InitFields();
    d.Open();
    std::unique_ptr<std::uint8_t[]> rec(d.AllocRecBuf());
    std::memset(rec.get(), 0, d.RecordSize());
    d.InitRecord(rec.get());
    auto* value = new TextObject();
    WritePointer(rec.get() + o.Offset, value);
    d.SetNull(1, rec.get(), false);
    d.AppendRecord(rec.get());
    ds.Open();

    TField& field = ds.FieldByName("O");
    EXPECT_EQ(field.ObjectType, "ADDR_T");
    ASSERT_EQ(field.ChildFieldCount(), 3);
    TField& city = field.ChildFields(0);
    EXPECT_EQ(city.FieldName(), "CITY");
    EXPECT_EQ(city.ParentField(), &field);
    EXPECT_EQ(city.AsString(), "Oslo");  // read through the object in the record
    EXPECT_TRUE(field.ChildFields(1).ChildFields(0).IsNull());
    EXPECT_EQ(field.ChildFields(1).ObjectType, "GEO_T");
    TField& tagList = field.ChildFields(2);
    EXPECT_EQ(tagList.ObjectType, "TAGS_T");
    ASSERT_EQ(tagList.ChildFieldCount(), 2);
    EXPECT_EQ(tagList.ChildFields(1).ObjectType, sparse ? "GEO_T" : "");  // elements with sparse arrays only
    ds.Close();
    d.Close();
    value->Release();
  }
  addr->Release();
}

TEST(ExceptionDisplay, TheApplicationHandlerSeesTheErrorAndTheSilentAbortNothing) {
  static std::vector<std::string> seen;
  seen.clear();
  HandleExceptionProc = [](const std::exception& e) { seen.emplace_back(e.what()); };
  TMemDataSet ds;
  try {
    throw EDatabaseError("refused");
  } catch (...) {
    ds.InternalHandleException();
  }
  try {
    throw EAbort();
  } catch (...) {
    ds.InternalHandleException();
  }
  ds.InternalHandleException();  // outside a handler: nothing to show
  HandleExceptionProc = nullptr;
  EXPECT_EQ(seen, (std::vector<std::string>{"refused"}));
}

}  // namespace
}  // namespace da
