// The scheme file's byte layer: plain and compressed files give the same payload, and a failed
// save keeps the previous schemes.
#include "app/core/SchemeFileBytes.h"

#include <gtest/gtest.h>

#include "foundation/files/CompressedFile.h"
#include "foundation/files/ZlibStream.h"
#include "foundation/base/Exception.h"
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
  EXPECT_TRUE(sch::IsCompressedFile(dir / "packed.sch"));
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
  const std::string packed = sch::CompressBytes(payload);
  WriteAll(dir / "cut.sch", packed.substr(0, packed.size() - 10));
  EXPECT_THROW(sch::LoadSchemeFileBytes(dir / "cut.sch"), sch::EZlibError);
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

}  // namespace
