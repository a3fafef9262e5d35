#pragma once
// Business periods (module OlvBTime): named periods (year, half-year, quarter, ..., ten years)
// and where the period that contains a date starts and ends.
//
// A period has a kind (PeriodKindName: "年", "季", "周", ...) and an offset date that moves its
// calendar: the predefined periods use 1900-01-01, so that N-year periods start in the years
// 1900 + k*N and N-day periods on day numbers divisible by N, except "周", offset 1900-01-02, so
// that weeks start on Sunday. Every end is the start of the next period. Dates before 1899-12-30
// count with floor division, so they fall in the same periods as the calendar says.
//
// PeriodList holds the 23 predefined periods, one per kind, named after the kind. It is built on
// first use and read-only afterwards, so any thread may call these functions.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/text/DateTime.h"
#include "foundation/objects/OlvClass.h"

namespace olv {

inline constexpr int kPeriodKindCount = 23;
// The kind names in index order; "" outside 0..22.
std::string_view PeriodKindName(int kind);
// The index of a kind name (exact match), 0 when unknown.
int KindIndexOfName(std::string_view name);

class TPeriodObj : public TBaseObject {
  OLV_CLASS(TPeriodObj, TBaseObject)
 public:
  std::string PerName;
  std::string KindName;
  std::string PeriodDate;  // the offset date as date-time text
  // Persistent fields: "PerName", "KindName", "PeriodDate", each when not empty.
  void EnumProps(PropMode mode, TPropEnumProc& proc) override;
};

// The predefined periods in kind order.
const std::vector<std::unique_ptr<TPeriodObj>>& PeriodList();
void RegisterPeriodStreamClasses();

// The period of that name (case-insensitive): its kind and offset date. False for an unknown
// name, which then behaves as kind 0 (a day) with the offset 1900-01-01.
bool FindPeriod(std::string_view name, int& kind, TDateTime& offsetDate);

// D becomes the start of the period containing it, or the start of the following one.
void PeriodStart(TDateTime& d, std::string_view name);
void PeriodEnd(TDateTime& d, std::string_view name);
// The same by kind and offset, without a name lookup.
TDateTime PeriodStartOf(TDateTime d, int kind, TDateTime offsetDate);
TDateTime PeriodEndOf(TDateTime d, int kind, TDateTime offsetDate);

// The current date and time (Now()).
TDateTime BusinessNow();
TDateTime BStartTimeOf(std::string_view name);
TDateTime BEndTimeOf(std::string_view name);
TDateTime BPriorStartOf(std::string_view name);
TDateTime BNextEndOf(std::string_view name);

// Date-times before 1899-12-30 keep the time of day as a positive fraction below a negative day
// number; these map them to and from a value that grows with time (day + time of day).
double LinearDateTime(TDateTime d);
TDateTime FromLinearDateTime(double linear);

}  // namespace olv
