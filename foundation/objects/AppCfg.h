#pragma once
// Two configuration objects that the object stream knows by name: TAppCfgInfo (the program's
// folders and names; also read under its older name "TOlvMISCfgInfo") and TAppCfgParams (a list
// of settings lines). The application keeps its settings elsewhere; these exist so that stored
// objects naming them still load. One thread at a time.
#include <memory>
#include <string>

#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace olv {

class TAppCfgInfo : public TBaseObject {
  OLV_CLASS(TAppCfgInfo, TBaseObject)
 public:
  TAppCfgInfo() = default;

  std::string AppName, AppTitle, FFolderHost, FolderHelp, HelpExt, FolderData, ModulePath,
      ReportPath, QueryPath, DefaultPath, AboutBmp, Network;
  bool ExitPrompt = true;
  std::string Personal;
  // Not stored: the program's name cut to 8 characters, and the command-line parameters
  // joined by ";".
  std::string ShortName;
  std::string CommandLine;

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;

  // Fills the folders from the program's location: FFolderHost is the program's folder (with a
  // trailing "/"), FolderHelp and FolderData its "HELP/" and "DATA/" folders, HelpExt "HLP";
  // also ShortName and CommandLine. Returns true.
  virtual bool InitPaths();
};

class TAppCfgParams : public TBaseObject {
  OLV_CLASS(TAppCfgParams, TBaseObject)
 public:
  TAppCfgParams() : Params(std::make_unique<OlvStringList>()) {}

  std::unique_ptr<OlvStringList> Params;

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;
  // dest := the settings lines.
  void AssignTo(TStringList& dest) const;
};

}  // namespace olv
