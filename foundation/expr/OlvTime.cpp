#include "foundation/expr/OlvTime.h"

#include <cmath>
#include <cstdint>

#include "foundation/text/Format.h"
#include "foundation/expr/FunctionList.h"
#include "foundation/expr/OlvBTime.h"
#include "foundation/text/TextFields.h"

namespace olv {

bool TDateTimeFunction::AddParam(int index, std::unique_ptr<TExpression>& node) {
  if (index == 0 && node && node->DataType != TExpDataType::DateTime) return false;
  return TFunction::AddParam(index, node);
}

void TExp_TimeModify::DoCalculate() {
  double v = GetParam(0)->AsDateTime();
  int y, m, d;
  DecodeDate(v, y, m, d);
  if (ModifyDate(y, m, d)) v = ComposeDateTime(SafeEncodeDate(y, m, d), TimeOf(v));
  int h, n, s, z;
  DecodeTime(v, h, n, s, z);
  if (ModifyTime(h, n, s, z)) v = ComposeDateTime(DateOf(v), EncodeTime(h, n, s, z));
  DataType = TExpDataType::DateTime;
  SetAsDateTime(v);
}

namespace {

std::int64_t FloorMod(std::int64_t a, std::int64_t n) {
  const std::int64_t r = a % n;
  return r < 0 ? r + n : r;
}

// Fields of B's text split at sep; an empty or missing field leaves its part.
template <std::size_t N>
bool ReadFields(const std::string& text, const std::string& sep, int* (&parts)[N]) {
  bool changed = false;
  const std::size_t count = sep.empty() ? 1 : FieldCount(text, sep);
  for (std::size_t i = 0; i < N && i < count; ++i) {
    const std::string f = sep.empty() ? text : GetField(text, sep, i);
    if (f.empty()) continue;
    *parts[i] = StrToInt32(f);
    changed = true;
  }
  return changed;
}

#define OLV_DATE_FN(Name, Base, Body)       \
  class TExp_##Name : public Base {         \
    OLV_CLASS(TExp_##Name, Base)            \
   public:                                  \
    Body                                    \
  };

#define MODIFY_DATE(Name, Stmt)                                        \
  OLV_DATE_FN(Name, TExp_TimeModify,                                   \
              bool ModifyDate(int& y, int& m, int& d) override {       \
                const std::int32_t b = GetParam(1)->AsInteger();       \
                (void)y; (void)m; (void)d; (void)b;                    \
                Stmt;                                                  \
                return true;                                           \
              })

#define MODIFY_TIME(Name, Stmt)                                                \
  OLV_DATE_FN(Name, TExp_TimeModify,                                           \
              bool ModifyTime(int& h, int& n, int& s, int& z) override {       \
                const std::int64_t b = GetParam(1)->AsInteger();               \
                (void)h; (void)n; (void)s; (void)z; (void)b;                   \
                Stmt;                                                          \
                return true;                                                   \
              })

#define DECODE(Name, Expr)                                       \
  OLV_DATE_FN(Name, TExp_TimeDecode, void DoCalculate() override { \
    const double a = GetParam(0)->AsDateTime();                  \
    const DateParts p = DecodeDateTime(a);                       \
    (void)p;                                                     \
    DataType = TExpDataType::Integer;                            \
    SetAsInteger(static_cast<std::int32_t>(Expr));               \
  })

#define GAP(Name, Expr)                                        \
  OLV_DATE_FN(Name, TExp_TimeGap, void DoCalculate() override { \
    const double a = GetParam(0)->AsDateTime();                \
    const double b = GetParam(1)->AsDateTime();                \
    DataType = TExpDataType::Integer;                          \
    SetAsInteger(static_cast<std::int32_t>(Expr));             \
  })

// Milliseconds from a to b, through the time line (also before 1899-12-30).
std::int64_t MSecsBetween(double a, double b) {
  return std::llround((LinearDateTime(b) - LinearDateTime(a)) * kMSecsPerDay);
}

// The period name of an argument: its text when it is a String, else empty.
std::string NameArg(const TExpression* p) {
  return p && p->DataType == TExpDataType::String ? p->AsString() : std::string();
}

}  // namespace

class TExp_DateTime : public TDateTimeFunction {
  OLV_CLASS(TExp_DateTime, TDateTimeFunction)
 public:
  int MinParamCount() const override { return 0; }
  void DoCalculate() override { SetAsDateTime(Now()); }
};

class TExp_NewDate : public TExp_TimeModify {
  OLV_CLASS(TExp_NewDate, TExp_TimeModify)
 public:
  bool ModifyDate(int& y, int& m, int& d) override {
    int* parts[3] = {&y, &m, &d};
    return ReadFields(GetParam(1)->AsString(), CurrentFormatSettings()->DateSeparator, parts);
  }
};

class TExp_NewTime : public TExp_TimeModify {
  OLV_CLASS(TExp_NewTime, TExp_TimeModify)
 public:
  bool ModifyTime(int& h, int& n, int& s, int& z) override {
    int* parts[4] = {&h, &n, &s, &z};
    const std::string sep = CurrentFormatSettings()->TimeSeparator;
    // The milliseconds follow the seconds after the decimal separator or the time separator.
    std::string text = GetParam(1)->AsString();
    for (char& c : text)
      if (c == '.' && sep != ".") c = sep.empty() ? ':' : sep[0];
    return ReadFields(text, sep, parts);
  }
};

MODIFY_DATE(NewYear, y = b)
MODIFY_DATE(NewMonth, m = b)
MODIFY_DATE(NewDay, d = b)
MODIFY_TIME(NewHour, h = static_cast<int>(b))
MODIFY_TIME(NewMinute, n = static_cast<int>(b))
MODIFY_TIME(NewSecond, s = static_cast<int>(b))
MODIFY_DATE(AddYear, y += b)
MODIFY_DATE(AddMonth, {
  const std::int64_t total = static_cast<std::int64_t>(y) * 12 + (m - 1) + b;
  const std::int64_t ny = total >= 0 ? total / 12 : -((-total + 11) / 12);
  y = static_cast<int>(ny);
  m = static_cast<int>(total - ny * 12) + 1;
})
MODIFY_TIME(AddHour, h = static_cast<int>(FloorMod(h + b, 24)))
MODIFY_TIME(AddMinute, {
  const std::int64_t t = FloorMod(static_cast<std::int64_t>(h) * 60 + n + b, 24 * 60);
  h = static_cast<int>(t / 60);
  n = static_cast<int>(t % 60);
})
MODIFY_TIME(AddSecond, {
  const std::int64_t t = FloorMod(static_cast<std::int64_t>(h) * 3600 + n * 60 + s + b, 86400);
  h = static_cast<int>(t / 3600);
  n = static_cast<int>(t / 60 % 60);
  s = static_cast<int>(t % 60);
})

class TExp_AddDay : public TDateTimeFunction {
  OLV_CLASS(TExp_AddDay, TDateTimeFunction)
 public:
  int MinParamCount() const override { return 2; }
  void DoCalculate() override {
    const double a = GetParam(0)->AsDateTime();
    SetAsDateTime(FromLinearDateTime(LinearDateTime(a) + GetParam(1)->AsInteger()));
  }
};

DECODE(Year, p.year)
DECODE(Month, p.month)
DECODE(Day, p.day)
DECODE(WeekDay, p.dayOfWeek - 1)
DECODE(Hour, p.hour)
DECODE(Minute, p.minute)
DECODE(Second, p.second)
DECODE(LastDay, DaysOfMonth(p.year, p.month))

class TExp_LastDate : public TDateTimeFunction {
  OLV_CLASS(TExp_LastDate, TDateTimeFunction)
 public:
  void DoCalculate() override {
    const double a = GetParam(0)->AsDateTime();
    int y, m, d;
    DecodeDate(a, y, m, d);
    SetAsDateTime(ComposeDateTime(SafeEncodeDate(y, m, 31), TimeOf(a)));
  }
};

GAP(Years, YearsBetween(a, b))
GAP(Months, MonthsBetween(a, b))
GAP(Days, DaysBetween(a, b))
// Part days count: one hour and a half is 1 hour, 90 minutes.
GAP(Hours, MSecsBetween(a, b) / 3600000)
GAP(Minutes, MSecsBetween(a, b) / 60000)
GAP(Seconds, MSecsBetween(a, b) / 1000)

class TExp_BTime : public TExp_DateTime {
  OLV_CLASS(TExp_BTime, TExp_DateTime)
 public:
  void DoCalculate() override { SetAsDateTime(BusinessNow()); }
};

// Period queries accept any argument type in place of the date.
class TPeriodFunction : public TFunction {
  OLV_CLASS(TPeriodFunction, TFunction)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::DateTime;
    return true;
  }
};

