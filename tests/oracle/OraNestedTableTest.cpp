// The nested-table dataset over a query's collection field on the stand-in: the parent's current
// row's elements as records, read anew when the parent moves.
#include <gtest/gtest.h>

#include <memory>

#include "dataaccess/DAErrors.h"
#include "oracle/components/OraQuery.h"
#include "oracle/components/OraNestedTable.h"
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
  calls->FieldByName("AT").SetAsString("2011.1.1 1:01:01.000000");
  calls->Cancel();
  EXPECT_EQ(calls->FieldByName("NAME").AsString(), "ann");
  calls->Edit();
  calls.reset();
  EXPECT_EQ(log->FieldByName("ID").AsString(), "1");
  log.reset();
}

}  // namespace
}  // namespace ora
