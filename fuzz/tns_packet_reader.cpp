// Everything a server sends comes off a socket: the connect answers (REDIRECT texts included)
// and the data and marker packets of replies must be checked against their lengths and raise,
// never crash, read stale or foreign bytes, or loop for ever.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>

#include "oracle/net/Socket.h"
#include "oracle/net/TnsConnection.h"

namespace {

// A server that says the fuzzer's bytes, handed out in uneven pieces, and hears anything.
class ReplaySocket : public ora::TSocket {
 public:
  ReplaySocket(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  void Connect(const std::string&, int) override { connected_ = true; }
  void Close() override { connected_ = false; }
  bool Connected() const override { return connected_; }
  int Send(const void*, int count) override { return connected_ ? count : 0; }
  int Receive(void* buffer, int count) override {
    if (!connected_ || at_ >= size_) return 0;
    // Piece sizes cycle so that headers and bodies arrive split in many ways.
    const std::size_t piece = std::min({std::size_t(count), size_ - at_, std::size_t(1 + (calls_++ * 7) % 64)});
    std::memcpy(buffer, data_ + at_, piece);
    at_ += piece;
    return int(piece);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::size_t calls_ = 0;
  bool connected_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ora::TTnsConnection connection(std::make_unique<ReplaySocket>(data, size));
  try {
    connection.Connect("fuzz.example", 1521, "orcl");
    std::uint8_t reply[700];
    for (std::size_t n = 1;; n = n * 3 % sizeof reply + 1) {
      connection.WriteBytes("request", 7);
      connection.ReadBytes(reply, n);
    }
  } catch (const std::exception&) {
  }
  return 0;
}
