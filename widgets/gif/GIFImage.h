#pragma once
// TGIFImage: a GIF picture as a tree of blocks: the header with the logical screen and global
// colour table, and the frames with their extensions. It reads and writes whole files, carries the
// settings the frames use when they are rendered, written or made from bitmaps, and passes
// warnings and progress of its blocks to its owner.
//
// Reading is lenient as far as it can go on: damaged input that still reads (a missing trailer,
// zero bytes between blocks, truncated pixel data, a bad code in the data) gives warnings through
// OnWarning; GIFException is raised only where nothing more can be read, and then the frames read
// before the failing one are kept and the stream is put back where the load started.
//
// Ownership: the picture owns its header and frames. One thread at a time (animation painters,
// which come on top, run on the main thread).
#include <cstdint>
#include <functional>
#include <string>

#include "widgets/gfx/Palette.h"
#include "widgets/gif/GIFHeader.h"
#include "widgets/gif/GIFItem.h"
#include "widgets/gif/GIFSubImage.h"

namespace olv {

// Draw options (bits of DrawOptions).
enum : uint16_t {
  goDrawInThread = 1 << 0,
  goDrawTransparent = 1 << 1,
  goDrawAnimated = 1 << 2,
  goDrawLooped = 1 << 3,
  goLoopForever = 1 << 4,
  goCheckCanvas = 1 << 5,
  goDrawDirect = 1 << 6,
  goClearAtFirstFrame = 1 << 7,
  goDrawTiled = 1 << 8,
  goDitherColors = 1 << 9,
  goDitherOnPaletteDevice = 1 << 10,
};

enum class TGIFProgressStage { Starting, Running, Ending };

class TGIFImage {
 public:
  using WarningEvent = std::function<void(const void* sender, int severity, const std::string& message)>;
  using ProgressEvent = std::function<void(TGIFProgressStage stage, int percent, const std::string& message)>;

  // Module-wide settings, as the library's typed constants were.
  static inline bool DecodeOnLoad = false;
  // Screens here are true-colour: dithering "on palette devices only" does not dither.
  static inline bool PaletteDeviceDither = false;

  TGIFImage();
  ~TGIFImage();
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  TGIFHeader& Header() { return header_; }
  const TGIFHeader& Header() const { return header_; }
  TGIFList<TGIFSubImage>& Images() { return images_; }
  const TGIFList<TGIFSubImage>& Images() const { return images_; }
  bool Empty() const { return images_.Count() == 0; }
  int Width() const { return header_.Width; }
  int Height() const { return header_.Height; }

  uint16_t DrawOptions = 0x060F;
  uint8_t ColorReduction = 6;  // the 216-colour cube
  uint8_t DitherMode = 0;      // nearest colour
  uint8_t Compression = 0;     // 0 LZW, 1 run-length
  int ReductionBits() const { return reductionBits_; }
  // 1 to 8 ("Invalid reduction bits" otherwise): an octree palette of more than 256 colours does
  // not fit a GIF table.
  void SetReductionBits(int bits);

  WarningEvent OnWarning;
  ProgressEvent OnProgress;
  void Warning(const void* sender, int severity, const std::string& message) const;
  void Progress(TGIFProgressStage stage, int percent, const std::string& message) const;

  // Frames are rendered dithered to the 216-colour cube (DitherColors, and DitherOnPaletteDevice
  // only on palette devices).
  bool DoDither() const;
  // The global colour table's colours.
  TPalette Palette() const;

  // The largest over the header and all frames (the version scan stops at the first 89a frame).
  int Version() const;
  int ColorResolution() const;
  int BitsPerPixel() const;

  void Clear();
  void LoadFromStream(TStream& s);
  void SaveToStream(TStream& s);
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

 private:
  TGIFHeader header_;
  TGIFList<TGIFSubImage> images_;
  int reductionBits_ = 8;
};

}  // namespace olv
