// The nested-table dataset over a query's collection or REF field on the stand-in: the parent's
// current row's elements as records, read anew when the parent moves, and written back into the
// collection by every route a field is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "oracle/components/OraFields.h"
#include "oracle/components/OraQuery.h"
#include "oracle/components/OraNestedTable.h"
#include "oracle/OraError.h"
#include "oracle/values/OraObject.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

class OraNestedTableTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    fake_.set("type:LINES_T", "TABLE OF VARCHAR2(40)");
    ASSERT_EQ(fake_.exec("CREATE TABLE people(id NUMBER(9), phones LINES_T);"
                         "INSERT INTO people VALUES (1, '[\"555-1\", \"555-2\"]');"
                         "INSERT INTO people VALUES (2, '[\"777-1\"]');"),
              0);
  }
};

std::vector<std::string> Elements(TOraNestedTable& table) {
  std::vector<std::string> out;
  for (table.First(); !table.Eof(); table.Next()) out.push_back(table.Fields(0).AsVariant().AsString());
  return out;
}

TEST_F(OraNestedTableTest, ShowsTheElementsOfTheParentsCurrentRow) {
  TOraQuery people;
  people.SetSession(session_.get());
  people.SetSQL("select id, phones from people order by id");
  people.Open();
  auto* field = dynamic_cast<da::TDataSetField*>(&people.FieldByName("PHONES"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->Text(), "(DATASET)");
  TOraNestedTable phones;
  phones.SetDataSetField(field);
  phones.Open();
  EXPECT_EQ(Elements(phones), (std::vector<std::string>{"555-1", "555-2"}));
  people.Next();
  EXPECT_EQ(Elements(phones), (std::vector<std::string>{"777-1"}));
}

TEST_F(OraNestedTableTest, WithoutAFieldOrTableItDoesNotOpen) {
  TOraNestedTable alone;
  try {
    alone.Open();
    FAIL() << "no error";
  } catch (const da::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Missing DataSetField property");
  }
}

// Attributes of LOB, file, timestamp and interval types read in an element's record as the same
// columns read in a query's record, and a changed timestamp goes back into the element.
TEST_F(OraNestedTableTest, DescriptorAttributesReadAsColumnsDo) {
  AddFileDirectory("DATA", {{"a.txt", "hello file"}});
  fake_.set("type:EVENT_T",
            "OBJECT(NAME VARCHAR2(10), AT TIMESTAMP, SPAN INTERVAL DAY TO SECOND, NOTE CLOB, DOC BFILE)");
  fake_.set("type:EVENTS_T", "TABLE OF EVENT_T");
  ASSERT_EQ(fake_.exec("CREATE TABLE diary(id NUMBER(9), events EVENTS_T);"
                       "CREATE TABLE flat(at SQLT_187, span SQLT_190, note CLOB, doc SQLT_114);"
                       "INSERT INTO flat VALUES ('2004-01-02 10:20:30.250000000', '+1 02:03:04.5', "
                       "to_clob('a note'), bfilename('DATA', 'a.txt'));"),
            0);
  const std::string note = fake_.Query("SELECT note FROM flat");
  const std::string events = "[{\"NAME\": \"start\", \"AT\": \"2004-01-02 10:20:30.250000000\", "
                             "\"SPAN\": \"+1 02:03:04.5\", \"NOTE\": " + note +
                             ", \"DOC\": \"bfile:DATA:a.txt\"}]";
  ASSERT_EQ(fake_.exec(("INSERT INTO diary VALUES (1, '" + events + "');").c_str()), 0);
  TOraQuery flat;
  flat.SetSession(session_.get());
  flat.SetSQL("select at, span, note, doc from flat");
  flat.Open();
  TOraQuery diary;
  diary.SetSession(session_.get());
  diary.SetSQL("select id, events from diary");
  diary.LocalUpdate = true;  // the changed element is looked at, not written back
  diary.Open();
  TOraNestedTable table;
  table.SetDataSetField(dynamic_cast<da::TDataSetField*>(&diary.FieldByName("EVENTS")));
  table.Open();
  ASSERT_FALSE(table.Eof());
  EXPECT_EQ(table.FieldByName("NAME").AsString(), "start");
  for (const char* name : {"AT", "SPAN", "NOTE", "DOC"}) {
    SCOPED_TRACE(name);
    da::TField& attribute = table.FieldByName(name);
    da::TField& column = flat.FieldByName(name);
    EXPECT_EQ(attribute.DataType(), column.DataType());
    EXPECT_FALSE(attribute.IsNull());
    EXPECT_EQ(attribute.Text(), column.Text());
    if (attribute.DataType() != ftBFile) {
      EXPECT_EQ(attribute.AsString(), column.AsString());
    }
  }
  EXPECT_EQ(table.FieldByName("NOTE").AsVariant().AsString(), "a note");
  const std::string file = "hello file";
  EXPECT_EQ(table.FieldByName("DOC").AsVariant().AsBytes(), std::vector<std::uint8_t>(file.begin(), file.end()));
  EXPECT_DOUBLE_EQ(table.FieldByName("AT").AsDateTime(), flat.FieldByName("AT").AsDateTime());

  table.Edit();
  table.FieldByName("AT").SetAsString("2010.5.6 7:08:09.000000");
  table.FieldByName("SPAN").SetAsString("+2 03:04:05.000000");
  table.FieldByName("NOTE").SetAsString("a longer note");
  table.Post();
  EXPECT_EQ(table.FieldByName("AT").AsString(), "2010.5.6 7:08:09.000000");
  EXPECT_EQ(table.FieldByName("SPAN").AsVariant().AsString(), "+02 03:04:05.000000");
  EXPECT_EQ(table.FieldByName("NOTE").AsVariant().AsString(), "a longer note");
}

// A REF field opens as a dataset of the referenced object's one record, which follows the parent's
// row (none for a NULL REF) and cannot be changed.
TEST_F(OraNestedTableTest, AReferenceShowsTheReferencedObjectReadOnly) {
  fake_.set("type:WORKER_T", "OBJECT(NAME VARCHAR2(20), AGE NUMBER(3), AT TIMESTAMP)");
  fake_.set("objtable:WORKERS", "WORKER_T");
  ASSERT_EQ(fake_.exec("CREATE TABLE workers(name VARCHAR2(20), age NUMBER(3), at SQLT_187);"
                       "INSERT INTO workers(rowid, name, age, at) VALUES "
                       "(1, 'Ann', 41, '2004-01-02 10:20:30.250000000');"
                       "INSERT INTO workers(rowid, name, age) VALUES (2, 'Bob', 30);"
                       "CREATE TABLE jobs(id NUMBER(9), worker REF WORKER_T);"
                       "INSERT INTO jobs VALUES (1, 'WORKERS:1');"
                       "INSERT INTO jobs VALUES (2, NULL);"
                       "INSERT INTO jobs VALUES (3, 'WORKERS:2');"),
            0);
  TOraQuery jobs;
  jobs.SetSession(session_.get());
  jobs.SetSQL("select id, worker from jobs order by id");
  jobs.Open();
  auto* field = dynamic_cast<da::TDataSetField*>(&jobs.FieldByName("WORKER"));
  ASSERT_NE(field, nullptr);
  TOraNestedTable worker;
  worker.SetDataSetField(field);
  worker.Open();
  ASSERT_NE(worker.Ref(), nullptr);
  EXPECT_EQ(worker.Table(), nullptr);
  ASSERT_FALSE(worker.Eof());
  EXPECT_EQ(worker.FieldByName("NAME").AsString(), "Ann");
  EXPECT_EQ(worker.FieldByName("AGE").AsVariant().AsInteger(), 41);
  EXPECT_EQ(worker.FieldByName("AT").AsString(), "2004.1.2 10:20:30.250000");
  EXPECT_EQ(worker.RecordCount(), 1);
  worker.Next();
  EXPECT_TRUE(worker.Eof()) << "one record at most";
  worker.First();
  EXPECT_EQ(worker.FieldByName("NAME").AsString(), "Ann");

  EXPECT_FALSE(worker.CanModify());
  EXPECT_ANY_THROW(worker.Edit());
  EXPECT_EQ(worker.State(), da::dsBrowse);

  jobs.Next();
  EXPECT_TRUE(worker.Eof()) << "a NULL REF shows no record";
  jobs.Next();
  ASSERT_FALSE(worker.Eof());
  EXPECT_EQ(worker.FieldByName("NAME").AsString(), "Bob");
  EXPECT_TRUE(worker.FieldByName("AT").IsNull());
}

// An element changed and posted, then taken into edit again, shares its object with the parent's
// edit buffer; cancelling a change, and closing the nested table and then the parent must
// release each hold once.
TEST_F(OraNestedTableTest, ReEditingAPostedElementThenClosingBothKeepsTheObjectsIntact) {
  fake_.set("type:CALL_T", "OBJECT(NAME VARCHAR2(10), AT TIMESTAMP)");
  fake_.set("type:CALLS_T", "TABLE OF CALL_T");
  ASSERT_EQ(fake_.exec("CREATE TABLE log(id NUMBER(9), calls CALLS_T);"
                       "INSERT INTO log VALUES (1, '[{\"NAME\": \"ann\", \"AT\": \"2004-01-02 10:20:30.250000000\"}, "
                       "{\"NAME\": \"bob\", \"AT\": \"2004-01-03 10:20:30.250000000\"}]');"),
            0);
  auto log = std::make_unique<TOraQuery>();
  log->SetSession(session_.get());
  log->SetSQL("select id, calls from log");
  log->LocalUpdate = true;
  log->Open();
  auto calls = std::make_unique<TOraNestedTable>();
  calls->SetDataSetField(dynamic_cast<da::TDataSetField*>(&log->FieldByName("CALLS")));
  calls->Open();
  ASSERT_FALSE(calls->Eof());
  calls->Edit();
  calls->FieldByName("AT").SetAsString("2010.5.6 7:08:09.000000");
  calls->Post();
  EXPECT_EQ(calls->FieldByName("AT").AsString(), "2010.5.6 7:08:09.000000");
  calls->Edit();
  calls->FieldByName("NAME").SetAsString("cid");
  calls->Post();
  calls->Edit();
  calls->FieldByName("AT").SetAsString("2011.1.1 1:01:01.000000");
  calls->FieldByName("NAME").SetAsString("dan");
  calls->Cancel();
  EXPECT_EQ(calls->FieldByName("NAME").AsString(), "cid") << "the value last posted comes back";
  EXPECT_EQ(calls->FieldByName("AT").AsString(), "2010.5.6 7:08:09.000000") << "the value last posted comes back";
  calls->Edit();
  calls.reset();
  EXPECT_EQ(log->FieldByName("ID").AsString(), "1");
  log.reset();
}

// An attribute of each kind written in each way a caller writes a field: the field's own typed
// setter, a variant or a text through the field, and a variant or a text through the dataset (the
// store's variant write, as generic code such as a refresh or a provider writes). The value must
// read back in edit, after post, after the element dataset is opened again and from a copy of the
// parent's collection; an edit that is cancelled gives back the value read or posted before it.
// A LOB's change goes
// to the server once, at post, whatever number of pieces wrote it. An element with values and one
// whose attributes are NULL are both written.
class OraNestedTableWriteTest : public OraNestedTableTest {
 protected:
  void SetUp() override {
    OraNestedTableTest::SetUp();
    fake_.set("type:VISIT_T", "OBJECT(NAME VARCHAR2(10), N NUMBER(9), AT TIMESTAMP, SPAN INTERVAL DAY TO SECOND, "
                              "NOTE CLOB, DATA BLOB)");
    fake_.set("type:VISITS_T", "TABLE OF VISIT_T");
    ASSERT_EQ(fake_.exec("CREATE TABLE seeds(note CLOB, data BLOB);"
                         "INSERT INTO seeds VALUES (to_clob('first note'), to_blob('first data'));"),
              0);
    const std::string visits = "INSERT INTO visits VALUES (1, '[{\"NAME\": \"ann\", \"N\": 7, "
                               "\"AT\": \"2004-01-02 10:20:30.250000000\", \"SPAN\": \"+1 02:03:04.5\", "
                               "\"NOTE\": " + fake_.Query("SELECT note FROM seeds") +
                               ", \"DATA\": " + fake_.Query("SELECT data FROM seeds") +
                               "}, {\"NAME\": null, \"N\": null, \"AT\": null, \"SPAN\": null, "
                               "\"NOTE\": null, \"DATA\": null}]');";
    ASSERT_EQ(fake_.exec("CREATE TABLE visits(id NUMBER(9), calls VISITS_T);"), 0);
    ASSERT_EQ(fake_.exec(visits.c_str()), 0);
  }
};

struct AttributeCase {
  const char* name;
  da::Variant values[2];  // of the attribute's own kind
  const char* texts[2];   // the same values as texts
  const char* shown[2];   // and as the field shows them
  std::function<void(da::TField&, const da::Variant&)> typed;
  bool lob = false;  // kept on the server in a LOB: one temporary LOB carries a posted change
};

da::Variant Bytes(std::string_view text) { return da::Variant(std::vector<std::uint8_t>(text.begin(), text.end())); }

// A LOB field's own route: a blob stream written a few bytes at a time, as a caller copies a file.
void WriteInPieces(da::TField& field, const da::Variant& value) {
  const std::string bytes = value.IsByteArray() ? std::string(value.AsBytes().begin(), value.AsBytes().end())
                                                : value.AsString();
  std::unique_ptr<da::TStream> stream = field.DataSet().CreateBlobStream(field, da::TBlobStreamMode::bmWrite);
  for (std::size_t at = 0; at < bytes.size(); at += 4)
    stream->WriteBuffer(bytes.data() + at, static_cast<std::int64_t>(std::min<std::size_t>(4, bytes.size() - at)));
}

// What the field shows: a BLOB's bytes as they are, anything else as its text.
std::string Shown(const da::TField& field) {
  const da::Variant value = field.AsVariant();
  if (value.IsByteArray()) return std::string(value.AsBytes().begin(), value.AsBytes().end());
  return field.AsString();
}

// How many temporary LOBs the client asked the server for since the log was last cleared.
std::size_t TemporaryLobs(const FakeOciControl& fake) { return testing::CallsOf(fake, {"OCILobCreateTemporary"}).size(); }

enum class WriteRoute { Typed, FieldVariant, FieldText, DataSetVariant, DataSetText };

// The field's text of the element at index in a copy of the collection, read by a dataset of its
// own: the copy holds only what the element's stored data held.
std::string StoredText(TOraArray& collection, int index, const char* name) {
  auto* copy = new TOraNestTable(collection.GetOraType());
  copy->AllocObject(collection.GetSvcCtx());
  copy->Assign(collection);
  TOraNestedTable view;
  view.SetTable(copy);
  copy->Release();  // the dataset's store holds it
  view.Open();
  for (int i = 0; i < index; ++i) view.Next();
  return Shown(view.FieldByName(name));
}

TEST_F(OraNestedTableWriteTest, EveryAttributeKindIsWrittenByEveryRoute) {
  using da::Variant;
  const double at[] = {da::EncodeDateTime({2010, 5, 6, 7, 8, 9, 0}), da::EncodeDateTime({2011, 1, 1, 1, 1, 1, 0})};
  const AttributeCase attributes[] = {
      {"NAME", {Variant(std::string("zed")), Variant(std::string("amy"))}, {"zed", "amy"}, {"zed", "amy"},
       [](da::TField& f, const Variant& v) { f.SetAsString(v.AsString()); }},
      {"N", {Variant(42), Variant(43)}, {"42", "43"}, {"42", "43"},
       [](da::TField& f, const Variant& v) { f.SetAsInteger(v.AsInteger()); }},
      {"AT", {Variant::Date(at[0]), Variant::Date(at[1])},
       {"2010.5.6 7:08:09.000000", "2011.1.1 1:01:01.000000"},
       {"2010.5.6 7:08:09.000000", "2011.1.1 1:01:01.000000"},
       [](da::TField& f, const Variant& v) { f.SetAsDateTime(v.AsDate()); }},
      {"SPAN", {Variant(std::string("+2 03:04:05.000000")), Variant(std::string("+3 04:05:06.000000"))},
       {"+2 03:04:05.000000", "+3 04:05:06.000000"},
       {"+02 03:04:05.000000", "+03 04:05:06.000000"},
       [](da::TField& f, const Variant& v) { f.SetAsString(v.AsString()); }},
      {"NOTE", {Variant(std::string("second note")), Variant(std::string("third note"))},
       {"second note", "third note"}, {"second note", "third note"}, WriteInPieces, true},
      {"DATA", {Bytes("second data"), Bytes("third data")},
       {"second data", "third data"}, {"second data", "third data"}, WriteInPieces, true},
  };
  const std::pair<WriteRoute, const char*> routes[] = {
      {WriteRoute::Typed, "the typed setter"},          {WriteRoute::FieldVariant, "a variant into the field"},
      {WriteRoute::FieldText, "a text into the field"}, {WriteRoute::DataSetVariant, "a variant into the dataset"},
      {WriteRoute::DataSetText, "a text into the dataset"},
  };
  auto write = [](TOraNestedTable& table, const AttributeCase& a, WriteRoute route, int which) {
    da::TField& field = table.FieldByName(a.name);
    switch (route) {
      case WriteRoute::Typed: a.typed(field, a.values[which]); break;
      case WriteRoute::FieldVariant: field.SetAsVariant(a.values[which]); break;
      case WriteRoute::FieldText: field.SetAsString(a.texts[which]); break;
      case WriteRoute::DataSetVariant: table.SetFieldValue(field, a.values[which]); break;
      case WriteRoute::DataSetText: table.SetFieldValue(field, Variant(std::string(a.texts[which]))); break;
    }
  };
  std::string step;  // what an exception interrupted
  auto check = [&](const AttributeCase& a, WriteRoute route, int element) {
    TOraQuery visits;
    visits.SetSession(session_.get());
    visits.SetSQL("select id, calls from visits");
    visits.LocalUpdate = true;  // the parent's object is looked at, not written back
    visits.Open();
    TOraNestedTable calls;
    calls.SetDataSetField(dynamic_cast<da::TDataSetField*>(&visits.FieldByName("CALLS")));
    calls.Open();
    if (element) calls.Next();
    ASSERT_FALSE(calls.Eof());
    da::TField& field = calls.FieldByName(a.name);

    step = "an edit cancelled before any post";
    const std::string fetched = Shown(field);
    EXPECT_EQ(fetched.empty(), element == 1) << "a value or NULL read";
    fake_.logClear();
    calls.Edit();
    write(calls, a, route, 1);
    calls.Cancel();
    EXPECT_EQ(Shown(field), fetched) << "a cancelled edit gives back the value read";

    step = "the first write";
    calls.Edit();
    write(calls, a, route, 0);
    EXPECT_EQ(Shown(field), a.shown[0]) << "in edit";
    EXPECT_EQ(TemporaryLobs(fake_), 0u) << "nothing goes to the server before post";
    step = "post";
    calls.Post();
    EXPECT_EQ(Shown(field), a.shown[0]) << "after post";
    EXPECT_EQ(TemporaryLobs(fake_), a.lob ? 1u : 0u) << "one temporary LOB for the posted change";

    step = "the second write";
    fake_.logClear();
    calls.Edit();
    write(calls, a, route, 1);
    EXPECT_EQ(Shown(field), a.shown[1]) << "in edit";
    step = "cancel";
    calls.Cancel();
    EXPECT_EQ(Shown(field), a.shown[0]) << "a cancelled edit gives back the value posted";
    EXPECT_EQ(TemporaryLobs(fake_), 0u) << "a cancelled change goes nowhere";

    step = "opening again";
    calls.Close();
    calls.Open();
    if (element) calls.Next();
    EXPECT_EQ(Shown(calls.FieldByName(a.name)), a.shown[0]) << "after the dataset is opened again";
    step = "reading the parent's collection";
    auto* collection = dynamic_cast<TOraArray*>(RecordObject(visits.FieldByName("CALLS")));
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(StoredText(*collection, element, a.name), a.shown[0]) << "in the element's stored data";
  };
  for (const AttributeCase& a : attributes) {
    for (const auto& [route, how] : routes) {
      for (int element = 0; element < 2; ++element) {
        SCOPED_TRACE(std::string(a.name) + " written by " + how + (element ? " over NULL" : " over a value"));
        try {
          check(a, route, element);
        } catch (const std::exception& e) {
          ADD_FAILURE() << step << ": " << e.what();
        }
      }
    }
  }
}

// A LOB the server does not take at post is no posted value: the element stays in edit with the
// text written, and a cancel then gives back the text read.
TEST_F(OraNestedTableWriteTest, ALobTheServerRefusesAtPostIsNotPosted) {
  TOraQuery visits;
  visits.SetSession(session_.get());
  visits.SetSQL("select id, calls from visits");
  visits.LocalUpdate = true;
  visits.Open();
  TOraNestedTable calls;
  calls.SetDataSetField(dynamic_cast<da::TDataSetField*>(&visits.FieldByName("CALLS")));
  calls.Open();
  calls.Edit();
  WriteInPieces(calls.FieldByName("NOTE"), da::Variant(std::string("second note")));
  fake_.fail("OCILobCreateTemporary", 1, 1652, "unable to extend temp segment");
  EXPECT_THROW(calls.Post(), EOraError);
  EXPECT_EQ(calls.State(), da::dsEdit);
  EXPECT_EQ(calls.FieldByName("NOTE").AsString(), "second note");
  calls.Cancel();
  EXPECT_EQ(calls.FieldByName("NOTE").AsString(), "first note");
  auto* collection = dynamic_cast<TOraArray*>(RecordObject(visits.FieldByName("CALLS")));
  ASSERT_NE(collection, nullptr);
  EXPECT_EQ(StoredText(*collection, 0, "NOTE"), "first note");
}

// A new element written through the fields goes into the collection with every attribute.
TEST_F(OraNestedTableWriteTest, AnInsertedElementKeepsEveryAttributeKind) {
  TOraQuery visits;
  visits.SetSession(session_.get());
  visits.SetSQL("select id, calls from visits");
  visits.LocalUpdate = true;
  visits.Open();
  TOraNestedTable calls;
  calls.SetDataSetField(dynamic_cast<da::TDataSetField*>(&visits.FieldByName("CALLS")));
  calls.Open();
  calls.Append();
  calls.FieldByName("NAME").SetAsString("eve");
  calls.FieldByName("N").SetAsInteger(5);
  calls.FieldByName("AT").SetAsString("2012.3.4 5:06:07.000000");
  calls.FieldByName("SPAN").SetAsString("+4 05:06:07.000000");
  WriteInPieces(calls.FieldByName("NOTE"), da::Variant(std::string("a new note")));
  calls.FieldByName("DATA").SetAsVariant(Bytes("new data"));
  calls.Post();
  const std::pair<const char*, const char*> expected[] = {
      {"NAME", "eve"}, {"N", "5"}, {"AT", "2012.3.4 5:06:07.000000"}, {"SPAN", "+04 05:06:07.000000"},
      {"NOTE", "a new note"}, {"DATA", "new data"}};
  auto* collection = dynamic_cast<TOraArray*>(RecordObject(visits.FieldByName("CALLS")));
  ASSERT_NE(collection, nullptr);
  for (const auto& [name, text] : expected) {
    SCOPED_TRACE(name);
    EXPECT_EQ(StoredText(*collection, 2, name), text);
  }
}

// The REF dataset stays read-only whatever the route: no write reaches the referenced object.
TEST_F(OraNestedTableTest, AReferencesObjectIsWrittenByNoRoute) {
  fake_.set("type:CLERK_T", "OBJECT(NAME VARCHAR2(20), AT TIMESTAMP)");
  fake_.set("objtable:CLERKS", "CLERK_T");
  ASSERT_EQ(fake_.exec("CREATE TABLE clerks(name VARCHAR2(20), at SQLT_187);"
                       "INSERT INTO clerks(rowid, name, at) VALUES (1, 'Ann', '2004-01-02 10:20:30.250000000');"
                       "CREATE TABLE jobs(id NUMBER(9), worker REF CLERK_T);"
                       "INSERT INTO jobs VALUES (1, 'CLERKS:1');"),
            0);
  TOraQuery jobs;
  jobs.SetSession(session_.get());
  jobs.SetSQL("select id, worker from jobs");
  jobs.Open();
  TOraNestedTable worker;
  worker.SetDataSetField(dynamic_cast<da::TDataSetField*>(&jobs.FieldByName("WORKER")));
  worker.Open();
  ASSERT_FALSE(worker.Eof());
  for (const auto& [name, text] : {std::pair{"NAME", "Bob"}, std::pair{"AT", "2010.5.6 7:08:09.000000"}}) {
    SCOPED_TRACE(name);
    da::TField& field = worker.FieldByName(name);
    const da::Variant value{std::string(text)};
    EXPECT_THROW(field.SetAsString(text), da::EDatabaseError);
    EXPECT_THROW(field.SetAsVariant(value), da::EDatabaseError);
    EXPECT_THROW(worker.SetFieldValue(field, value), da::EDatabaseError);
  }
  EXPECT_EQ(worker.FieldByName("NAME").AsString(), "Ann");
  EXPECT_EQ(worker.FieldByName("AT").AsString(), "2004.1.2 10:20:30.250000");
}

}  // namespace
}  // namespace ora
