// Atomic saves: until the new content is complete and on disk the old file stays, whatever
// fails on the way.
#include "foundation/files/AtomicFile.h"
#include "foundation/files/PosixFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "foundation/files/CompressedFile.h"
#include "foundation/base/Exception.h"
#include "tests/support/ScratchFolder.h"

namespace {

// What a file holding passwords gets: only its owner may read it.
constexpr mode_t kOwnerOnly = 0600;

using testsupport::ReadAll;
using testsupport::WriteAll;

// Passes bytes on until `limit` have gone through, then fails like a broken device.
class FailAfterSink : public olv::TSequentialStream {
 public:
  FailAfterSink(olv::TStream& out, std::size_t limit) : out_(out), left_(limit) {}
  int64_t Write(const void* buffer, int64_t n) override {
    const std::size_t count = std::size_t(n);
    if (count > left_) {
      out_.WriteBuffer(buffer, left_);
      throw olv::Exception("injected write failure");
    }
    out_.WriteBuffer(buffer, count);
    left_ -= count;
    Moved(n);
    return n;
  }

 private:
  olv::TStream& out_;
  std::size_t left_;
};

class AtomicFileTest : public ::testing::Test {
 protected:
  testsupport::ScratchFolder dir;
};

TEST_F(AtomicFileTest, ReplacesTheFileWithTheRequestedMode) {
  const std::string target = dir / "schemes.sch";
  WriteAll(target, "old");
  ::chmod(target.c_str(), 0644);
  olv::SaveFileAtomically(target, kOwnerOnly, [](olv::TStream& out) { out.WriteBuffer("new content", 11); });
  EXPECT_EQ(ReadAll(target), "new content");
  EXPECT_EQ(testsupport::ModeOf(target), 0600u);

  olv::SaveFileAtomically(dir / "fresh.sch", kOwnerOnly, [](olv::TStream& out) { out.WriteBuffer("x", 1); });
  EXPECT_EQ(testsupport::ModeOf(dir / "fresh.sch"), 0600u);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"fresh.sch", "schemes.sch"}));
}

TEST_F(AtomicFileTest, KeepsTheModeOfAnExistingFileUnlessToldOtherwise) {
  const std::string target = dir / "data.txt";
  WriteAll(target, "old");
  ::chmod(target.c_str(), 0640);
  olv::SaveFileAtomically(target, std::nullopt, [](olv::TStream& out) { out.WriteBuffer("new", 3); });
  EXPECT_EQ(testsupport::ModeOf(target), 0640u);
  EXPECT_EQ(ReadAll(target), "new");
}

TEST_F(AtomicFileTest, InterruptedSaveLeavesThePreviousFileLoadable) {
  const std::string target = dir / "schemes.sch";
  const std::string oldPayload = testsupport::DumpLikeBytes(50000);
  WriteAll(target, olv::CompressBytes(oldPayload));
  const std::string newPayload = testsupport::RandomBytes(400000);
  for (std::size_t failAfter : {std::size_t(0), std::size_t(10), std::size_t(16), std::size_t(300000)}) {
    EXPECT_THROW(olv::SaveFileAtomically(target, kOwnerOnly,
                                         [&](olv::TStream& out) {
                                           FailAfterSink failing(out, failAfter);
                                           olv::TMemoryStream in(newPayload);
                                           olv::WriteCompressed(in, failing);
                                         }),
                 olv::Exception)
        << failAfter;
    EXPECT_TRUE(olv::ExpandBytes(ReadAll(target)) == oldPayload) << failAfter;
  }
  // A write that the file system refuses part-way, as on a full disk.
  {
    testsupport::FileSizeLimit limit(64 * 1024);
    EXPECT_THROW(olv::SaveFileAtomically(target, kOwnerOnly,
                                         [&](olv::TStream& out) { out.WriteBuffer(newPayload.data(), newPayload.size()); }),
                 olv::Exception);
  }
  EXPECT_TRUE(olv::ExpandBytes(ReadAll(target)) == oldPayload);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"schemes.sch"}));
}

TEST_F(AtomicFileTest, UncommittedWriterLeavesNoTrace) {
  const std::string target = dir / "schemes.sch";
  WriteAll(target, "old");
  {
    olv::AtomicFileWriter writer(target, kOwnerOnly);
    writer.WriteBuffer("half", 4);
    EXPECT_TRUE(std::filesystem::exists(writer.tempPath()));
    EXPECT_EQ(std::filesystem::path(writer.tempPath()).parent_path(), std::filesystem::path(target).parent_path());
  }
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"schemes.sch"}));
}

TEST_F(AtomicFileTest, SavesThroughALinkIntoTheLinkedFile) {
  WriteAll(dir / "real.sch", "old");
  std::filesystem::create_symlink(dir / "real.sch", dir / "link.sch");
  olv::SaveFileAtomically(dir / "link.sch", std::nullopt, [](olv::TStream& out) { out.WriteBuffer("new", 3); });
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.sch"));
  EXPECT_EQ(ReadAll(dir / "real.sch"), "new");
}

TEST_F(AtomicFileTest, MissingFolderRaises) {
  EXPECT_THROW(olv::SaveFileAtomically(dir / "no/such/folder/x.sch", std::nullopt, [](olv::TStream&) {}),
               olv::Exception);
}

}  // namespace

namespace {

// The file under the compressed-file code is a library stream: it seeks, sizes and reads back
// what the object stream and the compressors hand it.
TEST_F(AtomicFileTest, PosixFileIsAStream) {
  const std::string target = dir / "data.bin";
  testsupport::WriteAll(target, "0123");
  olv::PosixFile f = olv::PosixFile::OpenRead(target);
  f.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(f.Read(buf, 8), 3);
  EXPECT_EQ(std::string(buf, 3), "123");
  EXPECT_EQ(f.Remaining(), 0);
  EXPECT_THROW(f.WriteBuffer("x", 1), olv::Exception) << "opened for reading";
  EXPECT_THROW(f.Seek(-1, olv::TSeekOrigin::Beginning), olv::Exception);
}

}  // namespace
