#include "skin/ControlRules.h"

#include <optional>
#include <string_view>

#include "foundation/text/Utf8.h"

namespace skin {

namespace {

using K = TSkinObjectKind;
using C = TAttachCall;
constexpr int kNoKind = -1;  // the rule needs no SkinControls kind

TSkinDecision Make(K object, C call, int flag, uint32_t effects = 0) {
  TSkinDecision d;
  d.object = object;
  d.call = call;
  d.flag = flag;
  d.effects = effects;
  return d;
}

TSkinDecision Children(K child, TSkinDecision then) {
  then.childObject = child;
  then.childFlag = 1;
  return then;
}

int TagCode(const TControlInfo& c) { return c.tag % 100; }

bool NameIs(const std::string& upper, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (upper == n) return true;
  return false;
}

struct Rule {
  bool (*match)(const TControlInfo& c, const std::string& upper);
  int need;         // a TSkinControlType, or kNoKind
  bool needsTabs;   // the skin must have a "Tabs" object
  TSkinDecision result;
};

// The table, in the order the rules are tried after the Skin3rd rule.
const Rule kRules[] = {
    {[](auto&, auto& n) { return n == "TTABSET"; }, xcTab, true, Make(K::SkinTab31, C::Attach, 0)},
    {[](auto&, auto& n) { return n == "TTABBEDNOTEBOOK"; }, xcTab, true,
     Make(K::SkinTab, C::AttachHandle, 0, reAddToFormList)},
    {[](auto&, auto& n) { return n == "TMVCPANEL"; }, kNoKind, false,
     Make(K::None, C::None, 0, reWalkComponents)},
    {[](auto& c, auto&) { return (c.kinds & ckPageControl) != 0; }, xcTab, true,
     Make(K::SkinTab, C::AttachHandle, 0, reAddToFormList)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomCheckBox) != 0; }, xcCheckBox, false,
     Make(K::SkinCheckBox, C::Attach, 1)},
    {[](auto&, auto& n) { return n == "TTRACKBAR"; }, xcButton, false, Make(K::SkinTrackBar, C::Attach, 0)},
    {[](auto&, auto& n) { return n == "TUPDOWN"; }, xcButton, false, Make(K::SkinUpDown, C::Attach, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomRadioGroup) != 0; }, xcRadioButton, false,
     Children(K::SkinRadioButton, Make(K::SkinBox, C::Attach, 1, reChildrenOwnColor))},
    {[](auto&, auto& n) { return n == "TDBNAVIGATOR"; }, xcPanel, false,
     Make(K::SkinBox, C::Attach, 1, reSetFlat)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomGroupBox) != 0; }, xcPanel, false,
     Make(K::SkinBox, C::Attach, 1, reChildrenOwnColor | reWalkComponents)},
    {[](auto& c, auto&) { return (c.kinds & ckRadioButton) != 0; }, xcRadioButton, false,
     Make(K::SkinRadioButton, C::Attach, 1)},
    {[](auto& c, auto&) { return (c.kinds & ckToolBar) != 0; }, xcToolbar, false,
     Make(K::SkinBox, C::Attach, 1, reSetFlat)},
    {[](auto& c, auto&) { return (c.kinds & ckStatusBar) != 0; }, xcStatusBar, false,
     Make(K::SkinStatusBar, C::Attach, 0, reNoSizeGrip)},
    {[](auto& c, auto&) { return TagCode(c) == 95; }, xcCombo, false, Make(K::SkinComBox, C::Attach, 0)},
    {[](auto& c, auto& n) { return n == "TDATETIMEPICKER" && !c.timeKind; }, xcEdit, false,
     Make(K::SkinComBox, C::Attach, 0)},
    {[](auto& c, auto& n) { return n == "TDATETIMEPICKER" && c.timeKind; }, xcEdit, false,
     Make(K::SkinEdit, C::Attach, 0)},
    {[](auto&, auto& n) { return n == "TRICHEDIT"; }, xcScrollbar, false,
     Make(K::SkinScrollBar, C::OwnAttach, 1)},
    {[](auto&, auto& n) { return NameIs(n, {"TWWDBRICHEDIT", "TDXDBMEMO"}); }, xcScrollbar, false,
     Make(K::SkinScrollBar, C::OwnAttach, 1)},
    {[](auto& c, auto&) { return (c.kinds & ckBitBtn) != 0; }, xcBitBtn, false,
     Make(K::SkinBitButton, C::Attach, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckSpeedButton) != 0; }, xcSpeedButton, false,
     Make(K::SkinSpeedButton, C::OwnAttach, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomPanel) != 0; }, xcPanel, false,
     Make(K::SkinBox, C::Attach, 1, reWalkComponents)},
    {[](auto&, auto& n) { return NameIs(n, {"TDXTREELIST", "TDXDBTREELIST", "TDXDBGRID"}); },
     xcScrollbar, false, Make(K::SkinScrollBar, C::OwnAttach, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomListView) != 0; }, xcScrollbar, false,
     Make(K::SkinListView, C::OwnAttach, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomMemo) != 0; }, xcScrollbar, false,
     Make(K::SkinScrollBar, C::OwnAttach, 1)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomGrid) != 0; }, xcScrollbar, false,
     Make(K::SkinScrollBar, C::OwnAttach, 1, reFixedColorButtonFace)},
    {[](auto& c, auto&) { return TagCode(c) == 96 || IsScrollingControl(c); }, xcScrollbar, false,
     Make(K::SkinScrollBar, C::OwnAttach, 1)},
    {[](auto& c, auto&) { return (c.kinds & ckButton) != 0; }, xcButton, false, Make(K::SkinButton, C::Attach, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomEdit) != 0 || TagCode(c) == 97; }, xcEdit, false,
     Make(K::SkinEdit, C::AttachHandle, 0)},
    {[](auto& c, auto&) { return (c.kinds & ckCustomForm) != 0; }, kNoKind, false,
     Make(K::None, C::None, 0, reColorButtonFace | reWalkComponents)},
};

