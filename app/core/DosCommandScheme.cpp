#include "app/core/DosCommandScheme.h"

#include "app/core/CommandArgs.h"
#include "platform/Process.h"

namespace sch {

void TDosCommandScheme::BuildParamList() {
  TItemDescription* cmd = AddParamEx("cmdfilename", "", dtFileOpen);
  cmd->Tag = kTagRequired;
  cmd->Tags = "EXE File|*.exe|All|*.*";
  AddParamEx("params", "", dtTextEditor);
}

bool TDosCommandScheme::IsValid() { return !ParamValue("cmdfilename").empty(); }

std::string TDosCommandScheme::CommandText() const {
  std::string line = "\"" + ParamValue("cmdfilename") + "\"";
  const std::string params = ParamValue("params");
  const size_t last = params.find_last_not_of(std::string_view(" \t\r\n\0", 5));
  if (last != std::string::npos) line += " " + params;
  return line;
}

std::string TDosCommandScheme::BuildCommandLine() { return DisplayText(CommandText()); }

std::string RunResultText(int exitCode) {
  switch (exitCode) {
    case 0:
      return "Ok";
    case plat::kExitTerminatedByUser:
      return "Cancel by user";
    case plat::kExitTerminatedOnClose:
      return "Terminate by main program";
    default:
      return "Failed with exit code " + std::to_string(exitCode);
  }
}

bool TDosCommandScheme::DoRun() {
  bool ok = false;
  try {
    CurLog->AddResult("Run Scripts...");
    const std::string commandLine = ExpandMacros(CommandText());
    const std::string program = ExpandMacros("\"" + ParamValue("cmdfilename") + "\"");
    const std::string params = commandLine.size() > program.size() ? commandLine.substr(program.size()) : "";
    CurLog->RunScripts = program + " " + params;

    plat::SpawnOptions options;
    options.program = program.substr(1, program.size() - 2);
    options.args = SplitCommandArgs(params);
    const int code = RunChild(std::move(options));
    CurLog->ExitCode = code;
    ok = code != plat::kExitStartFailed;
    CurLog->IsSucceed = code == 0;
    if (ok) CurLog->AddResult(RunResultText(code) + "\r\n");
  } catch (const std::exception& e) {
    CurLog->IsSucceed = false;
    CurLog->AddError(e.what());
  }
  return ok;
}

}  // namespace sch
