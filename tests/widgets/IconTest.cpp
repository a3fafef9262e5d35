#include "widgets/Icon.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/base/Exception.h"

namespace olv {
namespace {

TEST(IconTest, FileBytesAreKeptAsTheyAre) {
  const std::string path = ::testing::TempDir() + "icon_test.bin";
  const std::string bytes("\x89PNG\r\n\x1a\n\0\xff", 10);
  std::ofstream(path, std::ios::binary) << bytes;
  const TIcon icon = TIcon::FromFile(path);
  EXPECT_EQ(std::string(icon.Data().begin(), icon.Data().end()), bytes);
  std::remove(path.c_str());

  EXPECT_THROW(TIcon::FromFile(path), Exception);
}

TEST(IconTest, CopiesShareThePictureAndEqualityIsByContent) {
  const TIcon a({1, 2, 3});
  const TIcon copy = a;
  EXPECT_EQ(copy.Id(), a.Id());
  EXPECT_EQ(TIcon({1, 2, 3}), a);
  EXPECT_FALSE(TIcon({1, 2}) == a);
  EXPECT_TRUE(TIcon().Empty());
  EXPECT_TRUE(TIcon(std::vector<unsigned char>{}).Empty());
  EXPECT_EQ(TIcon(), TIcon(std::vector<unsigned char>{}));
}

}  // namespace
}  // namespace olv
