#pragma once
// The system's font configuration, read on a thread of its own while the program starts. Reading
// it (the settings files and the font list) is a large part of what comes before the main window
// can be drawn, yet nothing needs it until the window's first text is measured, after the
// application object, the skin and the window's actions are made. The window side then finds it
// read; should it get there first, it reads the configuration itself, as it would without this.
// Make one on the main thread before the QApplication; the destructor joins the thread.
#include <thread>

namespace sch {

class FontWarmUp {
 public:
  FontWarmUp();
  ~FontWarmUp();
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

 private:
  std::thread thread_;
};

}  // namespace sch
