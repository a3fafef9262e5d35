#include "widgets/forms/DesignSize.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace olv {

namespace {

std::atomic<std::int32_t> gDesign{0};  // width in the low half, height in the high half

}  // namespace

TDesignSize DesignSize() {
  const std::uint32_t v = static_cast<std::uint32_t>(gDesign.load());
  return {static_cast<std::int16_t>(v & 0xFFFF), static_cast<std::int16_t>(v >> 16)};
}

void SetDesignSize(TDesignSize size) {
  const std::uint32_t v = static_cast<std::uint16_t>(size.width) | (std::uint32_t{static_cast<std::uint16_t>(size.height)} << 16);
  gDesign.store(static_cast<std::int32_t>(v));
}

void InitDesignSize(int screenWidth, int screenHeight) {
  TDesignSize d = DesignSize();
  if (d.width == 0) d.width = static_cast<std::int16_t>(screenWidth);
  if (d.height == 0) d.height = static_cast<std::int16_t>(screenHeight);
  if (d.width > screenWidth) d.width = static_cast<std::int16_t>(screenWidth);
  if (d.height > screenHeight) d.height = static_cast<std::int16_t>(screenHeight);
  SetDesignSize(d);
}

bool FitsForms() { return DesignSize().width < kDesignBaseWidth; }

int MulDiv(int n, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long product = static_cast<long long>(n) * numerator;
  const long long d = denominator;
  long long q = product / d;
  const long long r = product % d;
  if (std::llabs(r) * 2 >= std::llabs(d)) q += ((product < 0) != (d < 0)) ? -1 : 1;
  return static_cast<int>(q);
}

TRect ScaleRect(const TRect& rect, int numerator, int denominator) {
  TRect r;
  r.left = MulDiv(rect.left, numerator, denominator);
  r.top = MulDiv(rect.top, numerator, denominator);
  r.width = MulDiv(rect.left + rect.width, numerator, denominator) - r.left;
  r.height = MulDiv(rect.top + rect.height, numerator, denominator) - r.top;
  return r;
}

int ScaleFontSize(int size, int numerator, int denominator) { return MulDiv(size, numerator, denominator); }

TFormFit FitForm(TDesignSize design, int left, int top, bool positionDesigned, int designClientWidth,
                 int designClientHeight) {
  TFormFit fit;
  fit.left = left;
  fit.top = top;
  if (positionDesigned) {
    fit.left = MulDiv(left, design.width, kDesignBaseWidth);
    fit.top = MulDiv(top, design.height, kDesignBaseHeight);
  }
  fit.scaleNumerator = design.width;
  fit.scaleDenominator = kDesignBaseWidth;
  fit.clientWidth = MulDiv(designClientWidth, design.width, kDesignBaseWidth);
  fit.clientHeight = MulDiv(designClientHeight, design.height, kDesignBaseHeight);
  return fit;
}

TPoint KeepOnScreen(TPoint point, int width, int height, int screenWidth, int screenHeight) {
  if (point.x + width > screenWidth) point.x = screenWidth - width;
  if (point.y + height > screenHeight) point.y = screenHeight - height;
  return point;
}

int TenthsOfMillimetre(int pixels, int dpi) { return dpi <= 0 ? 0 : MulDiv(pixels, 254, dpi); }

}  // namespace olv
