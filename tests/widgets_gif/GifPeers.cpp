#include "GifPeers.h"

#include <gif_lib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

#include "widgets/gif/GIFExtensions.h"

namespace olv::giftest {

namespace {

struct Reader {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(count), r->bytes->size() - r->at);
  std::memcpy(buffer, r->bytes->data() + r->at, n);
  r->at += n;
  return static_cast<int>(n);
}

int WriteToMemory(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + count);
  return count;
}

std::vector<TColor> Colors(const ColorMapObject* map) {
  std::vector<TColor> out;
  if (!map) return out;
  for (int i = 0; i < map->ColorCount; ++i)
    out.push_back(MakeColor(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
  return out;
}

}  // namespace

std::optional<PeerPicture> GiflibDecode(const std::vector<uint8_t>& bytes) {
  Reader reader{&bytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
  if (!gif) return std::nullopt;
  std::unique_ptr<GifFileType, void (*)(GifFileType*)> closer(gif, [](GifFileType* g) {
    int e = 0;
    DGifCloseFile(g, &e);
  });
  if (DGifSlurp(gif) != GIF_OK) return std::nullopt;
  PeerPicture pic;
  pic.width = gif->SWidth;
  pic.height = gif->SHeight;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    PeerFrame f;
    f.left = s.ImageDesc.Left, f.top = s.ImageDesc.Top;
    f.width = s.ImageDesc.Width, f.height = s.ImageDesc.Height;
    f.interlaced = s.ImageDesc.Interlace;
    f.pixels.assign(s.RasterBits, s.RasterBits + static_cast<size_t>(f.width) * static_cast<size_t>(f.height));
    f.colors = Colors(s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : gif->SColorMap);
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      f.transparent = gcb.TransparentColor;
      f.disposal = gcb.DisposalMode;
      f.delay = gcb.DelayTime;
    }
    for (int e = 0; e < s.ExtensionBlockCount; ++e) {
      const ExtensionBlock& b = s.ExtensionBlocks[e];
      if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
          std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0 && e + 1 < s.ExtensionBlockCount &&
          s.ExtensionBlocks[e + 1].ByteCount >= 3)
        pic.loops = s.ExtensionBlocks[e + 1].Bytes[1] | s.ExtensionBlocks[e + 1].Bytes[2] << 8;
    }
    pic.frames.push_back(std::move(f));
  }
  return pic;
}

std::vector<uint8_t> GiflibImageData(const std::vector<uint8_t>& pixels, int width, int height, int bits) {
  std::vector<uint8_t> file;
  int error = 0;
  GifFileType* gif = EGifOpen(&file, WriteToMemory, &error);
  EXPECT_NE(gif, nullptr);
  if (!gif) return {};
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  EGifPutScreenDesc(gif, width, height, bits, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  for (int y = 0; y < height; ++y)
    EGifPutLine(gif, const_cast<GifByteType*>(pixels.data()) + static_cast<size_t>(y) * static_cast<size_t>(width), width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  // Before the data: header 6, screen descriptor 7, global table 3 x 2^bits, image descriptor 10
  // bytes; after it the trailer byte.
  const size_t start = 6 + 7 + 3 * (size_t{1} << bits) + 10;
  EXPECT_GT(file.size(), start + 1);
  if (file.size() <= start + 1) return {};
  return std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(start), file.end() - 1);
}

PeerPicture OurDecode(const std::vector<uint8_t>& bytes, std::vector<std::string>* warnings) {
  TGIFImage image;
  image.OnWarning = [&](const void*, int, const std::string& m) {
    if (warnings) warnings->push_back(m);
  };
  TMemoryStream s(bytes);
  image.LoadFromStream(s);
  PeerPicture pic;
  pic.width = image.Width();
  pic.height = image.Height();
  for (const auto& frame : image.Images()) {
    if (frame->Empty()) continue;  // extensions only
    PeerFrame f;
    f.left = frame->Left(), f.top = frame->Top(), f.width = frame->Width(), f.height = frame->Height();
    f.interlaced = frame->Interlaced();
    f.pixels.assign(frame->Data().begin(), frame->Data().end());
    for (const TGIFColor& c : frame->ActiveColorMap().Entries()) f.colors.push_back(MakeColor(c.Red, c.Green, c.Blue));
    f.transparent = frame->TransparentIndex();
    if (auto* gce = frame->GraphicControlExtension()) {
      f.disposal = gce->Disposal();
      f.delay = gce->Delay();
      if (gce->Transparent()) f.transparent = gce->TransparentColorIndex();
    }
    for (const auto& ext : frame->Extensions())
      if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get())) pic.loops = loop->Loops;
    pic.frames.push_back(std::move(f));
  }
  return pic;
}

std::vector<uint8_t> SaveToBytes(TGIFImage& image) {
  TMemoryStream s;
  image.SaveToStream(s);
  return s.Bytes();
}

std::unique_ptr<TGIFImage> OneFrame(int width, int height, int bits, const std::vector<uint8_t>& pixels,
                                    bool interlaced, bool local, uint8_t compression) {
  auto image = std::make_unique<TGIFImage>();
  image->Compression = compression;
  auto frame = std::make_unique<TGIFSubImage>(image.get());
  frame->SetWidth(static_cast<uint16_t>(width));
  frame->SetHeight(static_cast<uint16_t>(height));
  frame->SetData(pixels);
  frame->SetInterlaced(interlaced);
  TGIFColorMap& map = local ? static_cast<TGIFColorMap&>(frame->ColorMap()) : image->Header().ColorMap();
  for (int i = 0; i < (1 << bits); ++i)
    map.Add(MakeColor(static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 11 + 3)));
  image->Images().Add(std::move(frame));
  return image;
}

std::vector<uint8_t> Noise(size_t count, int limit, uint32_t seed) {
  std::vector<uint8_t> out(count);
  for (uint8_t& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>((seed >> 16) % static_cast<uint32_t>(limit));
  }
  return out;
}

std::string ConvertProgram() {
  static const std::string found = [] {
    for (const char* candidate : {"/usr/bin/convert", "/usr/local/bin/convert"}) {
      if (access(candidate, X_OK) != 0) continue;
      const std::string cmd = std::string(candidate) + " -version 2>/dev/null";
      FILE* p = popen(cmd.c_str(), "r");
      if (!p) continue;
      std::array<char, 256> line{};
      const bool isMagick = fgets(line.data(), line.size(), p) && std::strstr(line.data(), "ImageMagick");
      pclose(p);
      if (isMagick) return std::string(candidate);
    }
    return std::string();
  }();
  return found;
}

bool RunConvert(const std::string& arguments) {
  const std::string cmd = ConvertProgram() + " " + arguments + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "gif_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace olv::giftest
