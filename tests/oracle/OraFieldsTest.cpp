// The Oracle field classes of a query over the stand-in: which class each Oracle column gets, and
// what its fields read (text, null, date-time, variant) for a row with values and a row of NULLs;
// then the timestamp and interval fields' own settings and texts written back into the record.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dataaccess/DAErrors.h"
#include "oracle/components/OraQuery.h"
#include "oracle/components/OraFields.h"
#include "tests/oracle/OraComponentFixture.h"

namespace ora {
namespace {

using da::Variant;

class OraFieldsTest : public testing::OraComponentTest {
 protected:
  void SetUp() override {
    OraComponentTest::SetUp();
    AddFileDirectory("DATA", {{"a.txt", "hello file"}});
    // Column types the stand-in takes by their type codes: BFILE 114, TIMESTAMP 187, WITH TIME
    // ZONE 188, WITH LOCAL TIME ZONE 232, INTERVAL YEAR TO MONTH 189, DAY TO SECOND 190, and a
    // cursor 116 (which the stand-in only has as NULL).
    ASSERT_EQ(fake_.exec("CREATE TABLE v(n NUMBER(9), c CLOB, f SQLT_114, ts SQLT_187, tz SQLT_188, "
                         "ltz SQLT_232, ym SQLT_189, ds SQLT_190, k SQLT_116);"
                         "INSERT INTO v VALUES (1, to_clob('some text'), bfilename('DATA', 'a.txt'), "
                         "'2004-01-02 10:20:30.250000000', '2004-01-02 10:20:30.250000000 +02:00', "
                         "'2004-01-02 10:20:30.250000000', '+01-02', '+1 02:03:04.5', NULL);"
                         "INSERT INTO v VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"),
              0);
    query_.SetSession(session_.get());
    query_.SetSQL("select n, c, f, ts, tz, ltz, ym, ds, k from v order by n");
  }
  void TearDown() override {
    query_.Close();
    OraComponentTest::TearDown();
  }
  TOraQuery query_;
};

TEST_F(OraFieldsTest, EachOracleColumnHasItsFieldClassAndReadsItsValue) {
  const struct {
    const char* name;
    da::TFieldType type;
    std::function<bool(da::TField*)> isClass;
    const char* text;      // AsString of row 1
    const char* display;   // Text of row 1
    const char* nullText;  // Text of row 2 (NULL)
  } cases[] = {
      {"C", da::ftOraClob, [](da::TField*) { return true; }, "some text", nullptr, nullptr},
      {"F", ftBFile, [](da::TField* f) { return dynamic_cast<TBFileField*>(f) != nullptr; }, nullptr, "(BFILE)",
       "(BFile)"},
      {"TS", da::ftTimeStamp, [](da::TField* f) { return dynamic_cast<TOraTimeStampField*>(f) != nullptr; },
       "2004.1.2 10:20:30.250000", nullptr, nullptr},
      {"TZ", ftTimeStampTZ, [](da::TField* f) { return dynamic_cast<TOraTimeStampField*>(f) != nullptr; },
       "2004.1.2 10:20:30.250000 +02:00", nullptr, nullptr},
      {"LTZ", ftTimeStampLTZ, [](da::TField* f) { return dynamic_cast<TOraTimeStampField*>(f) != nullptr; },
       "2004.1.2 10:20:30.250000", nullptr, nullptr},
      {"YM", ftIntervalYM, [](da::TField* f) { return dynamic_cast<TOraIntervalField*>(f) != nullptr; }, "+01-02",
       nullptr, nullptr},
      {"DS", ftIntervalDS, [](da::TField* f) { return dynamic_cast<TOraIntervalField*>(f) != nullptr; },
       "+01 02:03:04.500000", nullptr, nullptr},
  };
  query_.Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    query_.First();
    da::TField& field = query_.FieldByName(c.name);
    EXPECT_EQ(field.DataType(), c.type);
    EXPECT_TRUE(c.isClass(&field));
    EXPECT_FALSE(field.IsNull());
    if (c.text) {
      EXPECT_EQ(field.AsString(), c.text);
      // Timestamps and intervals give their text as their variant too.
      if (c.type != da::ftOraClob) {
        EXPECT_EQ(field.AsVariant().AsString(), c.text);
      }
    }
    if (c.display) {
      EXPECT_EQ(field.Text(), c.display);
    }
    query_.Next();
    EXPECT_TRUE(field.IsNull());
    EXPECT_TRUE(field.AsVariant().IsNull());
    EXPECT_EQ(field.AsString(), "");
    if (c.nullText) {
      EXPECT_EQ(field.Text(), c.nullText);
    }
  }
  query_.First();
  da::TField& cursor = query_.FieldByName("K");
  EXPECT_EQ(cursor.DataType(), da::ftCursor);
  EXPECT_NE(dynamic_cast<TCursorField*>(&cursor), nullptr);
  EXPECT_TRUE(cursor.IsNull());
  EXPECT_EQ(cursor.AsString(), "");
}

TEST_F(OraFieldsTest, TimestampFieldsReadAsDateTimesAndInTheirFormat) {
  query_.Open();
  auto& ts = dynamic_cast<TOraTimeStampField&>(query_.FieldByName("TS"));
  EXPECT_DOUBLE_EQ(ts.AsDateTime(), da::EncodeDateTime({2004, 1, 2, 10, 20, 30, 250}));
  ts.Format = "DD.MM.YYYY HH24:MI";
  EXPECT_EQ(ts.AsString(), "02.01.2004 10:20");
  ts.Format.clear();  // the default again
  EXPECT_EQ(ts.AsString(), "2004.1.2 10:20:30.250000");
  query_.Next();
  EXPECT_EQ(ts.AsDateTime(), 0);
}

TEST_F(OraFieldsTest, IntervalFieldsShowTheirPrecisions) {
  const struct {
    int lead, frac;
    const char* text;
  } cases[] = {{2, 6, "+01 02:03:04.500000"}, {3, 2, "+001 02:03:04.50"}, {1, 0, "+1 02:03:04"}};
  query_.Open();
  auto& ds = dynamic_cast<TOraIntervalField&>(query_.FieldByName("DS"));
  for (const auto& c : cases) {
    ds.LeadPrecision = c.lead;
    ds.FracPrecision = c.frac;
    EXPECT_EQ(ds.AsString(), c.text) << c.lead << "," << c.frac;
  }
}

TEST_F(OraFieldsTest, TextsWrittenIntoTimestampAndIntervalFieldsAndEmptyTextsClear) {
  query_.SetSQLUpdate("update v set n = n where n = :old_n");
  query_.Open();
  const struct {
    const char* name;
    const char* text;  // written, then read back
  } cases[] = {{"TS", "2011.5.6 7:08:09.125000"}, {"YM", "+03-04"}, {"DS", "+02 01:00:00.000000"}};
  query_.Edit();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    da::TField& field = query_.FieldByName(c.name);
    field.SetAsString(c.text);
    EXPECT_EQ(field.AsString(), c.text);
    EXPECT_TRUE(query_.Modified());
    field.SetAsString("");
    EXPECT_TRUE(field.IsNull());
  }
  query_.Cancel();
  EXPECT_EQ(query_.FieldByName("TS").AsString(), "2004.1.2 10:20:30.250000");
}

