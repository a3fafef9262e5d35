#include "skin/qt/SkinStyle.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include "skin/ControlGeometry.h"
#include "skin/SystemColors.h"
#include "skin/qt/QtSkinning.h"
#include "skin/qt/SkinPainter.h"
#include "widgets/qticons/StandardIcon.h"

namespace skin {

namespace {

using K = TSkinObjectKind;

TControlState StateOf(const QStyleOption* o) {
  TControlState s;
  s.enabled = o->state & QStyle::State_Enabled;
  s.focused = o->state & QStyle::State_HasFocus;
  s.hot = o->state & QStyle::State_MouseOver;
  s.pressed = o->state & QStyle::State_Sunken;
  s.down = o->state & QStyle::State_On;
  return s;
}

bool IsButton(K k) { return k == K::SkinButton || k == K::SkinBitButton; }

QSize FrameSize(const olv::TBitmap& picture, int frames) {
  return QSize(picture.Width() / std::max(frames, 1), picture.Height());
}

QRect Centred(const QRect& in, const QSize& size) {
  return QRect(in.left() + (in.width() - size.width()) / 2, in.top() + (in.height() - size.height()) / 2,
               size.width(), size.height());
}

// The caption colour of a button frame: the skin's colours of frames 1, 4 and 2, the desktop's
// shadow when disabled.
QColor CaptionColour(const TDataSkinObject& b, int frame) {
  switch (frame) {
    case 1: return ToQColor(b.NormalColour2);
    case 2: return ToQColor(b.PressedColour2);
    case 4: return ToQColor(b.MouseOverColour2);
    default: return ToQColor(SysColor(COLOR_BTNSHADOW));
  }
}

// The edit box frame: a line in "ButtonShadow" and a white one inside it.
void DrawEditFrame(QPainter* p, const QRect& r, const TSkinData& d) {
  p->save();
  p->setPen(ToQColor(d.Colors().ButtonShadow));
  p->setBrush(Qt::NoBrush);
  p->drawRect(r.adjusted(0, 0, -1, -1));
  p->setPen(Qt::white);
  p->drawRect(r.adjusted(1, 1, -2, -2));
  p->restore();
}

// Memos, list boxes, tree and list views (and the other scrolling controls) are framed as the skin
// frames an edit box, whether the rules gave them skinned scroll bars or the edit box's frame.
bool FramedLikeAnEdit(const QWidget* w, K k) {
  return (k == K::SkinScrollBar || k == K::SkinListView || k == K::SkinEdit) &&
         qobject_cast<const QAbstractScrollArea*>(w);
}

}  // namespace

TSkinStyle::TSkinStyle(TQtSkinning& skinning, QStyle* base) : QProxyStyle(base), skinning_(skinning) {}

TWidgetSkin TSkinStyle::Skin(const QWidget* widget) const { return skinning_.SkinOf(widget); }

void TSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* o, QPainter* p,
                               const QWidget* w) const {
  // A status bar frames its items with the item as the widget.
  const TWidgetSkin s = Skin(element == PE_FrameStatusBarItem && w ? w->parentWidget() : w);
  if (s) {
    const TSkinData& d = *s.data;
    TSkinPainter& painter = TSkinPainter::For(d);
    const QColor face = ToQColor(d.Colors().ButtonFace);
    switch (element) {
      case PE_PanelButtonCommand:
        if (IsButton(s.kind) && d.Buttons().HasPicture()) {
          TControlState st = StateOf(o);
          st.pressed = st.pressed || st.down;
          p->fillRect(o->rect, face);
          painter.DrawObject(*p, o->rect, d.Buttons(), ButtonFrame(st, TFrameRule::PushButton));
          return;
        }
        break;
      case PE_FrameFocusRect:
        if (IsButton(s.kind) || s.kind == K::SkinSpeedButton) return;  // the hot frame shows the focus
        break;
      case PE_IndicatorCheckBox:
        if (s.kind == K::SkinCheckBox && !d.Buttons().CheckBitmap.Empty()) {
          const TDataSkinButton& b = d.Buttons();
          p->fillRect(o->rect, face);
          const int frame = CheckBoxFrame(o->state & State_On, o->state & State_NoChange, o->state & State_Enabled);
          painter.DrawFrame(*p, Centred(o->rect, FrameSize(b.CheckBitmap, b.CheckFrameCount)), b.CheckBitmap, true,
                            b.CheckFrameCount, frame);
          return;
        }
        break;
      case PE_IndicatorRadioButton:
        if (s.kind == K::SkinRadioButton && !d.Buttons().RadioBitmap.Empty()) {
          const TDataSkinButton& b = d.Buttons();
          p->fillRect(o->rect, face);
          const int frame = CheckBoxFrame(o->state & State_On, false, o->state & State_Enabled);
          painter.DrawFrame(*p, Centred(o->rect, FrameSize(b.RadioBitmap, b.RadioFrameCount)), b.RadioBitmap, true,
                            b.RadioFrameCount, frame);
          return;
        }
        break;
      case PE_PanelLineEdit:
        if (s.kind == K::SkinEdit) {
          p->fillRect(o->rect, o->palette.brush(QPalette::Base));
          const auto* f = qstyleoption_cast<const QStyleOptionFrame*>(o);
          if (f && f->lineWidth > 0) DrawEditFrame(p, o->rect, d);
          return;
        }
        break;
      case PE_FrameLineEdit:
        if (s.kind == K::SkinEdit) {
          DrawEditFrame(p, o->rect, d);
          return;
        }
        break;
      case PE_Frame:
        if (FramedLikeAnEdit(w, s.kind)) {
          DrawEditFrame(p, o->rect, d);
          return;
        }
        break;
      case PE_FrameTabWidget:
        if (s.kind == K::SkinTab) {
          const TDataSkinBorder* tabs = d.Border(TSkinRole::Tabs);
          p->fillRect(o->rect, face);
          if (tabs && !tabs->Bitmap2.Empty()) painter.DrawBorder(*p, o->rect, tabs->Bitmap2, {4, 5, 4, 4}, 1, 1);
          return;
        }
        break;
      case PE_FrameTabBarBase:
        if (s.kind == K::SkinTab) return;
        break;
      case PE_PanelStatusBar:
        if (s.kind == K::SkinStatusBar) {
          p->fillRect(o->rect, face);
          if (const TDataSkinObject* edges = d.Object(TSkinRole::StatusBarEdges)) painter.DrawObject(*p, o->rect, *edges, 1);
          return;
        }
        break;
      case PE_FrameStatusBarItem:
        if (s.kind == K::SkinStatusBar) {
          if (const TDataSkinObject* edges = d.Object(TSkinRole::StatusBarEdges)) painter.DrawObject(*p, o->rect, *edges, 1);
          return;
        }
        break;
      case PE_PanelMenuBar:
        if (s.menuBar) return;  // the empty area draws the bar
        break;
      case PE_PanelMenu:
        if (s.menu) {
          if (const TDataSkinObject* back = d.Object(TSkinRole::MenuBackground))
            painter.DrawObject(*p, o->rect, *back, 1);
          else
            p->fillRect(o->rect, ToQColor(d.Colors().Menu));
          return;
        }
        break;
      case PE_FrameMenu:
        if (s.menu) return;
        break;
      default: break;
    }
  }
  QProxyStyle::drawPrimitive(element, o, p, w);
}

