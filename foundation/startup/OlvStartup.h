#pragma once
// The library's start-up in one place. main calls StartUp(argc, argv) once, on the main thread,
// before any other thread starts and before the first file is opened; it runs, in this order:
//   0. the heap's policy for freed memory (foundation/base/HeapPolicy.h);
//   1. OlvPub's start-up: the command-line parameters (each split at ";"), empty user path
//      macros, the program's date formats;
//   2. the file stream's path expander (ExpandFileNameMacros of foundation/files/PathMacros.h);
//      the expression engine's translator, root variables and stream classes;
//   3. the class registrations added with AddStartUpHook, in the order they were added (the
//      class registry already holds the foundation's own list container; the other modules add
//      theirs, the application last);
//   4. the program's file locations (foundation/files/ProgramFiles.h), which also name the log file.
// ShutDown undoes 1, 2 and 4 (tests; the program may simply end). Neither may run while other
// threads use the library.
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace olv {

using StartUpHook = std::function<void()>;

// Adds a step to run in StartUp after the path expander; a hook added after StartUp has run is
// run at once. Main thread only.
void AddStartUpHook(StartUpHook hook);

void StartUp(int argc, const char* const* argv);
void ShutDown();
bool IsStartedUp();

}  // namespace olv
