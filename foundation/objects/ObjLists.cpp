#include "foundation/objects/ObjLists.h"

namespace olv {

TBaseObject* TList::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void TList::Put(int index, std::unique_ptr<TBaseObject> item) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)] = std::move(item);
}

void TList::Insert(int index, std::unique_ptr<TBaseObject> item) {
  if (index < 0) index = 0;
  if (index > Count()) index = Count();
  items_.insert(items_.begin() + index, std::move(item));
}

std::unique_ptr<TBaseObject> TList::Extract(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  auto item = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  return item;
}

void TList::Delete(int index) { Extract(index); }

}  // namespace olv
