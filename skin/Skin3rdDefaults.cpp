#include "skin/Skin3rdDefaults.h"

#include <initializer_list>
#include <string_view>

namespace skin {

namespace {

struct Group {
  std::string_view kind;
  std::initializer_list<std::string_view> classes;
};

std::vector<std::string> Build() {
  const Group groups[] = {
      {"Panel",
       {"TTBDock", "TTBToolbar", "TLMDGROUPBOX", "TLMDSIMPLEPANEL", "TLMDDBCalendar", "TLMDButtonPanel",
        "TLMDLMDCalculator", "TLMDHeaderPanel", "TLMDTechnicalLine", "TLMDLMDClock"}},
      {"scrollbar", {"TImageEnMView", "TImageEnView"}},
      {"button", {"TRzButton"}},
      {"CheckGroup", {"TRzCheckGroup", "TLMDCheckGroup", "TLMDDBCheckGroup"}},
      {"Radiogroup", {"TRzRadioGroup", "TRzDBRadioGroup"}},
      {"radiogroup", {"TLMDRADIOGROUP", "TLMDDBRADIOGROUP", "TWWRADIOGROUP"}},
      {"Radiobutton", {"TRzRadioButton", "TRzDBRadioButton", "TLMDRadiobutton"}},
      {"Checkbox",
       {"TRzCheckBox", "TRzDBCheckBox", "TDBCheckboxEh", "TDBCheckboxEh", "TLMDCHECKBOX", "TLMDDBCHECKBOX"}},
      {"Edit",
       {"TRzButtonEdit", "TLMDEDIT", "TLMDMASKEDIT", "TLMDBROWSEEDIT", "TLMDEXTSPINEDIT", "TLMDCALENDAREDIT",
        "TLMDFILEOPENEDIT", "TLMDFILESAVEEDIT", "TLMDCOLOREDIT", "TLMDDBEDIT", "TLMDDBMASKEDIT",
        "TLMDDBEXTSPINEDIT", "TLMDDBSPINEDIT", "TLMDDBEDITDBLookup", "TLMDEDITDBLookup", "TDXDBCURRENCYEDIT",
        "TDXDBEDIT", "TDXDBMASKEDIT", "TDXDBHYPERLINKEDIT", "TDXEDIT", "TDXMASKEDIT", "TWWDBEDIT",
        "TDXBUTTONEDIT", "TDXCURRENCYEDIT", "TDXHYPERLINKEDIT", "TOVCPICTUREFIELD", "TOVCDBPICTUREFIELD",
        "TOVCSLIDEREDIT", "TOVCDBSLIDEREDIT", "TOVCSIMPLEFIELD", "TOVCDBSIMPLEFIELD", "TO32DBFLEXEDIT",
        "TOVCNUMERICFIELD", "TOVCDBNUMERICFIELD"}},
      {"trackbar", {"TLMDTrackbar"}},
      {"combobox",
       {"TLMDListCombobox", "TLMDCheckListCombobox", "TLMDHeaderListCombobox", "TLMDImageCombobox",
        "TLMDColorCombobox", "TLMDFontCombobox", "TLMDFontSizeCombobox", "TLMDFontSizeCombobox",
        "TLMDPrinterCombobox", "TLMDDriveCombobox", "TLMDCalculatorComboBox", "TLMDTrackBarComboBox",
        "TLMDCalendarComboBox", "TWWTempKeyCombo"}},
      {"Combobox",
       {"TDBLookupCombobox", "TWWDBCombobox", "TWWDBCombobox", "TWWDBLookupCombo", "TWWKeyCombo",
        "TWWDBDateTimePicker", "TDXDBPICKEDIT", "TDXDBCALCEDIT", "TDXDBIMAGEEDIT", "TDXDBPOPUPEDIT",
        "TDXDBEXTLOOKUPEDIT", "TDXDBLOOKUPEDIT", "TDXDBDATEEDIT", "TDXDATEEDIT", "TDXPICKEDIT",
        "TDXPOPUPEDIT"}},
  };
  std::vector<std::string> lines;
  for (const Group& g : groups)
    for (std::string_view cls : g.classes) lines.push_back(std::string(cls) + "=" + std::string(g.kind));
  return lines;
}

}  // namespace

const std::vector<std::string>& DefaultSkin3rd() {
  static const std::vector<std::string> lines = Build();
  return lines;
}

}  // namespace skin
