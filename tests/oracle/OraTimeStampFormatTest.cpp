// The default format model of timestamp texts, built from the platform's date and time settings.
#include <gtest/gtest.h>

#include "foundation/startup/OlvPub.h"
#include "oracle/values/OraTimeStampFormat.h"

namespace ora {
namespace {

struct FormatCase {
  const char* name;
  TTimeStampFormatSettings settings;
  ub4 descriptor;
  const char* format;
};

TEST(DefaultTimeStampFormat, FromDateAndTimeSettings) {
  const FormatCase cases[] = {
      {"Dotted24", {"dd.MM.yyyy", "H:mm:ss", "H:mm:ss", '.'}, OCI_DTYPE_TIMESTAMP, "DD.MM.YYYY fmHH24fm:MI:SS.FF"},
      {"WithTimeZone", {"dd.MM.yyyy", "H:mm:ss", "H:mm:ss", '.'}, OCI_DTYPE_TIMESTAMP_TZ,
       "DD.MM.YYYY fmHH24fm:MI:SS.FF TZH:TZM"},
      {"LocalTimeZoneHasNoZone", {"dd.MM.yyyy", "H:mm:ss", "H:mm:ss", '.'}, OCI_DTYPE_TIMESTAMP_LTZ,
       "DD.MM.YYYY fmHH24fm:MI:SS.FF"},
      {"American12", {"M/d/yyyy", "h:mm:ss tt", "h:mm:ss AMPM", '.'}, OCI_DTYPE_TIMESTAMP,
       "fmMMfm/fmDDfm/YYYY fmHH12fm:MI:SS.FF AM"},
      {"TheProgramsOwn", {"YYYY.M.D", "h:nn:ss", "h:nn:ss", '.'}, OCI_DTYPE_TIMESTAMP,
       "YYYY.fmMMfm.fmDDfm fmHH24fm:MI:SS.FF"},
      {"NamesAndLongRuns", {"dddd, MMMMM d", "HH:mm", "HH:mm", '.'}, OCI_DTYPE_TIMESTAMP,
       "fmDAYfm, MONTHfmMMfm fmDDfm HH24:MI"},
      {"ShortNamesAndEra", {"ddd MMM gg yy", "hh:mm:ss", "hh:mm:ss", '.'}, OCI_DTYPE_TIMESTAMP,
       "DY MON EE YY HH24:MI:SS.FF"},
      {"QuotedText", {"yyyy'y'M\"m\"", "H'h'mm", "H:mm", '.'}, OCI_DTYPE_TIMESTAMP,
       "YYYY\"y\"fmMMfm\"m\" fmHH24fm\"h\"MI"},
      {"UnclosedQuoteCopiesTheRest", {"yyyy 'M d", "H:mm", "H:mm", '.'}, OCI_DTYPE_TIMESTAMP, "YYYY 'M d fmHH24fm:MI"},
      {"MillisecondsShownNoFraction", {"d/M/yy", "H:mm:ss", "H:mm:ss.zzz", ','}, OCI_DTYPE_TIMESTAMP,
       "fmDDfm/fmMMfm/YY fmHH24fm:MI:SS"},
      {"SingleLettersAndComma", {"d.M.yyyy", "H:m:s", "H:m:s", ','}, OCI_DTYPE_TIMESTAMP,
       "fmDDfm.fmMMfm.YYYY fmHH24fm:fmMIfm:fmSSfm,FF"},
      {"AmPmWordInTime", {"yyyy-MM-dd", "hh:nn AMPM", "hh:nn AMPM", '.'}, OCI_DTYPE_TIMESTAMP,
       "YYYY-MM-DD HH12:MI AM"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(DefaultTimeStampFormat(c.settings, c.descriptor), c.format) << c.name;
}

TEST(DefaultTimeStampFormat, TheProgramsSettings) {
  olv::InstallDateFormats();
  EXPECT_EQ(DefaultTimeStampFormat(CurrentTimeStampFormatSettings(), OCI_DTYPE_TIMESTAMP),
            "YYYY.fmMMfm.fmDDfm fmHH24fm:MI:SS.FF");
}

}  // namespace
}  // namespace ora
