#pragma once
// The number and date text rules shared by the data-access layer: "." as decimal separator
// whatever the user's locale, "." between date parts, dates written year.month.day. The settings
// are constant, so every thread may read them.
namespace da {

struct TFormatSettings {
  char DecimalSeparator;
  char DateSeparator;
  char TimeSeparator;
  const char* ShortDateFormat;
  const char* LongTimeFormat;
};

inline constexpr TFormatSettings kFormatSettings{'.', '.', ':', "yyyy.m.d", "hh:nn:ss"};

inline const TFormatSettings& FormatSettings() { return kFormatSettings; }

}  // namespace da
