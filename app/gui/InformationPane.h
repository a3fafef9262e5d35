#pragma once
// The main window's "Information" page on Qt: the browser control over the page view, the page's
// picture files (written when the pane is made, deleted when it goes), the generated page written
// on every refresh, the timer picture animated by our GIF painter while the page shows it, and the
// page's own links handed to the window. The page itself comes from app/core/InformationPage.h.
// Also the tray's icons and its hint and cycling as the core decides them.
//
// Ownership: the view belongs to its Qt parent; the clock (null: a Qt clock of the pane's own)
// must outlive the pane. GUI thread only.
#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/InformationPage.h"
#include "app/core/PagePictures.h"

class QObject;
class QTextBrowser;

namespace olv {
class TAnimationClock;
class TImageList;
class TTrayBar;
class TWebBrowserEx;
class QtAnimationClock;
class QtPageAnimations;
}  // namespace olv

namespace sch {

class InformationPane {
 public:
  // pictureFolder empty: the program's picture folder. Without writePictures the page has none
  // (and no file is written or deleted).
  InformationPane(QTextBrowser* view, const std::string& pictureFolder, olv::TAnimationClock* clock,
                  bool writePictures = true);
  ~InformationPane();
  InformationPane(const InformationPane&) = delete;
  InformationPane& operator=(const InformationPane&) = delete;

  // A click on "urlHide" or "urlExit" (the navigation is cancelled before this runs).
  std::function<void(PageLink link)> OnLink;

  // Writes the page for the selected scheme (null: none) and the running schemes' names.
  void Write(const SchemePageState* selected, const std::vector<std::string>& running);

  olv::TWebBrowserEx& Browser() { return *browser_; }
  const PagePictures& Pictures() const { return pictures_; }
  // Why pictures could not be written at the start (a full disk); empty when all were.
  const std::vector<std::string>& PictureErrors() const { return pictureErrors_; }
  olv::QtPageAnimations& Animations() { return *animations_; }
  const std::string& LastPage() const { return lastPage_; }

  // Fits the written page to the view, as a page without scroll bars whose one table is as high
  // as the view: the type is made smaller (down to kSmallestPageType points) while the page is
  // higher than the view, and the first row (the scheme's state at its top, the running
  // schemes at its bottom) takes what is left. Done after every write and when the view resizes,
  // while the view is on the screen; otherwise as it comes up (its window's show event, or its own
  // show event in a window already up).
  void FitToView();
  static constexpr double kSmallestPageType = 6.0;

 private:
  void FitWhenShown();
  // The view's window is being shown (or is hidden) with a fit waiting for its show event.
  bool ComingUp() const;

  QTextBrowser* view_;
  std::unique_ptr<QObject> viewWatch_;
  bool fitPending_ = false;
  // The view's resizes held back while its window comes up, and the size before the first.
  bool resizeOwed_ = false, resending_ = false;
  QSize owedFrom_;
  std::unique_ptr<olv::QtAnimationClock> ownClock_;
  PagePictures pictures_;
  std::vector<std::string> pictureErrors_;
  std::unique_ptr<olv::TWebBrowserEx> browser_;
  std::unique_ptr<olv::QtPageAnimations> animations_;
  std::string lastPage_;
};

// The program's tray icons, the first one the icon at rest.
std::shared_ptr<const olv::TImageList> TrayIcons();
// The tray's hint and cycling for that many running schemes; the icon at rest when none runs.
void UpdateTray(olv::TTrayBar& tray, int running);

}  // namespace sch
