#pragma once
// A tray icon as the core sees it: the picture's encoded bytes (PNG, ICO, BMP, GIF, XPM ...), decoded
// only by the display side. Copies share the bytes, so handing an icon around every cycle step is
// cheap; Id() names the shared picture so a display can keep what it decoded. An image list is an
// ordered list of such icons. Both are plain values: no thread affinity.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace olv {

class TIcon {
 public:
  TIcon() = default;
  explicit TIcon(std::vector<unsigned char> encoded);

  // Reads a picture file; throws olv::Exception when it cannot be read.
  static TIcon FromFile(const std::string& path);

  bool Empty() const { return !data_ || data_->empty(); }
  const std::vector<unsigned char>& Data() const;
  const void* Id() const { return data_.get(); }

  friend bool operator==(const TIcon& a, const TIcon& b);

 private:
  std::shared_ptr<const std::vector<unsigned char>> data_;
};

class TImageList {
 public:
  TImageList() = default;
  explicit TImageList(std::vector<TIcon> icons) : icons_(std::move(icons)) {}

  void Add(TIcon icon) { icons_.push_back(std::move(icon)); }
  int Count() const { return static_cast<int>(icons_.size()); }
  // index must be in [0, Count()).
  const TIcon& GetIcon(int index) const { return icons_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<TIcon> icons_;
};

}  // namespace olv
