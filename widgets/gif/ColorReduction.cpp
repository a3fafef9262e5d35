#include "widgets/gif/ColorReduction.h"

#include <memory>
#include <vector>

#include "widgets/gif/ColorLookup.h"
#include "widgets/gif/ColorQuantizer.h"
#include "widgets/gif/Ditherer.h"
#include "widgets/gif/GIFException.h"

namespace olv {

TPalette Cube216Palette() {
  std::vector<TColor> c;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        c.push_back(MakeColor(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * b)));
  return TPalette::FromColors(c);
}

TPalette Gray256Palette() {
  std::vector<TColor> c;
  for (int i = 0; i < 256; ++i) c.push_back(MakeColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)));
  return TPalette::FromColors(c, kPcNoCollapse);
}

TPalette BlackWhitePalette() { return TPalette::FromColors(std::vector<TColor>{kClBlack, kClWhite}, kPcNoCollapse); }

TPalette Gray4Palette() {
  return TPalette::FromColors(
      std::vector<TColor>{kClBlack, MakeColor(128, 128, 128), MakeColor(192, 192, 192), kClWhite}, kPcNoCollapse);
}

namespace {

// The octree palette and how many of its entries the tree filled.
TPalette Octree(const TBitmap& bitmap, int maxColors, int colorBits, bool withSystemColors, int& filled) {
  TColorQuantizer quantizer(withSystemColors ? 236 : maxColors, colorBits);
  quantizer.ProcessImage(bitmap);
  const std::vector<TColor> table = quantizer.ColorTable();
  std::vector<TColor> colors;
  if (withSystemColors) {
    const TPalette& sys = SystemPalette20();
    for (int i = 0; i < 10; ++i) colors.push_back(sys.Color(i));
    colors.insert(colors.end(), table.begin(), table.end());
    colors.resize(246, kClBlack);
    for (int i = 10; i < 20; ++i) colors.push_back(sys.Color(i));
    filled = 256;
  } else {
    colors = table;
    filled = static_cast<int>(table.size());
    colors.resize(static_cast<size_t>(maxColors), kClBlack);
  }
  return TPalette::FromColors(colors);
}

}  // namespace

TPalette OctreePalette(const TBitmap& bitmap, int maxColors, int colorBits, bool withSystemColors) {
  int filled = 0;
  return Octree(bitmap, maxColors, colorBits, withSystemColors, filled);
}

TBitmap ReduceColors(const TBitmap& bitmap, int method, int ditherMode, int bits, const TPalette* palette) {
  if (method == ReduceNone) {
    TBitmap copy = bitmap;
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    return copy;
  }
  if ((method == ReduceOctree || method == ReduceOctreeSystem) && (bits < 1 || bits > 8))
    throw GIFException("Invalid reduction bits");
  TPalette pal;
  std::unique_ptr<TColorLookup> lookup;
  switch (method) {
    case ReduceSystem20: pal = SystemPalette20(); break;
    case ReduceHalftone: pal = HalftonePalette(); break;
    case ReduceGray4: pal = Gray4Palette(); break;
    case ReduceBlackWhite: pal = BlackWhitePalette(), lookup = std::make_unique<TMonochromeLookup>(); break;
    case ReduceGray256: pal = Gray256Palette(), lookup = std::make_unique<TGrayScaleLookup>(); break;
    case ReduceCube216: pal = Cube216Palette(), lookup = std::make_unique<TNetscapeColorLookup>(); break;
    case ReduceOctree:
    case ReduceOctreeSystem: {
      // The entries the tree did not fill stay black in the palette but are never chosen.
      int filled = 0;
      pal = Octree(bitmap, 1 << bits, 8, method == ReduceOctreeSystem, filled);
      std::vector<TPaletteEntry> used(pal.Entries().begin(), pal.Entries().begin() + filled);
      lookup = std::make_unique<TFastColorLookup>(TPalette(std::move(used)));
      break;
    }
    case ReducePalette:
      if (palette) pal = *palette;
      break;
    default: return TBitmap();
  }
  if (!lookup) lookup = std::make_unique<TFastColorLookup>(pal);
  if (lookup->Colors() == 0) return TBitmap();
  std::unique_ptr<TDitherEngine> ditherer = MakeDitherer(ditherMode, bitmap.Width(), *lookup);
  if (!ditherer) return TBitmap();

  TBitmap result(bitmap.Width(), bitmap.Height(), TPixelFormat::pf8bit);
  result.SetPalette(pal);
  std::vector<TColor> row(static_cast<size_t>(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    ReadRowColors(bitmap, y, 0, bitmap.Width(), row.data());
    uint8_t* out = result.ScanLine(y).data();
    for (int n = 0; n < bitmap.Width(); ++n) {
      const int x = ditherer->Column();
      const TColor c = row[static_cast<size_t>(x)];
      uint8_t r = ColorRed(c), g = ColorGreen(c), b = ColorBlue(c);
      out[x] = static_cast<uint8_t>(ditherer->Dither(r, g, b));
    }
    ditherer->NextLine();
  }
  return result;
}

}  // namespace olv
