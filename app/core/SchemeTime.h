#pragma once
// The run times of a scheme: TSchemeTimeItem is one moment (hour and minute, with the weekday,
// day, month and year that the time mode uses), TSchemeTime the scheme's time mode and its list
// of items. Both are persistent objects of the scheme file. A new item (also one being read from
// a stream) starts at the current moment of plat::CurrentClock(), so fields a stored item lacks
// keep the moment of reading. One thread at a time.
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "foundation/objects/ObjLists.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace sch {

// Time modes.
enum TimeMode : uint8_t { tmDay = 0, tmWeek = 1, tmMonth = 2, tmYear = 3, tmSpecifically = 4 };

// What NextDue gives when nothing can fall due any more.
inline constexpr double kNeverDue = std::numeric_limits<double>::infinity();

// "Day", "Week", "Month", "Year", "Specifically"; any other mode "Specifically".
std::string GetTimeModeName(int mode);
// "Monday" (0) ... "Sunday" (6); empty for any other index.
std::string GetWeekDayName(int day);

class TSchemeTimeItem : public olv::TBaseObject {
  OLV_CLASS(TSchemeTimeItem, olv::TBaseObject)
 public:
  // Year, Month, Day, Hour and Minute of now; Week today's weekday (0 = Monday).
  TSchemeTimeItem();

  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint8_t Week = 0;  // 0 = Monday ... 6 = Sunday
  uint16_t Month = 0;
  uint16_t Year = 0;
  uint16_t Day = 0;
  std::string TimeMask;  // free text, not interpreted

  void EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) override;

  // The display text under a time mode: "8:5", "Monday8:5", "15 days 8:5", "3-15 8:5",
  // "2024-3-15 8:5"; an unknown mode shows as "Specifically".
  std::string GetText(int mode) const;

  // Whether this run time is due under mode: its moment T in the current period of now (today,
  // this week from Monday, this month, this year; once for "Specifically") satisfies
  // last < T <= now. A date the period lacks (the 31st in a shorter month, 29 February outside
  // leap years) and an unknown mode never match.
  bool Matches(int mode, double last, double now) const;

  // The earliest moment m >= now at which Matches(mode, last, m) holds, last and this run time
  // staying as they are; kNeverDue when there is none. Each period holds one moment T and
  // matches from T to its end when last < T, so the answer is max(now, T) for the first period,
  // from the one holding the later of now and last, whose moment exists and lies after last
  // (periods before it hold no moment after last or lie wholly before now). For dates from
  // 1899-12-30 on.
  double NextDue(int mode, double last, double now) const;

 private:
  // This run time's moment in the period (under mode) that holds the moment inPeriod; false
  // when the period lacks its date, the time is no time of day, or the mode is unknown.
  bool MomentInPeriod(int mode, double inPeriod, double& moment) const;
};

class TSchemeTime : public olv::TBaseObject {
  OLV_CLASS(TSchemeTime, olv::TBaseObject)
 public:
  TSchemeTime();

  uint8_t FMode = tmDay;
  std::unique_ptr<olv::TList> List;  // of TSchemeTimeItem, owned

  void EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) override;
  void AfterRead(olv::TObjReader& reader) override;

  int Count() const { return List->Count(); }
  void Add(std::unique_ptr<TSchemeTimeItem> item);
  // Removes and frees the item; an index out of range does nothing.
  void Delete(int index);
  // Null out of range.
  TSchemeTimeItem* GetItem(int index) const;
  // Appends the display text of every item under FMode.
  void GetTexts(olv::TStringList& strings) const;

  // True when any item matches under FMode; no item, no match.
  bool Matches(double last, double now) const;
  // The earliest moment from now on at which Matches(last, moment) holds, run times and last
  // staying as they are: the smallest NextDue of the items under FMode; kNeverDue when none.
  // Due now when it returns now.
  double NextDue(double last, double now) const;
};

}  // namespace sch
