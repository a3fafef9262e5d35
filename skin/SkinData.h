#pragma once
// TSkinData: the component that carries a skin and its settings. It stores the skin package (the
// form keeps it as the "SkinStream" property: a 32-bit byte count and the compressed package) and
// turns the package's INI and bitmaps into the skin model that every painter reads: the skin
// objects, the skin colours, the numbered colour table and the caption buttons.
//
// The INI is read from the package's bytes in memory, never through a file named by the package.
// A package that is refused, or holds no INI, leaves the component empty (Empty() stays true), so
// skinning stays off. Bitmaps are checked: one that is damaged, or larger than kMaxSkinSide a
// side, loads as an empty picture and the rest of the skin still loads. Every bitmap is kept in
// the one 32-bit format.
//
// Once streamed (Loaded), the component registers with the skin manager (skin/SkinManage.h) and
// its Active, SkinFile and ReapplySkin queue the manager's actions. The component owns everything
// it holds; it lives and is used on the main thread.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "skin/ControlRules.h"
#include "skin/SkinObjects.h"
#include "skin/SkinSections.h"
#include "skin/SkinTypes.h"
#include "widgets/gfx/Bitmap.h"
#include "widgets/gfx/Color.h"

namespace skin {

class TSkinIni;
class TSkinReader;

// The skin colours, by their INI key in section "Colours".
struct TSkinColors {
  olv::TColor WindowText = 0, ButtonFace = 0, Scrollbar = 0, HilightText = 0, Hilight = 0, Menubar = 0,
              Menu = 0, MenuText = 0, ButtonText = 0, ButtonHilight = 0, Buttonlight = 0, ButtonShadow = 0,
              ButtonDkShadow = 0, MenuBarText = 0, TitleTextActive = 0, TitleTextNoActive = 0;
};

class TSkinData {
 public:
  // The largest picture a skin may hold: a side, and all its pixels (64 MiB in the 32-bit format).
  static constexpr int kMaxSkinSide = 16384;
  static constexpr int64_t kMaxSkinPixels = int64_t{1} << 24;
  // A skin file larger than this is not read: no package unpacks to more than the decoder allows.
  static constexpr int64_t kMaxSkinFileSize = 64 << 20;

  TSkinData();
  // Unregisters from the skin manager, which takes this skin off the windows that use it.
  ~TSkinData();
  TSkinData(const TSkinData&) = delete;
  TSkinData& operator=(const TSkinData&) = delete;

  // Settings, with the component's defaults.
  bool Active() const { return active_; }
  // Once loaded: for sfMainform queues attach all or detach all (turning it on without a skin
  // does nothing more); for sfOnlyThisForm the same for its own form; sfDialog queues nothing.
  void SetActive(bool active);
  // The form that owns the component (sfOnlyThisForm skins only that one).
  const void* OwnerForm = nullptr;
  int DisableTag = 99;
  TSkinControlTypes SkinControls = TSkinControlTypes::Defaults();
  std::vector<std::string> Skin3rd;  // the default lines to start with
  TSkinFormType SkinFormtype = TSkinFormType::sfMainform;
  bool MenuUpdate = true;
  // Decides per window class name whether a window is skinned (DoSkin enters true).
  std::function<void(TSkinData& sender, const std::string& className, bool& doSkin)> OnFormSkin;
  std::function<void(TSkinData& sender)> OnSkinChanged;
  // A package the reader refused (TSkinReader::Load; a package without an INI is no refusal):
  // the window side tells the user (TSkinReader::kRefusedText). The component shows nothing.
  std::function<void(TSkinData& sender)> OnPackageRefused;
  // Lets the application decide how a control of a form is skinned: decision enters as "none";
  // one that attaches an object is taken instead of the rules.
  std::function<void(TSkinData& sender, const std::string& formClass, const TControlInfo& control,
                     TSkinDecision& decision)>
      OnSkinControl;

  // The after-streaming start: makes the skin manager when there is none (over a host that skins
  // no window) and registers. sfMainform: with Active, queues attach all, or turns Active off when
  // no skin is loaded. sfOnlyThisForm and sfDialog: enable the manager at once and attach the
  // owner form.
  void Loaded();
  bool IsLoaded() const { return loaded_; }
  // After a new skin was loaded: the skinned windows take it up (queued as skin changed).
  void ReapplySkin();
  // Bumped by every completed load: painters keep what they derived from the pictures until it
  // changes.
  unsigned Generation() const { return generation_; }