void TSkinStyle::drawControl(ControlElement element, const QStyleOption* o, QPainter* p, const QWidget* w) const {
  const TWidgetSkin s = Skin(w);
  if (s) {
    const TSkinData& d = *s.data;
    TSkinPainter& painter = TSkinPainter::For(d);
    switch (element) {
      case CE_PushButtonBevel:
        if (IsButton(s.kind) && d.Buttons().HasPicture()) {
          drawPrimitive(PE_PanelButtonCommand, o, p, w);
          return;
        }
        break;
      case CE_PushButtonLabel:
        if (IsButton(s.kind) && d.Buttons().HasPicture())
          if (const auto* b = qstyleoption_cast<const QStyleOptionButton*>(o)) {
            QStyleOptionButton label = *b;
            TControlState st = StateOf(o);
            st.pressed = st.pressed || st.down;
            label.palette.setColor(QPalette::ButtonText, CaptionColour(d.Buttons(), ButtonFrame(st, TFrameRule::PushButton)));
            QProxyStyle::drawControl(element, &label, p, w);
            return;
          }
        break;
      case CE_ProgressBarGroove:
        if (s.kind == K::SkinProgress)
          if (const TDataSkinBorder* bar = d.Border(TSkinRole::Progress); bar && bar->HasPicture()) {
            painter.DrawObject(*p, o->rect, *bar, 1);
            return;
          }
        break;
      case CE_ProgressBarContents:
        if (s.kind == K::SkinProgress)
          if (const TDataSkinBorder* bar = d.Border(TSkinRole::Progress); bar && bar->HasPicture()) {
            const auto* pb = qstyleoption_cast<const QStyleOptionProgressBar*>(o);
            if (!pb) break;
            const QRect inner = o->rect.adjusted(bar->LeftWidth, bar->TopHeight, -bar->RightWidth, -bar->BottomHeight);
            const int fill = ProgressFill(inner.width(), pb->progress - pb->minimum, pb->maximum - pb->minimum);
            if (fill <= 0) return;
            if (bar->Style == 1)
              painter.DrawImage(*p, QRect(inner.left(), inner.top(), fill, inner.height()), bar->Bitmap2, {}, false,
                                true, false, 1, 1);
            else
              painter.DrawObject(*p, QRect(o->rect.left(), o->rect.top(), fill + bar->LeftWidth + bar->RightWidth,
                                           o->rect.height()),
                                 *bar, 2);
            return;
          }
        break;
      case CE_TabBarTabShape:
        if (s.kind == K::SkinTab)
          if (const TDataSkinObject* tabs = d.Object(TSkinRole::Tabs); tabs && tabs->HasPicture()) {
            const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(o);
            if (!tab) break;
            const int frame = tab->state & State_Selected ? 2 : 1;
            const QRect r = o->rect;
            p->save();
            QRect into(0, 0, r.width(), r.height());
            switch (tab->shape) {
              case QTabBar::RoundedSouth:
              case QTabBar::TriangularSouth:
                p->translate(r.left(), r.bottom() + 1);
                p->scale(1, -1);
                break;
              case QTabBar::RoundedWest:
              case QTabBar::TriangularWest:
                p->translate(r.left(), r.bottom() + 1);
                p->rotate(-90);
                into = QRect(0, 0, r.height(), r.width());
                break;
              case QTabBar::RoundedEast:
              case QTabBar::TriangularEast:
                p->translate(r.right() + 1, r.top());
                p->rotate(90);
                into = QRect(0, 0, r.height(), r.width());
                break;
              default: p->translate(r.topLeft()); break;
            }
            painter.DrawObject(*p, into, *tabs, frame);
            p->restore();
            return;
          }
        break;
      case CE_TabBarTabLabel:
        if (s.kind == K::SkinTab)
          if (const TDataSkinObject* tabs = d.Object(TSkinRole::Tabs); tabs && tabs->HasPicture())
            if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(o)) {
              QStyleOptionTab label = *tab;
              const QColor c = ToQColor(tab->state & State_Selected ? tabs->MouseOverColour2 : tabs->NormalColour2);
              label.palette.setColor(QPalette::WindowText, c);
              label.palette.setColor(QPalette::ButtonText, c);
              QProxyStyle::drawControl(element, &label, p, w);
              return;
            }
        break;
      case CE_HeaderSection:
      case CE_HeaderEmptyArea:
        if (s.kind == K::SkinListView)
          if (const TDataSkinObject* header = d.Object(TSkinRole::Headerbar); header && header->HasPicture()) {
            painter.DrawObject(*p, o->rect, *header, 1);
            return;
          }
        break;
      case CE_MenuBarEmptyArea:
      case CE_MenuBarItem:
        if (s.menuBar) {
          const QRect bar = w ? w->rect() : o->rect;
          p->save();
          p->setClipRect(o->rect, Qt::IntersectClip);
          const bool active = !w || w->window()->isActiveWindow();
          if (const TDataSkinObject* pic = d.Object(TSkinRole::MenuBar)) {
            const TSkinMargins m{pic->LeftWidth, 0, pic->RightWidth, 0};
            if (pic->Tile == 1)
              painter.DrawImage(*p, bar, pic->Bitmap, m, true, false, false, pic->FrameCount(), active ? 1 : 2);
            else
              painter.DrawBar(*p, bar, pic->Bitmap, true, false, pic->FrameCount(), active ? 1 : 2, m);
          } else {
            p->fillRect(bar, ToQColor(d.Colors().Menubar));
          }
          p->restore();
          if (element == CE_MenuBarItem)
            if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o)) {
              const bool enabled = mi->state & State_Enabled;
              if (enabled && (mi->state & (State_Selected | State_Sunken))) {
                p->save();
                p->setPen(ToQColor(d.Colors().ButtonHilight));
                p->drawRect(o->rect.adjusted(0, 0, -1, -2));
                p->restore();
              }
              p->save();
              p->setPen(ToQColor(enabled ? d.Colors().MenuBarText : d.Colors().ButtonShadow));
              p->drawText(o->rect, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, mi->text);
              p->restore();
            }
          return;
        }
        break;
      case CE_MenuEmptyArea:
        if (s.menu) return;
        break;
      case CE_MenuItem:
        if (s.menu)
          if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o)) {
            const TDataSkinObject* item = d.Object(TSkinRole::MenuItem);
            const QRect r = o->rect;
            if (mi->menuItemType == QStyleOptionMenuItem::Separator) {
              const QRect line(r.left() + 2, r.center().y() - 1, r.width() - 4, 2);
              if (item && item->HasPicture())
                painter.DrawBar(*p, line, item->Bitmap, false, true, item->FrameCount(), 2, item->Margins());
              else
                p->fillRect(line, ToQColor(d.Colors().ButtonShadow));
              return;
            }
            const bool enabled = mi->state & State_Enabled;
            const bool selected = (mi->state & State_Selected) && enabled;
            if (item && item->HasPicture())
              painter.DrawObject(*p, r, *item, selected ? 4 : 1);
            else
              p->fillRect(r, ToQColor(selected ? d.Colors().Hilight : d.Colors().Menu));
            QColor text = ToQColor(selected ? d.Colors().HilightText : d.Colors().MenuText);
            if (!enabled)
              text = ToQColor(d.Colors().ButtonShadow == d.Colors().MenuText ? SysColor(COLOR_BTNSHADOW)
                                                                             : d.Colors().ButtonShadow);
            const int column = std::max(mi->maxIconWidth, 16) + 8;
            const QRect glyph(r.left() + 4, r.top(), column - 8, r.height());
            if (!mi->icon.isNull()) {
              mi->icon.paint(p, Centred(glyph, QSize(16, 16)), Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
            } else if (mi->checkType != QStyleOptionMenuItem::NotCheckable && mi->checked) {
              QStyleOptionMenuItem check = *mi;
              check.rect = Centred(glyph, QSize(12, 12));
              check.palette.setColor(QPalette::Text, text);
              check.palette.setColor(QPalette::WindowText, text);
              check.palette.setColor(QPalette::ButtonText, text);
              QProxyStyle::drawPrimitive(PE_IndicatorMenuCheckMark, &check, p, w);
            }
            QString label = mi->text, shortcut;
            if (const qsizetype tab = label.indexOf('\t'); tab >= 0) {
              shortcut = label.mid(tab + 1);
              label = label.left(tab);
            }
            QFont font = mi->font;
            if (mi->menuItemType == QStyleOptionMenuItem::DefaultItem) font.setBold(true);
            p->save();
            p->setFont(font);
            p->setPen(text);
            const QRect textRect = r.adjusted(column + 2, 0, -(mi->menuHasCheckableItems ? 6 : 6) - 12, 0);
            p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic | Qt::TextSingleLine, label);
            if (!shortcut.isEmpty()) p->drawText(textRect, Qt::AlignVCenter | Qt::AlignRight | Qt::TextSingleLine, shortcut);
            p->restore();
            if (mi->menuItemType == QStyleOptionMenuItem::SubMenu) {
              QStyleOption arrow = *o;
              arrow.rect = QRect(r.right() - 14, r.top() + (r.height() - 9) / 2, 9, 9);
              arrow.palette.setColor(QPalette::ButtonText, text);
              arrow.palette.setColor(QPalette::WindowText, text);
              QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, p, w);
            }
            return;
          }
        break;
      default: break;
    }
  }
  QProxyStyle::drawControl(element, o, p, w);
}

void TSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* o, QPainter* p,
                                    const QWidget* w) const {
  const TWidgetSkin s = Skin(w);
  if (s) {
    const TSkinData& d = *s.data;
    TSkinPainter& painter = TSkinPainter::For(d);
    switch (control) {
      case CC_ScrollBar:
        if (s.kind == K::SkinScrollBar || s.kind == K::SkinListView)
          if (const TDataSkinObject* arrows = d.Object(TSkinRole::Scrollbar); arrows && arrows->HasPicture()) {
            const auto* sb = qstyleoption_cast<const QStyleOptionSlider*>(o);
            if (!sb) break;
            const bool horizontal = sb->orientation == Qt::Horizontal;
            const bool enabled = o->state & State_Enabled;
            const auto pressed = [&](SubControl sc) { return (o->state & State_Sunken) && (sb->activeSubControls & sc); };
            const QRect groove = subControlRect(control, o, SC_ScrollBarGroove, w);
            p->fillRect(groove, ToQColor(d.Colors().Scrollbar));
            if (const TDataSkinObject* track = d.Object(horizontal ? TSkinRole::HorzScroll : TSkinRole::VertScroll))
              painter.DrawObject(*p, groove, *track, 1);
            const int first = horizontal ? 1 : 9, second = horizontal ? 5 : 13;
            painter.DrawFrame(*p, subControlRect(control, o, SC_ScrollBarSubLine, w), arrows->Bitmap,
                              arrows->Trans == 1, arrows->FrameCount(), first + (pressed(SC_ScrollBarSubLine) ? 1 : 0));
            painter.DrawFrame(*p, subControlRect(control, o, SC_ScrollBarAddLine, w), arrows->Bitmap,
                              arrows->Trans == 1, arrows->FrameCount(), second + (pressed(SC_ScrollBarAddLine) ? 1 : 0));
            const QRect thumb = subControlRect(control, o, SC_ScrollBarSlider, w);
            const TDataSkinObject* t = d.Object(horizontal ? TSkinRole::HorzScrollThumb : TSkinRole::VertScrollThumb);
            if (t && enabled && sb->maximum > sb->minimum && !thumb.isEmpty())
              painter.DrawObject(*p, thumb, *t, pressed(SC_ScrollBarSlider) ? 2 : 1);
            return;
          }
        break;
      case CC_ComboBox:
        if (s.kind == K::SkinComBox)
          if (const TDataSkinBorder* button = d.Border(TSkinRole::ComboButton); button && button->HasPicture()) {
            const QRect arrowRect = subControlRect(control, o, SC_ComboBoxArrow, w);
            const TDataSkinObject* sunk = d.Object(TSkinRole::SunkEdge);
            if (button->Style != 1 && sunk && sunk->HasPicture()) {
              TControlState st = StateOf(o);
              st.pressed = st.pressed || (o->state & State_On);
              const int frame = ButtonFrame(st, TFrameRule::ComboBox);
              painter.DrawObject(*p, o->rect, *sunk, frame);
              painter.DrawObject(*p, arrowRect, *button, frame);
              if (const TDataSkinObject* extra = d.Object(TSkinRole::ExtraImages); extra && extra->HasPicture())
                painter.DrawFrame(*p, Centred(arrowRect, FrameSize(extra->Bitmap, extra->FrameCount())), extra->Bitmap,
                                  true, extra->FrameCount(), frame);
            } else {
              p->fillRect(o->rect, o->palette.brush(QPalette::Base));
              p->save();
              p->setPen(ToQColor(d.Colors().ButtonShadow));
              p->drawRect(o->rect.adjusted(0, 0, -1, -1));
              p->restore();
              painter.DrawObject(*p, arrowRect, *button, 1);
            }
            return;
          }
        break;
      case CC_SpinBox:
        if (s.kind == K::SkinEdit)
          if (const TDataSkinBorder* updown = d.Border(TSkinRole::UpDownVert); updown && updown->HasPicture()) {
            const auto* sp = qstyleoption_cast<const QStyleOptionSpinBox*>(o);
            if (!sp) break;
            p->fillRect(o->rect, o->palette.brush(QPalette::Base));
            if (sp->frame) DrawEditFrame(p, o->rect, d);
            const auto half = [&](SubControl sc, bool stepEnabled, int offset) {
              TControlState st;
              st.enabled = (o->state & State_Enabled) && stepEnabled;
              st.hot = (o->state & State_MouseOver) && (sp->activeSubControls & sc);
              st.pressed = (o->state & State_Sunken) && (sp->activeSubControls & sc);
              const int frame = ButtonFrame(st, TFrameRule::UpDownHalf) + offset;
              const QRect r = subControlRect(control, o, sc, w);
              painter.DrawObject(*p, r, *updown, frame);
              if (!updown->Bitmap2.Empty())
                painter.DrawFrame(*p, Centred(r, FrameSize(updown->Bitmap2, 8)), updown->Bitmap2, true, 8, frame);
            };
            half(SC_SpinBoxUp, sp->stepEnabled & QAbstractSpinBox::StepUpEnabled, 0);
            half(SC_SpinBoxDown, sp->stepEnabled & QAbstractSpinBox::StepDownEnabled, 4);
            return;
          }
        break;
      case CC_Slider:
        if (s.kind == K::SkinTrackBar)
          if (const auto* sl = qstyleoption_cast<const QStyleOptionSlider*>(o)) {
            const TDataSkinObject* thumb =
                d.Object(sl->orientation == Qt::Horizontal ? TSkinRole::TrackbarThumbHorz : TSkinRole::TrackbarThumbVert);
            if (!thumb || !thumb->HasPicture()) break;
            QStyleOptionSlider rest = *sl;
            rest.subControls &= ~SC_SliderHandle;
            QProxyStyle::drawComplexControl(control, &rest, p, w);
            painter.DrawFrame(*p, subControlRect(control, o, SC_SliderHandle, w), thumb->Bitmap, true,
                              thumb->FrameCount(), 2);
            return;
          }
        break;
      case CC_ToolButton:
        if (s.kind == K::SkinSpeedButton && d.Buttons().HasPicture())
          if (const auto* tb = qstyleoption_cast<const QStyleOptionToolButton*>(o)) {
            const int frame = ButtonFrame(StateOf(o), TFrameRule::SpeedButton);
            p->fillRect(o->rect, ToQColor(d.Colors().ButtonFace));
            painter.DrawObject(*p, o->rect, d.Buttons(), frame);
            QStyleOptionToolButton label = *tb;
            label.rect = subControlRect(control, o, SC_ToolButton, w).adjusted(2, 2, -2, -2);
            label.palette.setColor(QPalette::ButtonText, CaptionColour(d.Buttons(), frame));
            label.state &= ~(State_Sunken | State_On);  // no pressed shift: the frame shows it
            QProxyStyle::drawControl(CE_ToolButtonLabel, &label, p, w);
            return;
          }
        break;
      default: break;
    }
  }
  QProxyStyle::drawComplexControl(control, o, p, w);
}

