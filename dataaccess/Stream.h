#pragma once
// TStream: the byte stream the data-access layer reads values from and writes them to (a blob's
// LoadFromStream and SaveToStream, the dataset's blob stream), and TMemoryStream, a stream over
// its own growable buffer. A stream is used by one thread at a time.
#include <cstdint>
#include <vector>

namespace da {

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Bytes actually read (0 at the end); a count of 0 or less reads nothing.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Bytes actually written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() = 0;
  virtual void SetSize(std::int64_t size) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t size) override;

  const std::vector<std::uint8_t>& Bytes() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

}  // namespace da
