// Timestamps and intervals: conversions to and from texts and date-times, and binds against the
// stand-in's datetime descriptors.
#include <gtest/gtest.h>

#include "foundation/text/DateTime.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"
#include "oracle/values/OraDateTime.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

using testing::CallsOf;
using testing::MessageOf;
using testing::OraErrorOf;
using Lines = std::vector<std::string>;
using testing::Held;

using DateTimeTest = testing::FakeOciTest;

double At(int y, int mo, int d, int h, int mi, int s, int ms) {
  return olv::ComposeDateTime(olv::EncodeDate(y, mo, d), olv::EncodeTime(h, mi, s, ms));
}

TEST_F(DateTimeTest, ADateTimeKeepsItsMilliseconds) {
  Held<TOraTimeStamp> ts(new TOraTimeStamp(dtTimeStamp));
  const double value = At(2004, 11, 20, 13, 5, 9, 999);
  ts->SetAsDateTime(value);
  EXPECT_EQ(CallsOf(fake_, {"OCIDateTimeConstruct"}), Lines{"OCIDateTimeConstruct 2004-11-20 13:05:09.999000000"});
  EXPECT_DOUBLE_EQ(ts->GetAsDateTime(), value);
  EXPECT_EQ(ts->GetAsString(), "2004.11.20 13:05:09.999000") << "the program's default format";
  ts->SetFormat("YYYY-MM-DD HH24:MI:SS.FF3");
  EXPECT_EQ(ts->GetAsString(), "2004-11-20 13:05:09.999");

  // Days before 1899-12-30 subtract their time of day.
  const double early = At(1899, 12, 29, 6, 0, 0, 0);
  ASSERT_DOUBLE_EQ(early, -1.25);
  ts->SetAsDateTime(early);
  EXPECT_DOUBLE_EQ(ts->GetAsDateTime(), -1.25);
}

TEST_F(DateTimeTest, FractionsAreNanosecondsPrecisionCountsTheDigitsShown) {
  Held<TOraTimeStamp> ts(new TOraTimeStamp(dtTimeStamp));
  ts->SetFormat("YYYY-MM-DD HH24:MI:SS.FF9");
  ts->SetAsString("2020-01-02 03:04:05.123456789");
  EXPECT_EQ(olv::DecodeDateTime(ts->GetAsDateTime()).msec, 123);
  ts->SetFormat("HH24:MI:SS.FF");
  const struct {
    std::uint8_t precision;
    const char* text;
  } cases[] = {{9, "03:04:05.123456789"}, {6, "03:04:05.123456"}, {3, "03:04:05.123"}, {1, "03:04:05.1"}};
  for (const auto& c : cases) {
    ts->Precision = c.precision;
    EXPECT_EQ(ts->GetAsString(), c.text);
    EXPECT_EQ(olv::DecodeDateTime(ts->GetAsDateTime()).msec, 123) << "whatever the precision";
  }
}

TEST_F(DateTimeTest, NullsAndFailedTexts) {
  Held<TOraTimeStamp> ts(new TOraTimeStamp(dtTimeStampLTZ));
  EXPECT_TRUE(ts->IsNull());
  EXPECT_EQ(ts->GetAsString(), "");
  EXPECT_EQ(ts->GetAsDateTime(), 0.0);
  Held<TOraInterval> interval(new TOraInterval(dtIntervalDS));
  EXPECT_EQ(interval->GetAsString(), "");

  ts->SetFormat("YYYY-MM-DD");
  ts->SetAsString("2001-02-03");
  EXPECT_EQ(OraErrorOf([&] { ts->SetAsString("2001-13-03"); }), "1843 ORA-01843: not a valid month");
  EXPECT_EQ(OraErrorOf([&] { ts->SetAsString("noon"); }),
            "1858 ORA-01858: a non-numeric character was found where a numeric was expected");
  EXPECT_EQ(ts->GetAsString(), "2001-02-03") << "the value before survives";
  EXPECT_EQ(fake_.liveHandles(OCI_DTYPE_TIMESTAMP_LTZ), 1) << "the failed descriptors are freed";
}

TEST_F(DateTimeTest, TimeZonesAndCopies) {
  Held<TOraTimeStamp> ts(new TOraTimeStamp(dtTimeStampTZ));
  ts->Construct(2021, 5, 6, 7, 8, 9, 250, "+05:30");
  EXPECT_EQ(ts->GetAsString(), "2021.5.6 7:08:09.250000 +05:30");
  ts->Precision = 2;
  Held<TOraTimeStamp> copy(new TOraTimeStamp(dtTimeStamp));
  ts->AssignTo(*copy.object);
  EXPECT_EQ(copy->GetDescriptorType(), OCI_DTYPE_TIMESTAMP_TZ);
  EXPECT_EQ(copy->GetAsString(), "2021.5.6 7:08:09.25 +05:30");
  ts->SetIsNull(true);
  ts->AssignTo(*copy.object);
  EXPECT_TRUE(copy->IsNull());
}

