#include "skin/SkinData.h"

#include <algorithm>
#include <atomic>
#include <fstream>

#include "foundation/text/Utf8.h"
#include "skin/ColourText.h"
#include "skin/ImgUtil.h"
#include "skin/LittleEndian.h"
#include "skin/MenuGlyphs.h"
#include "skin/Skin3rdDefaults.h"
#include "skin/SkinIni.h"
#include "skin/SkinManage.h"
#include "skin/SkinReader.h"
#include "skin/SystemColors.h"
#include "widgets/gfx/BmpFile.h"
#include "widgets/gfx/Canvas.h"
#include "widgets/gfx/GraphicError.h"

namespace skin {

using olv::TBitmap;
using olv::TColor;

namespace {

int32_t LE32(std::span<const uint8_t> b, std::size_t at) { return static_cast<int32_t>(ReadLE32(&b[at])); }

// The picture's size from its BMP header, so an oversized one is refused before its pixels are
// unpacked (a run-length coded BMP can claim far more pixels than its bytes hold). Headers that
// cannot be read are left to the BMP reader to refuse.
bool SizeAcceptable(std::span<const uint8_t> bytes) {
  if (bytes.size() < 26) return true;
  int64_t w, h;
  if (LE32(bytes, 14) == 12) {
    w = uint16_t(bytes[18] | bytes[19] << 8);
    h = uint16_t(bytes[20] | bytes[21] << 8);
  } else {
    w = LE32(bytes, 18);
    h = LE32(bytes, 22);
  }
  if (w < 0) w = -w;
  if (h < 0) h = -h;
  return w <= TSkinData::kMaxSkinSide && h <= TSkinData::kMaxSkinSide && w * h <= TSkinData::kMaxSkinPixels;
}

class IniReader {
 public:
  IniReader(const TSkinIni& ini, const TSkinReader& package) : ini_(ini), package_(package) {}

  int Int(std::string_view section, std::string_view key, int def) const { return ini_.ReadInteger(section, key, def); }
  std::string Str(std::string_view section, std::string_view key) const { return ini_.ReadString(section, key); }
  TColor Colour(std::string_view section, std::string_view key, TColor def) const {
    return ParseColourText(ini_.ReadString(section, key)).value_or(def);
  }

  // Only a ".bmp" file (lower case) that the package holds gives a picture.
  TBitmap Image(std::string_view section, std::string_view key) const {
    const std::string name = SkinFileNamePart(ini_.ReadString(section, key));
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot, std::string::npos, ".bmp") != 0) return {};
    return LoadSkinBitmap(package_.GetFile(name));
  }

 private:
  const TSkinIni& ini_;
  const TSkinReader& package_;
};

void ReadMargins(const IniReader& in, std::string_view section, TDataSkinObject& o) {
  o.LeftWidth = in.Int(section, "LeftWidth", 0);
  o.RightWidth = in.Int(section, "RightWidth", 0);
  o.TopHeight = in.Int(section, "TopHeight", 0);
  o.BottomHeight = in.Int(section, "BottomHeight", 0);
}

// The picture of a key and how it is cut: margins, "Trans" and "Tile".
void ReadSlicing(const IniReader& in, std::string_view section, std::string_view key, TDataSkinObject& o) {
  o.Bitmap = in.Image(section, key);
  ReadMargins(in, section, o);
  o.Trans = in.Int(section, "Trans", 0);
  o.Tile = in.Int(section, "Tile", 0);
}

void ReadColours(const IniReader& in, std::string_view section, TDataSkinObject& o, TColor buttonText) {
  o.NormalColour = in.Int(section, "NormalColour", -1);
  o.MouseOverColour = in.Int(section, "MouseOverColour", -1);
  o.PressedColour = in.Int(section, "PressedColour", -1);
  o.NormalColour2 = in.Colour(section, "NormalColour2", buttonText);
  o.MouseOverColour2 = in.Colour(section, "MouseOverColour2", buttonText);
  o.PressedColour2 = in.Colour(section, "PressedColour2", buttonText);
}

// Frames of a check or radio picture when the skin does not say: 16 or 13 pixels a frame by the
// picture's height, at least 4.
int BoxFrames(const TBitmap& image) {
  const int frames = image.Width() / (image.Height() >= 16 ? 16 : 13);
  return frames < 4 ? 4 : frames;
}

bool StartsWith(const std::string& upper, std::string_view prefix) { return upper.starts_with(prefix); }

}  // namespace

