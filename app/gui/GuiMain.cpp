#include "app/gui/GuiMain.h"

#include <QApplication>
#include <utility>

#include "app/core/SchCommon.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtDialogs.h"
#include "app/gui/QtMainThread.h"
#include "app/gui/QtSchemeEditor.h"
#include "platform/MainThread.h"
#include "widgets/OlvTraybar.h"

namespace sch {

int RunMainWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  RegisterSchemeClasses();
  QApplication::setQuitOnLastWindowClosed(true);
  QtMainThread mainThread;
  // For the library's free functions that need the main thread (the Part's globals).
  plat::SetCurrentMainThread(&mainThread);
  QtDialogs dialogs;
  plat::SetDialogs(&dialogs);
  int rc = 0;
  {
    QtSchemeEditor editor(nullptr);
    TSchMainForm::Options options;
    options.services.mainThread = &mainThread;
    options.services.editor = &editor;
    TSchMainForm window(std::move(options));
    editor.SetParentWindow(&window);
    if (!window.TrayBar() || window.TrayBar()->Loaded()) window.show();
    rc = QApplication::exec();
    // Closing has shut the schemes down; a window ended some other way is shut down by its
    // destructor, at the end of this block.
    mainThread.beginShutdown();
  }
  plat::SetDialogs(nullptr);
  plat::SetCurrentMainThread(nullptr);
  return rc;
}

}  // namespace sch
