#include "skin/Lzh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "skin/LzhTree.h"
#include "tests/support/ScratchFolder.h"
#include "tools/skinkit/LzhEncoder.h"

namespace skin {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(gen());
  return b;
}

// Two copies of one 20-byte run exactly 4,095 bytes apart, random bytes between: the farthest
// distance the ring can reach.
Bytes FarthestMatch() {
  Bytes b = RandomBytes(4095, 7);
  const Bytes head(b.begin(), b.begin() + 20);
  b.insert(b.end(), head.begin(), head.end());
  return b;
}

Bytes TextOf(std::size_t n) {
  const std::string words[] = {"scheme ", "export ", "import ", "dump ", "oracle ", "\r\n", "run "};
  std::mt19937 gen(3);
  std::string s;
  while (s.size() < n) s += words[gen() % 7];
  s.resize(n);
  return FromText(s);
}

struct RoundTrip {
  const char* name;
  Bytes data;
};

TEST(LzhTest, PackerOutputDecodesToTheSameBytes) {
  std::string ab;
  for (int i = 0; i < 2000; ++i) ab += "ab";
  const RoundTrip cases[] = {
      {"empty", {}},
      {"one byte", {0x41}},
      {"4036 blanks, all from the preset ring", Bytes(4036, ' ')},
      {"ab x 2000", FromText(ab)},
      {"a distance of 4095", FarthestMatch()},
      // The root reaches 0x8000 after that many symbols: the tree is rebuilt at least once.
      {"over 40000 symbols", RandomBytes(45000, 1)},
      {"random bytes", RandomBytes(10000, 2)},
      {"text, several rebuilds", TextOf(300000)},
      {"every byte value", [] {
         Bytes b;
         for (int r = 0; r < 3; ++r)
           for (int i = 0; i < 256; ++i) b.push_back(static_cast<uint8_t>(i));
         return b;
       }()},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes packed = skinkit::LzhEncode(c.data);
    EXPECT_EQ(TLZH::Decode(packed), c.data);
  }
}

TEST(LzhTest, DecodesAStreamOfAnIndependentEncoder) {
  // Written by lzhuf_fixture.py beside this test: literals, overlapping matches, matches into the
  // preset blanks.
  const Bytes stream = {
      0xFF, 0xFD, 0xFE, 0xBF, 0xA9, 0x30, 0x26, 0xB7, 0x59, 0x7F, 0x99, 0xCB, 0x7C, 0xBF, 0xDE, 0xDF,
      0xCF, 0xC7, 0x16, 0xDF, 0xEE, 0xF2, 0xD8, 0x07, 0xD2, 0xE2, 0x38, 0x2D, 0xB8, 0xAA, 0x6C, 0x27,
      0xC7, 0xAB, 0xDD, 0xF8, 0xBA, 0xC2, 0xC4, 0xA5, 0xC6, 0x8F, 0x21, 0xE9, 0x4F, 0xF8, 0x00};
  const std::string text =
      "skin skin skin!  \r\nframes of the skin, frames of the skin; blanks:      end";
  EXPECT_EQ(TLZH::DecodeStream(stream, text.size()), FromText(text));
}

