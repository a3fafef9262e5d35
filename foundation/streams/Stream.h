#pragma once
// Byte streams: the one interface through which objects, scheme files and dumps are read and
// written. A stream has a position and a size; Read and Write move the position and return how
// many bytes they moved, ReadBuffer and WriteBuffer insist on the whole count and raise otherwise.
// The file stream implements the same interface; TMemoryStream keeps its bytes in memory.
// The virtual operations have the same signatures as the data-access layer's stream, so one can
// stand for the other. A stream object is used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/base/Exception.h"

namespace olv {

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;

  // Up to count bytes; fewer (0 at the end) when the stream holds no more. A count of 0 or
  // less moves nothing.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Up to count bytes; fewer means the medium is full or failed.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position. A position past the end is allowed; writing there extends the stream.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::Beginning); }
  // Bytes between the position and the end (0 when the position is past the end).
  int64_t Remaining();

  // Raise EReadError / EWriteError when fewer than count bytes move.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
  // Copies count bytes from source at its position (count 0: the whole of source from its start).
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream that only moves forward, as a compressor, an expander or a pipe does: its position is
// the number of bytes moved so far, a seek to anywhere else raises EStreamError, and its size is
// unknown (Size and SetSize raise). Descendants implement Read and/or Write and call Moved with
// what went through; the direction they do not support raises.
class TSequentialStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

 protected:
  void Moved(int64_t count) { moved_ += count; }

 private:
  int64_t moved_ = 0;
};

// A stream over a growable byte array that the stream owns.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string_view bytes);
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  void Reserve(size_t bytes) { data_.reserve(bytes); }
  const uint8_t* Memory() const { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::string_view View() const {
    return {reinterpret_cast<const char*>(data_.data()), data_.size()};
  }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace olv
