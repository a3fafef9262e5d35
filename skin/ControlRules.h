#pragma once
// Which skinning object a child control of a skinned form gets, and how it is attached: a pure
// table from the control's class (by name and by the library classes it derives from), its Tag,
// the skin component's SkinControls, DisableTag and Skin3rd lines, and whether the skin has a
// "Tabs" picture. The window side describes each control (TControlInfo), asks, and carries out
// the decision; the OnSkinControl event and "already attached" are its business too.
// Windows without a control object are decided by their window class name and style instead.
// Pure functions, any thread.
#include <cstdint>
#include <string>
#include <vector>

#include "skin/SkinTypes.h"

namespace skin {

// The library classes a control is, or derives from (several may hold at once).
enum TControlKind : uint32_t {
  ckWinControl = 1u << 0,  // has a window
  ckPageControl = 1u << 1,
  ckCustomCheckBox = 1u << 2,
  ckCustomRadioGroup = 1u << 3,
  ckCustomGroupBox = 1u << 4,
  ckRadioButton = 1u << 5,
  ckToolBar = 1u << 6,
  ckStatusBar = 1u << 7,
  ckBitBtn = 1u << 8,
  ckSpeedButton = 1u << 9,
  ckCustomPanel = 1u << 10,
  ckCustomListView = 1u << 11,
  ckCustomMemo = 1u << 12,
  ckCustomGrid = 1u << 13,
  ckButton = 1u << 14,
  ckCustomEdit = 1u << 15,
  ckCustomForm = 1u << 16,
  ckListBox = 1u << 17,
  ckMemo = 1u << 18,
  ckCustomListBox = 1u << 19,
  ckCustomTreeView = 1u << 20,
};

struct TControlInfo {
  std::string className;   // the class's name as written ("TButton"); compared upper-cased
  uint32_t kinds = 0;      // TControlKind bits
  int tag = 0;
  bool scrollStyle = false;  // the window has a horizontal or vertical scroll-bar style
  bool timeKind = false;     // a date-time picker that edits a time
};

struct TRuleSettings {
  TSkinControlTypes controls = TSkinControlTypes::Defaults();
  int disableTag = 99;
  std::vector<std::string> skin3rd;
  bool hasTabs = false;  // the skin has a "Tabs" object
};

enum class TSkinObjectKind : uint8_t {
  None,
  SkinButton,
  SkinBitButton,
  SkinSpeedButton,
  SkinCheckBox,
  SkinRadioButton,
  SkinComBox,
  SkinEdit,
  SkinStatusBar,
  SkinBox,
  SkinUpDown,
  SkinTab,
  SkinTab31,
  SkinProgress,
  SkinTrackBar,
  SkinSizer,
  SkinScrollBar,
  SkinListView,
};

// How the object is attached: Attach(control, skin, flag, canvas); AttachHandle(window, skin,
// canvas); the scroll-bar or speed-button object's own attach.
enum class TAttachCall : uint8_t { None, Attach, AttachHandle, OwnAttach };

// What the window side does to the control besides (or instead of) attaching an object.
enum TRuleEffect : uint32_t {
  reLeftAlone = 1u << 0,        // nothing at all: DisableTag, or a class that must keep its look
  reWalkComponents = 1u << 1,   // its own components are decided in turn
  reSetFlat = 1u << 2,          // Flat := True
  reSetTransparent = 1u << 3,   // published "Transparent" := True
  reColorButtonFace = 1u << 4,  // Color := skin colour "ButtonFace"
  reFixedColorButtonFace = 1u << 5,  // FixedColor := "ButtonFace"
  reNoSizeGrip = 1u << 6,            // SizeGrip := False
  reChildrenOwnColor = 1u << 7,      // each child control: ParentColor := False
  reAddToFormList = 1u << 8,         // the form adds the object to its list itself
  reOnFirstChild = 1u << 9,          // the object goes to the window's first child window
};

struct TSkinDecision {
  TSkinObjectKind object = TSkinObjectKind::None;
  TAttachCall call = TAttachCall::None;
  int flag = 0;
  uint32_t effects = 0;  // TRuleEffect bits
  // Objects for each child control first (radio groups, check groups).
  TSkinObjectKind childObject = TSkinObjectKind::None;
  int childFlag = 0;

  bool Attaches() const { return object != TSkinObjectKind::None; }
  friend bool operator==(const TSkinDecision&, const TSkinDecision&) = default;
};

// The decision for a control of a form, rules in order: DisableTag, the classes left alone,
// "TTOOLBAR", then the Skin3rd rule and the table of classes and Tag codes.
TSkinDecision DecideControl(const TControlInfo& control, const TRuleSettings& settings);

// The Skin3rd rule alone: the kind named for the class by the first line "class=kind" (class
// compared without regard to case), when that kind is enabled. None when no line or kind applies.
TSkinDecision DecideSkin3rd(const std::string& className, const TRuleSettings& settings);

// A windowed control with a scroll-bar style, a list box, memo or tree view, or Tag exactly 55.
bool IsScrollingControl(const TControlInfo& control);

// The control counts as handled already when it sits on a form whose name (lower-cased) holds
// "preview": print previews keep their look.
bool IsPreviewForm(const std::string& formName);

// A child window without a control object: by its window class name and style. An object found
// here is attached with AttachHandle and added to the form's list.
TSkinDecision DecideWindow(const std::string& windowClass, uint32_t style);

}  // namespace skin
