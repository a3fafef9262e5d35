// Draws the program's own pictures and writes them as a C++ source of GIF file bytes:
//   make_page_pictures <PagePictureData.cpp> [folder for the .gif files, to look at]
// Shapes are drawn with 4 x 4 samples a pixel and blended onto the page's white; pictures with a
// see-through background key their outside with magenta, which becomes the frames' transparent
// colour. Colours are reduced per frame to an octree palette.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/streams/Stream.h"
#include "widgets/gfx/Bitmap.h"
#include "widgets/gif/ColorReduction.h"
#include "widgets/gif/GIFExtensions.h"
#include "widgets/gif/GIFImage.h"

using namespace olv;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};
Rgba C(int r, int g, int b, double a = 1) { return {r / 255.0, g / 255.0, b / 255.0, a}; }

// A picture being drawn: colours with coverage, composed layer over layer.
class Canvas {
 public:
  Canvas(int w, int h, Rgba ground) : w_(w), h_(h), px_(static_cast<size_t>(w * h), ground) {}

  // Paints colour(x, y) where inside(x, y) holds, x and y in pixel units with 4 x 4 samples.
  void Paint(const std::function<bool(double, double)>& inside, const std::function<Rgba(double, double)>& colour) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        int hits = 0;
        Rgba sum;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) {
            const double fx = x + (sx + 0.5) / 4, fy = y + (sy + 0.5) / 4;
            if (!inside(fx, fy)) continue;
            ++hits;
            const Rgba c = colour(fx, fy);
            sum.r += c.r, sum.g += c.g, sum.b += c.b;
          }
        if (!hits) continue;
        const double cover = hits / 16.0;
        Rgba& p = px_[static_cast<size_t>(y * w_ + x)];
        const Rgba c{sum.r / hits, sum.g / hits, sum.b / hits, 1};
        p.r = p.r * (1 - cover) + c.r * cover;
        p.g = p.g * (1 - cover) + c.g * cover;
        p.b = p.b * (1 - cover) + c.b * cover;
        p.a = std::min(1.0, p.a + cover);
      }
  }
  void Paint(const std::function<bool(double, double)>& inside, Rgba colour) {
    Paint(inside, [colour](double, double) { return colour; });
  }

  // Pixels less than half covered become magenta (see-through); the rest are blended onto white.
  TBitmap ToBitmap(bool keyed) const {
    TBitmap b(w_, h_);
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        const Rgba& p = px_[static_cast<size_t>(y * w_ + x)];
        if (keyed && p.a < 0.5) {
          b.SetPixel(x, y, kClMagenta);
          continue;
        }
        auto ch = [&](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
        const double a = keyed ? 1.0 : p.a;
        b.SetPixel(x, y, MakeColor(ch(p.r * a + (1 - a)), ch(p.g * a + (1 - a)), ch(p.b * a + (1 - a))));
      }
    if (keyed) {
      b.SetTransparent(true);
      b.SetTransparentColor(kClMagenta);
    }
    return b;
  }

 private:
  int w_, h_;
  std::vector<Rgba> px_;
};

auto Disc(double cx, double cy, double r) {
  return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
// A thick line from (x0, y0) to (x1, y1) with round ends.
auto Stroke(double x0, double y0, double x1, double y1, double width) {
  return [=](double x, double y) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double px = x0 + t * dx - x, py = y0 + t * dy - y;
    return px * px + py * py <= width * width / 4;
  };
}
auto Ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) { return (x - cx) * (x - cx) / (rx * rx) + (y - cy) * (y - cy) / (ry * ry) <= 1; };
}
// Light from the top left: a sphere's shading of a base colour.
auto Shaded(double cx, double cy, double r, Rgba base) {
  return [=](double x, double y) {
    const double d = std::hypot(x - (cx - r * 0.35), y - (cy - r * 0.4)) / (r * 1.4);
    const double light = std::clamp(1.25 - d, 0.35, 1.25);
    return Rgba{std::min(1.0, base.r * light + std::max(0.0, light - 1) * 1.2),
                std::min(1.0, base.g * light + std::max(0.0, light - 1) * 1.2),
                std::min(1.0, base.b * light + std::max(0.0, light - 1) * 1.2), 1};
  };
}

