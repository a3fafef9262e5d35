#include "foundation/objects/OlvStringList.h"

#include <algorithm>
#include <atomic>

#include "foundation/objects/OlvClipboard.h"

namespace olv {

namespace {
const std::string kEmpty;

// Frees an owned object; a destructor that raises must not leave the list half-changed.
void FreeQuietly(TBaseObject* obj) noexcept {
  try {
    delete obj;
  } catch (...) {
  }
}
}  // namespace

TStringList::~TStringList() { Clear(); }

void TStringList::Changed() {
  static std::atomic<std::uint64_t> lastStamp{0};
  stamp_ = lastStamp.fetch_add(1, std::memory_order_relaxed) + 1;
}

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
  Changed();
  return Count() - 1;
}

void TStringList::Put(int index, std::string text) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<size_t>(index)].text = std::move(text);
  Changed();
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

void TStringList::InsertObject(int index, std::string text, TBaseObject* obj) {
  if (index < 0 || index > Count()) {
    if (ownsObjects_) FreeQuietly(obj);
    return;
  }
  items_.insert(items_.begin() + index, Line{std::move(text), obj});
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  TBaseObject* obj = items_[static_cast<size_t>(index)].obj;
  items_.erase(items_.begin() + index);
  Changed();
  if (ownsObjects_) FreeQuietly(obj);
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex || curIndex < 0 || curIndex >= Count() || newIndex < 0 || newIndex >= Count())
    return;
  Line line = std::move(items_[static_cast<size_t>(curIndex)]);
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, std::move(line));
  Changed();
}

void TStringList::Clear() {
  if (ownsObjects_) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
      TBaseObject* obj = it->obj;
      it->obj = nullptr;
      FreeQuietly(obj);
    }
  }
  items_.clear();
  Changed();
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
  Changed();
}

void TStringList::AddStrings(const TStringList& src) {
  // A snapshot, so that a list can append itself.
  const std::vector<Line> lines = src.items_;
  Changed();  // first: a clone that raises may leave some lines appended
  items_.reserve(items_.size() + lines.size());
  for (const auto& l : lines) {
    if (l.obj && ownsObjects_) {
      std::unique_ptr<TBaseObject> copy = l.obj->Clone();
      items_.push_back(Line{l.text, copy.release()});
    } else {
      items_.push_back(Line{l.text, l.obj});
    }
  }
}

void TStringList::Assign(const TStringList& src) {
  if (&src == this) return;
  Clear();
  AddStrings(src);
}

void TStringList::SetText(std::string_view text) {
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      Add(std::string(text.substr(start)));
      break;
    }
    Add(std::string(text.substr(start, end - start)));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

std::string TStringList::Names(int index) const {
  const std::string& line = Strings(index);
  return line.substr(0, line.find('='));
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = items_[static_cast<size_t>(i)].text;
    const size_t eq = line.find('=');
    if (SameName(std::string_view(line).substr(0, eq == std::string::npos ? line.size() : eq), name)) return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  const int i = IndexOfName(name);
  if (i < 0) return {};
  const std::string& line = items_[static_cast<size_t>(i)].text;
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
  const int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (i >= 0) {
    items_[static_cast<size_t>(i)].text = std::move(line);
    Changed();
  } else {
    Add(std::move(line));
  }
}

void OlvStringList::AssignFromClipboard() { SetText(OlvClipboard().AsText()); }

void OlvStringList::AssignToClipboard() const { OlvClipboard().SetAsText(Text()); }

std::string TStringList::Text() const {
  std::string out;
  for (const auto& l : items_) {
    out += l.text;
    out += '\n';
  }
  return out;
}

}  // namespace olv
