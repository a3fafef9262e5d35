#pragma once
// One run record of a scheme: the command line as run, when it started and ended, whether it
// succeeded, the child's exit code and the texts collected during the run. Persistent; the
// scheme owns its records. A listed record is guarded by its scheme's lock; a run's own record
// (CurLog) belongs to the run's thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/objects/OlvClass.h"

namespace sch {

class TSchemeLog : public olv::TBaseObject {
  OLV_CLASS(TSchemeLog, olv::TBaseObject)
 public:
  TSchemeLog() = default;

  std::string RunScripts;  // the command line as run
  bool ActiveMode = false;  // started by hand
  double StartTime = 0;
  double EndTime = 0;
  bool IsSucceed = false;
  std::string ResultMsgs;
  std::string ErrorMsgs;
  int32_t ExitCode = 0;  // -1: the program could not be started

  void EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) override;
  // Appends text to ResultMsgs; each step writes its own line ends.
  void AddResult(std::string_view text) { ResultMsgs += text; }
  // Every field of other (a plain copy: no stream, no class registry needed).
  void CopyFrom(const TSchemeLog& other);
  // The one text of a step that failed with an error: "Error occured", the message, line ends.
  void AddError(std::string_view message);
};

}  // namespace sch
