#include "foundation/startup/OlvStartup.h"

#include <vector>

#include "foundation/base/HeapPolicy.h"
#include "foundation/startup/OlvPub.h"
#include "foundation/expr/ExpCoreFunctions.h"
#include "foundation/expr/ExpTranslator.h"
#include "foundation/expr/OlvMacro.h"
#include "foundation/expr/OlvTime.h"
#include "foundation/files/FileStream.h"
#include "foundation/files/PathMacros.h"
#include "foundation/files/ProgramFiles.h"
#include "foundation/objects/AppCfg.h"
#include "foundation/objects/ListContainer.h"
#include "foundation/objects/StoredStrList.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

std::vector<std::pair<std::string_view, const TClass*>> FoundationClasses() {
  return {{"TListContainer", &TListContainer::StaticClass()},
          {"TStoredStrList", &TStoredStrList::StaticClass()},
          {"TAppCfgInfo", &TAppCfgInfo::StaticClass()},
          {"TOlvMISCfgInfo", &TAppCfgInfo::StaticClass()},
          {"TAppCfgParams", &TAppCfgParams::StaticClass()}};
}

void RegisterExpressionModuleClasses() {
  RegisterCoreStreamClasses();
  RegisterMacroStreamClasses();
  RegisterDateStreamClasses();
}

void RegisterExpressionModuleFunctions(TFunctionList& functions) {
  RegisterCoreFunctions(functions);
  RegisterMacroFunctions(functions);
  RegisterDateFunctions(functions);
  InstallMacroExpander();
}
namespace {

plat::Mutex g_mutex;
std::vector<StartUpHook> g_hooks GUARDED_BY(g_mutex);
bool g_started GUARDED_BY(g_mutex) = false;

}  // namespace

void AddStartUpHook(StartUpHook hook) {
  if (!hook) return;
  bool runNow;
  {
    plat::MutexLock lock(g_mutex);
    runNow = g_started;
    if (!runNow) g_hooks.push_back(hook);
  }
  if (runNow) hook();
}

void StartUp(int argc, const char* const* argv) {
  KeepFreedMemory();
  InitializeOlvPub(argc, argv);
  SetPathExpander(&ExpandFileNameMacros);
  // The expression engine's classes go into the class registry now, not at the first compile, so
  // that a stream holding expressions reads back whatever ran first; this also creates the
  // program's translator and root variables while only this thread runs.
  GlobalTranslator();
  std::vector<StartUpHook> hooks;
  {
    plat::MutexLock lock(g_mutex);
    hooks.swap(g_hooks);
    g_started = true;
  }
  for (const StartUpHook& h : hooks) h();
  InstallProgramFiles();
}

void ShutDown() {
  ResetProgramFiles();
  SetPathExpander(nullptr);
  FinalizeOlvPub();
  plat::MutexLock lock(g_mutex);
  g_started = false;
  g_hooks.clear();
}

bool IsStartedUp() {
  plat::MutexLock lock(g_mutex);
  return g_started;
}

}  // namespace olv
