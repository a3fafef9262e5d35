#include "app/core/DosCommandScheme.h"

namespace sch {

void TDosCommandScheme::BuildParamList() {
  TItemDescription* cmd = AddParamEx("cmdfilename", "", dtFileOpen);
  cmd->Tag = kTagRequired;
  cmd->Tags = "EXE File|*.exe|All|*.*";
  AddParamEx("params", "", dtTextEditor);
}

bool TDosCommandScheme::IsValid() { return !ParamValue("cmdfilename").empty(); }

std::string TDosCommandScheme::BuildCommandLine() {
  std::string line = "\"" + ParamValue("cmdfilename") + "\"";
  const std::string params = ParamValue("params");
  const size_t last = params.find_last_not_of(std::string_view(" \t\r\n\0", 5));
  if (last != std::string::npos) line += " " + params;
  return line;
}

}  // namespace sch