TEST_F(DateTimeTest, IntervalTexts) {
  const struct {
    da::TDataType type;
    const char* in;
    std::uint8_t lead, fraction;
    const char* out;
  } cases[] = {
      {dtIntervalYM, "1-2", 2, 6, "+01-02"},
      {dtIntervalYM, "-12-11", 4, 6, "-0012-11"},
      {dtIntervalDS, "3 4:5:6.7", 2, 6, "+03 04:05:06.700000"},
      {dtIntervalDS, "+3 04:05:06.789", 1, 2, "+3 04:05:06.78"},
      {dtIntervalDS, "0 0:0:0", 2, 0, "+00 00:00:00"},
  };
  for (const auto& c : cases) {
    Held<TOraInterval> interval(new TOraInterval(c.type));
    interval->LeadPrecision = c.lead;
    interval->FracPrecision = c.fraction;
    interval->SetAsString(c.in);
    EXPECT_FALSE(interval->IsNull());
    EXPECT_EQ(interval->GetAsString(), c.out) << c.in;
  }
  Held<TOraInterval> wide(new TOraInterval(dtIntervalYM));
  wide->SetAsString("123-0");
  EXPECT_EQ(OraErrorOf([&] { wide->GetAsString(); }), "1873 ORA-01873: the leading precision of the interval is too small");

  Held<TOraInterval> invalid(new TOraInterval(dtIntervalYM));
  EXPECT_EQ(MessageOf([&] { invalid->SetAsString("1-13"); }), SInvalidInterval);
  EXPECT_TRUE(invalid->IsNull());
}

class OraDateTimeBindTest : public testing::OraSessionTest {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    Connect(OCI80);
    // SQLite takes no multi-word type names with keywords in them.
    ASSERT_EQ(fake_.exec("CREATE TABLE times(id NUMBER(10), t TIMESTAMP, z TIMESTAMP_TZ, i INTERVAL_DS)"), 0);
  }
};

TEST_F(OraDateTimeBindTest, TimestampsAndIntervalsGoAndComeBack) {
  Held<TOraTimeStamp> t(new TOraTimeStamp(dtTimeStamp));
  Held<TOraTimeStamp> z(new TOraTimeStamp(dtTimeStampTZ));
  Held<TOraInterval> i(new TOraInterval(dtIntervalDS));
  t->SetAsDateTime(At(2010, 7, 8, 9, 10, 11, 12));
  z->Construct(2011, 1, 2, 3, 4, 5, 6, "-08:00");
  i->SetAsString("4 05:06:07.5");
  auto insert = Command("insert into times values (:id, :t, :z, :i)");
  insert->GetOraParam(0)->SetValue(da::Variant(1));
  const da::TDataType types[] = {dtTimeStamp, dtTimeStampTZ, dtIntervalDS};
  da::TSharedObject* objects[] = {t.object, z.object, i.object};
  for (int k = 0; k < 3; ++k) {
    insert->GetOraParam(k + 1)->SetDataType(types[k]);
    insert->GetOraParam(k + 1)->SetObject(objects[k]);
  }
  fake_.logClear();
  insert->Execute(1);
  EXPECT_EQ(CallsOf(fake_, {"OCIBindByName"}),
            (Lines{"OCIBindByName name=:id type=3 size=4", "OCIBindByName name=:t type=187 size=8",
                   "OCIBindByName name=:z type=188 size=8", "OCIBindByName name=:i type=190 size=8"}));
  EXPECT_EQ(fake_.Query("SELECT t || ' | ' || z || ' | ' || i FROM times"),
            "2010-07-08 09:10:11.012000000 | 2011-01-02 03:04:05.006000000 -08:00 | +4 05:06:07.500000000");

  fake_.script("into :t, :z, :i", "outsql SELECT t AS T, z AS Z, i AS I FROM times WHERE id = 1");
  auto select = Command("begin select t, z, i into :t, :z, :i from times where id = 1; end;");
  Held<TOraTimeStamp> t2(new TOraTimeStamp(dtTimeStamp));
  Held<TOraTimeStamp> z2(new TOraTimeStamp(dtTimeStampTZ));
  Held<TOraInterval> i2(new TOraInterval(dtIntervalDS));
  da::TSharedObject* back[] = {t2.object, z2.object, i2.object};
  for (int k = 0; k < 3; ++k) {
    select->GetOraParam(k)->SetDataType(types[k]);
    select->GetOraParam(k)->SetParamType(da::ptOutput);
    select->GetOraParam(k)->SetObject(back[k]);
  }
  select->Execute(1);
  EXPECT_DOUBLE_EQ(t2->GetAsDateTime(), t->GetAsDateTime());
  EXPECT_EQ(z2->GetAsString(), z->GetAsString());
  EXPECT_EQ(i2->GetAsString(), "+04 05:06:07.500000");

  // A NULL value binds as NULL.
  auto nulls = Command("insert into times(id, t) values (2, :t)");
  Held<TOraTimeStamp> none(new TOraTimeStamp(dtTimeStamp));
  nulls->GetOraParam(0)->SetDataType(dtTimeStamp);
  nulls->GetOraParam(0)->SetObject(none.object);
  nulls->Execute(1);
  EXPECT_EQ(fake_.Query("SELECT t IS NULL FROM times WHERE id = 2"), "1");
}

TEST_F(OraDateTimeBindTest, OlderClientsHaveNoTimestamps) {
  c_.Disconnect();
  Reload(testing::Variant::Class81);
  Connect(OCI80);
  auto command = Command("insert into t(t) values (:t)");
  Held<TOraTimeStamp> t(new TOraTimeStamp(dtTimeStamp));
  command->GetOraParam(0)->SetDataType(dtTimeStamp);
  command->GetOraParam(0)->SetObject(t.object);
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), SDataTypeNotSupported);
}

}  // namespace
}  // namespace ora
