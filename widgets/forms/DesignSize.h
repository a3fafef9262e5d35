#pragma once
// Fitting forms designed for a 1024 x 768 screen to the screen they run on, and the other screen
// arithmetic of the form library.
//
// The design size (DesignWidth x DesignHeight) is a module value: InitDesignSize takes the screen
// size where it is still 0 and lowers it to the screen size where it is larger, so with the
// initial values it becomes the screen size. Forms are fitted only while DesignWidth < 1024.
// Main thread (the design size is read by forms as they are made); the functions are pure.
#include <cstdint>

namespace olv {

inline constexpr int kDesignBaseWidth = 1024;
inline constexpr int kDesignBaseHeight = 768;

struct TDesignSize {
  std::int16_t width = 0;
  std::int16_t height = 0;
};
// Process-wide: every form scales by the one screen the forms were designed for, through free
// functions; set from the screen when the form library starts.
TDesignSize DesignSize();
void SetDesignSize(TDesignSize size);
void InitDesignSize(int screenWidth, int screenHeight);
// True while forms are to be fitted (DesignWidth < 1024).
bool FitsForms();

// n * numerator / denominator, multiplied before dividing, rounded half away from zero; -1 when
// denominator is 0.
int MulDiv(int n, int numerator, int denominator);

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TRect&) const = default;
};

// A control's place scaled by numerator/denominator: the left and top edges scaled, the width and
// height taken as the difference of the scaled right and bottom edges, so controls that touch
// still touch.
TRect ScaleRect(const TRect& rect, int numerator, int denominator);
// Font sizes follow the same scale.
int ScaleFontSize(int size, int numerator, int denominator);

// What fitting does to a form (only while FitsForms()): a designed position moved by the design
// size, the form scaled by DesignWidth/1024 and its client size set from the designed one.
struct TFormFit {
  int left = 0;
  int top = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  int scaleNumerator = 1;  // DesignWidth
  int scaleDenominator = 1;  // 1024
};
TFormFit FitForm(TDesignSize design, int left, int top, bool positionDesigned, int designClientWidth,
                 int designClientHeight);

// MoveTo: the point kept so that the right and bottom edges stay on the screen (the left and top
// edges are not kept).
struct TPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TPoint&) const = default;
};
TPoint KeepOnScreen(TPoint point, int width, int height, int screenWidth, int screenHeight);

// A screen length in tenths of a millimetre from pixels and pixels per inch (0 for dpi <= 0).
int TenthsOfMillimetre(int pixels, int dpi);

}  // namespace olv