std::string SkinFileNamePart(const std::string& value) {
  const std::size_t cut = value.find_last_of("\\:/");
  return cut == std::string::npos ? value : value.substr(cut + 1);
}

TBitmap LoadSkinBitmap(std::span<const uint8_t> bytes) {
  if (bytes.empty() || !SizeAcceptable(bytes)) return {};
  try {
    TBitmap bitmap = olv::ReadBmp(bytes);
    if (bitmap.Width() > TSkinData::kMaxSkinSide || bitmap.Height() > TSkinData::kMaxSkinSide) return {};
    bitmap.SetPixelFormat(olv::TPixelFormat::pf32bit);
    return bitmap;
  } catch (const olv::EInvalidGraphic&) {
    return {};
  }
}

TSkinData::TSkinData()
    : Skin3rd(DefaultSkin3rd()),
      title_(std::make_unique<TDataSkinTitle>("Title")),
      buttons_(std::make_unique<TDataSkinButton>("Buttons")),
      sides_{std::make_unique<TDataSkinBorder>("Left"), std::make_unique<TDataSkinBorder>("Right"),
             std::make_unique<TDataSkinBorder>("Top"), std::make_unique<TDataSkinBorder>("Bottom")},
      menuGlyphs_(MakeMenuGlyphs()) {}

TSkinData::~TSkinData() {
  if (TSkinManage* manager = SkinManager()) manager->RemoveSkinData(this);
}

namespace {

// The host of a manager made before any window side: it knows no window and runs no timer.
class HeadlessHost : public TSkinWindowHost {
 public:
  std::vector<TWindowId> ApplicationForms() override { return {}; }
  TWindowFacts Facts(TWindowId) override { return {}; }
  std::unique_ptr<TSkinnedWindow> AttachWindow(TWindowId, TSkinData&) override { return nullptr; }
  void StartActionTimer(int) override {}
  void StopActionTimer() override {}
};

}  // namespace

void TSkinData::Loaded() {
  static HeadlessHost headless;
  TSkinManage* manager = SkinManager();
  if (!manager) manager = &CreateSkinManager(headless);
  manager->AddSkinData(this);
  loaded_ = true;
  if (SkinFormtype == TSkinFormType::sfMainform) {
    if (!active_) return;
    if (empty_)
      active_ = false;
    else
      manager->SetAction(saAttachAll, TSkinManage::kActionDelay, this);
    return;
  }
  manager->SetEnabled(true);
  manager->CountStart();
  if (OwnerForm) manager->AddForm(OwnerForm);
}

void TSkinData::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  TSkinManage* manager = SkinManager();
  if (!loaded_ || !manager) return;
  switch (SkinFormtype) {
    case TSkinFormType::sfMainform:
      if (active && empty_) return;
      manager->SetAction(active ? saAttachAll : saDetachAll, TSkinManage::kActionDelay, this);
      break;
    case TSkinFormType::sfOnlyThisForm:
      if (!active)
        manager->SetAction(saDetachAll, TSkinManage::kActionDelay, this);
      else if (!empty_)
        manager->SetAction(saAttachAll, TSkinManage::kActionDelay, this);
      break;
    case TSkinFormType::sfDialog: break;
  }
}

void TSkinData::ReapplySkin() {
  if (!SkinManager() || !loaded_) Loaded();
  SkinManager()->SetAction(saSkinChanged, TSkinManage::kActionDelay, this);
}

TSkinDecision TSkinData::DecideControl(const std::string& formClass, const TControlInfo& control) {
  if (control.tag % 100 == DisableTag) {
    TSkinDecision alone;
    alone.effects = reLeftAlone;
    return alone;
  }
  if (OnSkinControl) {
    TSkinDecision chosen;
    OnSkinControl(*this, formClass, control, chosen);
    if (chosen.Attaches()) return chosen;
  }
  TRuleSettings settings;
  settings.controls = SkinControls;
  settings.disableTag = DisableTag;
  settings.skin3rd = Skin3rd;
  settings.hasTabs = Object(TSkinRole::Tabs) != nullptr;
  return skin::DecideControl(control, settings);
}

const TDataSkinBorder* TSkinData::Border(TSkinRole role) const {
  return dynamic_cast<const TDataSkinBorder*>(Object(role));
}