  // The stored package, as the form streams it: a 32-bit little-endian count, then the package.
  // Reading a count below 1 changes nothing; otherwise the package is stored and loaded at once
  // (false when the count runs past the bytes given, or the load fails).
  bool ReadSkinStream(std::span<const uint8_t> stored);
  std::vector<uint8_t> WriteSkinStream() const;
  // Stores a compressed package and loads it.
  bool SetPackage(std::vector<uint8_t> package);
  const std::vector<uint8_t>& Package() const { return package_; }

  // Sets the empty flag and remembers the name; when the file exists (and is not larger than
  // kMaxSkinFileSize) its bytes become the stored package and the skin is loaded from them.
  // True when a skin was loaded. The window side then has the skinned forms take it up.
  bool SetSkinFile(const std::string& path);
  const std::string& SkinFile() const { return skinFile_; }
  // What the form designer shows; always "(none)" in the running program.
  std::string SkinStore() const { return "(none)"; }

  // Loads the model from the stored package; true when it was accepted. A refused package is
  // reported to OnPackageRefused.
  bool LoadSkin();
  // Whether the last load refused its package: for a load made where nobody could be told (a
  // package unpacked on another thread), so that the window side tells the user afterwards.
  bool PackageRefused() const { return refused_; }
  // Builds the model from a parsed INI, taking its bitmaps from the package reader.
  void LoadFromIni(const TSkinIni& ini, const TSkinReader& package);
  // True from construction until a load completes, and again from the start of every load.
  bool Empty() const { return empty_; }

  // The window-class rule of the skin manager: OnFormSkin alone when assigned; else
  // "SysMonthCal32" is refused, and with xcFastReport every class beginning with "Tfr".
  void DoFormSkin(const std::string& className, bool& doSkin);
  void DoSkinChanged();
  // How a control of a form is skinned: DisableTag first, then OnSkinControl, then the rules
  // with this component's settings.
  TSkinDecision DecideControl(const std::string& formClass, const TControlInfo& control);

  // The skin model.
  const std::string& SkinName() const { return skinName_; }
  const TSkinColors& Colors() const { return colors_; }
  const std::vector<olv::TColor>& ColourTable() const { return colourTable_; }
  const std::vector<std::unique_ptr<TDataSkinSysButton>>& SysButtons() const { return sysButtons_; }
  const TDataSkinTitle& Title() const { return *title_; }
  const TDataSkinButton& Buttons() const { return *buttons_; }
  const TDataSkinBorder& Left() const { return *sides_[0]; }
  const TDataSkinBorder& Right() const { return *sides_[1]; }
  const TDataSkinBorder& Top() const { return *sides_[2]; }
  const TDataSkinBorder& Bottom() const { return *sides_[3]; }
  // The object of a role, or nullptr when the skin has none.
  const TDataSkinObject* Object(TSkinRole role) const { return objects_[static_cast<int>(role)].get(); }
  // The same for the roles with a second picture (SecondImage and Progress shapes).
  const TDataSkinBorder* Border(TSkinRole role) const;
  // The colour of a solid brush in "ButtonFace", made at the end of each load.
  olv::TColor BrushColour() const { return brushColour_; }

  // The system menu's glyphs: restore, maximise, minimise, close, 16 x 16 each side by side,
  // black on white (white is the mask colour).
  const olv::TBitmap& MenuGlyphs() const { return menuGlyphs_; }
  // The icon that windows without one of their own show in their caption (set by the window side).
  olv::TBitmap FallbackIcon;
  // While off, skinned forms skip painting their frames.
  bool FramePainting = true;

 private:
  bool active_ = false;
  bool empty_ = true;
  bool refused_ = false;
  bool loaded_ = false;
  unsigned generation_ = 0;
  std::string skinFile_;
  std::vector<uint8_t> package_;

  std::string skinName_;
  TSkinColors colors_;
  std::vector<olv::TColor> colourTable_;
  std::vector<std::unique_ptr<TDataSkinSysButton>> sysButtons_;
  std::unique_ptr<TDataSkinTitle> title_;
  std::unique_ptr<TDataSkinButton> buttons_;
  std::array<std::unique_ptr<TDataSkinBorder>, 4> sides_;
  std::array<std::unique_ptr<TDataSkinObject>, kSkinRoleCount> objects_;
  olv::TColor brushColour_ = 0;
  olv::TBitmap menuGlyphs_;
};

// The file-name part of a picture's INI value: folders (before "\", ":" or "/") play no part.
std::string SkinFileNamePart(const std::string& value);

// A skin picture from a package file's bytes: a BMP in the 32-bit format, or an empty picture
// when the bytes are no readable BMP or the picture is larger than TSkinData's limits (checked
// from the header before any pixel memory is taken).
olv::TBitmap LoadSkinBitmap(std::span<const uint8_t> bytes);

}  // namespace skin