#define PERIOD_NOW(Name, Fn)                                                               \
  class TExp_##Name : public TPeriodFunction {                                             \
    OLV_CLASS(TExp_##Name, TPeriodFunction)                                                \
   public:                                                                                 \
    void DoCalculate() override { SetAsDateTime(Fn(NameArg(GetParam(0)))); }              \
  };
PERIOD_NOW(BStartTime, BStartTimeOf)
PERIOD_NOW(BEndTime, BEndTimeOf)
PERIOD_NOW(BPriorStart, BPriorStartOf)
PERIOD_NOW(BNextEnd, BNextEndOf)

class TExp_BPStartTime : public TDateTimeFunction {
  OLV_CLASS(TExp_BPStartTime, TDateTimeFunction)
 public:
  int MinParamCount() const override { return 2; }
  void DoCalculate() override {
    double d = GetParam(0)->AsDateTime();
    PeriodStart(d, NameArg(GetParam(1)));
    SetAsDateTime(d);
  }
};

class TExp_BPEndTime : public TExp_BPStartTime {
  OLV_CLASS(TExp_BPEndTime, TExp_BPStartTime)
 public:
  void DoCalculate() override {
    double d = GetParam(0)->AsDateTime();
    PeriodEnd(d, NameArg(GetParam(1)));
    SetAsDateTime(d);
  }
};