bool TSkinData::ReadSkinStream(std::span<const uint8_t> stored) {
  if (stored.size() < 4) return false;
  const int32_t count = LE32(stored, 0);
  if (count < 1) return false;
  // The count is checked against what follows it: a stream cut short stores nothing.
  if (static_cast<uint64_t>(count) > stored.size() - 4) return false;
  return SetPackage(std::vector<uint8_t>(stored.begin() + 4, stored.begin() + 4 + count));
}

std::vector<uint8_t> TSkinData::WriteSkinStream() const {
  const auto n = static_cast<uint32_t>(package_.size());
  std::vector<uint8_t> out(4 + package_.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(n >> (8 * i));
  std::copy(package_.begin(), package_.end(), out.begin() + 4);
  return out;
}

bool TSkinData::SetPackage(std::vector<uint8_t> package) {
  package_ = std::move(package);
  return LoadSkin();
}

bool TSkinData::SetSkinFile(const std::string& path) {
  empty_ = true;
  skinFile_ = path;
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return false;
  const std::streamoff size = file.tellg();
  if (size < 0 || size > kMaxSkinFileSize) return false;
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
  const bool loaded = SetPackage(std::move(bytes));
  if (loaded && loaded_) ReapplySkin();
  return loaded;
}

bool TSkinData::LoadSkin() {
  empty_ = true;
  refused_ = false;
  TSkinReader reader;
  if (!reader.Load(package_)) {
    refused_ = true;
    if (OnPackageRefused) OnPackageRefused(*this);
    return false;
  }
  std::string found;
  const std::span<const uint8_t> ini = reader.FindFile(".ini", found);
  // A package without an INI has no skin in it; the original wrote it to a file named by the
  // package and failed on the temporary folder itself.
  if (ini.empty()) return false;
  LoadFromIni(TSkinIni(std::string_view(reinterpret_cast<const char*>(ini.data()), ini.size())), reader);
  return true;
}

void TSkinData::LoadFromIni(const TSkinIni& ini, const TSkinReader& package) {
  const IniReader in(ini, package);
  const std::vector<std::string>& sections = ini.SectionNames();
  skinName_ = in.Str("TitlebarSkin", "SkinName");

  // Frame sides.
  const char* const sideNames[4] = {"Left", "Right", "Top", "Bottom"};
  for (int i = 0; i < 4; ++i) {
    const std::string s = sideNames[i];
    auto side = std::make_unique<TDataSkinBorder>(s);
    side->Bitmap = in.Image("Personality", s);
    const int first = in.Int("Personality", s + "TopHeight", 0), second = in.Int("Personality", s + "BotHeight", 0);
    if (i < 2) {
      side->TopHeight = first;
      side->BottomHeight = second;
    } else {
      side->LeftWidth = first;
      side->RightWidth = second;
    }
    side->SetFrameCount(in.Int("Personality", s + "Frame", 1));
    side->Tile = in.Int("Personality", s + "Stretch", 1);
    side->Trans = in.Int("Personality", s + "Trans", 1);
    sides_[i] = std::move(side);
  }

  // Skin colours.
  TSkinColors& c = colors_;
  c.WindowText = in.Colour("Colours", "WindowText", SysColor(COLOR_WINDOWTEXT));
  c.ButtonFace = in.Colour("Colours", "ButtonFace", SysColor(COLOR_BTNFACE));
  c.Scrollbar = in.Colour("Colours", "Scrollbar", SysColor(COLOR_SCROLLBAR));
  c.HilightText = in.Colour("Colours", "HilightText", SysColor(COLOR_HIGHLIGHTTEXT));
  c.Hilight = in.Colour("Colours", "Hilight", SysColor(COLOR_HIGHLIGHT));
  c.Menubar = in.Colour("Colours", "Menubar", c.ButtonFace);
  c.Menu = in.Colour("Colours", "Menu", SysColor(COLOR_MENU));
  c.MenuText = in.Colour("Colours", "MenuText", SysColor(COLOR_MENUTEXT));
  c.ButtonText = in.Colour("Colours", "ButtonText", SysColor(COLOR_BTNTEXT));
  c.ButtonHilight = in.Colour("Colours", "ButtonHilight", SysColor(COLOR_BTNHIGHLIGHT));
  c.Buttonlight = in.Colour("Colours", "Buttonlight", SysColor(COLOR_BTNHIGHLIGHT));
  c.ButtonShadow = in.Colour("Colours", "ButtonShadow", SysColor(COLOR_BTNSHADOW));
  c.ButtonDkShadow = in.Colour("Colours", "ButtonDkShadow", SysColor(COLOR_BTNSHADOW));
  c.MenuBarText = in.Colour("Colours", "MenuBarText", SysColor(COLOR_MENUTEXT));
  c.TitleTextActive = in.Colour("Colours", "TitleTextActive", SysColor(COLOR_CAPTIONTEXT));
  c.TitleTextNoActive = in.Colour("Colours", "TitleTextNoActive", SysColor(COLOR_INACTIVECAPTIONTEXT));

  // The numbered colour table: sections "Colour..." in file order; the number plays no part.
  colourTable_.clear();
  for (const std::string& name : sections) {
    const std::string upper = olv::utf8::AsciiUpper(name);
    if (StartsWith(upper, "COLOUR") && upper != "COLOURS")
      colourTable_.push_back(in.Colour(name, "color", SysColor(COLOR_WINDOWTEXT)));
  }

  // Caption buttons, then the three buttons of a maximised MDI child.
  sysButtons_.clear();
  std::string lastName;
  for (const std::string& name : sections) {
    const std::string upper = olv::utf8::AsciiUpper(name);
    if (!StartsWith(upper, "BUTTON") || upper == "BUTTONS" || upper == "BUTTON.RADIO" || upper == "BUTTON.CHECKBOX")
      continue;
    auto b = std::make_unique<TDataSkinSysButton>(upper);
    b->Action = in.Int(name, "Action", 0);
    b->Align = in.Int(name, "Align", 0);
    b->Xcoord = in.Int(name, "Xcoord", 0);
    b->Ycoord = in.Int(name, "Ycoord", 0);
    b->Visibility = in.Int(name, "Visibility", 0);
    b->Visibility1 = in.Int(name, "Visibility1", 0);
    b->CombineOp = in.Int(name, "CombineOp", -1);
    const int frames = in.Int(name, "frame", 0);
    b->Bitmap = in.Image(name, "ButtonImage");
    if (frames == 0) {
      int guess = 6;
      if (b->HasPicture() && b->Bitmap.Width() <= 3.8 * b->Bitmap.Height()) guess = 3;
      if (b->Action < 0) guess = 6;
      b->SetFrameCount(guess);
      if (b->Action == 3 || b->Action == 11) b->Bitmap = TBitmap();  // these show the window's icon
    } else {
      b->SetFrameCount(frames);
    }
    lastName = upper;
    sysButtons_.push_back(std::move(b));
  }
  const TBitmap mdi = in.Image("MDICONTROLS", "Image");
  const int w = mdi.Width() / 12;
  for (int k = 0; k < 3; ++k) {
    auto b = std::make_unique<TDataSkinSysButton>(lastName);
    b->Action = 7 + k;
    b->Align = b->Visibility = b->Visibility1 = 100;
    b->SetFrameCount(4);
    if (!mdi.Empty()) {
      b->Bitmap = TBitmap(4 * w, mdi.Height());
      olv::TCanvas(b->Bitmap).CopyRect(b->Bitmap.Bounds(), mdi, {4 * k * w, 0, 4 * (k + 1) * w, mdi.Height()});
      b->Xcoord = (3 - k) * (w + 4);
    }
    sysButtons_.push_back(std::move(b));
  }

  // Buttons.
  auto buttons = std::make_unique<TDataSkinButton>("Buttons");
  ReadSlicing(in, "Buttons", "Bitmap", *buttons);
  buttons->CheckBitmap = in.Image("Buttons", "CheckButton");
  buttons->RadioBitmap = in.Image("Buttons", "RadioButton");
  ReadColours(in, "Buttons", *buttons, c.ButtonText);
  buttons->RadioFrameCount = in.Int("Buttons", "RadioButtonFrame", 0);
  buttons->CheckFrameCount = in.Int("Buttons", "CheckButtonFrame", 0);

  // Caption text.
  auto title = std::make_unique<TDataSkinTitle>("Title");
  title->Bitmap = in.Image("Personality", "TextBack");
  title->LeftWidth = in.Int("Personality", "TextShift", 0);
  title->TopHeight = in.Int("Personality", "TextShiftVert", 0);
  title->RightWidth = in.Int("Personality", "TextRightClip", 0);
  title->TextAlignment = in.Int("Personality", "TextAlignment", 0);
  title->TextBackground = in.Int("Personality", "Textbackground", 0);
  title->TextBackLeft = in.Int("Personality", "TXTBackleft", 0);
  title->TextBackRight = in.Int("Personality", "TXTBackRight", 0);
  title->FontHeight = in.Int("Fonts", "FontHeight", 14);
  const auto rgb = [&](const std::string& prefix) {
    const int r = in.Int("Personality", prefix + "R", -1), g = in.Int("Personality", prefix + "G", -1),
              b = in.Int("Personality", prefix + "B", -1);
    return r >= 0 && g >= 0 && b >= 0 ? olv::MakeColor(uint8_t(r), uint8_t(g), uint8_t(b)) : olv::kClNone;
  };
  title->ActiveTextColour = rgb("ActiveText");
  title->InactiveTextColour = rgb("InActiveText");

  // The other objects, each from its section.
  for (const TSkinSection& s : SkinSections()) {
    std::unique_ptr<TDataSkinObject>& slot = objects_[static_cast<int>(s.role)];
    slot.reset();
    switch (s.shape) {
      case TSectionShape::Plain:
      case TSectionShape::SecondImage: {
        if (in.Str(s.section, "Image").empty()) break;
        std::unique_ptr<TDataSkinObject> o;
        if (s.shape == TSectionShape::Plain) {
          o = std::make_unique<TDataSkinObject>(std::string(s.section));
          o->Style = in.Int(s.section, "Style", 0);
        } else {
          o = std::make_unique<TDataSkinBorder>(std::string(s.section));
        }
        ReadSlicing(in, s.section, "Image", *o);
        ReadColours(in, s.section, *o, c.ButtonText);
        if (o->Tile > 1) o->Tile = 0;
        if (s.shape == TSectionShape::SecondImage) {
          auto& border = static_cast<TDataSkinBorder&>(*o);
          if (s.secondKey == kMirroredKey) {
            if (border.HasPicture()) {
              border.Bitmap2 = border.Bitmap;
              MirrorBitmap(border.Bitmap2);
            }
          } else if (!in.Str(s.section, s.secondKey).empty()) {
            border.Bitmap2 = in.Image(s.section, s.secondKey);
          }
        }
        slot = std::move(o);
        break;
      }
      case TSectionShape::Progress: {
        if (in.Str(s.section, "Bitmap").empty()) break;
        auto o = std::make_unique<TDataSkinBorder>(std::string(s.section));
        ReadSlicing(in, s.section, "Bitmap", *o);
        o->Bitmap2 = in.Image(s.section, s.secondKey);
        o->Style = in.Int(s.section, "Style", 0);
        slot = std::move(o);
        break;
      }
      case TSectionShape::MenuBar: {
        if (in.Str(s.section, "menuBar").empty()) break;
        auto o = std::make_unique<TDataSkinObject>(std::string(s.section));
        o->Bitmap = in.Image(s.section, "menuBar");
        o->Tile = in.Int(s.section, "TileMenu", 0);
        o->LeftWidth = in.Int(s.section, "TileLeftMenu", 1);
        o->RightWidth = in.Int(s.section, "TileRightMenu", 1);
        slot = std::move(o);
        break;
      }
    }
    if (slot) slot->SetFrameCount(s.frames ? s.frames : in.Int(s.section, "FrameCount", 3));
  }

  // Frame counts of the fixed objects.
  title->SetFrameCount(2);
  buttons->SetFrameCount(5);
  if (buttons->RadioFrameCount == 0) buttons->RadioFrameCount = BoxFrames(buttons->RadioBitmap);
  if (buttons->CheckFrameCount == 0) buttons->CheckFrameCount = BoxFrames(buttons->CheckBitmap);
  if (buttons->RadioFrameCount < 1) buttons->RadioFrameCount = 1;
  if (buttons->CheckFrameCount < 1) buttons->CheckFrameCount = 1;
  title_ = std::move(title);
  buttons_ = std::move(buttons);

  brushColour_ = c.ButtonFace;
  // Unique across components (painters key their caches on it), also when loaded on other threads.
  static std::atomic<unsigned> loads{0};
  generation_ = ++loads;
  empty_ = false;
}

void TSkinData::DoFormSkin(const std::string& className, bool& doSkin) {
  if (OnFormSkin) {
    OnFormSkin(*this, className, doSkin);
    return;
  }
  if (className == "SysMonthCal32") doSkin = false;
  if (SkinControls.Has(xcFastReport) && className.starts_with("Tfr")) doSkin = false;
}

void TSkinData::DoSkinChanged() {
  if (OnSkinChanged) OnSkinChanged(*this);
}

}  // namespace skin
