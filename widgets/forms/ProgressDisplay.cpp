#include "widgets/forms/ProgressDisplay.h"

#include "foundation/expr/ExpCoreFunctions.h"
#include "platform/MainThread.h"
#include "widgets/forms/Screen.h"

namespace olv {

namespace {

void ShowOnMainThread(const std::string& text, std::int32_t position, std::int32_t max) {
  // Looked up when the call runs: the screen object may have been replaced since it was posted.
  if (TScreen* screen = LiveScreen()) screen->ShowProgress(text, position, max);
}

}  // namespace

void ShowProgress(plat::MainThread* main, const std::string& text, std::int32_t position, std::int32_t max) {
  if (!main) return;
  if (main->isMainThread()) {
    ShowOnMainThread(text, position, max);
    return;
  }
  main->post([text, position, max] { ShowOnMainThread(text, position, max); });
}

void InstallProgressDisplay(plat::MainThread* mainThread) {
  SetProgressHook([mainThread](const std::string& text, std::int32_t position, std::int32_t max) {
    ShowProgress(mainThread, text, position, max);
  });
}

void UninstallProgressDisplay() { SetProgressHook(nullptr); }

}  // namespace olv