// A timestamp or interval column takes a value written through the dataset (as a refresh or a
// returned parameter writes one) as its field takes it, and gives it back as a variant; the
// record's NULL flag follows the value, whichever way it was written. Outside edit no way writes.
TEST_F(OraFieldsTest, TimestampAndIntervalColumnsTakeValuesThroughTheDatasetAsThroughTheirFields) {
  query_.SetSQLUpdate("update v set n = n where n = :old_n");
  query_.Open();
  query_.Next();  // the row of NULLs
  const double at = da::EncodeDateTime({2011, 5, 6, 7, 8, 9, 125});
  const struct {
    const char* name;
    Variant value;     // written
    const char* text;  // read back
    Variant variant;   // the store's variant of it
  } cases[] = {
      {"TS", Variant::Date(at), "2011.5.6 7:08:09.125000", Variant::Date(at)},
      {"TS", Variant(std::string("2011.5.6 7:08:09.125000")), "2011.5.6 7:08:09.125000", Variant::Date(at)},
      {"LTZ", Variant::Date(at), "2011.5.6 7:08:09.125000", Variant::Date(at)},
      {"YM", Variant(std::string("+03-04")), "+03-04", Variant(std::string("+03-04"))},
      {"DS", Variant(std::string("+2 01:00:00")), "+02 01:00:00.000000", Variant(std::string("+02 01:00:00.000000"))},
  };
  query_.Edit();
  for (const auto& c : cases) {
    da::TField& field = query_.FieldByName(c.name);
    const int no = field.FieldNo();
    for (const bool throughField : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (throughField ? " through the field" : " through the dataset"));
      if (throughField) {
        field.SetAsVariant(c.value);
      } else {
        query_.SetFieldValue(field, c.value);
      }
      EXPECT_EQ(field.AsString(), c.text);
      EXPECT_FALSE(query_.Data().GetNull(no, query_.ActiveRecord()));
      const Variant stored = query_.Data().GetFieldAsVariant(no, query_.ActiveRecord());
      if (c.variant.VarType() == da::varDate) {
        EXPECT_DOUBLE_EQ(stored.AsDate(), c.variant.AsDate());
      } else {
        EXPECT_EQ(stored.AsString(), c.variant.AsString());
      }
      if (throughField) {
        field.SetAsString("");
      } else {
        query_.SetFieldValue(field, Variant::Null());
      }
      EXPECT_TRUE(field.IsNull());
      EXPECT_TRUE(query_.Data().GetNull(no, query_.ActiveRecord()));
    }
  }
  query_.Cancel();

  query_.First();
  for (const char* name : {"TS", "DS"}) {
    SCOPED_TRACE(name);
    da::TField& field = query_.FieldByName(name);
    const std::string before = field.AsString();
    EXPECT_THROW(field.SetAsString(name == std::string("TS") ? "2011.5.6 7:08:09.125000" : "+02 01:00:00"),
                 da::EDatabaseError);
    EXPECT_EQ(field.AsString(), before);
  }
}