#define DATE_CLASSES                                                                             \
  &TExp_DateTime::StaticClass(), &TExp_NewDate::StaticClass(), &TExp_NewYear::StaticClass(),     \
      &TExp_NewMonth::StaticClass(), &TExp_NewDay::StaticClass(), &TExp_NewTime::StaticClass(),  \
      &TExp_NewHour::StaticClass(), &TExp_NewMinute::StaticClass(),                              \
      &TExp_NewSecond::StaticClass(), &TExp_AddYear::StaticClass(),                              \
      &TExp_AddMonth::StaticClass(), &TExp_AddDay::StaticClass(), &TExp_AddHour::StaticClass(),  \
      &TExp_AddMinute::StaticClass(), &TExp_AddSecond::StaticClass(),                            \
      &TExp_Year::StaticClass(), &TExp_Month::StaticClass(), &TExp_Day::StaticClass(),           \
      &TExp_WeekDay::StaticClass(), &TExp_Hour::StaticClass(), &TExp_Minute::StaticClass(),      \
      &TExp_Second::StaticClass(), &TExp_LastDay::StaticClass(), &TExp_LastDate::StaticClass(),  \
      &TExp_Years::StaticClass(), &TExp_Months::StaticClass(), &TExp_Days::StaticClass(),        \
      &TExp_Hours::StaticClass(), &TExp_Minutes::StaticClass(), &TExp_Seconds::StaticClass(),    \
      &TExp_BTime::StaticClass(), &TExp_BStartTime::StaticClass(),                               \
      &TExp_BEndTime::StaticClass(), &TExp_BPriorStart::StaticClass(),                           \
      &TExp_BNextEnd::StaticClass(), &TExp_BPStartTime::StaticClass(),                           \
      &TExp_BPEndTime::StaticClass()

void RegisterDateFunctions(TFunctionList& functions) { functions.RegisterClasses({DATE_CLASSES}); }

void RegisterDateStreamClasses() {
  RegisterPeriodStreamClasses();
  RegisterObjClasses({DATE_CLASSES});
}

}  // namespace olv
