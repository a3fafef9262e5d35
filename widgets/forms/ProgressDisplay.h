#pragma once
// The progress display behind the expression engine's ProgressHook (what the function Hint
// calls). Expressions are evaluated on worker threads as well as on the main thread, and the
// display is a window: a call from another thread is posted to the main thread
// (plat::CurrentMainThread) and shown there on the screen object live at that time; a call on
// the main thread is shown at once. Without an installed main thread (no thread can be told to be
// the main one) nothing is shown, nor once the main thread shuts down.
#include <cstdint>
#include <string>

namespace olv {

// Any thread.
void ShowProgress(const std::string& text, std::int32_t position, std::int32_t max);

// Installs ShowProgress as the expression engine's ProgressHook; Uninstall clears the hook.
void InstallProgressDisplay();
void UninstallProgressDisplay();

}  // namespace olv
