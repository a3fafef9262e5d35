#include "foundation/files/ProgramGlobals.h"

#include "foundation/text/TextFields.h"
#include "platform/ThreadAnnotations.h"

namespace olv {
namespace {

struct Globals {
  plat::Mutex mutex;
  std::vector<std::string> commandLineParams GUARDED_BY(mutex);
  std::vector<std::string> userPathMacros GUARDED_BY(mutex);
  std::string programPathOverride GUARDED_BY(mutex);
  std::string appUserName GUARDED_BY(mutex);
};

Globals& G() {
  static Globals g;
  return g;
}

}  // namespace

std::vector<std::string> CommandLineParams() {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  return g.commandLineParams;
}

std::string CommandLineParam(std::string_view name) {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  return ValueOfName(g.commandLineParams, name);
}

void LoadCommandLineParams(int argc, const char* const* argv) {
  std::vector<std::string> lines;
  for (int i = 1; i < argc; ++i)
    if (argv[i]) SplitToStrings(argv[i], ";", lines);
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  g.commandLineParams = std::move(lines);
}

std::vector<std::string> UserPathMacros() {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  return g.userPathMacros;
}

void SetUserPathMacros(std::vector<std::string> lines) {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  g.userPathMacros = std::move(lines);
}

std::string ProgramPathOverride() {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  return g.programPathOverride;
}

void SetProgramPathOverride(std::string_view path) {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  g.programPathOverride = path;
}

std::string AppUserName() {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  return g.appUserName;
}

void SetAppUserName(std::string_view name) {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  g.appUserName = name;
}

void ClearProgramGlobals() {
  Globals& g = G();
  plat::MutexLock lock(g.mutex);
  g.commandLineParams.clear();
  g.userPathMacros.clear();
  g.programPathOverride.clear();
  g.appUserName.clear();
}

}  // namespace olv