// A database: a cylinder with bands.
void Cylinder(Canvas& c, double x0, double y0, double w, double h, Rgba side, Rgba top) {
  const double rx = w / 2, ry = h * 0.14, cx = x0 + rx;
  auto body = [=](double x, double y) {
    return (x >= x0 && x < x0 + w && y >= y0 + ry && y <= y0 + h - ry) || Ellipse(cx, y0 + h - ry, rx, ry)(x, y);
  };
  c.Paint(body, [=](double x, double) {
    const double t = (x - x0) / w;
    const double light = 0.7 + 0.5 * std::sin(t * kPi) - 0.25 * t;
    return Rgba{side.r * light, side.g * light, side.b * light, 1};
  });
  for (double band : {0.38, 0.62})
    c.Paint([=](double x, double y) {
      const double by = y0 + ry + band * (h - 2 * ry);
      return Ellipse(cx, by, rx, ry)(x, y) && !Ellipse(cx, by - 1.4, rx, ry)(x, y) && y > by - 0.5;
    }, C(255, 255, 255));
  c.Paint(Ellipse(cx, y0 + ry, rx, ry), top);
}

void ClockFace(Canvas& c, double cx, double cy, double r, double handAngle) {
  c.Paint(Disc(cx, cy, r), C(40, 70, 120));
  c.Paint(Disc(cx, cy, r * 0.86), [=](double x, double y) {
    const double d = std::hypot(x - cx, y - cy) / r;
    return Rgba{1 - d * 0.12, 1 - d * 0.08, 1, 1};
  });
  for (int i = 0; i < 12; ++i) {
    const double a = i * kPi / 6;
    const double len = i % 3 == 0 ? 0.2 : 0.1;
    c.Paint(Stroke(cx + std::sin(a) * r * 0.78, cy - std::cos(a) * r * 0.78, cx + std::sin(a) * r * (0.78 - len),
                   cy - std::cos(a) * r * (0.78 - len), i % 3 == 0 ? r * 0.07 : r * 0.04),
            C(40, 70, 120));
  }
  c.Paint(Stroke(cx, cy, cx + std::sin(kPi / 3) * r * 0.4, cy - std::cos(kPi / 3) * r * 0.4, r * 0.09),
          C(30, 30, 30));
  c.Paint(Stroke(cx, cy, cx + std::sin(handAngle) * r * 0.68, cy - std::cos(handAngle) * r * 0.68, r * 0.05),
          C(200, 40, 30));
  c.Paint(Disc(cx, cy, r * 0.08), C(30, 30, 30));
}

// ---- the pictures ----

TBitmap Background() {
  Canvas c(64, 64, C(243, 247, 251));
  // A faint diagonal weave that tiles without seams.
  c.Paint([](double x, double y) { return std::fmod(x + y, 16.0) < 1.0 || std::fmod(x - y + 64, 16.0) < 1.0; },
          C(233, 240, 248));
  return c.ToBitmap(false);
}

TBitmap SchemePicture() {
  Canvas c(72, 72, C(0, 0, 0, 0));
  Cylinder(c, 6, 6, 44, 56, C(60, 110, 190), C(150, 190, 240));
  ClockFace(c, 52, 52, 17, kPi * 0.75);
  return c.ToBitmap(true);
}

TBitmap RedBall() {
  Canvas c(16, 16, C(0, 0, 0, 0));
  c.Paint(Disc(8, 8, 7), Shaded(8, 8, 7, C(210, 30, 30)));
  return c.ToBitmap(true);
}

TBitmap RoundButton(Rgba base, bool exit) {
  Canvas c(40, 40, C(0, 0, 0, 0));
  c.Paint(Disc(20, 20, 19), C(255, 255, 255));
  c.Paint(Disc(20, 20, 17), Shaded(20, 20, 17, base));
  if (exit) {
    c.Paint(Stroke(13, 13, 27, 27, 4.5), C(255, 255, 255));
    c.Paint(Stroke(27, 13, 13, 27, 4.5), C(255, 255, 255));
  } else {
    // Down into the tray: a chevron over a bar.
    c.Paint(Stroke(12, 15, 20, 23, 4), C(255, 255, 255));
    c.Paint(Stroke(28, 15, 20, 23, 4), C(255, 255, 255));
    c.Paint(Stroke(12, 28, 28, 28, 4), C(255, 255, 255));
  }
  return c.ToBitmap(true);
}

TBitmap TimerFrame(int step, int steps) {
  Canvas c(67, 67, C(255, 255, 255));
  ClockFace(c, 33.5, 33.5, 31, 2 * kPi * step / steps);
  return c.ToBitmap(false);
}

TBitmap RunningPicture() {
  Canvas c(93, 70, C(0, 0, 0, 0));
  Cylinder(c, 4, 14, 34, 46, C(60, 110, 190), C(150, 190, 240));
  Cylinder(c, 55, 14, 34, 46, C(70, 150, 80), C(160, 220, 160));
  // The run: an arrow from one to the other.
  c.Paint(Stroke(34, 37, 56, 37, 6), C(230, 140, 20));
  c.Paint([](double x, double y) { return x >= 52 && x <= 64 && std::abs(y - 37) <= (64 - x) * 0.8; },
          C(230, 140, 20));
  return c.ToBitmap(true);
}

