#pragma once
// Draws skin pictures with a QPainter: nine-slice frames, three-slice bars, single frames and
// borders, as skin/SkinDraw.h cuts them, with magenta transparent where asked. The pictures of one
// skin component are turned into Qt images once and kept until the component loads another skin,
// so drawing allocates no image once warm. Scaling picks the nearest pixel, as the raster layer's
// stretching does.
//
// One painter per skin component (TSkinPainter::For), kept by this module; main thread only.
#include <QImage>
#include <QPainter>
#include <QRect>
#include <unordered_map>

#include "skin/SkinData.h"

namespace skin {

class TSkinPainter {
 public:
  // The painter of a component, its images made anew after the component loaded another skin.
  static TSkinPainter& For(const TSkinData& data);
  // Forgets every painter (the program's skinning ends).
  static void ForgetAll();

  // The picture as Qt draws it: opaque (magenta kept), or with magenta transparent (each made when
  // first asked for).
  const QImage& Image(const olv::TBitmap& picture, bool transparent);

  // Frame frameNumber of frameCount of picture in nine slices at dest.
  void DrawImage(QPainter& p, const QRect& dest, const olv::TBitmap& picture, const TSkinMargins& margins,
                 bool vertical, bool tile, bool transparent, int frameCount, int frameNumber);
  // The same with the object's own margins, frame count, "Tile" and "Trans".
  void DrawObject(QPainter& p, const QRect& dest, const TDataSkinObject& object, int frameNumber,
                  bool vertical = false);
  // Only the eight outer slices.
  void DrawBorder(QPainter& p, const QRect& dest, const olv::TBitmap& picture, const TSkinMargins& margins,
                  int frameCount, int frameNumber);
  // Three slices along the width, the middle repeated (margins.Left and margins.Right).
  void DrawBar(QPainter& p, const QRect& dest, const olv::TBitmap& picture, bool vertical, bool transparent,
               int frameCount, int frameNumber, const TSkinMargins& margins);
  // One frame of a picture whose frames lie side by side, stretched to dest.
  void DrawFrame(QPainter& p, const QRect& dest, const olv::TBitmap& picture, bool transparent, int frameCount,
                 int frameNumber);

 private:
  struct Images {
    QImage opaque, transparent;
  };
  unsigned generation_ = 0;
  std::unordered_map<const olv::TBitmap*, Images> images_;
};

inline QRect ToQRect(const olv::TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline QColor ToQColor(olv::TColor c) { return QColor(olv::ColorRed(c), olv::ColorGreen(c), olv::ColorBlue(c)); }

}  // namespace skin
