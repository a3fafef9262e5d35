// The streaming layer under compressed files: it must cope with sources that deliver a little
// at a time and must stop at the end of the zlib stream.
#include "foundation/files/ZlibStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/files/CompressedFile.h"
#include "tests/support/ScratchFolder.h"

namespace {

// Hands out at most `step` bytes per read, as a pipe or a slow device may.
class TrickleSource : public olv::TSequentialStream {
 public:
  TrickleSource(std::string_view data, std::size_t step) : data_(data), step_(step) {}
  int64_t Read(void* buffer, int64_t count) override {
    const std::size_t n = std::min({std::size_t(count), step_, data_.size()});
    std::memcpy(buffer, data_.data(), n);
    data_.remove_prefix(n);
    Moved(int64_t(n));
    return int64_t(n);
  }

 private:
  std::string_view data_;
  std::size_t step_;
};

TEST(ZlibStream, ExpandsFromASourceThatDeliversLittleAtATime) {
  const std::string payload = testsupport::DumpLikeBytes(100000);
  const std::string packed = olv::CompressBytes(payload);
  for (std::size_t step : {std::size_t(1), std::size_t(7), std::size_t(4096)}) {
    TrickleSource in(packed, step);
    olv::TMemoryStream out;
    ASSERT_TRUE(olv::ExpandCompressed(in, out));
    EXPECT_TRUE(out.View() == payload) << "step " << step;
  }
}

TEST(ZlibStream, ReadsInSmallPiecesAndStopsAtTheStreamEnd) {
  const std::string payload = testsupport::RandomBytes(5000);
  // Bytes after the zlib stream are not part of the payload.
  const std::string packed = olv::CompressBytes(payload).substr(16) + "trailing bytes";
  olv::TMemoryStream in(packed);
  olv::ExpansionStream z(in);
  std::string out;
  char piece[3];
  for (int64_t n; (n = z.Read(piece, sizeof piece)) != 0;) out.append(piece, std::size_t(n));
  EXPECT_TRUE(out == payload);
  EXPECT_EQ(z.Read(piece, sizeof piece), 0);
  EXPECT_EQ(z.Position(), int64_t(payload.size()));
  EXPECT_THROW(z.SetPosition(0), olv::EStreamError) << "an expander only moves forward";
  EXPECT_THROW(z.Write("x", 1), olv::EWriteError);
}

TEST(ZlibStream, CompressesWritesOfAnySizeToTheSameStream) {
  const std::string payload = testsupport::DumpLikeBytes(olv::kZlibBufferSize * 3 + 17);
  olv::TMemoryStream oneWrite, manyWrites;
  {
    olv::CompressionStream z(oneWrite);
    z.WriteBuffer(payload.data(), payload.size());
    z.finish();
  }
  {
    olv::CompressionStream z(manyWrites);
    for (std::size_t i = 0; i < payload.size(); i += 1000)
      z.WriteBuffer(payload.data() + i, std::min<std::size_t>(1000, payload.size() - i));
    EXPECT_EQ(z.Position(), int64_t(payload.size()));
    z.finish();
    EXPECT_THROW(z.Write("x", 1), olv::EZlibError);
  }
  EXPECT_TRUE(oneWrite.View() == manyWrites.View());
  manyWrites.SetPosition(0);
  olv::ExpansionStream z(manyWrites);
  olv::TMemoryStream out;
  olv::CopyStream(z, out);
  EXPECT_TRUE(out.View() == payload);
}

}  // namespace