TBitmap TrayIcon(int step) {
  Canvas c(22, 22, C(0, 0, 0, 0));
  Cylinder(c, 3, 2, 16, 18, C(60, 110, 190), C(150, 190, 240));
  if (step > 0) {
    // While schemes run, a dot goes round the drum.
    const double a = 2 * kPi * (step - 1) / 4;
    c.Paint(Disc(11 + std::sin(a) * 6, 11 - std::cos(a) * 6, 3.4), C(255, 255, 255));
    c.Paint(Disc(11 + std::sin(a) * 6, 11 - std::cos(a) * 6, 2.6), C(230, 140, 20));
  }
  return c.ToBitmap(true);
}

// ---- writing ----

std::vector<uint8_t> Gif(const std::vector<TBitmap>& frames, int delay) {
  TGIFImage image;
  image.ColorReduction = ReduceOctree;
  image.DitherMode = 0;
  for (const TBitmap& b : frames) image.Add(b);
  if (frames.size() > 1) {
    TGIFSubImage* first = image.Images().Items(0);
    auto loop = std::make_unique<TGIFAppExtNSLoop>(first);
    loop->Loops = 0;
    first->Extensions().Insert(0, std::move(loop));
  }
  for (const auto& frame : image.Images()) {
    TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
    if (!gce) {
      auto made = std::make_unique<TGIFGraphicControlExtension>(frame.get());
      gce = made.get();
      frame->Extensions().Add(std::move(made));
    }
    gce->SetDelay(static_cast<uint16_t>(delay));
    gce->SetDisposal(DisposalKeep);
  }
  TMemoryStream s;
  image.SaveToStream(s);
  return s.Bytes();
}

struct Named {
  std::string key;
  std::vector<uint8_t> bytes;
};

void WriteArray(std::ofstream& out, const std::string& name, const std::vector<uint8_t>& bytes) {
  out << "const unsigned char " << name << "[] = {";
  for (size_t i = 0; i < bytes.size(); ++i) out << (i % 24 == 0 ? "\n  " : "") << int{bytes[i]} << ",";
  out << "\n};\n";
}

void WriteTable(std::ofstream& out, const std::string& function, const std::string& prefix,
                const std::vector<Named>& pictures) {
  for (size_t i = 0; i < pictures.size(); ++i) WriteArray(out, prefix + std::to_string(i), pictures[i].bytes);
  out << "const EmbeddedPicture k" << prefix << "[] = {\n";
  for (size_t i = 0; i < pictures.size(); ++i)
    out << "  {\"" << pictures[i].key << "\", " << prefix << i << ", sizeof " << prefix << i << "},\n";
  out << "};\n}  // namespace\n\nstd::span<const EmbeddedPicture> " << function << "() { return k" << prefix
      << "; }\n\nnamespace {\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output.cpp> [picture folder]\n", argv[0]);
    return 2;
  }
  try {
    std::vector<TBitmap> timer;
    for (int i = 0; i < 12; ++i) timer.push_back(TimerFrame(i, 12));
    const std::vector<Named> page = {
        {"imgScheme", Gif({SchemePicture()}, 0)},  {"imgBkColor", Gif({Background()}, 0)},
        {"imgRedBall", Gif({RedBall()}, 0)},        {"imgExit", Gif({RoundButton(C(200, 40, 35), true)}, 0)},
        {"imgHide", Gif({RoundButton(C(45, 105, 190), false)}, 0)}, {"imgTimer", Gif(timer, 25)},
        {"imgRuning", Gif({RunningPicture()}, 0)},
    };
    std::vector<Named> tray;
    for (int i = 0; i < 5; ++i) tray.push_back({"tray" + std::to_string(i), Gif({TrayIcon(i)}, 0)});

    const std::string out = argv[1];
    const std::string temp = out + ".part";
    {
      std::ofstream f(temp, std::ios::binary | std::ios::trunc);
      f << "// Made by tools/pagepictures/make_page_pictures; do not edit.\n"
        << "#include \"app/core/PagePictureData.h\"\n\nnamespace sch {\nnamespace {\n";
      WriteTable(f, "PagePictureData", "Page", page);
      WriteTable(f, "TrayIconData", "Tray", tray);
      f << "}  // namespace\n}  // namespace sch\n";
      if (!f) throw std::runtime_error("cannot write " + temp);
    }
    std::filesystem::rename(temp, out);
    if (argc > 2) {
      std::filesystem::create_directories(argv[2]);
      for (const std::vector<Named>* list : {&page, static_cast<const std::vector<Named>*>(&tray)})
        for (const Named& n : *list)
          std::ofstream(std::string(argv[2]) + "/" + n.key + ".gif", std::ios::binary)
              .write(reinterpret_cast<const char*>(n.bytes.data()), static_cast<std::streamsize>(n.bytes.size()));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_page_pictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
