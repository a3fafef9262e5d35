#pragma once
// One parameter of a scheme: its name and value and how the parameter grid edits it. The scheme
// keeps its parameters as "name=value" lines of an OlvStringList, each line owning its
// TItemDescription; Owner points back at that list so that a change of name or value rewrites
// the item's own line. One thread at a time (the scheme's).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace sch {

// Tag bits.
inline constexpr int32_t kTagPassword = 1;  // the value is shown masked
inline constexpr int32_t kTagRequired = 2;  // the value is required (shown emphasised)

// EditStyle values.
enum EditStyle : uint8_t { esSimple = 0, esEllipsis = 1, esPickList = 2 };
// DlgType values: what the edit button opens.
enum DlgType : uint8_t { dtNone = 0, dtFileOpen = 1, dtOracleUser = 2, dtOracleTable = 3, dtTextEditor = 4 };

class TItemDescription : public olv::TBaseObject {
  OLV_CLASS(TItemDescription, olv::TBaseObject)
 public:
  TItemDescription();

  bool ReadOnly = false;
  int32_t Tag = 0;
  std::string Tags;  // file parameters: the dialog's filter ("|" separated), ";", default extension
  int32_t MaxLength = 0;
  std::string EditMask;
  uint8_t EditStyle = esSimple;
  std::unique_ptr<olv::TStringList> PickList;  // never null outside a read in progress
  std::string KeyHint;
  uint8_t DlgType = dtNone;
  // Not stored: the parameter list whose line owns this item (null when none).
  olv::TStringList* Owner = nullptr;

  const std::string& KeyName() const { return keyName_; }
  const std::string& KeyValue() const { return keyValue_; }
  // Store a changed text and rewrite the owner line as "KeyName=KeyValue". Any difference
  // counts, letter case included: paths and passwords are case-sensitive.
  void SetKeyName(std::string_view name);
  void SetKeyValue(std::string_view value);
  // Rewrites this item's line in Owner (found by object) as "KeyName=KeyValue".
  void UpdateOwnerLine();

  // The caption of the parameter catalogue row named KeyName (any letter case), else KeyName.
  std::string GetKeyDesc() const;

  void EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) override;
  void AfterRead(olv::TObjReader& reader) override;

 private:
  std::string keyName_;
  std::string keyValue_;
};

}  // namespace sch
