#pragma once
// The extension blocks of a GIF frame: graphic control (transparency, delay, disposal), plain
// text, comment, and application extensions (the looping extension and unknown ones kept as raw
// blocks). Each extension belongs to one frame, which owns it through its extension list.
//
// Two registries pick the class of an extension being read: by label, and for application
// extensions by their eleven identifier bytes; both are searched from the last registration to
// the first. They are filled with this library's classes on first use; registering further
// classes is meant for start-up, before pictures are read on other threads.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "widgets/gif/GIFItem.h"

namespace olv {

class TGIFSubImage;

enum TGIFDisposal : uint8_t { DisposalNone = 0, DisposalKeep = 1, DisposalBackground = 2, DisposalPrevious = 3 };

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* frame);
  ~TGIFExtension() override;

  TGIFSubImage* SubImage() const { return frame_; }
  int GetVersion() const override { return 2; }
  virtual uint8_t GetExtensionType() const = 0;

  // "!", the label, then the block's own data.
  void SaveToStream(TStream& s) override;
  // Reads "!" and the label ("Invalid extension introducer"; "Internal error: Extension Instance
  // does not match Extension Label"), then the block's data.
  void LoadFromStream(TStream& s) override;

 protected:
  virtual void SaveBody(TStream& s) = 0;
  virtual void LoadBody(TStream& s) = 0;
  TGIFSubImage* frame_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  static constexpr uint8_t kLabel = 249;
  // Becomes the frame's graphic control extension when the frame has none.
  explicit TGIFGraphicControlExtension(TGIFSubImage* frame);
  ~TGIFGraphicControlExtension() override;
  uint8_t GetExtensionType() const override { return kLabel; }

  bool Transparent() const { return packed_ & 1; }
  // Also sets the frame's transparent flag.
  void SetTransparent(bool on);
  bool UserInput() const { return packed_ & 2; }
  void SetUserInput(bool on) { packed_ = static_cast<uint8_t>(on ? packed_ | 2 : packed_ & ~2); }
  TGIFDisposal Disposal() const { return static_cast<TGIFDisposal>((packed_ >> 2) & 7); }
  void SetDisposal(TGIFDisposal d) { packed_ = static_cast<uint8_t>((packed_ & ~0x1C) | ((d & 7) << 2)); }
  uint16_t Delay() const { return delay_; }
  void SetDelay(uint16_t d) { delay_ = d; }
  uint8_t TransparentColorIndex() const { return transparentIndex_; }
  // An index at or above the count of the frame's non-empty active table warns "Invalid color
  // index" and stores 0.
  void SetTransparentColorIndex(uint8_t index);
  // Sets the stored index as it is (colour-table remapping).
  void StoreTransparentColorIndex(uint8_t index) { transparentIndex_ = index; }

 protected:
  void SaveBody(TStream& s) override;
  void LoadBody(TStream& s) override;

 private:
  uint8_t packed_ = 0;
  uint16_t delay_ = 0;
  uint8_t transparentIndex_ = 0;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  static constexpr uint8_t kLabel = 1;
  using TGIFExtension::TGIFExtension;
  uint8_t GetExtensionType() const override { return kLabel; }
  // Grid left, top, width, height, cell width, height, foreground and background index: the
  // block's twelve bytes after its size byte.
  std::array<uint8_t, 12> Fields{};
  std::vector<std::string> Text;

 protected:
  void SaveBody(TStream& s) override;
  void LoadBody(TStream& s) override;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  static constexpr uint8_t kLabel = 254;
  using TGIFExtension::TGIFExtension;
  uint8_t GetExtensionType() const override { return kLabel; }
  std::vector<std::string> Text;

 protected:
  void SaveBody(TStream& s) override;
  void LoadBody(TStream& s) override;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  static constexpr uint8_t kLabel = 255;
  using TGIFExtension::TGIFExtension;
  uint8_t GetExtensionType() const override { return kLabel; }
  // The 8-byte application identifier and the 3-byte authentication code.
  std::array<uint8_t, 11> Identifier{};

 protected:
  // Block size 11 and the identifier, then SaveData.
  void SaveBody(TStream& s) override;
  // Sizes below 10: "Unsupported Application Extension block size"; 10 bytes leave the eleventh
  // 0; beyond 11 the rest of the block is skipped. Then LoadData.
  void LoadBody(TStream& s) override;
  virtual void SaveData(TStream& s) = 0;
  virtual void LoadData(TStream& s) = 0;
};

// "NETSCAPE2.0" (or "ANIMEXTS1.0", kept as read): the loop count of an animation.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* frame);
  uint16_t Loops = 0;       // 0 = endless
  uint32_t BufferSize = 0;  // 0 = not written

 protected:
  void SaveData(TStream& s) override;
  // Sub-block id 1 needs 2 more bytes, id 2 needs 4 ("Invalid GIF data"); the rest is skipped.
  void LoadData(TStream& s) override;
};

// Any other application extension, kept as its raw data sub-blocks and written back unchanged.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::vector<std::vector<uint8_t>> Blocks;

 protected:
  void SaveData(TStream& s) override;
  void LoadData(TStream& s) override;
};

using TGIFExtensionFactory = std::unique_ptr<TGIFExtension> (*)(TGIFSubImage* frame);
void RegisterExtension(uint8_t label, TGIFExtensionFactory factory);
void RegisterAppExtension(const std::array<uint8_t, 11>& identifier, TGIFExtensionFactory factory);
// Looks at the extension at the stream's position (the stream is put back) and creates an
// instance of the class that reads it; none when no class fits or nothing can be read.
std::unique_ptr<TGIFExtension> FindExtension(TStream& s, TGIFSubImage* frame);

}  // namespace olv
