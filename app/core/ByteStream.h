#pragma once
// Minimal byte-stream interfaces for the compressed-file code: a source that is read from and
// a sink that is written to, plus in-memory versions. They stand where the library's object
// stream and file stream will plug in. A stream object is used by one thread at a time.
#include <cstddef>
#include <string>
#include <string_view>

namespace sch {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `count` bytes into `buffer`; returns 0 only at the end of the data.
  // Failures raise.
  virtual std::size_t read(void* buffer, std::size_t count) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all `count` bytes or raises.
  virtual void write(const void* buffer, std::size_t count) = 0;
};

// Reads a view the caller keeps alive.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view data) : data_(data) {}
  std::size_t read(void* buffer, std::size_t count) override;

 private:
  std::string_view data_;
};

// Appends to a string the caller owns.
class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void write(const void* buffer, std::size_t count) override {
    out_.append(static_cast<const char*>(buffer), count);
  }

 private:
  std::string& out_;
};

// Reads until `count` bytes are in or the source ends; returns how many were read.
std::size_t ReadFully(ByteSource& source, void* buffer, std::size_t count);

}  // namespace sch
