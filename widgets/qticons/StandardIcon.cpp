#include "widgets/qticons/StandardIcon.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QStyleOption>
#include <utility>
#include <vector>

namespace olv {

namespace {

struct Picture {
  QString file;
  QSize size;
};

// Qt's own pictures of the standard icons the program shows (the tool bar's and the tree's, and
// the tool bar's extension arrow), as the style adds them: a file per size, named by its width.
std::vector<Picture> PicturesOf(QStyle::StandardPixmap which, bool rightToLeft) {
  const char* name = nullptr;
  std::vector<QSize> sizes = {{16, 16}, {32, 32}, {128, 128}};
  switch (which) {
    case QStyle::SP_DialogSaveButton: name = "standardbutton-save"; break;
    case QStyle::SP_DialogOpenButton: name = "standardbutton-open"; break;
    case QStyle::SP_DialogCloseButton: name = "standardbutton-close"; break;
    case QStyle::SP_FileIcon: name = "file"; break;
    case QStyle::SP_TrashIcon: name = "trash"; break;
    case QStyle::SP_FileDialogDetailedView: name = "viewdetailed"; break;
    case QStyle::SP_MediaPlay: name = "media-play", sizes.pop_back(); break;
    case QStyle::SP_MediaStop: name = "media-stop", sizes.pop_back(); break;
    case QStyle::SP_MediaSeekForward: name = "media-seek-forward", sizes.pop_back(); break;
    case QStyle::SP_ToolBarHorizontalExtensionButton:
      name = rightToLeft ? "toolbar-ext-h-rtl" : "toolbar-ext-h";
      sizes = {{8, 5}, {16, 10}, {32, 20}};
      break;
    case QStyle::SP_ToolBarVerticalExtensionButton:
      name = "toolbar-ext-v";
      sizes = {{5, 8}, {10, 16}, {20, 32}};
      break;
    default: return {};
  }
  std::vector<Picture> out;
  for (const QSize& size : sizes) {
    const QString file =
        QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png").arg(name).arg(size.width());
    // Another Qt may keep other pictures: then the style's own icon.
    if (!QFile::exists(file)) return {};
    out.push_back({file, size});
  }
  return out;
}

// The style beneath any proxies (the skin's style is one).
const QStyle* BaseStyle(const QStyle* style) {
  while (const auto* proxy = qobject_cast<const QProxyStyle*>(style)) style = proxy->baseStyle();
  return style;
}

// The pictures of one icon, each decoded when first drawn. Picks, scales and derives the disabled
// and selected looks as Qt's icon of added files does: the smallest picture at least as large as
// asked (else the largest), scaled down smoothly to fit, the other modes made by the application
// style from the normal picture.
class LazyPictureIconEngine : public QIconEngine {
 public:
  explicit LazyPictureIconEngine(std::vector<Picture> pictures)
      : pictures_(std::move(pictures)), decoded_(pictures_.size()) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    const int best = BestFor(size);
    if (best < 0) return {};
    QPixmap& picture = decoded_[static_cast<size_t>(best)];
    if (picture.isNull()) {
      // A PNG: read as one, without asking every image plugin first whether it is theirs.
      QImageReader reader(pictures_[static_cast<size_t>(best)].file, "png");
      reader.setAutoDetectImageFormat(false);
      picture = QPixmap::fromImageReader(&reader);
    }
    if (picture.isNull()) return {};
    const QSize shown = ShownSize(picture.size(), size);
    const QString key = QStringLiteral("olv_standard_icon_%1_%2_%3_%4_%5")
                            .arg(picture.cacheKey())
                            .arg(QGuiApplication::palette().cacheKey())
                            .arg(shown.width())
                            .arg(shown.height())
                            .arg(static_cast<int>(mode));
    QPixmap out;
    if (QPixmapCache::find(key, &out)) return out;
    out = picture.size() == shown ? picture : picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mode != QIcon::Normal) {
      QStyleOption option(0);
      option.palette = QGuiApplication::palette();
      const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, out, &option);
      if (!generated.isNull()) out = generated;
    }
    QPixmapCache::insert(key, out);
    return out;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const QPaintDevice* device = painter->device();
    const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
    painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int best = BestFor(size);
    return best < 0 ? QSize() : ShownSize(pictures_[static_cast<size_t>(best)].size, size);
  }

  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    QList<QSize> sizes;
    // The pictures are the normal, off ones; the other looks are made from them.
    if (mode == QIcon::Normal && state == QIcon::Off)
      for (const Picture& p : pictures_) sizes.push_back(p.size);
    return sizes;
  }

  QIconEngine* clone() const override { return new LazyPictureIconEngine(*this); }
  QString key() const override { return QStringLiteral("olv_standard_icon"); }
  bool isNull() override { return pictures_.empty(); }

 private:
  static QSize ShownSize(QSize picture, const QSize& asked) {
    if (!picture.isNull() && (picture.width() > asked.width() || picture.height() > asked.height()))
      picture.scale(asked, Qt::KeepAspectRatio);
    return picture;
  }

  int BestFor(const QSize& size) const {
    const long long wanted = static_cast<long long>(size.width()) * size.height();
    int best = -1;
    long long bestArea = 0;
    for (int i = 0; i < static_cast<int>(pictures_.size()); ++i) {
      const QSize s = pictures_[static_cast<size_t>(i)].size;
      const long long area = static_cast<long long>(s.width()) * s.height();
      const bool better = best < 0 || (bestArea < wanted ? area > bestArea : area >= wanted && area < bestArea);
      if (better) best = i, bestArea = area;
    }
    return best;
  }

  std::vector<Picture> pictures_;
  std::vector<QPixmap> decoded_;
};

}  // namespace

QIcon StandardIcon(QStyle::StandardPixmap which, const QStyle* style, const QStyleOption* option,
                   const QWidget* widget) {
  // An icon theme of the desktop's comes before the style's pictures.
  const bool themed = QGuiApplication::desktopSettingsAware() && !QIcon::themeName().isEmpty();
  const bool rightToLeft = option ? option->direction == Qt::RightToLeft : QGuiApplication::isRightToLeft();
  const QStyle* base = BaseStyle(style);
  if (!themed && base && base->name() == QLatin1String("fusion"))
    if (std::vector<Picture> pictures = PicturesOf(which, rightToLeft); !pictures.empty())
      return QIcon(new LazyPictureIconEngine(std::move(pictures)));
  return style->standardIcon(which, option, widget);
}

}  // namespace olv
