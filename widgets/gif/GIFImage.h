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
// Drawing: Draw shows the first frame, or with DrawAnimated starts a painter (GIFPainter.h) that
// plays the frames into the picture's cached bitmap and reports each painted frame through
// OnChange, so the owner repaints and the next Draw shows the new frame. GetBitmap gives frame 0 as
// a bitmap (the same cached bitmap).
//
// Ownership: the picture owns its header, frames, cached bitmap and painters. Main thread only:
// painters are timed by the picture's clock on that thread (no thread of their own).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/gfx/Canvas.h"
#include "widgets/gfx/Palette.h"
#include "widgets/gif/AnimationClock.h"
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

// Optimize options (bits).
enum : uint8_t {
  ooCrop = 1 << 0,         // crop transparent borders of frames, drop frames that become empty
  ooMerge = 1 << 1,        // make pixels that repeat the previous frame transparent
  ooCleanup = 1 << 2,      // drop unused transparency, needless disposal, extensions, empty frames
  ooColorMaps = 1 << 3,    // sort colour tables by use and cut unused colours
  ooReduceColors = 1 << 4, // accepted; reduces nothing
};
constexpr uint8_t ooAll = ooCrop | ooMerge | ooCleanup | ooColorMaps | ooReduceColors;

class TGIFPainter;

// The clipboard format a GIF picture goes under, as the whole file.
inline constexpr const char* kGIFClipboardFormat = "GIF Image";

// What a picture hands its caller for the clipboard: bytes under a format, and their palette.
struct TGIFClipboardData {
  std::string format;
  std::string data;
  TPalette palette;
};

class TGIFImage {
 public:
  using WarningEvent = std::function<void(const void* sender, int severity, const std::string& message)>;
  using ProgressEvent = std::function<void(TGIFProgressStage stage, int percent, const std::string& message)>;

  // Module-wide settings, as the library's typed constants were.
  static inline bool DecodeOnLoad = false;
  // Screens here are true-colour: dithering "on palette devices only" does not dither.
  static inline bool PaletteDeviceDither = false;
  // WriteData optimises first (all options, no colour reduction) when set.
  static inline bool OptimizeOnWrite = false;

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
  // A size that would cut off a frame raises "Image width too small for contained frames" (resp.
  // height) and changes nothing; a new size releases the cached bitmap and reports a change.
  void SetWidth(int width) { SetScreenSide(true, width); }
  void SetHeight(int height) { SetScreenSide(false, height); }

  uint16_t DrawOptions = 0x060F;
  uint8_t ColorReduction = 6;  // the 216-colour cube
  uint8_t DitherMode = 0;      // nearest colour
  uint8_t Compression = 0;     // 0 LZW, 1 run-length
  int ReductionBits() const { return reductionBits_; }
  // 1 to 8 ("Invalid reduction bits" otherwise): an octree palette of more than 256 colours does
  // not fit a GIF table.
  void SetReductionBits(int bits);

  // Playback speed in percent; 0 or less stops a timed painter's clock.
  int AnimationSpeed = 100;
  // Colour that disposed areas are cleared with; kClNone takes the header's background colour.
  TColor BackgroundColor = kClNone;
  // Where painters take their time and timer from; null: DefaultAnimationClock().
  TAnimationClock* Clock = nullptr;

  WarningEvent OnWarning;
  ProgressEvent OnProgress;
  // The picture changed (frames, size, or a frame painted into the cached bitmap).
  std::function<void(TGIFImage& sender)> OnChange;
  // Handed to every painter when it is created.
  std::function<void(TGIFPainter& sender)> OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;
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

  // The palette to show the picture with: the cached bitmap's, else the 216-colour cube when the
  // picture dithers, else the global colour table's, else frame 0's.
  TPalette GetPalette() const;

  // Stops all painters, releases the cached bitmap, deletes all frames, resets the header.
  void Clear();
  void LoadFromStream(TStream& s);
  void SaveToStream(TStream& s);
  // SaveToStream, optimised first when OptimizeOnWrite is set.
  void WriteData(TStream& s);
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

