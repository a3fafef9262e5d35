#include "app/gui/InformationPane.h"

#include <QTextBrowser>

#include "app/core/PagePictureData.h"
#include "foundation/files/ProgramFiles.h"
#include "widgets/Icon.h"
#include "widgets/OlvIeCtrls.h"
#include "widgets/OlvTraybar.h"
#include "widgets/qt/QtAnimationClock.h"
#include "widgets/qt/QtBrowserHost.h"
#include "widgets/qt/QtPageAnimations.h"

namespace sch {

InformationPane::InformationPane(QTextBrowser* view, const std::string& pictureFolder, olv::TAnimationClock* clock,
                                 bool writePictures) {
  if (!clock) {
    ownClock_ = std::make_unique<olv::QtAnimationClock>();
    clock = ownClock_.get();
  }
  // Pictures that cannot be written are left out of the page; it works without them.
  if (writePictures) pictureErrors_ = pictures_.Save(pictureFolder.empty() ? olv::PictureDir() : pictureFolder);
  browser_ = olv::MakeQtWebBrowser(view);
  browser_->SetBorderWidth(1);
  browser_->SetIePopupMenu(false);
  browser_->OnBeforeNavigate = [this](olv::TWebBrowserEx&, const std::string& url, bool& cancel) {
    const PageLink link = PageLinkOf(url);
    if (link == PageLink::Follow) return;
    cancel = true;
    if (OnLink) OnLink(link);
  };
  animations_ = std::make_unique<olv::QtPageAnimations>(view, clock);
}

InformationPane::~InformationPane() {
  animations_.reset();
  pictures_.DeleteFiles();
}

void InformationPane::Write(const SchemePageState* selected, const std::vector<std::string>& running) {
  PageContext context;
  context.selected = selected;
  context.running = running;
  context.pictures = &pictures_;
  context.bodyWidth = browser_->Width();
  context.bodyHeight = browser_->Height();
  lastPage_ = InformationPageHtml(context);
  try {
    browser_->WriteHtml(lastPage_);
  } catch (const std::exception&) {
    // A view that refuses the page keeps the old one; the window stays usable.
    return;
  }
  // The running timer's picture moves; nothing else on the page does.
  const std::string timer = pictures_.File("imgTimer");
  if (selected && selected->autoExec && selected->timerRunning && !timer.empty()) {
    animations_->Play(timer, timer);
    animations_->Refresh();
  } else {
    animations_->Clear();
  }
}

std::shared_ptr<const olv::TImageList> TrayIcons() {
  static const std::shared_ptr<const olv::TImageList> icons = [] {
    auto list = std::make_shared<olv::TImageList>();
    for (const EmbeddedPicture& p : TrayIconData())
      list->Add(olv::TIcon(std::vector<unsigned char>(p.bytes, p.bytes + p.size)));
    return list;
  }();
  return icons;
}

void UpdateTray(olv::TTrayBar& tray, int running) {
  tray.SetHint(TrayHintText(running));
  const bool cycle = TrayCycles(running);
  if (tray.CycleIcons() == cycle) return;
  tray.SetCycleIcons(cycle);
  if (!cycle) tray.SetIconIndex(0);
}

}  // namespace sch
