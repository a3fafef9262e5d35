#include "app/core/ItemDescription.h"

#include "app/core/ParamCatalogue.h"

namespace sch {

TItemDescription::TItemDescription() : PickList(std::make_unique<olv::TStringList>()) {}

void TItemDescription::SetKeyName(std::string_view name) {
  if (name == keyName_) return;
  keyName_ = name;
  UpdateOwnerLine();
}

void TItemDescription::SetKeyValue(std::string_view value) {
  if (value == keyValue_) return;
  keyValue_ = value;
  UpdateOwnerLine();
}

void TItemDescription::UpdateOwnerLine() {
  if (!Owner) return;
  const int index = Owner->IndexOfObject(this);
  if (index >= 0) Owner->Put(index, keyName_ + "=" + keyValue_);
}

std::string TItemDescription::GetKeyDesc() const { return ParamCaption(keyName_); }

void TItemDescription::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkString>("KeyName", keyName_, !keyName_.empty());
  proc.Report<olv::pkString>("KeyValue", keyValue_, !keyValue_.empty());
  proc.Report<olv::pkBoolean>("ReadOnly", ReadOnly, ReadOnly);
  proc.Report<olv::pkInteger>("Tag", Tag, Tag != 0);
  proc.Report<olv::pkString>("Tags", Tags, !Tags.empty());
  proc.Report<olv::pkInteger>("MaxLength", MaxLength, MaxLength != 0);
  proc.Report<olv::pkString>("EditMask", EditMask, !EditMask.empty());
  proc.Report<olv::pkByte>("EditStyle", EditStyle, true);
  proc.ReportStrings("PickList", PickList, PickList && PickList->Count() > 0);
  proc.Report<olv::pkString>("KeyHint", KeyHint, !KeyHint.empty());
  proc.Report<olv::pkByte>("DlgType", DlgType, true);
}

void TItemDescription::AfterRead(olv::TObjReader&) {
  if (!PickList) PickList = std::make_unique<olv::TStringList>();
}

}  // namespace sch
