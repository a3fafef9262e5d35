#include "tools/skinkit/ProbePicture.h"

#include "widgets/gfx/Canvas.h"

namespace skinkit {

using olv::TColor;

TColor ProbeColour(int picture, int frame, int slice) {
  return olv::MakeColor(static_cast<uint8_t>(picture), static_cast<uint8_t>(10 * frame + slice),
                        static_cast<uint8_t>(0x80 + frame));
}

std::optional<Probe> ReadProbe(TColor colour) {
  const int picture = olv::ColorRed(colour), frame = olv::ColorBlue(colour) - 0x80;
  const int slice = olv::ColorGreen(colour) - 10 * frame;
  if (picture < 1 || picture > 254 || frame < 1 || slice < 0 || slice > 8) return std::nullopt;
  return Probe{picture, frame, slice};
}

olv::TBitmap PaintProbePicture(int picture, const ProbeLayout& l) {
  const int fw = l.frameWidth, fh = l.frameHeight;
  olv::TBitmap bitmap(l.vertical ? fw : fw * l.frames, l.vertical ? fh * l.frames : fh);
  olv::TCanvas canvas(bitmap);
  const int L = l.margins.Left, T = l.margins.Top, R = l.margins.Right, B = l.margins.Bottom;
  const int xs[4] = {0, L, fw - R, fw}, ys[4] = {0, T, fh - B, fh};
  for (int f = 1; f <= l.frames; ++f) {
    const int ox = l.vertical ? 0 : (f - 1) * fw, oy = l.vertical ? (f - 1) * fh : 0;
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        canvas.FillRect({ox + xs[col], oy + ys[row], ox + xs[col + 1], oy + ys[row + 1]},
                        ProbeColour(picture, f, 3 * row + col));
    if (l.magentaCorner) bitmap.SetPixel(ox, oy, olv::kClMagenta);
  }
  return bitmap;
}

}  // namespace skinkit
