#include "dataaccess/BlobStream.h"

#include <algorithm>

#include "dataaccess/DAErrors.h"

namespace da {

namespace {

constexpr std::int64_t kMaxPosition = 0xFFFFFFFF;

}  // namespace

TBlobStream::TBlobStream(TBlobStreamField& field, TBlobStreamMode mode) : field_(field), mode_(mode) {
  record_ = field_.RecordBuffer();
  if (!record_) return;
  if (field_.Filtering())
    throw EDatabaseError("Field '" + field_.DisplayName() + "' cannot be accessed while filtering");
  if (mode_ != TBlobStreamMode::bmRead && !field_.Modified()) {
    if (field_.ReadOnly()) throw EDatabaseError("Field '" + field_.DisplayName() + "' cannot be modified");
    if (!field_.Editing()) throw EDatabaseError("Dataset not in edit or insert mode");
  }
  opened_ = true;
  if (mode_ == TBlobStreamMode::bmWrite) {
    field_.TruncateBlob(record_, 0);
    modified_ = true;
  }
}

TBlobStream::~TBlobStream() {
  try {
    if (opened_ && modified_) field_.SetModified(true);
    if (modified_) field_.FieldChanged();
  } catch (...) {
    // A destructor cannot report; the value itself is written already.
  }
}

std::int64_t TBlobStream::Read(void* buffer, std::int64_t count) {
  // The record store reads the whole value for a count of 0: never let one through.
  if (!opened_ || count <= 0 || position_ < 0) return 0;
  const std::int64_t size = field_.GetBlobSize(record_);
  if (position_ >= size) return 0;
  const auto n = static_cast<std::uint32_t>(std::min(count, size - position_));
  const std::uint32_t got = field_.ReadBlob(record_, static_cast<std::uint32_t>(position_), n, buffer);
  position_ += got;
  return got;
}

std::int64_t TBlobStream::Write(const void* buffer, std::int64_t count) {
  if (!opened_ || count <= 0 || position_ < 0 || position_ + count > kMaxPosition) return 0;
  field_.WriteBlob(record_, static_cast<std::uint32_t>(position_), static_cast<std::uint32_t>(count), buffer);
  position_ += count;
  modified_ = true;
  return count;
}

std::int64_t TBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::Beginning: position_ = offset; break;
    case TSeekOrigin::Current: position_ += offset; break;
    case TSeekOrigin::End: position_ = Size() + offset; break;
  }
  return position_;
}

std::int64_t TBlobStream::Size() { return opened_ ? field_.GetBlobSize(record_) : 0; }

void TBlobStream::Truncate() {
  if (!opened_ || position_ < 0 || position_ > kMaxPosition) return;
  field_.TruncateBlob(record_, static_cast<std::uint32_t>(position_));
  modified_ = true;
}

void TBlobStream::SetSize(std::int64_t size) {
  position_ = size;
  Truncate();
}

}  // namespace da
