#pragma once
// The list container: a persistent object that wraps a list so that the list can travel in the
// object stream as one object record ("ListType", "ListCount", "Strings", then one "Object_<n>"
// per assigned item). Also the list kinds themselves: detecting a list's kind, creating an empty
// list of a kind, and moving a list's content into the list type a field declares.
//
// Ownership: a container bound with SetList only looks at the list; a container that read a list
// owns it until TakeList hands it over. One thread at a time.
#include <memory>
#include <string_view>

#include "foundation/objects/ObjLists.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"

namespace olv {

enum ListKind : uint8_t {
  lkUnknown = 0,
  lkStoredStrList = 1,
  lkOlvStringList = 2,
  lkStringList = 3,
  lkStack = 4,
  lkList = 5,
  lkUserDefine = 6,
};
inline constexpr const char* ListKindNames =
    "Unknown,StoredStrList,OlvStringList,StringList,Stack,List,UserDefine";
// The kind's name; "" outside 0-6.
std::string_view ListKindName(int kind);
// The index of name in ListKindNames (exact comparison); -1 when absent.
int ListKindOfName(std::string_view name);

// The kind of a list object, detected in kind order: a persistent object that wraps a string
// list, OlvStringList, TStringList, TStack, TList; anything else is lkUserDefine, null lkUnknown.
ListKind DetectListKind(TObject* list);

// How a list's items are reached: through its strings (kinds 1-3) or as list items (4, 5).
struct ListView {
  TStringList* strings = nullptr;
  TList* items = nullptr;
  int Count() const;
  TBaseObject* Item(int index) const;
};
ListView ViewOfList(TObject* list);

// An empty list of the kind (1-5); null for the other kinds. A string list made here owns the
// objects that reading puts into it. Kind 1 needs the stored string list class registered.
std::unique_ptr<TObject> CreateListOfKind(int kind);

// list as the type the field declares: unchanged when the field accepts it, otherwise a new list
// of the field's type receiving the strings and objects (or the items) of list. Raises EPropError
// when the two hold different things.
std::unique_ptr<TObject> FitListToField(std::unique_ptr<TObject> list, const PropRefOps& field,
                                        std::string_view fieldName);

class TListContainer : public TBaseObject {
  OLV_CLASS(TListContainer, TBaseObject)
 public:
  TListContainer() = default;

  // Binds a list for writing (not taken over): its kind is detected and its count taken.
  void SetList(TObject* list);
  // The list read from a stream (null when none was), handed over.
  std::unique_ptr<TObject> TakeList();
  TObject* List() const { return list_; }
  int ListType() const { return listType_; }
  int ListCount() const { return listCount_; }

  void EnumProps(PropMode mode, TPropEnumProc& proc) override;

 private:
  friend struct ContainerAccess;
  void StoreItem(int index, std::unique_ptr<TBaseObject> item);
  void ReportItem(TPropEnumProc& proc, PropMode mode, int index);

  uint8_t listType_ = lkUnknown;
  int32_t listCount_ = 0;
  TObject* list_ = nullptr;
  std::unique_ptr<TObject> owned_;
};

}  // namespace olv
