#pragma once
// The program's window side: creates the QApplication, the Qt main thread and message boxes,
// the main window, and runs the event loop until the window closes. Call once, from main().
namespace sch {
int RunMainWindow(int argc, char** argv);
}  // namespace sch
