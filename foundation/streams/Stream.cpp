#include "foundation/streams/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace olv {

int64_t TStream::Remaining() {
  const int64_t pos = Position();
  const int64_t size = Size();
  return pos < size ? size - pos : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const int64_t n = Read(static_cast<char*>(buffer) + done, static_cast<int64_t>(count - done));
    if (n <= 0) {
      throw EReadError("Stream read error: " + std::to_string(count - done) +
                       " bytes missing at the end of the stream");
    }
    done += static_cast<size_t>(n);
  }
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const int64_t n = Write(static_cast<const char*>(buffer) + done, static_cast<int64_t>(count - done));
    if (n <= 0) {
      throw EWriteError("Stream write error: " + std::to_string(count - done) +
                        " bytes could not be written");
    }
    done += static_cast<size_t>(n);
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count < 0) throw EStreamError("Stream copy error: negative byte count");
  std::vector<char> buf(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
  int64_t left = count;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= static_cast<int64_t>(n);
  }
  return count;
}

int64_t TSequentialStream::Read(void*, int64_t) {
  throw EReadError("Stream read error: this stream can only be written");
}

int64_t TSequentialStream::Write(const void*, int64_t) {
  throw EWriteError("Stream write error: this stream can only be read");
}

int64_t TSequentialStream::Seek(int64_t offset, TSeekOrigin origin) {
  if ((origin == TSeekOrigin::Current && offset == 0) || (origin == TSeekOrigin::Beginning && offset == moved_)) {
    return moved_;
  }
  throw EStreamError("Stream seek error: this stream only moves forward");
}

int64_t TSequentialStream::Size() { throw EStreamError("Stream size error: the size of this stream is unknown"); }

void TSequentialStream::SetSize(int64_t) {
  throw EStreamError("Stream size error: the size of this stream cannot be set");
}

TMemoryStream::TMemoryStream(std::string_view bytes) : data_(bytes.begin(), bytes.end()) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || pos_ >= data_.size()) return 0;
  const size_t n = std::min(static_cast<size_t>(count), data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return static_cast<int64_t>(n);
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const size_t end = pos_ + static_cast<size_t>(count);
  if (end < pos_) return 0;
  if (end > data_.capacity()) data_.reserve(std::max(end, data_.capacity() * 2));
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (pos_ == data_.size()) {
    data_.insert(data_.end(), bytes, bytes + count);  // appending: nothing to zero first
  } else {
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + pos_, bytes, static_cast<size_t>(count));
  }
  pos_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case TSeekOrigin::Beginning: base = 0; break;
    case TSeekOrigin::Current: base = static_cast<int64_t>(pos_); break;
    case TSeekOrigin::End: base = static_cast<int64_t>(data_.size()); break;
  }
  const int64_t target = base + offset;
  if (target < 0) throw EStreamError("Stream seek error: position before the start");
  pos_ = static_cast<size_t>(target);
  return target;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Stream size error: negative size");
  data_.resize(static_cast<size_t>(size));
  if (pos_ > data_.size()) pos_ = data_.size();
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

}  // namespace olv
