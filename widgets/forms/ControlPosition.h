#pragma once
// A form's stored layout: one TControlPosition per control (its path in the form and its place)
// and the TControlPositionList that holds them with the form's size. Both are persistent objects
// and travel in the object stream under their class names once RegisterFormStreamClasses has run.
//
// Ownership: the list owns its Ctrls list and the positions in it. One thread at a time.
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/objects/ObjLists.h"
#include "foundation/objects/OlvClass.h"

namespace olv {

class TControlPosition : public TBaseObject {
  OLV_CLASS(TControlPosition, TBaseObject)
 public:
  std::string Name;  // the control's path in its form (see TForm::GetControlPath)
  std::int32_t Top = 0;
  std::int32_t Left = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;
};

class TControlPositionList : public TBaseObject {
  OLV_CLASS(TControlPositionList, TBaseObject)
 public:
  TControlPositionList();

  std::unique_ptr<TList> Ctrls;  // of TControlPosition; null only when a stream said so
  std::int32_t FormWidth = 0;
  std::int32_t FormHeight = 0;

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;

  int Count() const { return Ctrls ? Ctrls->Count() : 0; }
  // Null for an index outside the list or an item of another class.
  TControlPosition* Items(int index) const;
  TControlPosition& Add(std::string name, std::int32_t left, std::int32_t top, std::int32_t width,
                        std::int32_t height);
};

// Registers both classes for the object stream; UnregisterFormStreamClasses takes them out.
void RegisterFormStreamClasses();
void UnregisterFormStreamClasses();

}  // namespace olv
