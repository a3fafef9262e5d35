#pragma once
// The base of every block object of a GIF picture, and the owning lists of frames and extensions.
// An item refers to the picture it belongs to (for warnings and settings) and never owns it; a
// list owns its items and frees them with itself. One thread at a time.
#include <memory>
#include <string>
#include <vector>

#include "foundation/streams/Stream.h"

namespace olv {

class TGIFImage;

class TGIFItem {
 public:
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  virtual ~TGIFItem() = default;
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;

  TGIFImage* Image() const { return image_; }
  // The format version the block needs: 1 = 87a, 2 = 89a.
  virtual int GetVersion() const { return 1; }
  // Passes the message to the picture's warning event (severity 1); nothing without a picture.
  void Warning(const std::string& message) const;

  virtual void SaveToStream(TStream& s) = 0;
  virtual void LoadFromStream(TStream& s) = 0;
  void SaveToFile(const std::string& path);
  void LoadFromFile(const std::string& path);

 protected:
  TGIFImage* image_;
};

template <class T>
class TGIFList {
 public:
  T* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  int Count() const { return static_cast<int>(items_.size()); }
  int Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Insert(int index, std::unique_ptr<T> item) { items_.insert(items_.begin() + index, std::move(item)); }
  // Frees the item; an index outside the list is ignored.
  void Delete(int index) {
    if (index < 0 || index >= Count()) return;
    std::unique_ptr<T> gone = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    gone.reset();  // after the erase, so its destructor sees the list without it
  }
  void Remove(const T* item) { Delete(IndexOf(item)); }
  void Clear() {
    while (!items_.empty()) Delete(0);
  }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }
  void SaveToStream(TStream& s) const {
    for (const auto& item : items_) item->SaveToStream(s);
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace olv
