#pragma once
// Plain object lists, as the list container streams them: TList and its kind TStack. A list owns
// its items (null items allowed) and frees them with itself, so a list half-read from a damaged
// stream cannot leak. One thread at a time.
#include <memory>
#include <vector>

#include "foundation/objects/OlvClass.h"

namespace olv {

class TList : public TObject {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Null for an index outside the list.
  TBaseObject* Items(int index) const;
  void Add(std::unique_ptr<TBaseObject> item) { items_.push_back(std::move(item)); }
  // Replaces (and frees) the item at index; an index outside the list does nothing.
  void Put(int index, std::unique_ptr<TBaseObject> item);
  void Insert(int index, std::unique_ptr<TBaseObject> item);
  // Removes the item and hands it over; null outside the list.
  std::unique_ptr<TBaseObject> Extract(int index);
  // Removes and frees the item; an index outside the list does nothing.
  void Delete(int index);
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TBaseObject>> items_;
};

// A list used last-in first-out; streamed as its own list kind.
class TStack : public TList {
 public:
  void Push(std::unique_ptr<TBaseObject> item) { Add(std::move(item)); }
  std::unique_ptr<TBaseObject> Pop() { return Extract(Count() - 1); }
};

}  // namespace olv
