#pragma once
// The default format model of a timestamp's text: the platform's short date format, a blank and
// the locale's time format, each turned into Oracle's format elements:
//   date: M runs 1-4 -> fmMMfm MM MON MONTH, d runs 1-4 -> fmDDfm DD DY fmDAYfm, g -> E,
//         quoted text in double quotes, anything else upper-cased ("YYYY.M.D" -> YYYY.fmMMfm.fmDDfm);
//   time: h runs -> fmHH12fm/HH12 when the long time format shows AM/PM ("AMPM" or "t"), else
//         fmHH24fm/HH24; m or n -> MI (two letters) or fmMIfm; s -> SS or fmSSfm followed by the
//         decimal separator and FF unless the long time format shows milliseconds ("z");
//         t runs and "AMPM" -> AM; quoted text and other characters as in the date.
// " TZH:TZM" follows for a TIMESTAMP WITH TIME ZONE. A quote without its partner copies the rest
// of its format unchanged. Pure functions; any thread.
#include <string>

#include "oracle/client/OciTypes.h"

namespace ora {

struct TTimeStampFormatSettings {
  std::string ShortDateFormat;   // "YYYY.M.D", "dd.MM.yyyy", ...
  std::string LocaleTimeFormat;  // "H:mm:ss", "h:mm:ss tt", ...
  std::string LongTimeFormat;    // decides 12 or 24 hours and whether fractions follow the seconds
  char DecimalSeparator = '.';
};

// descriptorType: OCI_DTYPE_TIMESTAMP, OCI_DTYPE_TIMESTAMP_TZ or OCI_DTYPE_TIMESTAMP_LTZ.
std::string DefaultTimeStampFormat(const TTimeStampFormatSettings& settings, ub4 descriptorType);

// The settings the program runs with (foundation/text/Format.h). The platform has no locale time
// format of its own here, so the long time format stands for it.
TTimeStampFormatSettings CurrentTimeStampFormatSettings();

}  // namespace ora
