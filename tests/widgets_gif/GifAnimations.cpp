#include "GifAnimations.h"

#include <fstream>
#include <sstream>

#include "widgets/gif/GIFExtensions.h"

namespace olv::giftest {

std::unique_ptr<TGIFImage> MakeAnimation(int width, int height, const std::vector<TColor>& global,
                                         const std::vector<FrameSpec>& frames, int loops, int backgroundIndex) {
  auto image = std::make_unique<TGIFImage>();
  image->Header().Width = static_cast<uint16_t>(width);
  image->Header().Height = static_cast<uint16_t>(height);
  for (TColor c : global) image->Header().ColorMap().Add(c);
  image->Header().BackgroundColorIndex = static_cast<uint8_t>(backgroundIndex);
  for (size_t i = 0; i < frames.size(); ++i) {
    const FrameSpec& spec = frames[i];
    auto frame = std::make_unique<TGIFSubImage>(image.get());
    frame->SetLeft(static_cast<uint16_t>(spec.left));
    frame->SetTop(static_cast<uint16_t>(spec.top));
    frame->SetWidth(static_cast<uint16_t>(spec.width));
    frame->SetHeight(static_cast<uint16_t>(spec.height));
    frame->SetData(spec.pixels);
    for (TColor c : spec.local) frame->ColorMap().Add(c);
    if (i == 0 && loops >= 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(frame.get());
      loop->Loops = static_cast<uint16_t>(loops);
      frame->Extensions().Add(std::move(loop));
    }
    if (spec.disposal >= 0) {
      auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
      gce->SetDisposal(static_cast<TGIFDisposal>(spec.disposal));
      gce->SetDelay(static_cast<uint16_t>(spec.delay));
      gce->SetUserInput(spec.userInput);
      if (spec.transparent >= 0) {
        gce->StoreTransparentColorIndex(static_cast<uint8_t>(spec.transparent));
        gce->SetTransparent(true);
      }
      frame->Extensions().Add(std::move(gce));
    }
    image->Images().Add(std::move(frame));
  }
  return image;
}

FrameSpec Solid(int left, int top, int width, int height, uint8_t index, int disposal, int delay) {
  FrameSpec f;
  f.left = left, f.top = top, f.width = width, f.height = height;
  f.pixels.assign(static_cast<size_t>(width * height), index);
  f.disposal = disposal;
  f.delay = delay;
  return f;
}

std::vector<Screen> Compose(const PeerPicture& picture) {
  std::vector<Screen> out;
  Screen screen(static_cast<size_t>(picture.width * picture.height), kNothing);
  for (const PeerFrame& f : picture.frames) {
    const Screen before = screen;
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x) {
        const int sx = f.left + x, sy = f.top + y;
        if (sx >= picture.width || sy >= picture.height) continue;
        const uint8_t p = f.pixels[static_cast<size_t>(y * f.width + x)];
        if (p == f.transparent) continue;
        screen[static_cast<size_t>(sy * picture.width + sx)] = p < f.colors.size() ? f.colors[p] : kClBlack;
      }
    out.push_back(screen);
    if (f.disposal == 2) {
      for (int y = f.top; y < f.top + f.height && y < picture.height; ++y)
        for (int x = f.left; x < f.left + f.width && x < picture.width; ++x)
          screen[static_cast<size_t>(y * picture.width + x)] = kNothing;
    } else if (f.disposal == 3) {
      screen = before;
    }
  }
  return out;
}

std::vector<Shown> Timeline(const PeerPicture& picture) {
  std::vector<Shown> out;
  const std::vector<Screen> screens = Compose(picture);
  for (size_t i = 0; i < screens.size(); ++i) {
    const int delay = picture.frames[i].delay;
    if (!out.empty() && out.back().screen == screens[i]) out.back().delay += delay;
    else out.push_back({screens[i], delay});
  }
  return out;
}

Screen ReadPpm(const std::string& path, int& width, int& height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  if (!in || magic != "P6" || maxval != 255 || width <= 0 || height <= 0) return {};
  Screen out(static_cast<size_t>(width * height));
  for (TColor& c : out) {
    unsigned char rgb[3];
    if (!in.read(reinterpret_cast<char*>(rgb), 3)) return {};
    c = MakeColor(rgb[0], rgb[1], rgb[2]);
  }
  return out;
}

Screen ScreenOf(const TBitmap& bitmap) {
  Screen out;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) out.push_back(bitmap.Pixel(x, y));
  return out;
}

}  // namespace olv::giftest
