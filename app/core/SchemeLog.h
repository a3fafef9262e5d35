#pragma once
// One run record of a scheme: the command line as run, when it started and ended, whether it
// succeeded, the child's exit code and the texts collected during the run. Persistent; the
// scheme owns its records. A listed record is guarded by its scheme's lock; a run's own record
// (CurLog) belongs to the run's thread.
#include <cstdint>
#include <optional>
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

// The command line kept in a record (RunScripts) is the program in double quotes and then its
// arguments, separated by blanks. A value holding a blank or a double quote is written in double
// quotes, a quote inside doubled, so that a dump named "/bak/a b.dmp" survives the record;
// RecordedValue reads it back the same way. Both are pure; any thread.
std::string QuoteRecordedValue(std::string_view value);
// The value of the argument NAME=value (the first one whose name equals `name` in any letter
// case) of a recorded line. None when there is no such argument, its value is empty, or the value
// cannot be read exactly: a quote left open, or an unquoted value followed by words that are no
// further NAME=value argument (a name with a blank recorded without quotes), where taking the text
// up to the blank would name another file.
std::optional<std::string> RecordedValue(std::string_view line, std::string_view name);

}  // namespace sch
