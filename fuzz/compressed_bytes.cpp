// Compressed scheme files and dumps come from disk: expanding any bytes must either give the
// payload or raise, never crash or run past its buffers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/files/CompressedFile.h"
#include "foundation/base/Exception.h"
#include "foundation/streams/Stream.h"

namespace {

// Keeps highly compressible inputs from growing past the fuzzer's memory limit.
class CappedSink : public olv::TSequentialStream {
 public:
  explicit CappedSink(std::string& out) : out_(out) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (out_.size() + std::size_t(count) > (16u << 20)) throw olv::Exception("payload too large for fuzzing");
    out_.append(static_cast<const char*>(buffer), std::size_t(count));
    Moved(count);
    return count;
  }

 private:
  std::string& out_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input and payload buffers are kept from one input to the next (as the zlib streams keep
  // theirs), so that a run costs the expansion and not fresh memory.
  static std::string bytes, payload;
  bytes.assign("OLVEK", 5);
  bytes.append(11, '\0');
  bytes.append(reinterpret_cast<const char*>(data), size);
  payload.clear();
  try {
    olv::TMemoryStream in(bytes);
    CappedSink sink(payload);
    if (!olv::ExpandCompressed(in, sink)) __builtin_trap();  // the header is there
    if (olv::ExpandBytes(olv::CompressBytes(payload)) != payload) __builtin_trap();
  } catch (const olv::Exception&) {
  }
  return 0;
}
