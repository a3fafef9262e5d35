#include "foundation/objects/StoredStrList.h"

namespace olv {

TStoredStrList::TStoredStrList() : List(std::make_unique<OlvStringList>()) {}

void TStoredStrList::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<pkBoolean>("Auto", AutoItemCaption, AutoItemCaption);
  proc.ReportObjectList("List", List, List != nullptr);
}

void TStoredStrList::AfterRead(TObjReader&) {
  if (!List) List = std::make_unique<OlvStringList>();
}

}  // namespace olv
