#pragma once
// The desktop's colours for the skin colours a skin does not give, taken from the application's
// palette when made (a snapshot: a later palette change needs a new object). Make and install it
// on the main thread once the QApplication exists:
//   static skin::QtSystemColors colors;  skin::SetSystemColors(&colors);
#include <array>

#include <QPalette>

#include "skin/SystemColors.h"

namespace skin {

class QtSystemColors : public TSystemColors {
 public:
  QtSystemColors();  // from QApplication::palette()
  explicit QtSystemColors(const QPalette& palette);
  olv::TColor Color(int index) const override;

 private:
  static constexpr int kCount = COLOR_3DLIGHT + 1;
  std::array<olv::TColor, kCount> colors_{};
  std::array<bool, kCount> known_{};
};

}  // namespace skin
