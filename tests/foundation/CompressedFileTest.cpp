// Compressed files: the 16-byte header, expansion at buffer edges, exchange with an outside
// zlib implementation, and the promise that a failed compression or expansion leaves the files
// as they were.
#include "foundation/files/CompressedFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "foundation/files/ZlibStream.h"
#include "foundation/base/Exception.h"
#include "tests/support/ScratchFolder.h"

namespace {

using testsupport::ReadAll;
using testsupport::WriteAll;

class CompressedFileTest : public ::testing::Test {
 protected:
  testsupport::ScratchFolder dir;

  std::string Compressed(const std::string& payload) {
    WriteAll(dir / "payload", payload);
    EXPECT_TRUE(olv::CompressFile(dir / "payload", dir / "packed"));
    return ReadAll(dir / "packed");
  }

  static bool HavePython() { return std::system("python3 -c 'import zlib' >/dev/null 2>&1") == 0; }
};

std::string Header(const char* text, std::size_t len) { return std::string(text, len); }

TEST(CompressedHeader, RecognisesTheMagicTextInAnyCase) {
  struct Case {
    std::string bytes;
    bool compressed;
  };
  const std::string zeros(11, '\0');
  const Case cases[] = {
      {"OLVEK" + zeros, true},
      {"olvek" + zeros, true},
      {Header("OlVeK\0\0\0FILLER!!", 16), true},  // bytes 8..15 are ignored
      {Header("OLVEK\0ab\0\0\0\0\0\0\0\0", 16), true},  // the text ends at the first zero
      {"OLVEK" + zeros + "zlib data", true},
      {"OLVEK" + std::string(10, '\0'), false},  // 15 bytes: too short
      {"OLVEKS" + std::string(10, '\0'), false},
      {"OLVE" + std::string(12, '\0'), false},
      {"OLVEKOLVEKOLVEKO", false},  // no zero byte at all
      {Header("\0OLVEK\0\0\0\0\0\0\0\0\0\0", 16), false},
      {"TPF0\x0eTSchemeWrapper", false},  // a plain scheme file
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(olv::HasCompressedHeader(c.bytes), c.compressed) << c.bytes;
  EXPECT_EQ(olv::MakeCompressedHeader(), "OLVEK" + zeros);
}

TEST_F(CompressedFileTest, ExpandsEverySizeAroundTheBlockEdges) {
  const std::size_t sizes[] = {0, 1, 100, 16383, 16384, 3 * 16384, olv::kZlibBufferSize,
                               2 * olv::kZlibBufferSize + 1};
  for (std::size_t size : sizes) {
    // Random data makes the compressed stream as large as the source, so its reading also
    // crosses the buffer edges.
    for (const std::string& payload : {testsupport::DumpLikeBytes(size), testsupport::RandomBytes(size)}) {
      const std::string packed = Compressed(payload);
      ASSERT_EQ(packed.substr(0, 16), olv::MakeCompressedHeader());
      EXPECT_EQ(packed.substr(16, 2), "\x78\x9c") << "zlib format at the default level";
      WriteAll(dir / "out", "previous content");
      ASSERT_TRUE(olv::DecompressFile(dir / "packed", dir / "out"));
      EXPECT_TRUE(ReadAll(dir / "out") == payload) << "size " << size;
      EXPECT_TRUE(olv::ExpandBytes(olv::CompressBytes(payload)) == payload) << "size " << size;
    }
  }
}

TEST_F(CompressedFileTest, OutsideZlibExpandsOurFileAfterItsHeader) {
  if (!HavePython()) GTEST_SKIP() << "python3 with zlib is not available";
  const std::string payload = testsupport::DumpLikeBytes(300000);
  Compressed(payload);
  const std::string cmd = "python3 -c \"import sys,zlib; d=open(sys.argv[1],'rb').read(); "
                          "open(sys.argv[2],'wb').write(zlib.decompress(d[16:]))\" '" +
                          (dir / "packed") + "' '" + (dir / "expanded") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(ReadAll(dir / "expanded") == payload);
}

TEST_F(CompressedFileTest, ExpandsAFileFromOutsideWithALowerCaseHeader) {
  if (!HavePython()) GTEST_SKIP() << "python3 with zlib is not available";
  const std::string payload = testsupport::DumpLikeBytes(70000);
  WriteAll(dir / "payload", payload);
  const std::string cmd = "python3 -c \"import sys,zlib; d=open(sys.argv[1],'rb').read(); "
                          "open(sys.argv[2],'wb').write(b'olvek\\0\\0\\0FILLER!!' + zlib.compress(d, 6))\" '" +
                          (dir / "payload") + "' '" + (dir / "outside") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(olv::IsCompressedFile(dir / "outside"));
  ASSERT_TRUE(olv::DecompressFile(dir / "outside", dir / "out"));
  EXPECT_TRUE(ReadAll(dir / "out") == payload);
}

TEST_F(CompressedFileTest, DamagedOrTruncatedStreamFailsAndLeavesTheDestination) {
  const std::string packed = Compressed(testsupport::DumpLikeBytes(200000));
  std::string flipped = packed;
  flipped[packed.size() / 2] = char(flipped[packed.size() / 2] ^ 0x55);
  std::string badTrailer = packed;
  badTrailer.back() = char(badTrailer.back() ^ 1);
  const std::pair<const char*, std::string> cases[] = {
      {"header only", packed.substr(0, 16)},
      {"cut in the zlib header", packed.substr(0, 17)},
      {"cut in the middle", packed.substr(0, packed.size() / 2)},
      {"checksum missing", packed.substr(0, packed.size() - 4)},
      {"one byte short", packed.substr(0, packed.size() - 1)},
      {"damaged data", flipped},
      {"wrong checksum", badTrailer},
      {"invalid block type", packed.substr(0, 18) + "\x07"},
  };
  for (const auto& [name, bytes] : cases) {
    WriteAll(dir / "bad", bytes);
    WriteAll(dir / "out", "previous content");
    // A file says what the same bytes in memory say (zlib's words: the file is read again).
    std::string fromFile, fromMemory;
    try {
      olv::DecompressFile(dir / "bad", dir / "out");
    } catch (const olv::EZlibError& e) {
      fromFile = e.what();
    }
    EXPECT_EQ(ReadAll(dir / "out"), "previous content") << name;
    try {
      olv::ExpandBytes(bytes);
    } catch (const olv::EZlibError& e) {
      fromMemory = e.what();
    }
    EXPECT_FALSE(fromFile.empty()) << name;
    EXPECT_EQ(fromFile, fromMemory) << name;
  }
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"bad", "out", "packed", "payload"}))
      << "no work file is left behind";
}

