// GIF decoding and encoding against giflib, in the same run on the same pictures: 1920 x 1080,
// 8 bits, photo-like (smooth shading with grain) and flat (a few large areas). Colour reduction
// (octree, Floyd-Steinberg, 256 colours) of a 1-megapixel picture against ImageMagick's
// `convert -colors 256` as a whole process (skipped when ImageMagick is not installed).
// Counters: vs_giflib / vs_convert are the peer's time divided by ours (above 1 = we are faster);
// size_vs_giflib is our LZW output size divided by giflib's.
// Both coders run on the heap as the program sets it up (olv::KeepFreedMemory) and each does one
// untimed round first: the timed rounds then reuse memory on both sides alike, instead of one side
// paying the page faults of pages the other has just given back (on a virtual machine under load a
// first touch costs tens of microseconds a page, more than coding a flat picture).
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "foundation/base/HeapPolicy.h"
#include "widgets/gif/ColorReduction.h"
#include "widgets/gif/GIFImage.h"

namespace {

using namespace olv;
constexpr int kW = 1920, kH = 1080;

std::vector<uint8_t> Picture(bool photo) {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH);
  uint32_t seed = 12345;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      seed = seed * 1664525u + 1013904223u;
      double v;
      if (photo) {
        v = 128 + 60 * std::sin(x / 90.0) * std::cos(y / 70.0) + 40 * std::sin((x + y) / 200.0) + ((seed >> 24) % 9) - 4;
      } else {
        v = (x / 480) * 40 + (y / 270) * 8 + ((x - 900) * (x - 900) + (y - 500) * (y - 500) < 90000 ? 3 : 0);
      }
      px[static_cast<size_t>(y) * kW + static_cast<size_t>(x)] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    }
  return px;
}

double Seconds(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The size of the GIF written into a memory stream, as giflib's side keeps its bytes where they
// were written (copying them out of the stream would be a cost of this program alone).
size_t OursEncode(const std::vector<uint8_t>& px) {
  TGIFImage image;
  for (int i = 0; i < 256; ++i) image.Header().ColorMap().Add(MakeColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)));
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->SetWidth(kW);
  frame->SetHeight(kH);
  frame->SetData(px);
  image.Images().Add(std::move(frame));
  TMemoryStream s;
  s.Reserve(px.size());
  image.SaveToStream(s);
  return s.Bytes().size();
}

int WriteToVector(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

std::vector<uint8_t> GiflibEncode(const std::vector<uint8_t>& px) {
  std::vector<uint8_t> out;
  out.reserve(px.size());
  int err = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &err);
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (int i = 0; i < 256; ++i) map->Colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(i), static_cast<GifByteType>(i)};
  EGifPutScreenDesc(gif, kW, kH, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, kW, kH, false, nullptr);
  for (int y = 0; y < kH; ++y) EGifPutLine(gif, const_cast<GifByteType*>(px.data()) + static_cast<size_t>(y) * kW, kW);
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return out;
}

struct Reader {
  const std::vector<uint8_t>* bytes;
  size_t at;
};
int ReadFromVector(GifFileType* gif, GifByteType* buf, int n) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const size_t k = std::min(static_cast<size_t>(n), r->bytes->size() - r->at);
  std::memcpy(buf, r->bytes->data() + r->at, k);
  r->at += k;
  return static_cast<int>(k);
}

void GiflibDecode(const std::vector<uint8_t>& bytes) {
  Reader r{&bytes, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&r, ReadFromVector, &err);
  DGifSlurp(gif);
  benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits[0]);
  DGifCloseFile(gif, &err);
}

void OursDecode(const std::vector<uint8_t>& bytes) {
  TGIFImage image;
  TMemoryStream s(bytes);
  image.LoadFromStream(s);
  benchmark::DoNotOptimize(image.Images().Items(0)->Data()[0]);
}

void BM_Decode(benchmark::State& state) {
  KeepFreedMemory();  // as the program's start-up does
  const std::vector<uint8_t> bytes = GiflibEncode(Picture(state.range(0)));
  OursDecode(bytes);
  GiflibDecode(bytes);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    ours += Seconds([&] { OursDecode(bytes); });
    theirs += Seconds([&] { GiflibDecode(bytes); });
  }
  state.counters["vs_giflib"] = theirs / ours;
  state.SetLabel(state.range(0) ? "photo-like" : "flat");
}

void BM_Encode(benchmark::State& state) {
  KeepFreedMemory();  // as the program's start-up does
  const std::vector<uint8_t> px = Picture(state.range(0));
  benchmark::DoNotOptimize(OursEncode(px));
  benchmark::DoNotOptimize(GiflibEncode(px).size());
  double ours = 0, theirs = 0;
  size_t ourSize = 0, theirSize = 0;
  for (auto _ : state) {
    ours += Seconds([&] { ourSize = OursEncode(px); });
    theirs += Seconds([&] { theirSize = GiflibEncode(px).size(); });
  }
  state.counters["vs_giflib"] = theirs / ours;
  state.counters["size_vs_giflib"] = static_cast<double>(ourSize) / static_cast<double>(theirSize);
  state.SetLabel(state.range(0) ? "photo-like" : "flat");
}

std::string Convert() {
  for (const char* c : {"/usr/bin/convert"}) {
    if (access(c, X_OK) != 0) continue;
    FILE* p = popen((std::string(c) + " -version 2>/dev/null").c_str(), "r");
    char line[128] = {};
    const bool ok = p && fgets(line, sizeof line, p) && std::strstr(line, "ImageMagick");
    if (p) pclose(p);
    if (ok) return c;
  }
  return {};
}

void BM_ReduceColors(benchmark::State& state) {
  const std::string convert = Convert();
  if (convert.empty()) {
    state.SkipWithError("ImageMagick's convert is not installed");
    return;
  }
  constexpr int w = 1000, h = 1000;
  TBitmap rgb(w, h, TPixelFormat::pf24bit);
  uint32_t seed = 99;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rgb.ScanLine(y).data();
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      row[3 * x] = static_cast<uint8_t>(128 + 100 * std::sin(x / 60.0) + (seed >> 28));
      row[3 * x + 1] = static_cast<uint8_t>(128 + 100 * std::cos(y / 45.0));
      row[3 * x + 2] = static_cast<uint8_t>((x + y) / 8 + ((seed >> 20) & 7));
    }
  }
  const std::string dir = "/tmp/orascheme-bench-gif-" + std::to_string(getpid());
  const std::string in = dir + ".ppm", out = dir + ".gif";
  {
    FILE* f = std::fopen(in.c_str(), "wb");
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = rgb.ScanLine(y).data();
      for (int x = 0; x < w; ++x) std::fputc(row[3 * x + 2], f), std::fputc(row[3 * x + 1], f), std::fputc(row[3 * x], f);
    }
    std::fclose(f);
  }
  const std::string cmd = convert + " " + in + " -dither FloydSteinberg -colors 256 " + out;
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    ours += Seconds([&] {
      TGIFImage image;
      image.ColorReduction = ReduceOctree;
      image.DitherMode = 1;
      auto frame = std::make_unique<TGIFSubImage>(&image);
      frame->Assign(rgb);
      image.Images().Add(std::move(frame));
      image.SaveToFile(out);
    });
    theirs += Seconds([&] {
      if (std::system(cmd.c_str()) != 0) state.SkipWithError("convert failed");
    });
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
  state.counters["vs_convert"] = theirs / ours;
}

}  // namespace

BENCHMARK(BM_Decode)->Arg(1)->Arg(0)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(1)->Arg(0)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceColors)->Iterations(3)->Unit(benchmark::kMillisecond);
