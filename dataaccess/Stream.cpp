#include "dataaccess/Stream.h"

#include <algorithm>
#include <cstring>

namespace da {

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t size = Size();
  if (count <= 0 || position_ < 0 || position_ >= size) return 0;
  const std::int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const std::int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<std::size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::Beginning: position_ = offset; break;
    case TSeekOrigin::Current: position_ += offset; break;
    case TSeekOrigin::End: position_ = Size() + offset; break;
  }
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
  position_ = std::min(position_, Size());
}

}  // namespace da