  // The picture from clipboard data of a format: the given bytes, or the clipboard's entry of the
  // format when none are given. GIF data is read as a file; bitmap data (plat::kBitmapFormat,
  // BMP bytes) becomes one frame. Another format, or no data: "Unsupported clipboard format".
  void LoadFromClipboardFormat(const std::string& format, const std::optional<std::string>& data = std::nullopt);
  // Frame 0 as a bitmap for the caller to put on the clipboard, while the whole file goes there
  // under kGIFClipboardFormat (through OlvClipboard, so it joins a session the caller has open);
  // a clipboard that refuses it raises "Failed to store GIF on clipboard". None for an empty
  // picture.
  std::optional<TGIFClipboardData> SaveToClipboardFormat();

  // Appends a frame (a frame of another picture is re-parented by copying); returns its index.
  int Add(std::unique_ptr<TGIFSubImage> frame);
  // Appends a frame made from a bitmap (colours reduced as the settings say).
  int Add(const TBitmap& bitmap);
  // A copy of another picture: header, frames, DrawOptions, ColorReduction, DitherMode,
  // BackgroundColor, OnWarning and the painter events (not ReductionBits, Compression or
  // AnimationSpeed). Progress "Copying...".
  void Assign(const TGIFImage& source);
  // The picture becomes one frame made from the bitmap.
  void Assign(const TBitmap& source);
  // The bitmap becomes GetBitmap().
  void AssignTo(TBitmap& target);

  // Frame 0 as a bitmap of the picture's size: null for an empty picture. Cached until the next
  // change of size, palette or frames; owned by the picture.
  const TBitmap* GetBitmap();

  // Draws into rect of the canvas: frame 0, or with DrawAnimated (and more than one frame) through
  // a painter (see above). A second Draw while the painter runs starts no second painter.
  void Draw(TCanvas& canvas, const TRect& rect);
  // A painter for the destination (kept alive by the caller while the painter runs); null when the
  // picture or the rectangle is empty. With one frame the options lose DrawInThread and
  // DrawAnimated. Without DrawInThread it has played to its end when this returns.
  std::shared_ptr<TGIFPainter> CreatePainter(TBitmap& destination, const TRect& rect, uint16_t options);
  std::shared_ptr<TGIFPainter> DrawPainter() const { return drawPainter_.lock(); }
  int PainterCount() const { return static_cast<int>(painters_.size()); }
  void StopDrawPainter();
  void StopPainters();
  // Called by a painter that ended.
  void PainterEnded(TGIFPainter* painter);
  // Called by a painter that painted into the cached bitmap.
  void CachedBitmapPainted(const TBitmap& bitmap);

  // Shrinks the picture before it is written (options: the oo* bits). reduction, dither and bits
  // are accepted for the colour reduction step, which reduces nothing; without ooCleanup the
  // given-palette method (9) raises "Invalid reduction method". Progress "Optimizing...".
  void Optimize(uint8_t options, int reduction, int dither, int bits);

  void Changed();

 private:
  void SetScreenSide(bool width, int value);
  void ReleaseBitmap();
  void DrawCached(TCanvas& canvas, const TRect& rect);

  TGIFHeader header_;
  TGIFList<TGIFSubImage> images_;
  int reductionBits_ = 8;
  std::unique_ptr<TBitmap> cached_;
  std::vector<std::shared_ptr<TGIFPainter>> painters_;
  std::weak_ptr<TGIFPainter> drawPainter_;
  bool drawing_ = false;
};

// Ends an operation's progress report whichever way it leaves: at 100 once ok is set, at 0 when
// an error is on its way out.
struct TGIFProgressEnd {
  const TGIFImage& image;
  const char* message;
  bool ok = false;
  ~TGIFProgressEnd() { image.Progress(TGIFProgressStage::Ending, ok ? 100 : 0, message); }
};

}  // namespace olv
