#include "skin/ControlRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/Skin3rdDefaults.h"

namespace skin {
namespace {

using K = TSkinObjectKind;
using C = TAttachCall;

TRuleSettings Settings(std::initializer_list<TSkinControlType> without = {}, bool tabs = true) {
  TRuleSettings s;
  for (TSkinControlType k : without) s.controls.Remove(k);
  s.skin3rd = DefaultSkin3rd();
  s.skin3rd.push_back("TMyEdit=Edit");
  s.skin3rd.push_back("TMyGroup=radiogroup");
  s.skin3rd.push_back("TMyTabs=tab");
  s.skin3rd.push_back("TMyBar=progress");
  s.hasTabs = tabs;
  return s;
}

TControlInfo Ctl(std::string cls, uint32_t kinds = ckWinControl, int tag = 0) {
  TControlInfo c;
  c.className = std::move(cls);
  c.kinds = kinds | ckWinControl;
  c.tag = tag;
  return c;
}

struct Case {
  const char* name;
  TControlInfo control;
  TRuleSettings settings;
  K object;
  C call;
  int flag;
  uint32_t effects;
  K child = K::None;
};

TEST(ControlRulesTest, ControlsOfAFormGetTheirObjectsByClassTagAndSettings) {
  TControlInfo picker = Ctl("TDateTimePicker");
  TControlInfo timePicker = picker;
  timePicker.timeKind = true;
  TControlInfo scrolled = Ctl("TSomething");
  scrolled.scrollStyle = true;
  const Case cases[] = {
      {"Tag 199 with DisableTag 99", Ctl("TButton", ckButton, 199), Settings(), K::None, C::None, 0, reLeftAlone},
      {"Tag -1 is not DisableTag", Ctl("TButton", ckButton, -1), Settings(), K::SkinButton, C::Attach, 0, 0},
      {"class that keeps its look", Ctl("TQRPreview", ckCustomPanel), Settings(), K::None, C::None, 0, reLeftAlone},
      {"TToolBar by name", Ctl("TToolBar", ckToolBar), Settings(), K::None, C::None, 0,
       reSetFlat | reColorButtonFace},
      {"derived tool bar", Ctl("TMyToolBar", ckToolBar), Settings(), K::SkinBox, C::Attach, 1, reSetFlat},
      {"plain combo box: nothing", Ctl("TComboBox"), Settings(), K::None, C::None, 0, 0},
      {"combo box by Tag 95", Ctl("TComboBox", 0, 195), Settings(), K::SkinComBox, C::Attach, 0, 0},
      {"Skin3rd TMyEdit=Edit, any case", Ctl("tmyedit"), Settings(), K::SkinEdit, C::AttachHandle, 0, 0},
      {"Skin3rd radio group", Ctl("TMyGroup"), Settings(), K::SkinBox, C::Attach, 1, 0, K::SkinRadioButton},
      {"Skin3rd radio group without radio buttons", Ctl("TMyGroup"), Settings({xcRadioButton}), K::SkinBox,
       C::Attach, 1, 0},
      {"Skin3rd kind disabled falls to the table", Ctl("TMyEdit", ckCustomPanel), Settings({xcEdit}), K::SkinBox,
       C::Attach, 1, reWalkComponents},
      {"Skin3rd tab needs the Tabs picture", Ctl("TMyTabs"), Settings({}, false), K::None, C::None, 0, 0},
      {"Skin3rd progress", Ctl("TMyBar"), Settings(), K::SkinProgress, C::Attach, 0, 0},
      {"Skin3rd trackbar", Ctl("TLMDTrackbar"), Settings(), K::SkinTrackBar, C::Attach, 0, reSetTransparent},
      {"default Skin3rd check box", Ctl("TDBCheckboxEh"), Settings(), K::SkinCheckBox, C::Attach, 1, 0},
      {"page control", Ctl("TPageControl", ckPageControl), Settings(), K::SkinTab, C::AttachHandle, 0,
       reAddToFormList},
      {"page control without Tabs", Ctl("TPageControl", ckPageControl), Settings({}, false), K::None, C::None, 0, 0},
      {"tab set", Ctl("TTabSet"), Settings(), K::SkinTab31, C::Attach, 0, 0},
      {"check box", Ctl("TCheckBox", ckCustomCheckBox), Settings(), K::SkinCheckBox, C::Attach, 1, 0},
      {"track bar", Ctl("TTrackBar"), Settings(), K::SkinTrackBar, C::Attach, 0, 0},
      {"track bar without xcButton", Ctl("TTrackBar"), Settings({xcButton}), K::None, C::None, 0, 0},
      {"up-down without xcButton", Ctl("TUpDown"), Settings({xcButton}), K::None, C::None, 0, 0},
      {"radio group", Ctl("TRadioGroup", ckCustomRadioGroup | ckCustomGroupBox), Settings(), K::SkinBox,
       C::Attach, 1, reChildrenOwnColor, K::SkinRadioButton},
      {"group box", Ctl("TGroupBox", ckCustomGroupBox), Settings(), K::SkinBox, C::Attach, 1,
       reChildrenOwnColor | reWalkComponents},
      {"navigator", Ctl("TDBNavigator", ckCustomPanel), Settings(), K::SkinBox, C::Attach, 1, reSetFlat},
      {"status bar", Ctl("TStatusBar", ckStatusBar), Settings(), K::SkinStatusBar, C::Attach, 0, reNoSizeGrip},
      {"date picker", picker, Settings(), K::SkinComBox, C::Attach, 0, 0},
      {"time picker", timePicker, Settings(), K::SkinEdit, C::Attach, 0, 0},
      {"rich edit before memo", Ctl("TRichEdit", ckCustomMemo), Settings(), K::SkinScrollBar, C::OwnAttach, 1, 0},
      {"bit button before button", Ctl("TBitBtn", ckBitBtn | ckButton), Settings(), K::SkinBitButton,
       C::Attach, 0, 0},
      {"bit button without xcBitBtn", Ctl("TBitBtn", ckBitBtn | ckButton), Settings({xcBitBtn}), K::SkinButton,
       C::Attach, 0, 0},
      {"speed button", Ctl("TSpeedButton", ckSpeedButton), Settings(), K::SkinSpeedButton, C::OwnAttach, 0, 0},
      {"panel", Ctl("TPanel", ckCustomPanel), Settings(), K::SkinBox, C::Attach, 1, reWalkComponents},
      {"list view", Ctl("TListView", ckCustomListView), Settings(), K::SkinListView, C::OwnAttach, 0, 0},
      {"grid", Ctl("TStringGrid", ckCustomGrid), Settings(), K::SkinScrollBar, C::OwnAttach, 1,
       reFixedColorButtonFace},
      {"tree view scrolls", Ctl("TTreeView", ckCustomTreeView), Settings(), K::SkinScrollBar, C::OwnAttach, 1, 0},
      {"scroll-bar style", scrolled, Settings(), K::SkinScrollBar, C::OwnAttach, 1, 0},
      {"Tag 96", Ctl("TImage", 0, 96), Settings(), K::SkinScrollBar, C::OwnAttach, 1, 0},
      {"Tag 55 exactly", Ctl("TImage", 0, 55), Settings(), K::SkinScrollBar, C::OwnAttach, 1, 0},
      {"memo without xcScrollbar", Ctl("TMemo", ckCustomMemo | ckMemo | ckCustomEdit), Settings({xcScrollbar}),
       K::SkinEdit, C::AttachHandle, 0, 0},
      {"edit", Ctl("TEdit", ckCustomEdit), Settings(), K::SkinEdit, C::AttachHandle, 0, 0},
      {"Tag 97", Ctl("TLabel", 0, 297), Settings(), K::SkinEdit, C::AttachHandle, 0, 0},
      {"embedded form", Ctl("TFrameForm", ckCustomForm), Settings(), K::None, C::None, 0,
       reColorButtonFace | reWalkComponents},
      {"MVC panel only walks", Ctl("TMVCPanel", ckCustomPanel), Settings(), K::None, C::None, 0, reWalkComponents},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TSkinDecision d = DecideControl(c.control, c.settings);
    EXPECT_EQ(static_cast<int>(d.object), static_cast<int>(c.object));
    EXPECT_EQ(static_cast<int>(d.call), static_cast<int>(c.call));
    EXPECT_EQ(d.flag, c.flag);
    EXPECT_EQ(d.effects, c.effects);
    EXPECT_EQ(static_cast<int>(d.childObject), static_cast<int>(c.child));
  }
}

TEST(ControlRulesTest, DefaultSkin3rdHasItsNinetyFiveLines) {
  const auto& lines = DefaultSkin3rd();
  ASSERT_EQ(lines.size(), 95u);
  EXPECT_EQ(lines.front(), "TTBDock=Panel");
  EXPECT_EQ(lines.back(), "TDXPOPUPEDIT=Combobox");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "TRzButton=button"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "TDBLookupCombobox=Combobox"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "TWWDBCombobox=Combobox"), 2);
}

