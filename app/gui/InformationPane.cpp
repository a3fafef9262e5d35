#include "app/gui/InformationPane.h"

#include <QCoreApplication>
#include <QEvent>
#include <QResizeEvent>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QWindow>

#include <cmath>

#include "app/core/PagePictureData.h"
#include "foundation/files/ProgramFiles.h"
#include "widgets/Icon.h"
#include "widgets/OlvIeCtrls.h"
#include "widgets/OlvTraybar.h"
#include "widgets/qt/QtAnimationClock.h"
#include "widgets/qt/QtBrowserHost.h"
#include "widgets/qt/QtPageAnimations.h"

namespace sch {

namespace {

// Calls back when the view changes size or is shown, and when its window is shown; an event the
// call back answers true for is kept from the view.
class ViewWatch : public QObject {
 public:
  ViewWatch(QWidget* view, std::function<bool(QObject* watched, QEvent* event)> onEvent)
      : onEvent_(std::move(onEvent)) {
    view->installEventFilter(this);
    if (view->window() != view) view->window()->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) return onEvent_(watched, event);
    return false;
  }

 private:
  std::function<bool(QObject*, QEvent*)> onEvent_;
};

QTextTable* PageTable(QTextDocument& doc) {
  for (QTextFrame* child : doc.rootFrame()->childFrames())
    if (auto* table = qobject_cast<QTextTable*>(child)) return table;
  return nullptr;
}

// Grows the table's first row by `extra` pixels: below the top-aligned left cell's content and
// above the bottom-aligned right one's, so each stays at its edge. Every changed cell lays the
// page out again, so cells already right are left alone and the changes are made in one edit.
void GrowFirstRow(QTextTable& table, qreal extra) {
  const qreal padding = table.format().cellPadding();
  QTextCursor edit(table.document());
  bool editing = false;
  for (int column = 0; column < table.columns(); ++column) {
    QTextTableCell cell = table.cellAt(0, column);
    if (!cell.isValid()) continue;
    QTextTableCellFormat format = cell.format().toTableCellFormat();
    const qreal top = column == 0 ? padding : padding + extra;
    const qreal bottom = column == 0 ? padding + extra : padding;
    // A cell without a padding of its own has the table's.
    const bool topRight = format.hasProperty(QTextFormat::TableCellTopPadding) ? format.topPadding() == top
                                                                             : top == padding;
    const bool bottomRight = format.hasProperty(QTextFormat::TableCellBottomPadding) ? format.bottomPadding() == bottom
                                                                                   : bottom == padding;
    if (topRight && bottomRight) continue;
    if (!editing) edit.beginEditBlock(), editing = true;
    format.setTopPadding(top);
    format.setBottomPadding(bottom);
    cell.setFormat(format);
  }
  if (editing) edit.endEditBlock();
}

}  // namespace

InformationPane::InformationPane(QTextBrowser* view, const std::string& pictureFolder, olv::TAnimationClock* clock,
                                 bool writePictures)
    : view_(view) {
  // The page asks for no scroll bars: it is fitted to the view instead.
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewWatch_ = std::make_unique<ViewWatch>(view->viewport(), [this](QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == view_->viewport()) {
      if (resending_) return false;
      if (type == QEvent::Resize && ComingUp()) {
        // The window is coming up and its widgets get their sizes one after another: the view
        // first the size its page had before the pages were laid out, then its own. The browser
        // would lay the whole page out at each; it is given the last one at the window's show
        // event instead, when every size is final.
        if (!resizeOwed_) owedFrom_ = static_cast<QResizeEvent*>(event)->oldSize();
        resizeOwed_ = true;
        return true;
      }
      if (type == QEvent::Resize || fitPending_) FitWhenShown();
    } else if (type == QEvent::Show) {
      if (resizeOwed_) {
        resizeOwed_ = false;
        resending_ = true;
        QResizeEvent resize(view_->viewport()->size(), owedFrom_);
        QCoreApplication::sendEvent(view_->viewport(), &resize);
        resending_ = false;
      }
      if (fitPending_ && view_->viewport()->isVisible()) {
        // The window is being shown: every widget in it has its size now, and nothing is painted yet.
        fitPending_ = false;
        FitToView();
      }
    }
    return false;
  });
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
  viewWatch_.reset();
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
  FitWhenShown();
  // The running timer's picture moves; nothing else on the page does.
  const std::string timer = pictures_.File("imgTimer");
  if (selected && selected->autoExec && selected->timerRunning && !timer.empty()) {
    animations_->Play(timer, timer);
    animations_->Refresh();
  } else {
    animations_->Clear();
  }
}

bool InformationPane::ComingUp() const {
  const QWindow* window = view_->window()->windowHandle();
  return fitPending_ && (!window || !window->isVisible());
}

void InformationPane::FitWhenShown() {
  // A hidden view, or one in a window that is being shown, is given its size for good when the
  // window's show event comes: fitted before, to sizes it does not keep, the page would be laid
  // out over and over for nothing (and the window come up later).
  const QWindow* window = view_->window()->windowHandle();
  if (!view_->viewport()->isVisible() || !window || !window->isVisible()) {
    fitPending_ = true;
    return;
  }
  fitPending_ = false;
  FitToView();
}

void InformationPane::FitToView() {
  QTextDocument& doc = *view_->document();
  QTextTable* table = PageTable(doc);
  if (!table) return;
  const qreal room = view_->viewport()->height();
  // Each of these lays the whole page out again, even when it changes nothing: only what differs
  // is set.
  if (const qreal width = view_->viewport()->width(); doc.textWidth() != width) doc.setTextWidth(width);
  GrowFirstRow(*table, 0);
  QFont font = view_->font();
  if (doc.defaultFont() != font) doc.setDefaultFont(font);
  if (font.pointSizeF() > 0) {
    while (doc.size().height() > room && font.pointSizeF() - 0.5 >= kSmallestPageType) {
      font.setPointSizeF(font.pointSizeF() - 0.5);
      doc.setDefaultFont(font);
    }
  }
  const qreal left = room - doc.size().height();
  if (left >= 1) GrowFirstRow(*table, std::floor(left));
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