TEST(LzhTest, DecodesALongStreamOfAnIndependentEncoderThroughTreeRebuilds) {
  // lzhuf_fixture.py wrote both files: 52,834 symbols, so its tree was rebuilt twice; a decoder
  // that halves or re-sorts the counts differently loses step at the first rebuild.
  const std::string dir = ORASCHEME_SOURCE_DIR "/tests/skin/fixtures/";
  const std::string text = testsupport::ReadAll(dir + "lzh_rebuild.txt");
  const std::string packed = testsupport::ReadAll(dir + "lzh_rebuild.lzh");
  ASSERT_EQ(text.size(), 150000u);
  const Bytes decoded = TLZH::DecodeStream(FromText(packed), text.size());
  ASSERT_EQ(decoded.size(), text.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), text.begin(),
                         [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
}

TEST(LzhTest, RepetitiveInputCompresses) {
  const Bytes blanks(4036, ' ');
  // Blanks match the preset ring from the first symbol: 68 matches of 60 and a short one.
  EXPECT_LT(skinkit::LzhEncode(blanks).size(), 150u);
  const Bytes text = TextOf(100000);
  EXPECT_LT(skinkit::LzhEncode(text).size(), text.size() / 3);
}

TEST(LzhTest, PositionTablesAreThePublishedOnes) {
  // (byte, upper six bits, bits the byte stands for) at both ends of every run of the tables.
  struct Row { int b, code, len; };
  const Row rows[] = {
      {0x00, 0x00, 3}, {0x1F, 0x00, 3}, {0x20, 0x01, 4}, {0x2F, 0x01, 4}, {0x30, 0x02, 4},
      {0x40, 0x03, 4}, {0x4F, 0x03, 4}, {0x50, 0x04, 5}, {0x57, 0x04, 5}, {0x58, 0x05, 5},
      {0x80, 0x0A, 5}, {0x8F, 0x0B, 5}, {0x90, 0x0C, 6}, {0x93, 0x0C, 6}, {0x94, 0x0D, 6},
      {0xBC, 0x17, 6}, {0xBF, 0x17, 6}, {0xC0, 0x18, 7}, {0xC1, 0x18, 7}, {0xC2, 0x19, 7},
      {0xEE, 0x2F, 7}, {0xEF, 0x2F, 7}, {0xF0, 0x30, 8}, {0xF1, 0x31, 8}, {0xFF, 0x3F, 8},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(lzh::d_code[r.b], r.code) << "byte " << r.b;
    EXPECT_EQ(lzh::d_len[r.b], r.len) << "byte " << r.b;
  }
  // Every upper value is reached, by 32, 16, 8, 4, 2 or 1 bytes.
  int count[64] = {};
  for (int b = 0; b < 256; ++b) ++count[lzh::d_code[b]];
  EXPECT_EQ(count[0], 32);
  EXPECT_EQ(count[3], 16);
  EXPECT_EQ(count[11], 8);
  EXPECT_EQ(count[23], 4);
  EXPECT_EQ(count[47], 2);
  EXPECT_EQ(count[63], 1);
}

TEST(LzhTest, FreshTreeAndRebuildKeepTheShapeTheDecoderNeeds) {
  TLzhTree tree;
  EXPECT_EQ(tree.Freq(lzh::R), lzh::N_CHAR);
  EXPECT_EQ(tree.Parent(lzh::R), 0);
  EXPECT_EQ(tree.Son(0), lzh::T);  // leaf of symbol 0
  // Feed one symbol until the root hits 0x8000 and one more update rebuilds.
  for (unsigned i = lzh::N_CHAR; i < lzh::MAX_FREQ; ++i) tree.Update(65);
  EXPECT_EQ(tree.Freq(lzh::R), lzh::MAX_FREQ);
  tree.Update(66);
  // Leaves halved (rounded up): 313 symbols of 1, 'A' (32768 - 313) / 2 rounded up, then 'B' + 1.
  EXPECT_EQ(tree.Freq(lzh::R), 313 + (32768 - 313 + 1) / 2 + 1);
  for (int i = 0; i + 1 < lzh::T; ++i) EXPECT_LE(tree.Freq(i), tree.Freq(i + 1)) << "node " << i;
}

TEST(LzhTest, ImpossibleSizesAreRefusedBeforeDecoding) {
  const Bytes stream = skinkit::LzhEncodeStream(Bytes(1000, 'x'));
  EXPECT_TRUE(TLZH::PlausibleSize(stream.size() * 48 + 60, stream.size()));
  EXPECT_FALSE(TLZH::PlausibleSize(stream.size() * 48 + 61, stream.size()));
  EXPECT_FALSE(TLZH::PlausibleSize(TLZH::kMaxUnpacked + 1, 10u << 20));
  EXPECT_THROW(TLZH::DecodeStream(stream, 0x7FFFFFFF), ElzhException);
  EXPECT_THROW(TLZH::DecodeStream({}, 61), ElzhException);
  EXPECT_THROW(TLZH::Decode(Bytes{1, 0}), ElzhException);
}

TEST(LzhTest, AStreamThatRunsOutOfBitsFails) {
  const Bytes data = RandomBytes(5000, 9);
  const Bytes stream = skinkit::LzhEncodeStream(data);
  for (std::size_t keep : {std::size_t{0}, std::size_t{1}, stream.size() / 2, stream.size() - 1}) {
    SCOPED_TRACE(keep);
    EXPECT_THROW(TLZH::DecodeStream(std::span(stream).first(keep), data.size()), ElzhException);
  }
  // Asking for more than the stream holds runs it dry too.
  EXPECT_THROW(TLZH::DecodeStream(stream, data.size() + 200), ElzhException);
  EXPECT_EQ(TLZH::DecodeStream(stream, data.size()), data);
}

TEST(LzhTest, ALastMatchPastTheStatedSizeIsCutThere) {
  // 100 blanks are matches of 60 and 40 from the preset ring; asking for 70 stops inside the second.
  const Bytes stream = skinkit::LzhEncodeStream(Bytes(100, ' '));
  EXPECT_EQ(TLZH::DecodeStream(stream, 70), Bytes(70, ' '));
}

}  // namespace
}  // namespace skin
