#pragma once
// The command-file scheme (kind 3): runs a program of the user's with free parameters. Its
// parameters are "cmdfilename" (the program, required, picked with a file dialog) and "params"
// (the rest of the command line, edited as text). Threads: as TSchemeObject.
#include <string>

#include "app/core/SchemeObject.h"

namespace sch {

// The result text of a run step's exit code.
std::string RunResultText(int exitCode);

class TDosCommandScheme : public TSchemeObject {
  OLV_CLASS(TDosCommandScheme, TSchemeObject)
 public:
  TDosCommandScheme() = default;

  // Appends "cmdfilename" and "params".
  void BuildParamList() override;
  // "cmdfilename" is not empty.
  bool IsValid() override;
  // The line shown on the scheme's page: the program in double quotes, then a blank and
  // "params" as typed when it holds more than blanks, tabs, line ends and zero characters;
  // references to the parameters shown with DisplayText (nothing is evaluated).
  std::string BuildCommandLine() override;
  // Starts the program ("cmdfilename", macros expanded) with "params" (macros expanded, the
  // run's parameters and the global ones) split into arguments
  // (SplitCommandArgs; no shell), its output shown only with ShowDos, and waits for it without
  // polling. The record gets the exit code, the command line and the result text: "Ok" for 0,
  // "Cancel by user" for 100, "Terminate by main program" for 101, "Failed with exit code N"
  // for another code, "Could not start the program: REASON" when it did not start (-1). Returns
  // whether the program started; the record succeeds only with exit code 0.
  bool DoRun() override;

 private:
  // The line before any macro is expanded.
  std::string CommandText() const;
};

}  // namespace sch
