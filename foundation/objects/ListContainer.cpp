#include "foundation/objects/ListContainer.h"

#include <charconv>
#include <limits>
#include <string>

namespace olv {

namespace {
constexpr std::string_view kKindNames[] = {"Unknown", "StoredStrList", "OlvStringList",
                                           "StringList", "Stack", "List", "UserDefine"};
constexpr std::string_view kItemPrefix = "Object_";

// The items of a bound list are the list's own; the container only shows them to the writer.
const PropRefOps kBorrowedItem{
    [](void* f) -> TObject* { return *static_cast<TBaseObject**>(f); },
    [](const TObject* o) { return o == nullptr || dynamic_cast<const TBaseObject*>(o) != nullptr; },
    [](void*, std::unique_ptr<TObject>) {
      throw EPropError("The items of a list container cannot be assigned");
    },
    []() -> std::unique_ptr<TObject> { return nullptr; }};

// Parses "Object_<n>" as the writer formats it (no sign, no leading zeros); -1 otherwise.
int64_t ItemIndexOf(std::string_view name) {
  if (name.size() <= kItemPrefix.size() || !SameName(name.substr(0, kItemPrefix.size()), kItemPrefix))
    return -1;
  std::string_view digits = name.substr(kItemPrefix.size());
  if (digits.size() > 1 && digits[0] == '0') return -1;
  int64_t value = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || ptr != digits.data() + digits.size() || value < 0) return -1;
  return value;
}
}  // namespace

struct ContainerAccess {
  static const PropRefOps& StringsOps() {
    static const PropRefOps ops{
        [](void* f) -> TObject* { return static_cast<TListContainer*>(f)->list_; },
        [](const TObject*) { return true; },
        [](void* f, std::unique_ptr<TObject> o) {
          auto* c = static_cast<TListContainer*>(f);
          c->owned_ = std::move(o);
          c->list_ = c->owned_.get();
        },
        []() -> std::unique_ptr<TObject> { return nullptr; }};
    return ops;
  }
};

std::string_view ListKindName(int kind) {
  if (kind < 0 || kind > 6) return {};
  return kKindNames[kind];
}

int ListKindOfName(std::string_view name) {
  for (int i = 0; i <= 6; ++i) {
    if (kKindNames[i] == name) return i;
  }
  return -1;
}

ListKind DetectListKind(TObject* list) {
  if (list == nullptr) return lkUnknown;
  if (auto* b = dynamic_cast<TBaseObject*>(list); b && b->InnerStrings()) return lkStoredStrList;
  if (dynamic_cast<OlvStringList*>(list)) return lkOlvStringList;
  if (dynamic_cast<TStringList*>(list)) return lkStringList;
  if (dynamic_cast<TStack*>(list)) return lkStack;
  if (dynamic_cast<TList*>(list)) return lkList;
  return lkUserDefine;
}

ListView ViewOfList(TObject* list) {
  ListView v;
  switch (DetectListKind(list)) {
    case lkStoredStrList: v.strings = static_cast<TBaseObject*>(list)->InnerStrings(); break;
    case lkOlvStringList:
    case lkStringList: v.strings = static_cast<TStringList*>(list); break;
    case lkStack:
    case lkList: v.items = static_cast<TList*>(list); break;
    default: break;
  }
  return v;
}

int ListView::Count() const {
  if (strings) return strings->Count();
  if (items) return items->Count();
  return 0;
}

TBaseObject* ListView::Item(int index) const {
  if (strings) return strings->Objects(index);
  if (items) return items->Items(index);
  return nullptr;
}

std::unique_ptr<TObject> CreateListOfKind(int kind) {
  switch (kind) {
    case lkStoredStrList: {
      const TClass* cls = FindObjClass("TStoredStrList");
      if (!cls || !cls->create) {
        throw EClassNotFound("Class \"TStoredStrList\" is not registered for the object stream");
      }
      return cls->create();
    }
    case lkOlvStringList: return std::make_unique<OlvStringList>();
    case lkStringList: return std::make_unique<TStringList>(true);
    case lkStack: return std::make_unique<TStack>();
    case lkList: return std::make_unique<TList>();
    default: return nullptr;
  }
}

