#pragma once
// The progress display behind the expression engine's ProgressHook (what the function Hint
// calls). Expressions are evaluated on worker threads as well as on the main thread, and the
// display is a window: a call from another thread is posted to the main thread handed in and
// shown there on the screen object live at that time; a call on the main thread is shown at once.
// Without a main thread (no thread can be told to be the main one) nothing is shown, nor once the
// main thread shuts down.
#include <cstdint>
#include <string>

namespace plat {
class MainThread;
}

namespace olv {

// Any thread.
void ShowProgress(plat::MainThread* mainThread, const std::string& text, std::int32_t position, std::int32_t max);

// Installs ShowProgress with mainThread as the expression engine's ProgressHook (the hook is the
// engine's, for Hint is a free function of the expression language); mainThread must outlive the
// installation. Uninstall clears the hook.
void InstallProgressDisplay(plat::MainThread* mainThread);
void UninstallProgressDisplay();

}  // namespace olv
