#include "foundation/startup/OlvPub.h"

namespace olv {

FormatSettings ProgramFormatSettings() {
  FormatSettings fs;
  fs.DateSeparator = ".";
  fs.ShortDateFormat = "YYYY.M.D";
  fs.LongDateFormat = "YYYY年M月D日";
  fs.LongMonthNames = {"元月", "二月", "三月", "四月", "五月",   "六月",
                       "七月", "八月", "九月", "十月", "十一月", "十二月"};
  fs.LongDayNames = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
  fs.TimeAMString = "上午";
  fs.TimePMString = "下午";
  return fs;
}

void InstallDateFormats() { InstallFormatSettings(ProgramFormatSettings()); }

void InitializeOlvPub(int argc, const char* const* argv) {
  LoadCommandLineParams(argc, argv);
  SetUserPathMacros({});
  InstallDateFormats();
}

void FinalizeOlvPub() { ClearProgramGlobals(); }

}  // namespace olv
