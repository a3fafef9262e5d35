#include "foundation/files/ProgramGlobals.h"

#include <mutex>

#include "foundation/text/TextFields.h"

namespace olv {
namespace {

struct Globals {
  std::mutex mutex;
  std::vector<std::string> commandLineParams;
  std::vector<std::string> userPathMacros;
  std::string programPathOverride;
  std::string appUserName;
};

Globals& G() {
  static Globals g;
  return g;
}

}  // namespace

std::vector<std::string> CommandLineParams() {
  std::lock_guard lock(G().mutex);
  return G().commandLineParams;
}

std::string CommandLineParam(std::string_view name) {
  std::lock_guard lock(G().mutex);
  return ValueOfName(G().commandLineParams, name);
}

void LoadCommandLineParams(int argc, const char* const* argv) {
  std::vector<std::string> lines;
  for (int i = 1; i < argc; ++i)
    if (argv[i]) SplitToStrings(argv[i], ";", lines);
  std::lock_guard lock(G().mutex);
  G().commandLineParams = std::move(lines);
}

std::vector<std::string> UserPathMacros() {
  std::lock_guard lock(G().mutex);
  return G().userPathMacros;
}

void SetUserPathMacros(std::vector<std::string> lines) {
  std::lock_guard lock(G().mutex);
  G().userPathMacros = std::move(lines);
}

std::string ProgramPathOverride() {
  std::lock_guard lock(G().mutex);
  return G().programPathOverride;
}

void SetProgramPathOverride(std::string_view path) {
  std::lock_guard lock(G().mutex);
  G().programPathOverride = path;
}

std::string AppUserName() {
  std::lock_guard lock(G().mutex);
  return G().appUserName;
}

void SetAppUserName(std::string_view name) {
  std::lock_guard lock(G().mutex);
  G().appUserName = name;
}

void ClearProgramGlobals() {
  std::lock_guard lock(G().mutex);
  G().commandLineParams.clear();
  G().userPathMacros.clear();
  G().programPathOverride.clear();
  G().appUserName.clear();
}

}  // namespace olv
