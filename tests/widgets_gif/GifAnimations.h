#pragma once
// Test animations made through the file model, and an independent composition of decoded frames
// (what a viewer shows during each frame's delay), to compare pictures by what they show.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "GifPeers.h"
#include "widgets/gfx/Bitmap.h"
#include "widgets/gif/GIFImage.h"

namespace olv::giftest {

struct FrameSpec {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width x height indices
  int disposal = -1;            // -1: no graphic control extension
  int delay = 0;
  int transparent = -1;
  bool userInput = false;
  std::vector<TColor> local;    // a local colour table when not empty
};

// A picture of the frames over a global table of the colours (empty: none); loops >= 0 puts a
// looping extension on frame 0.
std::unique_ptr<TGIFImage> MakeAnimation(int width, int height, const std::vector<TColor>& global,
                                         const std::vector<FrameSpec>& frames, int loops = -1,
                                         int backgroundIndex = 0);
// A frame of one index throughout.
FrameSpec Solid(int left, int top, int width, int height, uint8_t index, int disposal, int delay);

// kNothing marks pixels that show no frame (the start, and areas disposed to the background).
constexpr TColor kNothing = 0xFF000000;
using Screen = std::vector<TColor>;  // width x height
struct Shown {
  Screen screen;
  int delay;
};
// Each frame's picture during its delay; consecutive equal pictures are joined, delays added.
std::vector<Shown> Timeline(const PeerPicture& picture);
// As Timeline, one picture per frame (nothing joined).
std::vector<Screen> Compose(const PeerPicture& picture);

// A binary PPM (P6) file as colours; empty when unreadable.
Screen ReadPpm(const std::string& path, int& width, int& height);
// The colours of a 32-bit bitmap.
Screen ScreenOf(const TBitmap& bitmap);

}  // namespace olv::giftest