QRect TSkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* o, SubControl sub,
                                 const QWidget* w) const {
  if (control == CC_ScrollBar) {
    const TWidgetSkin s = Skin(w);
    const auto* sb = qstyleoption_cast<const QStyleOptionSlider*>(o);
    if (s && sb && (s.kind == K::SkinScrollBar || s.kind == K::SkinListView) && s.data->Object(TSkinRole::Scrollbar)) {
      const bool horizontal = sb->orientation == Qt::Horizontal;
      const QRect r = o->rect;
      const int length = horizontal ? r.width() : r.height(), thickness = horizontal ? r.height() : r.width();
      const TScrollGeometry g = ScrollGeometry(
          length, thickness, 8, thickness,
          ScrollInfoFromRange(sb->minimum, sb->maximum, sb->pageStep, sb->upsideDown ? sb->maximum - sb->sliderPosition + sb->minimum : sb->sliderPosition));
      const auto along = [&](int start, int size) {
        return horizontal ? QRect(r.left() + start, r.top(), size, thickness)
                          : QRect(r.left(), r.top() + start, thickness, size);
      };
      switch (sub) {
        case SC_ScrollBarSubLine: return along(0, g.arrow);
        case SC_ScrollBarAddLine: return along(length - g.arrow, g.arrow);
        case SC_ScrollBarGroove: return along(g.trackStart, g.track);
        case SC_ScrollBarSlider: return g.thumb > 0 ? along(g.thumbStart, g.thumb) : QRect();
        case SC_ScrollBarSubPage: return along(g.trackStart, g.thumbStart - g.trackStart);
        case SC_ScrollBarAddPage:
          return along(g.thumbStart + g.thumb, g.trackStart + g.track - g.thumbStart - g.thumb);
        default: break;
      }
    }
  }
  return QProxyStyle::subControlRect(control, o, sub, w);
}

int TSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* o, const QWidget* w) const {
  const TWidgetSkin s = Skin(w);
  if (s) {
    const TSkinData& d = *s.data;
    const TDataSkinButton& b = d.Buttons();
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
        if (s.kind == K::SkinCheckBox && !b.CheckBitmap.Empty()) {
          const QSize size = FrameSize(b.CheckBitmap, b.CheckFrameCount);
          return metric == PM_IndicatorWidth ? size.width() : size.height();
        }
        break;
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight:
        if (s.kind == K::SkinRadioButton && !b.RadioBitmap.Empty()) {
          const QSize size = FrameSize(b.RadioBitmap, b.RadioFrameCount);
          return metric == PM_ExclusiveIndicatorWidth ? size.width() : size.height();
        }
        break;
      case PM_ScrollBarExtent:
        if (s.kind == K::SkinScrollBar || s.kind == K::SkinListView)
          if (const TDataSkinObject* arrows = d.Object(TSkinRole::Scrollbar); arrows && arrows->HasPicture())
            return arrows->Bitmap.Width() / arrows->FrameCount();
        break;
      case PM_ScrollBarSliderMin:
        if (s.kind == K::SkinScrollBar || s.kind == K::SkinListView) return 8;
        break;
      case PM_SliderLength:
      case PM_SliderControlThickness:
        if (s.kind == K::SkinTrackBar)
          if (const auto* sl = qstyleoption_cast<const QStyleOptionSlider*>(o)) {
            const bool horizontal = sl->orientation == Qt::Horizontal;
            const TDataSkinObject* thumb = d.Object(horizontal ? TSkinRole::TrackbarThumbHorz : TSkinRole::TrackbarThumbVert);
            if (!thumb || !thumb->HasPicture()) break;
            const QSize size = FrameSize(thumb->Bitmap, thumb->FrameCount());
            const bool along = metric == PM_SliderLength;
            return horizontal == along ? size.width() : size.height();
          }
        break;
      case PM_MenuPanelWidth:
        if (s.menu && d.Object(TSkinRole::MenuBackground)) return 3;
        break;
      case PM_MenuHMargin:
      case PM_MenuVMargin:
        if (s.menu) return 0;
        break;
      case PM_MenuBarItemSpacing:
        if (s.menuBar) return 0;
        break;
      default: break;
    }
  }
  return QProxyStyle::pixelMetric(metric, o, w);
}

QIcon TSkinStyle::standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const {
  return olv::StandardIcon(which, baseStyle(), option, widget);
}

QSize TSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* o, const QSize& size,
                                   const QWidget* w) const {
  const TWidgetSkin s = Skin(w);
  if (s) {
    if (type == CT_MenuBarItem && s.menuBar)
      if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o)) {
        QString text = mi->text;
        text.remove('&');
        const QSize base = QProxyStyle::sizeFromContents(type, o, size, w);
        return QSize(mi->fontMetrics.horizontalAdvance(text) + 14, base.height());
      }
    if (type == CT_MenuItem && s.menu)
      if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(o)) {
        if (mi->menuItemType == QStyleOptionMenuItem::Separator) return QSize(size.width(), 8);
        const TDataSkinObject* item = s.data->Object(TSkinRole::MenuItem);
        const int column = std::max(mi->maxIconWidth, 16) + 8;
        return QSize(size.width() + column + 30 + (item ? item->LeftWidth : 0), std::max(size.height(), mi->fontMetrics.height()) + 6);
      }
  }
  return QProxyStyle::sizeFromContents(type, o, size, w);
}

}  // namespace skin
