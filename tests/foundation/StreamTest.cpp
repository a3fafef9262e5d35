#include "foundation/streams/Stream.h"

#include <gtest/gtest.h>

#include "foundation/objects/Extended80.h"

using namespace olv;

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(s.Size(), 5);
  s.Seek(-2, TSeekOrigin::End);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2);
  EXPECT_STREQ(buf, "lo");
  EXPECT_EQ(s.Read(buf, 8), 0);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
  // Writing past the end fills the gap with zeros.
  s.SetPosition(7);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.View(), std::string("hello\0\0!", 8));
  EXPECT_THROW(s.Seek(-1, TSeekOrigin::Beginning), EStreamError);
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(s.Remaining(), 0);
  TMemoryStream copy;
  copy.CopyFrom(s, 0);
  EXPECT_EQ(copy.View(), "he");
}

TEST(Extended80, KnownEncodings) {
  struct Case {
    long double v;
    std::string bytes;
  };
  const Case cases[] = {
      {0.0L, std::string(10, '\0')},
      {1.0L, std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10)},
      {-2.0L, std::string("\0\0\0\0\0\0\0\x80\x00\xC0", 10)},
      {0.75L, std::string("\0\0\0\0\0\0\0\xC0\xFE\x3F", 10)},
  };
  for (const auto& c : cases) {
    uint8_t out[10];
    LongDoubleToExtended80(c.v, out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 10), c.bytes) << static_cast<double>(c.v);
    EXPECT_EQ(Extended80ToLongDouble(reinterpret_cast<const uint8_t*>(c.bytes.data())), c.v);
  }
  for (long double v : {1e-300L, 123456.789L, -1e300L, 4.9e-324L}) {
    uint8_t out[10];
    LongDoubleToExtended80(v, out);
    EXPECT_EQ(Extended80ToLongDouble(out), v);
  }
}