TEST(ControlRulesTest, WindowsWithoutControlsAreDecidedByClassAndStyle) {
  struct W {
    const char* cls;
    uint32_t style;
    K object;
  };
  const W cases[] = {
      {"Button", 0x50000007, K::None},  // BS_GROUPBOX
      {"Button", 0x50000009, K::SkinRadioButton},  // BS_AUTORADIOBUTTON
      {"Button", 0x50000004, K::SkinRadioButton},
      {"Button", 0x50000003, K::SkinCheckBox},
      {"Button", 0x50000002, K::SkinCheckBox},
      {"Button", 0x50000005, K::SkinCheckBox},
      {"Button", 0x50000001, K::SkinButton},
      {"COMBOBOX", 0x50000002, K::SkinComBox},
      {"ComboBox", 0x50000001, K::None},  // simple combo box
      {"ComboBoxEx32", 0, K::SkinComBox},
      {"ScrollBar", 0, K::SkinSizer},
      {"SysTabControl32", 0, K::SkinTab},
      {"SysTabControl32", 0x2000, K::None},
      {"Edit", 0, K::SkinEdit},
      {"Static", 0, K::None},
  };
  for (const W& w : cases) {
    SCOPED_TRACE(std::string(w.cls) + " " + std::to_string(w.style));
    const TSkinDecision d = DecideWindow(w.cls, w.style);
    EXPECT_EQ(static_cast<int>(d.object), static_cast<int>(w.object));
    if (d.Attaches()) {
      EXPECT_EQ(static_cast<int>(d.call), static_cast<int>(C::AttachHandle));
      EXPECT_TRUE(d.effects & reAddToFormList);
    }
  }
  EXPECT_TRUE(DecideWindow("ComboBoxEx32", 0).effects & reOnFirstChild);
}

TEST(ControlRulesTest, PrintPreviewFormsAreRecognisedByName) {
  EXPECT_TRUE(IsPreviewForm("TQRStandardPreview"));
  EXPECT_TRUE(IsPreviewForm("MyPREVIEWForm"));
  EXPECT_FALSE(IsPreviewForm("MainForm"));
}

}  // namespace
}  // namespace skin
