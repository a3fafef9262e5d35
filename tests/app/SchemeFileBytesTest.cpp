// The scheme file's byte layer: plain and compressed files give the same payload, and a failed
// save keeps the previous schemes.
#include "app/core/SchemeFileBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/files/CompressedFile.h"
#include "foundation/files/ZlibStream.h"
#include "foundation/base/Exception.h"
#include "foundation/streams/Stream.h"
#include "tests/support/ScratchFolder.h"

namespace {

using testsupport::ReadAll;
using testsupport::WriteAll;

class SchemeFileBytesTest : public ::testing::Test {
 protected:
  testsupport::ScratchFolder dir;
  const std::string payload = "TPF0\x0eTSchemeWrapper" + testsupport::DumpLikeBytes(40000);
};

TEST_F(SchemeFileBytesTest, PlainAndCompressedLoadTheSamePayload) {
  sch::SaveSchemeFileBytes(dir / "plain.sch", payload, false);
  sch::SaveSchemeFileBytes(dir / "packed.sch", payload, true);
  EXPECT_TRUE(ReadAll(dir / "plain.sch") == payload);
  EXPECT_TRUE(olv::IsCompressedFile(dir / "packed.sch"));
  EXPECT_LT(ReadAll(dir / "packed.sch").size(), payload.size());
  EXPECT_TRUE(*sch::LoadSchemeFileBytes(dir / "plain.sch") == payload);
  EXPECT_TRUE(*sch::LoadSchemeFileBytes(dir / "packed.sch") == payload);
  EXPECT_EQ(testsupport::ModeOf(dir / "plain.sch"), 0600u);
  EXPECT_EQ(testsupport::ModeOf(dir / "packed.sch"), 0600u);
}

TEST_F(SchemeFileBytesTest, MissingEmptyAndDamagedFiles) {
  EXPECT_FALSE(sch::LoadSchemeFileBytes(dir / "missing.sch").has_value());
  EXPECT_FALSE(sch::LoadSchemeFileBytes("").has_value());
  WriteAll(dir / "empty.sch", "");
  EXPECT_EQ(sch::LoadSchemeFileBytes(dir / "empty.sch"), std::optional<std::string>(""))
      << "a zero-length file takes the plain path; the object stream rejects it";
  const std::string packed = olv::CompressBytes(payload);
  WriteAll(dir / "cut.sch", packed.substr(0, packed.size() - 10));
  EXPECT_THROW(sch::LoadSchemeFileBytes(dir / "cut.sch"), olv::EZlibError);
}

TEST_F(SchemeFileBytesTest, FailedSaveKeepsThePreviousSchemes) {
  sch::SaveSchemeFileBytes(dir / "schemes.sch", payload, true);
  {
    testsupport::FileSizeLimit limit(4096);  // the disk fills up part-way through the save
    EXPECT_THROW(sch::SaveSchemeFileBytes(dir / "schemes.sch", testsupport::RandomBytes(100000), true),
                 olv::Exception);
  }
  EXPECT_TRUE(*sch::LoadSchemeFileBytes(dir / "schemes.sch") == payload);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"schemes.sch"}));
}

// A payload of `head` followed by zeros up to `size` bytes, made as it is read.
class ZerosAfter : public olv::TSequentialStream {
 public:
  ZerosAfter(std::string head, std::size_t size) : head_(std::move(head)), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override {
    auto* out = static_cast<char*>(buffer);
    const auto n = static_cast<std::size_t>(std::min<int64_t>(count, static_cast<int64_t>(size_ - at_)));
    for (std::size_t i = 0; i < n; ++i, ++at_) out[i] = at_ < head_.size() ? head_[at_] : '\0';
    return static_cast<int64_t>(n);
  }

 private:
  std::string head_;
  std::size_t size_, at_ = 0;
};

std::string Compressed(olv::TStream& payload) {
  olv::TMemoryStream out;
  olv::WriteCompressed(payload, out);
  return std::string(out.View());
}

// A small file must not grow into gigabytes before it is refused: the expansion's first bytes
// must be the object stream's signature, and neither a file nor its expansion may pass the cap.
TEST_F(SchemeFileBytesTest, ForeignAndOversizePayloadsAreRefusedEarly) {
  // A foreign payload is refused on its first bytes, before the damage further on is met (which
  // would say EZlibError).
  ZerosAfter foreign("MZ\x90\x00", 1 << 20);
  std::string packed = Compressed(foreign);
  WriteAll(dir / "foreign.sch", packed.substr(0, packed.size() - 10));
  try {
    sch::LoadSchemeFileBytes(dir / "foreign.sch");
    ADD_FAILURE() << "loaded";
  } catch (const olv::EReadError& e) {
    EXPECT_STREQ(e.what(), "Invalid stream format");
  }

  // A signature, then more than the cap of zeros: a few hundred kilobytes on disk.
  ZerosAfter bomb("TPF0", sch::kMaxSchemeFileBytes + 1);
  WriteAll(dir / "bomb.sch", Compressed(bomb));
  ASSERT_LT(ReadAll(dir / "bomb.sch").size(), 1u << 20);
  try {
    sch::LoadSchemeFileBytes(dir / "bomb.sch");
    ADD_FAILURE() << "loaded";
  } catch (const olv::EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("holds more than 128 MiB"), std::string::npos) << e.what();
  }

  // A plain file past the cap (sparse: no disk is used).
  { std::ofstream(dir / "big.sch") << "TPF0"; }
  std::filesystem::resize_file(dir / "big.sch", sch::kMaxSchemeFileBytes + 1);
  EXPECT_THROW(sch::LoadSchemeFileBytes(dir / "big.sch"), olv::EReadError);

  // At the cap exactly, a file still loads.
  ZerosAfter full("TPF0", sch::kMaxSchemeFileBytes);
  WriteAll(dir / "full.sch", Compressed(full));
  EXPECT_EQ(sch::LoadSchemeFileBytes(dir / "full.sch")->size(), sch::kMaxSchemeFileBytes);
}

}  // namespace