TEST_F(CompressedFileTest, NothingHappensWithoutASourceOrAHeader) {
  WriteAll(dir / "out", "previous content");
  WriteAll(dir / "plain", "TPF0 a plain scheme file, longer than sixteen bytes");
  WriteAll(dir / "short", "OLVEK");
  EXPECT_FALSE(olv::DecompressFile(dir / "plain", dir / "out"));
  EXPECT_FALSE(olv::DecompressFile(dir / "missing", dir / "out"));
  EXPECT_FALSE(olv::CompressFile(dir / "missing", dir / "out"));
  EXPECT_FALSE(olv::CompressFileInPlace(dir / "missing"));
  EXPECT_FALSE(olv::CompressFile("", dir / "out"));
  EXPECT_EQ(ReadAll(dir / "out"), "previous content");

  EXPECT_FALSE(olv::IsCompressedFile(dir / "missing"));
  EXPECT_FALSE(olv::IsCompressedFile(dir / "plain"));
  EXPECT_FALSE(olv::IsCompressedFile(dir / "short"));
  EXPECT_FALSE(olv::IsCompressedFile(""));
  EXPECT_THROW(olv::ExpandBytes("TPF0 not compressed at all"), olv::Exception);
}

TEST_F(CompressedFileTest, InPlaceKeepsModeAndFollowsLinks) {
  const std::string payload = testsupport::DumpLikeBytes(500000);
  WriteAll(dir / "dump.dmp", payload);
  ::chmod((dir / "dump.dmp").c_str(), 0640);
  std::filesystem::create_symlink(dir / "dump.dmp", dir / "link.dmp");

  ASSERT_TRUE(olv::CompressFileInPlace(dir / "link.dmp"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.dmp"));
  EXPECT_TRUE(olv::IsCompressedFile(dir / "dump.dmp"));
  EXPECT_LT(std::filesystem::file_size(dir / "dump.dmp"), payload.size() / 2);
  EXPECT_EQ(testsupport::ModeOf(dir / "dump.dmp"), 0640u);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"dump.dmp", "link.dmp"}));

  ASSERT_TRUE(olv::DecompressFile(dir / "dump.dmp", dir / "back.dmp"));
  EXPECT_TRUE(ReadAll(dir / "back.dmp") == payload);
  EXPECT_EQ(testsupport::ModeOf(dir / "back.dmp"), 0640u) << "a new destination takes the source's mode";
}

TEST_F(CompressedFileTest, FullDiskLeavesTheDumpAsItWas) {
  // Random data compresses to more than its size, so the work file outgrows the limit.
  const std::string payload = testsupport::RandomBytes(1 << 20);
  WriteAll(dir / "dump.dmp", payload);
  WriteAll(dir / "packed", olv::CompressBytes(testsupport::RandomBytes(1 << 20, 3)));
  WriteAll(dir / "out", "previous content");
  {
    testsupport::FileSizeLimit limit(256 * 1024);
    try {
      olv::CompressFileInPlace(dir / "dump.dmp");
      ADD_FAILURE() << "compressing onto a full disk succeeded";
    } catch (const olv::Exception& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot write file"), std::string::npos) << e.what();
    }
    EXPECT_THROW(olv::DecompressFile(dir / "packed", dir / "out"), olv::Exception);
  }
  EXPECT_TRUE(ReadAll(dir / "dump.dmp") == payload);
  EXPECT_EQ(ReadAll(dir / "out"), "previous content");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"dump.dmp", "out", "packed"}));
}

}  // namespace