struct Skin3rdKind {
  std::string_view kind;
  int need;
  bool needsTabs;
  TSkinDecision result;
};

const Skin3rdKind kSkin3rd[] = {
    {"combobox", xcCombo, false, Make(K::SkinComBox, C::Attach, 0)},
    {"edit", xcEdit, false, Make(K::SkinEdit, C::AttachHandle, 0)},
    {"radiobutton", xcRadioButton, false, Make(K::SkinRadioButton, C::Attach, 1)},
    {"panel", xcPanel, false, Make(K::SkinBox, C::Attach, 1, reSetTransparent)},
    {"trackbar", xcButton, false, Make(K::SkinTrackBar, C::Attach, 0, reSetTransparent)},
    {"button", xcButton, false, Make(K::SkinButton, C::Attach, 0)},
    {"tab", xcTab, true, Make(K::SkinTab, C::AttachHandle, 0)},
    {"progress", xcProgress, false, Make(K::SkinProgress, C::Attach, 0)},
    {"scrollbar", xcScrollbar, false, Make(K::SkinScrollBar, C::OwnAttach, 1)},
    {"radiogroup", xcPanel, false, Make(K::SkinBox, C::Attach, 1)},
    {"checkgroup", xcPanel, false, Make(K::SkinBox, C::Attach, 1)},
    {"checkbox", xcCheckBox, false, Make(K::SkinCheckBox, C::Attach, 1)},
};

bool Enabled(int need, bool needsTabs, const TRuleSettings& s) {
  if (need != kNoKind && !s.controls.Has(static_cast<TSkinControlType>(need))) return false;
  return !needsTabs || s.hasTabs;
}

TSkinDecision LeftAlone() { return Make(K::None, C::None, 0, reLeftAlone); }

}  // namespace

TSkinDecision DecideSkin3rd(const std::string& className, const TRuleSettings& settings) {
  const std::string key = olv::utf8::AsciiLower(className) + "=";
  std::optional<std::string> kind;
  for (const std::string& line : settings.skin3rd) {
    const std::string lower = olv::utf8::AsciiLower(line);
    if (lower.starts_with(key)) {
      kind = lower.substr(lower.find('=') + 1, 50);
      break;
    }
  }
  if (!kind) return {};
  for (const Skin3rdKind& k : kSkin3rd) {
    if (k.kind != *kind || !Enabled(k.need, k.needsTabs, settings)) continue;
    TSkinDecision d = k.result;
    // The groups' items become radio or check boxes only while radio buttons are skinned.
    if (settings.controls.Has(xcRadioButton)) {
      if (k.kind == "radiogroup") d = Children(K::SkinRadioButton, d);
      if (k.kind == "checkgroup") d = Children(K::SkinCheckBox, d);
    }
    return d;
  }
  return {};
}

TSkinDecision DecideControl(const TControlInfo& control, const TRuleSettings& settings) {
  if (TagCode(control) == settings.disableTag) return LeftAlone();
  const std::string upper = olv::utf8::AsciiUpper(control.className);
  if (NameIs(upper, {"TDBCOMBOBOXEH", "TQRPREVIEW", "TFRDESIGNERPAGE", "TFRPBOX"})) return LeftAlone();
  if (upper == "TTOOLBAR") return Make(K::None, C::None, 0, reSetFlat | reColorButtonFace);

  if (TSkinDecision d = DecideSkin3rd(control.className, settings); d.Attaches()) return d;
  for (const Rule& rule : kRules)
    if (rule.match(control, upper) && Enabled(rule.need, rule.needsTabs, settings)) return rule.result;
  return {};
}

bool IsScrollingControl(const TControlInfo& c) {
  if (!(c.kinds & ckWinControl)) return false;
  return c.scrollStyle || (c.kinds & (ckListBox | ckMemo | ckCustomListBox | ckCustomTreeView)) != 0 ||
         c.tag == 55;
}

bool IsPreviewForm(const std::string& formName) {
  return olv::utf8::AsciiLower(formName).find("preview") != std::string::npos;
}

TSkinDecision DecideWindow(const std::string& windowClass, uint32_t style) {
  const std::string cls = olv::utf8::AsciiLower(windowClass);
  const auto handle = [](K object, uint32_t effects = 0) {
    return Make(object, C::AttachHandle, 0, reAddToFormList | effects);
  };
  if (cls == "button") {
    if ((style & 7) == 7) return {};  // group box
    if ((style & 3) == 3 || (style & 2) == 2 || (style & 5) == 5) return handle(K::SkinCheckBox);
    if ((style & 9) == 9 || (style & 4) == 4) return handle(K::SkinRadioButton);
    return handle(K::SkinButton);
  }
  if (cls == "combobox") return (style & 3) == 1 ? TSkinDecision{} : handle(K::SkinComBox);
  if (cls == "comboboxex32") return handle(K::SkinComBox, reOnFirstChild);
  if (cls == "scrollbar") return handle(K::SkinSizer);
  if (cls == "systabcontrol32") return (style & 0x2000) ? TSkinDecision{} : handle(K::SkinTab);
  if (cls == "edit") return handle(K::SkinEdit);
  return {};
}

}  // namespace skin
