#include "widgets/gif/GIFExtensions.h"

#include <algorithm>
#include <cstring>

#include "widgets/gif/GIFException.h"
#include "widgets/gif/GIFImage.h"
#include "widgets/gif/GIFStreamIO.h"
#include "widgets/gif/GIFSubImage.h"

namespace olv {

TGIFExtension::TGIFExtension(TGIFSubImage* frame) : TGIFItem(frame ? frame->Image() : nullptr), frame_(frame) {}

TGIFExtension::~TGIFExtension() {
  if (frame_) frame_->ExtensionGone(this);
}

void TGIFExtension::SaveToStream(TStream& s) {
  GIFWriteByte(s, '!');
  GIFWriteByte(s, GetExtensionType());
  SaveBody(s);
}

void TGIFExtension::LoadFromStream(TStream& s) {
  uint8_t head[2];
  GIFReadCheck(s, head, 2);
  if (head[0] != '!') throw GIFException("Invalid extension introducer");
  if (head[1] != GetExtensionType())
    throw GIFException("Internal error: Extension Instance does not match Extension Label");
  LoadBody(s);
}

// ---- graphic control ----

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* frame) : TGIFExtension(frame) {
  if (frame_) frame_->ExtensionCreated(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (frame_ && Transparent() && frame_->GraphicControlExtension() == this) frame_->SetTransparentFlag(false);
}

void TGIFGraphicControlExtension::SetTransparent(bool on) {
  packed_ = static_cast<uint8_t>(on ? packed_ | 1 : packed_ & ~1);
  if (frame_ && on) frame_->SetTransparentFlag(true);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(uint8_t index) {
  if (frame_) {
    const TGIFColorMap& map = frame_->ActiveColorMap();
    if (map.Count() > 0 && index >= map.Count()) {
      Warning("Invalid color index");
      index = 0;
    }
  }
  transparentIndex_ = index;
  if (frame_) frame_->Changed();
}

void TGIFGraphicControlExtension::SaveBody(TStream& s) {
  const uint8_t b[6] = {4, packed_, static_cast<uint8_t>(delay_), static_cast<uint8_t>(delay_ >> 8),
                        transparentIndex_, 0};
  s.WriteBuffer(b, 6);
}

void TGIFGraphicControlExtension::LoadBody(TStream& s) {
  uint8_t size = 0;
  uint8_t f[4] = {};
  if (s.Read(&size, 1) != 1 || s.Read(f, std::min<int>(size, 4)) != std::min<int>(size, 4)) {
    Warning("Premature end of data");
    return;
  }
  packed_ = f[0];
  delay_ = static_cast<uint16_t>(f[1] | f[2] << 8);
  transparentIndex_ = f[3];
  // A block of another size than 4 is read as far as it goes; its extra bytes and any data
  // sub-blocks are skipped up to the terminator.
  if (size > 4) s.Seek(size - 4, TSeekOrigin::Current);
  GIFSkipSubBlocks(s);
  if (Transparent() && frame_) frame_->SetTransparentFlag(true);
}

// ---- text and comment ----

void TGIFTextExtension::SaveBody(TStream& s) {
  GIFWriteByte(s, 12);
  s.WriteBuffer(Fields.data(), Fields.size());
  GIFWriteStrings(s, Text);
}

void TGIFTextExtension::LoadBody(TStream& s) {
  uint8_t size = 0;
  GIFReadCheck(s, &size, 1);
  GIFReadCheck(s, Fields.data(), Fields.size());
  if (size > 12) s.Seek(size - 12, TSeekOrigin::Current);
  Text = GIFReadStrings(s);
}

void TGIFCommentExtension::SaveBody(TStream& s) { GIFWriteStrings(s, Text); }
void TGIFCommentExtension::LoadBody(TStream& s) { Text = GIFReadStrings(s); }

// ---- application ----

void TGIFApplicationExtension::SaveBody(TStream& s) {
  GIFWriteByte(s, 11);
  s.WriteBuffer(Identifier.data(), Identifier.size());
  SaveData(s);
}

void TGIFApplicationExtension::LoadBody(TStream& s) {
  uint8_t size = 0;
  GIFReadCheck(s, &size, 1);
  if (size < 10) throw GIFException("Unsupported Application Extension block size");
  Identifier.fill(0);
  if (size == 10) {
    GIFReadCheck(s, Identifier.data(), 10);
  } else {
    GIFReadCheck(s, Identifier.data(), 11);
    if (size > 11) s.Seek(size - 11, TSeekOrigin::Current);
  }
  LoadData(s);
}

namespace {
constexpr std::array<uint8_t, 11> Ident(const char (&text)[12]) {
  std::array<uint8_t, 11> id{};
  for (size_t i = 0; i < 11; ++i) id[i] = static_cast<uint8_t>(text[i]);
  return id;
}
}  // namespace

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* frame) : TGIFApplicationExtension(frame) {
  Identifier = Ident("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::SaveData(TStream& s) {
  const uint8_t loop[4] = {3, 1, static_cast<uint8_t>(Loops), static_cast<uint8_t>(Loops >> 8)};
  s.WriteBuffer(loop, 4);
  if (BufferSize != 0) {
    const uint8_t buf[6] = {5, 2, static_cast<uint8_t>(BufferSize), static_cast<uint8_t>(BufferSize >> 8),
                            static_cast<uint8_t>(BufferSize >> 16), static_cast<uint8_t>(BufferSize >> 24)};
    s.WriteBuffer(buf, 6);
  }
  GIFWriteByte(s, 0);
}

void TGIFAppExtNSLoop::LoadData(TStream& s) {
  uint8_t n = 0;
  while (s.Read(&n, 1) == 1 && n != 0) {
    uint8_t block[255];
    GIFReadCheck(s, block, n);
    const int id = block[0] & 7;
    if (id == 1) {
      if (n < 3) throw GIFException("Invalid GIF data");
      Loops = static_cast<uint16_t>(block[1] | block[2] << 8);
    } else if (id == 2) {
      if (n < 5) throw GIFException("Invalid GIF data");
      BufferSize = uint32_t{block[1]} | uint32_t{block[2]} << 8 | uint32_t{block[3]} << 16 | uint32_t{block[4]} << 24;
    }
  }
}

void TGIFUnknownAppExtension::SaveData(TStream& s) {
  for (const auto& b : Blocks) {
    GIFWriteByte(s, static_cast<uint8_t>(b.size()));
    s.WriteBuffer(b.data(), b.size());
  }
  GIFWriteByte(s, 0);
}

void TGIFUnknownAppExtension::LoadData(TStream& s) {
  Blocks.clear();
  uint8_t n = 0;
  while (s.Read(&n, 1) == 1 && n != 0) {
    std::vector<uint8_t> b(n);
    b.resize(static_cast<size_t>(std::max<int64_t>(0, s.Read(b.data(), n))));
    const bool short_ = b.size() < n;
    Blocks.push_back(std::move(b));
    if (short_) break;
  }
}

// ---- registries ----

namespace {

template <class T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* frame) {
  return std::make_unique<T>(frame);
}

struct LabelEntry {
  uint8_t label;
  TGIFExtensionFactory factory;
};
struct AppEntry {
  std::array<uint8_t, 11> id;
  TGIFExtensionFactory factory;
};

// The application extension's own entry: its class is chosen by the identifier, below.
std::unique_ptr<TGIFExtension> MakeApplication(TGIFSubImage* frame) { return Make<TGIFUnknownAppExtension>(frame); }

std::vector<LabelEntry>& Labels() {
  static std::vector<LabelEntry> labels = {{TGIFTextExtension::kLabel, &Make<TGIFTextExtension>},
                                           {TGIFGraphicControlExtension::kLabel, &Make<TGIFGraphicControlExtension>},
                                           {TGIFCommentExtension::kLabel, &Make<TGIFCommentExtension>},
                                           {TGIFApplicationExtension::kLabel, &MakeApplication}};
  return labels;
}

std::vector<AppEntry>& Apps() {
  static std::vector<AppEntry> apps = {{Ident("NETSCAPE2.0"), &Make<TGIFAppExtNSLoop>},
                                       {Ident("ANIMEXTS1.0"), &Make<TGIFAppExtNSLoop>}};
  return apps;
}

}  // namespace

void RegisterExtension(uint8_t label, TGIFExtensionFactory factory) { Labels().push_back({label, factory}); }

void RegisterAppExtension(const std::array<uint8_t, 11>& identifier, TGIFExtensionFactory factory) {
  Apps().push_back({identifier, factory});
}

std::unique_ptr<TGIFExtension> FindExtension(TStream& s, TGIFSubImage* frame) {
  const int64_t start = s.Position();
  struct Restore {
    TStream& s;
    int64_t at;
    ~Restore() { s.SetPosition(at); }
  } restore{s, start};
  uint8_t head[2];
  if (s.Read(head, 2) != 2) return nullptr;
  const std::vector<LabelEntry>& labels = Labels();
  TGIFExtensionFactory factory = nullptr;
  for (auto it = labels.rbegin(); it != labels.rend() && !factory; ++it)
    if (it->label == head[1]) factory = it->factory;
  if (!factory) return nullptr;
  if (factory != &MakeApplication) return factory(frame);
  // Application extensions: by the eleven identifier bytes of an 11-byte block; other sizes of at
  // least 10 are kept as unknown; shorter ones are refused when read.
  uint8_t size = 0;
  if (s.Read(&size, 1) != 1) return nullptr;
  if (size == 11) {
    std::array<uint8_t, 11> id{};
    if (s.Read(id.data(), 11) == 11) {
      const std::vector<AppEntry>& apps = Apps();
      for (auto it = apps.rbegin(); it != apps.rend(); ++it)
        if (it->id == id) return it->factory(frame);
    }
  } else if (size == 10) {
    uint8_t id[10];
    if (s.Read(id, 10) != 10) return nullptr;
  }
  return Make<TGIFUnknownAppExtension>(frame);
}

}  // namespace olv