// A BFILE that is not cached stays open for the stream's life and is read only where and as far
// as the stream reads; a missing file is never opened; a cached one is read whole once.
TEST_F(OraFieldsTest, ABFileStreamReadsItsFileInPiecesOnDemand) {
  using Lines = std::vector<std::string>;
  const auto fileCalls = [&] { return testing::CallsOf(fake_, {"OCILobFileOpen", "OCILobFileClose", "OCILobRead"}); };
  ASSERT_EQ(fake_.exec("INSERT INTO v(n, f) VALUES (3, bfilename('DATA', 'gone.txt'))"), 0);
  query_.OptionsDS().SetCacheLobs(false);
  query_.Open();
  da::TField& f = query_.FieldByName("F");
  {
    fake_.logClear();
    std::unique_ptr<da::TStream> stream = query_.CreateBlobStream(f, da::TBlobStreamMode::bmRead);
    EXPECT_EQ(fileCalls(), Lines{"OCILobFileOpen mode=1"});
    EXPECT_EQ(stream->Size(), 10);
    char buffer[16] = {};
    EXPECT_EQ(stream->Read(buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    stream->Seek(6, da::TSeekOrigin::Beginning);
    EXPECT_EQ(stream->Read(buffer, 16), 4);
    EXPECT_EQ(std::string(buffer, 4), "file");
    EXPECT_EQ(stream->Read(buffer, 16), 0) << "nothing past the end";
    EXPECT_EQ(fileCalls(), (Lines{"OCILobFileOpen mode=1", "OCILobRead amount=5 offset=1 form=0",
                                  "OCILobRead amount=4 offset=7 form=0"}));
    fake_.logClear();
  }
  EXPECT_EQ(fileCalls(), Lines{"OCILobFileClose"}) << "the stream closes what it opened";

  query_.Last();  // the row whose file does not exist
  {
    fake_.logClear();
    std::unique_ptr<da::TStream> stream = query_.CreateBlobStream(f, da::TBlobStreamMode::bmRead);
    char buffer[4];
    EXPECT_EQ(stream->Read(buffer, 4), 0);
  }
  EXPECT_EQ(fileCalls(), Lines{});
  query_.Close();

  // Cached: the fetch read the content; the stream reads the client's copy.
  query_.OptionsDS().SetCacheLobs(true);
  query_.Open();
  fake_.logClear();
  {
    std::unique_ptr<da::TStream> stream = query_.CreateBlobStream(query_.FieldByName("F"), da::TBlobStreamMode::bmRead);
    char buffer[16] = {};
    EXPECT_EQ(stream->Read(buffer, 16), 10);
    EXPECT_EQ(std::string(buffer, 10), "hello file");
  }
  EXPECT_EQ(fileCalls(), Lines{});
}

}  // namespace
}  // namespace ora
