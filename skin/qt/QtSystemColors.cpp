#include "skin/qt/QtSystemColors.h"

#include <QApplication>

namespace skin {

namespace {

olv::TColor FromQt(const QColor& c) {
  return olv::MakeColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                        static_cast<uint8_t>(c.blue()));
}

}  // namespace

QtSystemColors::QtSystemColors() : QtSystemColors(QApplication::palette()) {}

QtSystemColors::QtSystemColors(const QPalette& p) {
  const auto set = [&](int index, const QColor& c) {
    colors_[static_cast<size_t>(index)] = FromQt(c);
    known_[static_cast<size_t>(index)] = true;
  };
  set(COLOR_SCROLLBAR, p.color(QPalette::Active, QPalette::Button));
  set(COLOR_MENU, p.color(QPalette::Active, QPalette::Window));
  set(COLOR_WINDOW, p.color(QPalette::Active, QPalette::Base));
  set(COLOR_MENUTEXT, p.color(QPalette::Active, QPalette::WindowText));
  set(COLOR_WINDOWTEXT, p.color(QPalette::Active, QPalette::Text));
  set(COLOR_CAPTIONTEXT, p.color(QPalette::Active, QPalette::HighlightedText));
  set(COLOR_HIGHLIGHT, p.color(QPalette::Active, QPalette::Highlight));
  set(COLOR_HIGHLIGHTTEXT, p.color(QPalette::Active, QPalette::HighlightedText));
  set(COLOR_BTNFACE, p.color(QPalette::Active, QPalette::Button));
  set(COLOR_BTNSHADOW, p.color(QPalette::Active, QPalette::Dark));
  set(COLOR_GRAYTEXT, p.color(QPalette::Disabled, QPalette::Text));
  set(COLOR_BTNTEXT, p.color(QPalette::Active, QPalette::ButtonText));
  set(COLOR_INACTIVECAPTIONTEXT, p.color(QPalette::Inactive, QPalette::WindowText));
  set(COLOR_BTNHIGHLIGHT, p.color(QPalette::Active, QPalette::Light));
  set(COLOR_3DDKSHADOW, p.color(QPalette::Active, QPalette::Shadow));
  set(COLOR_3DLIGHT, p.color(QPalette::Active, QPalette::Midlight));
}

olv::TColor QtSystemColors::Color(int index) const {
  if (index >= 0 && index < kCount && known_[static_cast<size_t>(index)]) return colors_[static_cast<size_t>(index)];
  return TSystemColors::Color(index);
}

}  // namespace skin
