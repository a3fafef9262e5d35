// The streaming layer under compressed files: it must cope with sources that deliver a little
// at a time and must stop at the end of the zlib stream.
#include "foundation/files/ZlibStream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

// What zlib itself says of a zlib stream: "" when it expands it whole, else its message.
std::string ZlibVerdict(const std::string& stream) {
  z_stream z{};
  inflateInit(&z);
  std::vector<unsigned char> out(1 << 16);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = uInt(stream.size());
  std::string verdict;
  for (;;) {
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    if (rc == Z_NEED_DICT) verdict = "Compressed data needs a preset dictionary";
    else if (rc == Z_BUF_ERROR && z.avail_in == 0) verdict = "Compressed data is truncated";
    else if (rc != Z_OK) verdict = z.msg ? z.msg : zError(rc);
    if (!verdict.empty()) break;
  }
  inflateEnd(&z);
  return verdict;
}

// A zlib header with the check bits made right for its first byte and flags.
std::string ZlibHeader(unsigned char cmf, unsigned char flags) {
  flags = static_cast<unsigned char>(flags & 0xE0);
  flags = static_cast<unsigned char>(flags | (31 - (cmf * 256 + flags) % 31) % 31);
  return {char(cmf), char(flags)};
}

// Damaged streams are refused as zlib refuses them: what a reader or a log shows does not depend
// on which inflate ran. A source that can go back (a file, memory) gets zlib's exact words; one
// that only moves forward gets them for the header, the checksum and the truncation.
TEST(ZlibStream, RefusesDamagedDataWithZlibsOwnWords) {
  const std::string good = olv::CompressBytes(testsupport::DumpLikeBytes(300000)).substr(16);
  const std::string body = good.substr(2);
  auto flip = [&](std::size_t at) {
    std::string s = good;
    s[at] = char(s[at] ^ 0x55);
    return s;
  };
  struct Case {
    const char* name;
    std::string stream;
    const char* words;    // zlib's
    bool forwardOnlyToo;  // the same words from a forward-only source
  };
  const Case cases[] = {
      {"header check", std::string{good[0], char(good[1] ^ 1)} + body, "incorrect header check", true},
      {"method", ZlibHeader(0x79, 0) + body, "unknown compression method", true},
      {"window size past 32 KiB", ZlibHeader(0x88, 0) + body, "invalid window size", true},
      {"preset dictionary", ZlibHeader(0x78, 0x20) + "\x01\x02\x03\x04" + body,
       "Compressed data needs a preset dictionary", true},
      {"dictionary id cut", ZlibHeader(0x78, 0x20) + "\x01\x02", "Compressed data is truncated", true},
      {"no input", "", "Compressed data is truncated", true},
      {"cut in the header", good.substr(0, 1), "Compressed data is truncated", true},
      {"cut in the middle", good.substr(0, good.size() / 2), "Compressed data is truncated", true},
      {"cut in the checksum", good.substr(0, good.size() - 2), "Compressed data is truncated", true},
      {"wrong checksum", flip(good.size() - 1), "incorrect data check", true},
      {"block type 3", ZlibHeader(0x78, 0x80) + "\x07", "invalid block type", false},
      {"stored lengths", ZlibHeader(0x78, 0) + std::string("\x01\x05\x00\xfa\xfe", 5) + "hello",
       "invalid stored block lengths", false},
      {"damage early", flip(40), nullptr, false},
      {"damage in the middle", flip(good.size() / 2), nullptr, false},
      {"damage near the end", flip(good.size() - 40), nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string zlibSays = ZlibVerdict(c.stream);
    ASSERT_FALSE(zlibSays.empty()) << "zlib accepts the case";
    if (c.words) {
      EXPECT_EQ(zlibSays, c.words);
    }
    try {
      olv::ExpandBytes(olv::MakeCompressedHeader() + c.stream);
      ADD_FAILURE() << "accepted from memory";
    } catch (const olv::EZlibError& e) {
      EXPECT_EQ(std::string(e.what()), "zlib error: " + zlibSays);
    }
    try {
      TrickleSource in(c.stream, 4096);
      olv::ExpansionStream z(in);
      olv::TMemoryStream out;
      olv::CopyStream(z, out);
      ADD_FAILURE() << "accepted from a forward-only source";
    } catch (const olv::EZlibError& e) {
      if (c.forwardOnlyToo) {
        EXPECT_EQ(std::string(e.what()), "zlib error: " + zlibSays);
      }
    }
  }
}

}  // namespace
