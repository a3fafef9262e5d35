#include "foundation/OlvStringList.h"

namespace olv {

namespace {
const std::string kEmpty;
}

TStringList::~TStringList() { Clear(); }

const std::string& TStringList::Strings(int index) const {
  if (index < 0 || index >= Count()) return kEmpty;
  return items_[static_cast<size_t>(index)].text;
}

TBaseObject* TStringList::Objects(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].obj;
}

int TStringList::AddObject(std::string text, TBaseObject* obj) {
  items_.push_back(Line{std::move(text), obj});
  return Count() - 1;
}

void TStringList::Put(int index, std::string text) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)].text = std::move(text);
}

void TStringList::PutObject(int index, TBaseObject* obj) {
  if (index < 0 || index >= Count()) {
    if (ownsObjects_) delete obj;
    return;
  }
  TBaseObject*& slot = items_[static_cast<size_t>(index)].obj;
  if (slot == obj) return;
  if (ownsObjects_) delete slot;
  slot = obj;
}

TBaseObject* TStringList::ExtractObject(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  TBaseObject* obj = items_[static_cast<size_t>(index)].obj;
  items_[static_cast<size_t>(index)].obj = nullptr;
  return obj;
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (ownsObjects_) delete items_[static_cast<size_t>(index)].obj;
  items_.erase(items_.begin() + index);
}

void TStringList::Clear() {
  if (ownsObjects_) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
      TBaseObject* obj = it->obj;
      it->obj = nullptr;
      delete obj;
    }
  }
  items_.clear();
}

int TStringList::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameName(items_[static_cast<size_t>(i)].text, text)) return i;
  }
  return -1;
}

int TStringList::IndexOfObject(const TBaseObject* obj) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)].obj == obj) return i;
  }
  return -1;
}

void TStringList::AssignStrings(const TStringList& src) {
  if (&src == this) return;
  Clear();
  items_.reserve(src.items_.size());
  for (const auto& l : src.items_) items_.push_back(Line{l.text, nullptr});
}

std::string TStringList::Text() const {
  std::string out;
  for (const auto& l : items_) {
    out += l.text;
    out += '\n';
  }
  return out;
}

}  // namespace olv
