#include "app/core/SchemeLog.h"

namespace sch {

void TSchemeLog::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkString>("RunScripts", RunScripts, true);
  proc.Report<olv::pkBoolean>("ActiveMode", ActiveMode, true);
  proc.Report<olv::pkDateTime>("StartTime", StartTime, true);
  proc.Report<olv::pkDateTime>("EndTime", EndTime, true);
  proc.Report<olv::pkBoolean>("IsSucceed", IsSucceed, true);
  proc.Report<olv::pkString>("ResultMsgs", ResultMsgs, true);
  proc.Report<olv::pkString>("ErrorMsgs", ErrorMsgs, true);
  proc.Report<olv::pkInteger>("ExitCode", ExitCode, ExitCode != 0);
}

void TSchemeLog::CopyFrom(const TSchemeLog& o) {
  RunScripts = o.RunScripts;
  ActiveMode = o.ActiveMode;
  StartTime = o.StartTime;
  EndTime = o.EndTime;
  IsSucceed = o.IsSucceed;
  ResultMsgs = o.ResultMsgs;
  ErrorMsgs = o.ErrorMsgs;
  ExitCode = o.ExitCode;
}

void TSchemeLog::AddError(std::string_view message) {
  ResultMsgs += "Error occured\r\n";
  ResultMsgs += message;
  ResultMsgs += "\r\n";
}

}  // namespace sch
