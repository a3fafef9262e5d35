#include "foundation/objects/AppCfg.h"

#include "foundation/files/Folders.h"
#include "foundation/files/ProgramGlobals.h"
#include "foundation/text/TextFields.h"

namespace olv {

void TAppCfgInfo::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  struct Text {
    const char* name;
    std::string* field;
  };
  const Text texts[] = {{"AppName", &AppName},         {"AppTitle", &AppTitle},
                        {"FFolderHost", &FFolderHost}, {"FolderHelp", &FolderHelp},
                        {"HelpExt", &HelpExt},         {"FolderData", &FolderData},
                        {"ModulePath", &ModulePath},   {"ReportPath", &ReportPath},
                        {"QueryPath", &QueryPath},     {"DefaultPath", &DefaultPath},
                        {"AboutBmp", &AboutBmp},       {"Network", &Network}};
  for (const Text& t : texts) proc.Report<pkString>(t.name, *t.field, !t.field->empty());
  // On by default, so it is always stored: stored only when on, "off" would read back as on.
  proc.Report<pkBoolean>("ExitPrompt", ExitPrompt, true);
  proc.Report<pkString>("Personal", Personal, !Personal.empty());
}

bool TAppCfgInfo::InitPaths() {
  FFolderHost = GetProgramDir();
  FolderHelp = FFolderHost + "HELP/";
  HelpExt = "HLP";
  FolderData = FFolderHost + "DATA/";
  ShortName = GetProgramName().substr(0, 8);
  CommandLine = JoinStrings(CommandLineParams(), ";");
  return true;
}

void TAppCfgParams::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.ReportStrings("参数表", Params, Params != nullptr);
}

void TAppCfgParams::AssignTo(TStringList& dest) const {
  if (Params) {
    dest.Assign(*Params);
  } else {
    dest.Clear();
  }
}

}  // namespace olv
