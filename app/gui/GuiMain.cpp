#include "app/gui/GuiMain.h"

#include <QApplication>
#include <algorithm>
#include <cstring>
#include <future>
#include <memory>
#include <utility>

#include "app/core/DMSession.h"
#include "app/core/MainConfig.h"
#include "app/core/OraDMLink.h"
#include "app/core/SchCommon.h"
#include "app/gui/FirstShowReport.h"
#include "app/gui/FontWarmUp.h"
#include "app/gui/PlanMain.h"
#include "app/gui/QtDialogs.h"
#include "app/gui/QtMainThread.h"
#include "app/gui/QtSchemeEditor.h"
#include "foundation/dialogs/MessageBoxes.h"
#include "foundation/files/ProgramFiles.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/TerminationSignals.h"
#include "resources/EmbeddedSkin.h"
#include "skin/qt/QtSkinning.h"
#include "widgets/OlvTraybar.h"
#include "widgets/qt/FormLibrary.h"

namespace sch {

int RunMainWindow(int argc, char** argv) {
  const FontWarmUp fonts;
  // Windows come up in the program's skin unless the settings or "--no-skin" say otherwise. The
  // package is unpacked on another thread while the application and the window are made.
  const MainConfig settings = ReadMainConfig(olv::SettingsFilePath());
  std::future<std::unique_ptr<skin::TSkinData>> skinPackage;
  if (settings.skin && !std::any_of(argv + 1, argv + argc, [](const char* a) { return !std::strcmp(a, "--no-skin"); }))
    skinPackage = std::async(std::launch::async,
                             [] { return skin::TQtSkinning::LoadPackage(resources::EmbeddedSkinPackage()); });
  QApplication app(argc, argv);
  RegisterSchemeClasses();
  QApplication::setQuitOnLastWindowClosed(true);
  // The one main thread, handed to everything that sends or posts to it.
  QtMainThread mainThread;
  // The form library: the screen object that "Screen" reaches, and the progress display behind
  // the expression function Hint, shown on the main window's status bar.
  olv::TFormLibrary formLibrary(&mainThread);
  QtDialogs dialogs(&mainThread);
  // Process-wide for the library's message-box free functions (MessageBoxes.h).
  plat::SetDialogs(&dialogs);
  std::unique_ptr<skin::TQtSkinning> skinning;
  if (skinPackage.valid())
    skinning = std::make_unique<skin::TQtSkinning>(skinPackage.get(),
                                                   skin::TQtSkinning::Options{settings.skinNativeFrame});
  int rc = 0;
  {
    // SIGTERM, SIGINT and SIGHUP close the program as closing the window does: runs end with
    // 101, their records are saved. Handled from here on, also while a box waits for a click
    // (its loop runs the handler): every box ends and no new one opens, for a service stop or a
    // logout has nobody to click it. One asked before the loop runs is acted on instead of it.
    TSchMainForm* closing = nullptr;
    bool closeAsked = false;
    plat::TerminationSignals closeSignals(mainThread, [&closing, &closeAsked, &dialogs](int) {
      closeAsked = true;
      dialogs.Refuse();
      QtDialogs::EndModalBoxes();
      if (closing) closing->CloseBySignal();
      QApplication::quit();
    });
    // The data module: scripts around runs, the character set on a run's start, the Oracle tools.
    // What the Oracle layer warns about while a call goes on is shown here, as a warning box.
    auto session = std::make_shared<TDMSession>(TOraDMLink::Factory(
        [](const std::string& text) { olv::AppMessageBox("Warning", text, plat::MB_ICONWARNING); }));
    QtSchemeEditor editor(nullptr, session);
    TSchMainForm::Options options;
    options.services.mainThread = &mainThread;
    options.services.editor = &editor;
    options.services.oracleSession = session;
    TSchMainForm window(std::move(options));
    if (window.FileInUse()) {
      // The file is another program's: end without touching it.
      rc = 1;
    } else if (closeAsked) {
      window.CloseBySignal();
    } else {
      closing = &window;
      editor.SetParentWindow(&window);
      if (skinning) skinning->PrepareForm(&window);
      FirstShowReport::Watch(&window);
      if (!window.TrayBar() || window.TrayBar()->Loaded()) window.show();
      rc = QApplication::exec();
      closing = nullptr;
    }
    // Closing has shut the schemes down; a window ended some other way is shut down by its
    // destructor, at the end of this block.
    mainThread.beginShutdown();
  }
  plat::SetDialogs(nullptr);
  return rc;
}

}  // namespace sch
