// The streaming layer under compressed files: it must cope with sources that deliver a little
// at a time and must stop at the end of the zlib stream.
#include "app/core/ZlibStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/core/CompressedFile.h"
#include "tests/app/ScratchFolder.h"

namespace {

// Hands out at most `step` bytes per read, as a pipe or a slow device may.
class TrickleSource : public sch::ByteSource {
 public:
  TrickleSource(std::string_view data, std::size_t step) : data_(data), step_(step) {}
  std::size_t read(void* buffer, std::size_t count) override {
    const std::size_t n = std::min({count, step_, data_.size()});
    std::memcpy(buffer, data_.data(), n);
    data_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view data_;
  std::size_t step_;
};

TEST(ZlibStream, ExpandsFromASourceThatDeliversLittleAtATime) {
  const std::string payload = schtest::DumpLikeBytes(100000);
  const std::string packed = sch::CompressBytes(payload);
  for (std::size_t step : {std::size_t(1), std::size_t(7), std::size_t(4096)}) {
    TrickleSource in(packed, step);
    std::string out;
    sch::StringSink sink(out);
    ASSERT_TRUE(sch::ExpandCompressed(in, sink));
    EXPECT_TRUE(out == payload) << "step " << step;
  }
}

TEST(ZlibStream, ReadsInSmallPiecesAndStopsAtTheStreamEnd) {
  const std::string payload = schtest::RandomBytes(5000);
  // Bytes after the zlib stream are not part of the payload.
  const std::string packed = sch::CompressBytes(payload).substr(16) + "trailing bytes";
  sch::StringSource in(packed);
  sch::ExpansionStream z(in);
  std::string out;
  char piece[3];
  for (std::size_t n; (n = z.read(piece, sizeof piece)) != 0;) out.append(piece, n);
  EXPECT_TRUE(out == payload);
  EXPECT_EQ(z.read(piece, sizeof piece), 0u);
}

TEST(ZlibStream, CompressesWritesOfAnySizeToTheSameStream) {
  const std::string payload = schtest::DumpLikeBytes(sch::kZlibBufferSize * 3 + 17);
  std::string oneWrite, manyWrites;
  {
    sch::StringSink sink(oneWrite);
    sch::CompressionStream z(sink);
    z.write(payload.data(), payload.size());
    z.finish();
  }
  {
    sch::StringSink sink(manyWrites);
    sch::CompressionStream z(sink);
    for (std::size_t i = 0; i < payload.size(); i += 1000)
      z.write(payload.data() + i, std::min<std::size_t>(1000, payload.size() - i));
    z.finish();
    EXPECT_THROW(z.write("x", 1), sch::EZlibError);
  }
  EXPECT_TRUE(oneWrite == manyWrites);
  sch::StringSource in(manyWrites);
  sch::ExpansionStream z(in);
  std::string out;
  sch::StringSink sink(out);
  sch::CopyStream(z, sink);
  EXPECT_TRUE(out == payload);
}

}  // namespace
