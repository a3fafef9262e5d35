#pragma once
// TSkinStyle: every standard control of a skinned window drawn from the skin model. One proxy
// style for the whole application: for each widget it asks TQtSkinning how the widget is skinned
// (its window skinned, its kind enabled, the control rules) and draws that kind from the skin's
// pictures and colours: push and speed buttons ("Buttons"), check and radio boxes, edit frames
// (also those of memos, list boxes, tree and list views), spin boxes ("UpDown.Vert"), combo
// boxes ("SunkEdge", "ComboButton", "ExtraImages"), scroll bars ("Scrollbar", the track and
// thumb pictures), progress bars, track bar thumbs, tabs and their pane, headers, status bars,
// the menu bar and popup menus. Qt's option states give hover, pressed, focus and checked; the
// picture frame for them follows the skin's rules (skin/ControlGeometry.h). Everything else, and
// every widget the rules leave out, goes to the base style: the desktop's own look.
//
// Owned by the application once installed; main thread only.
#include <QProxyStyle>

namespace skin {

class TQtSkinning;
struct TWidgetSkin;

class TSkinStyle : public QProxyStyle {
 public:
  // base: the desktop's style, owned by this style.
  TSkinStyle(TQtSkinning& skinning, QStyle* base);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget = nullptr) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  // The base style's icons, their pictures read only at the sizes drawn (as
  // widgets/qticons/StandardIcon.h says): a tool bar's extension arrow, made with every tool bar,
  // is otherwise the first picture read, and has every image plugin loaded.
  QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget = nullptr) const override;

 private:
  TWidgetSkin Skin(const QWidget* widget) const;
  TQtSkinning& skinning_;
};

}  // namespace skin