std::unique_ptr<TObject> FitListToField(std::unique_ptr<TObject> list, const PropRefOps& field,
                                        std::string_view fieldName) {
  if (field.accepts(list.get())) return list;
  std::unique_ptr<TObject> fit = field.make();
  const ListView from = ViewOfList(list.get());
  const ListView to = ViewOfList(fit.get());
  const std::string kindName(ListKindName(DetectListKind(list.get())));
  if (!fit || (from.strings && !to.strings) || (from.items && !to.items) ||
      (!from.strings && !from.items)) {
    throw EPropError("A list of kind \"" + kindName + "\" cannot be stored in the field \"" +
                     std::string(fieldName) + "\"");
  }
  if (from.strings) {
    const bool moveObjects = from.strings->OwnsObjects();
    for (int i = 0; i < from.strings->Count(); ++i) {
      TBaseObject* obj = moveObjects ? from.strings->ExtractObject(i) : from.strings->Objects(i);
      if (obj && moveObjects) to.strings->SetOwnsObjects(true);
      to.strings->AddObject(from.strings->Strings(i), obj);
    }
  } else {
    while (from.items->Count() > 0) to.items->Add(from.items->Extract(0));
  }
  return fit;
}

void TListContainer::SetList(TObject* list) {
  owned_.reset();
  list_ = list;
  listType_ = DetectListKind(list);
  listCount_ = ViewOfList(list).Count();
}

std::unique_ptr<TObject> TListContainer::TakeList() {
  list_ = nullptr;
  return std::move(owned_);
}

void TListContainer::StoreItem(int index, std::unique_ptr<TBaseObject> item) {
  const ListView v = ViewOfList(list_);
  if (v.strings) {
    if (index >= v.strings->Count()) {
      throw EPropError("List item \"Object_" + std::to_string(index) + "\" has no line (the list has " +
                       std::to_string(v.strings->Count()) + ")");
    }
    if (!v.strings->OwnsObjects()) v.strings->SetOwnsObjects(true);
    v.strings->PutObject(index, item.release());
  } else if (v.items) {
    if (v.items->Count() < listCount_) {
      v.items->Add(std::move(item));
    } else {
      v.items->Put(index, std::move(item));
    }
  }
}

void TListContainer::ReportItem(TPropEnumProc& proc, PropMode mode, int index) {
  char name[32] = "Object_";
  auto [end, ec] = std::to_chars(name + 7, name + sizeof(name), index);
  (void)ec;
  const std::string_view itemName(name, static_cast<size_t>(end - name));
  if (mode == pmRead) {
    std::unique_ptr<TBaseObject> item;
    proc.ReportObject(itemName, item, false);
    if (item) StoreItem(index, std::move(item));
  } else {
    TBaseObject* item = ViewOfList(list_).Item(index);
    proc.Visit(PropInfo{itemName, pkObject, item != nullptr, 0, nullptr, &item, &kBorrowedItem});
  }
}

void TListContainer::EnumProps(PropMode mode, TPropEnumProc& proc) {
  if (mode == pmFree) {
    owned_.reset();
    list_ = nullptr;
    return;
  }
  if (mode == pmRead && listType_ == lkUnknown) listType_ = lkOlvStringList;
  proc.ReportEnum("ListType", listType_, ListKindNames, true);
  proc.Report<pkInteger>("ListCount", listCount_, true);
  proc.Visit(PropInfo{"Strings", pkStrings, list_ != nullptr, listType_, nullptr, this,
                      &ContainerAccess::StringsOps()});
  if (list_ == nullptr) return;
  if (mode == pmRead) {
    // Reading asks for one name at a time: answer just that index, so a list of n items reads in
    // linear time instead of formatting every index for every record.
    const std::string_view wanted = proc.WantedName();
    if (!wanted.empty()) {
      const int64_t index = ItemIndexOf(wanted);
      if (index >= 0 && index < listCount_) ReportItem(proc, mode, static_cast<int>(index));
      return;
    }
    for (int i = 0; i < listCount_; ++i) ReportItem(proc, mode, i);
    return;
  }
  for (int i = 0; i < listCount_; ++i) ReportItem(proc, mode, i);
}

}  // namespace olv
