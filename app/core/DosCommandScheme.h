#pragma once
// The command-file scheme (kind 3): runs a program of the user's with free parameters. Its
// parameters are "cmdfilename" (the program, required, picked with a file dialog) and "params"
// (the rest of the command line, edited as text). Threads: as TSchemeObject.
#include <string>

#include "app/core/SchemeObject.h"

namespace sch {

class TDosCommandScheme : public TSchemeObject {
  OLV_CLASS(TDosCommandScheme, TSchemeObject)
 public:
  TDosCommandScheme() = default;

  // Appends "cmdfilename" and "params".
  void BuildParamList() override;
  // "cmdfilename" is not empty.
  bool IsValid() override;
  // The program in double quotes, then a blank and "params" as typed when it holds more than
  // blanks, tabs, line ends and zero characters.
  std::string BuildCommandLine() override;
};

}  // namespace sch
