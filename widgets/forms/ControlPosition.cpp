#include "widgets/forms/ControlPosition.h"

namespace olv {

void TControlPosition::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<pkString>("Name", Name, !Name.empty());
  proc.Report<pkInteger>("Left", Left, Left != 0);
  proc.Report<pkInteger>("Top", Top, Top != 0);
  proc.Report<pkInteger>("Width", Width, true);
  proc.Report<pkInteger>("Height", Height, true);
}

TControlPositionList::TControlPositionList() : Ctrls(std::make_unique<TList>()) {}

void TControlPositionList::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<pkInteger>("FormWidth", FormWidth, FormWidth > 0);
  proc.Report<pkInteger>("FormHeight", FormHeight, FormHeight > 0);
  proc.ReportObjectList("Ctrls", Ctrls, Ctrls != nullptr);
}

TControlPosition* TControlPositionList::Items(int index) const {
  return Ctrls ? dynamic_cast<TControlPosition*>(Ctrls->Items(index)) : nullptr;
}

TControlPosition& TControlPositionList::Add(std::string name, std::int32_t left, std::int32_t top,
                                            std::int32_t width, std::int32_t height) {
  if (!Ctrls) Ctrls = std::make_unique<TList>();
  auto item = std::make_unique<TControlPosition>();
  item->Name = std::move(name);
  item->Left = left;
  item->Top = top;
  item->Width = width;
  item->Height = height;
  TControlPosition& ref = *item;
  Ctrls->Add(std::move(item));
  return ref;
}

void RegisterFormStreamClasses() {
  RegisterObjClasses({&TControlPosition::StaticClass(), &TControlPositionList::StaticClass()});
}

void UnregisterFormStreamClasses() {
  UnregisterObjClasses({&TControlPosition::StaticClass(), &TControlPositionList::StaticClass()});
}

}  // namespace olv
