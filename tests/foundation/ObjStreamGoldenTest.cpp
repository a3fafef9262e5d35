// The stream layout checked against bytes worked out by hand.
#include <gtest/gtest.h>

#include "foundation/cipher/ScrambleText.h"
#include "foundation/objects/AppCfg.h"
#include "foundation/objects/ObjStream.h"
#include "tests/support/StreamBytes.h"
#include "tests/support/TestObjects.h"

using namespace olv;
using namespace olvtest;

namespace {

class ObjStreamGolden : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestClasses(); }
};

std::string Hex(const std::string& s) {
  static const char* d = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h += d[c >> 4];
    h += d[c & 15];
    h += ' ';
  }
  return h;
}

// TSmall{Name "ab", Count 300, On, Mode High, When 1.5, Rate 1.0, Child{Name "x"},
// Items [y, nil, z]}, byte by byte.
const unsigned char kSmall[] = {
    'T', 'P', 'F', '0',
    6, 'T', 'S', 'm', 'a', 'l', 'l',  // class name
    0,                                // object name: empty at the top
    // simple section
    4, 'N', 'a', 'm', 'e', 6, 2, 'a', 'b',
    5, 'C', 'o', 'u', 'n', 't', 3, 0x2C, 0x01,  // 300 fits 16 bits
    2, 'O', 'n', 9,
    4, 'M', 'o', 'd', 'e', 6, 4, 'H', 'i', 'g', 'h',
    4, 'W', 'h', 'e', 'n', 17, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F,   // double 1.5
    4, 'R', 'a', 't', 'e', 5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F,  // extended 1.0
    0,
    // object section: Child
    9, 'T', 'C', 'h', 'i', 'l', 'd', 'O', 'b', 'j', 5, 'C', 'h', 'i', 'l', 'd',
    4, 'N', 'a', 'm', 'e', 6, 1, 'x', 0, 0,
    // Items: a list container of kind "List" with three items, the second nil
    14, 'T', 'L', 'i', 's', 't', 'C', 'o', 'n', 't', 'a', 'i', 'n', 'e', 'r', 5, 'I', 't', 'e', 'm', 's',
    8, 'L', 'i', 's', 't', 'T', 'y', 'p', 'e', 6, 4, 'L', 'i', 's', 't',
    9, 'L', 'i', 's', 't', 'C', 'o', 'u', 'n', 't', 2, 3,
    7, 'S', 't', 'r', 'i', 'n', 'g', 's', 1, 0,  // a plain list carries no strings
    0,
    9, 'T', 'C', 'h', 'i', 'l', 'd', 'O', 'b', 'j', 8, 'O', 'b', 'j', 'e', 'c', 't', '_', '0',
    4, 'N', 'a', 'm', 'e', 6, 1, 'y', 0, 0,
    9, 'T', 'C', 'h', 'i', 'l', 'd', 'O', 'b', 'j', 8, 'O', 'b', 'j', 'e', 'c', 't', '_', '2',
    4, 'N', 'a', 'm', 'e', 6, 1, 'z', 0, 0,
    0,  // end of the container's object section
    0,  // end of TSmall's object section
};
const std::string kSmallBytes(reinterpret_cast<const char*>(kSmall), sizeof kSmall);

TEST_F(ObjStreamGolden, WriterProducesTheHandWorkedBytes) {
  EXPECT_EQ(Hex(ObjectToBytes(MakeSmall().get())), Hex(kSmallBytes));
}

TEST_F(ObjStreamGolden, ReaderTakesTheHandWorkedBytes) {
  TMemoryStream stream(kSmallBytes);
  auto obj = ReadObjectFromStream(stream);
  auto* s = dynamic_cast<TSmall*>(obj.get());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->name, "ab");
  EXPECT_EQ(s->count, 300);
  EXPECT_TRUE(s->on);
  EXPECT_EQ(s->mode, 2);
  EXPECT_EQ(s->when, 1.5);
  EXPECT_EQ(s->rate, 1.0);
  ASSERT_NE(s->child, nullptr);
  EXPECT_EQ(s->child->name, "x");
  // The nil item was not written: the items after it move up by one.
  ASSERT_EQ(s->items->Count(), 2);
  EXPECT_EQ(static_cast<TChildObj*>(s->items->Items(0))->name, "y");
  EXPECT_EQ(static_cast<TChildObj*>(s->items->Items(1))->name, "z");
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(kSmallBytes.size()));
}

// Strings up to 255 bytes take tag 6, longer ones tag 12; names of 255 bytes and more take the
// escape byte 255 and a 32-bit length.
TEST_F(ObjStreamGolden, StringAndNameLengthBoundaries) {
  struct Case {
    size_t len;
    std::string header;
  };
  const Case cases[] = {
      {255, std::string("\x06\xFF", 2)},
      {256, std::string("\x0C\x00\x01\x00\x00", 5)},
  };
  for (const auto& c : cases) {
    TChildObj o;
    o.name.assign(c.len, 'q');
    const std::string expected = std::string("TPF0\x09TChildObj\x00\x04Name", 20) + c.header +
                                 o.name + std::string("\x00\x00", 2);
    EXPECT_EQ(ObjectToBytes(&o), expected) << c.len;
    TMemoryStream in(expected);
    auto back = ReadObjectFromStream(in);
    EXPECT_EQ(static_cast<TChildObj*>(back.get())->name, o.name);
  }
  EXPECT_EQ(std::string(Bytes().name(std::string(254, 'n'))).substr(0, 1), "\xFE");
  TMemoryStream s;
  TObjWriter w(s);
  w.WriteLongName(std::string(255, 'n'));
  w.FlushBuffer();
  EXPECT_EQ(s.View().substr(0, 5), std::string("\xFF\xFF\x00\x00\x00", 5));
}

// Texts travel as GB18030 (bytes from gb18030_fixtures.py): values, names and string lists, and
// the length that picks tag 6 or 12 is the stored one.
TEST_F(ObjStreamGolden, TextsAreGb18030) {
  const std::string xitong = "\xcf\xb5\xcd\xb3";  // 系统; also well-formed UTF-8 (two other letters)
  const std::string canshubiao = "\xb2\xce\xca\xfd\xb1\xed";  // 参数表
  std::string zhong100;
  for (int i = 0; i < 100; ++i) zhong100 += "\xd6\xd0";  // 中: 200 bytes here, 300 in UTF-8
  const struct {
    std::string text;
    std::string stored;
  } values[] = {
      {"系统", Bytes().str(xitong)},
      {"😀", Bytes().str("\x94\x39\xfc\x36")},
      {[] { std::string s; for (int i = 0; i < 100; ++i) s += "中"; return s; }(), Bytes().b(6).b(200).raw(zhong100)},
  };
  for (const auto& v : values) {
    TChildObj o;
    o.name = v.text;
    const std::string bytes = Bytes().raw("TPF0").rec("TChildObj", "").name("Name").raw(v.stored).end().end();
    EXPECT_EQ(Hex(ObjectToBytes(&o)), Hex(bytes));
    TMemoryStream in(bytes);
    auto back = ReadObjectFromStream(in);
    EXPECT_EQ(static_cast<TChildObj*>(back.get())->name, v.text);
  }

  // A field named in Chinese and a string list.
  TAppCfgParams params;
  params.Params->Add("系统");
  const std::string paramBytes = Bytes().raw("TPF0").rec("TAppCfgParams", "").name(canshubiao)
                                     .b(1).str("OlvStringList").str(xitong).end().end().end();
  EXPECT_EQ(Hex(ObjectToBytes(&params)), Hex(paramBytes));
  TMemoryStream in(paramBytes);
  auto back = ReadObjectFromStream(in);
  auto* p = dynamic_cast<TAppCfgParams*>(back.get());
  ASSERT_NE(p, nullptr);
  ASSERT_NE(p->Params, nullptr);
  ASSERT_EQ(p->Params->Count(), 1);
  EXPECT_EQ(p->Params->Strings(0), "系统");
}

// A hidden string scrambles the text's GB18030 bytes; a short string keeps at most 255 of them,
// never half a character.
TEST_F(ObjStreamGolden, HiddenAndShortStringsCountStoredBytes) {
  TAllKinds a;
  a.hidden = "系统";
  std::string zhong200;
  for (int i = 0; i < 200; ++i) zhong200 += "中";
  a.shortStr = zhong200;
  const std::string bytes = ObjectToBytes(&a);
  const size_t hidden = bytes.find("\x06Hidden\x06");
  ASSERT_NE(hidden, std::string::npos);
  const std::string scrambled = bytes.substr(hidden + 9, static_cast<unsigned char>(bytes[hidden + 8]));
  EXPECT_EQ(Hex(UnscrambleText(scrambled)), Hex("\xcf\xb5\xcd\xb3"));
  EXPECT_NE(bytes.find(std::string("\x05Short\x06\xfe\xd6\xd0", 10)), std::string::npos) << "254 bytes";

  TMemoryStream in(bytes);
  auto back = ReadObjectFromStream(in);
  auto* b = static_cast<TAllKinds*>(back.get());
  EXPECT_EQ(b->hidden, "系统");
  EXPECT_EQ(b->shortStr, zhong200.substr(0, 127 * 3));

  // Stored plainly (not scrambled), and a short string of more than 255 bytes from elsewhere.
  const std::string plain = Bytes().raw("TPF0").rec("TAllKinds", "").name("Hidden").str("\xcf\xb5\xcd\xb3")
                                .name("Short").b(12).le(257, 4).raw("a").raw(std::string(256, '\xd6'))
                                .end().end();
  TMemoryStream in2(plain);
  auto c = ReadObjectFromStream(in2);
  EXPECT_EQ(static_cast<TAllKinds*>(c.get())->hidden, "系统");
  // "a", then 127 whole characters d6 d6 (种): 255 bytes.
  std::string zhong127;
  for (int i = 0; i < 127; ++i) zhong127 += "种";
  EXPECT_EQ(static_cast<TAllKinds*>(c.get())->shortStr, "a" + zhong127);
}

// Integers take the smallest tag that holds them.
TEST_F(ObjStreamGolden, IntegerTags) {
  struct Case {
    int64_t v;
    std::string bytes;
  };
  const Case cases[] = {
      {0, std::string("\x02\x00", 2)},
      {-128, std::string("\x02\x80", 2)},
      {128, std::string("\x03\x80\x00", 3)},
      {-32769, std::string("\x04\xFF\x7F\xFF\xFF", 5)},
      {2147483648LL, std::string("\x13\x00\x00\x00\x80\x00\x00\x00\x00", 9)},
  };
  for (const auto& c : cases) {
    TMemoryStream s;
    {
      TObjWriter w(s);
      w.WriteInteger(c.v);
    }
    EXPECT_EQ(Hex(std::string(s.View())), Hex(c.bytes)) << c.v;
  }
}

}  // namespace

namespace {
TEST_F(ObjStreamGolden, NilObjectIsOneZeroByte) {
  EXPECT_EQ(ObjectToBytes(nullptr), std::string("TPF0\0", 5));
  TMemoryStream s(std::string("TPF0\0", 5));
  EXPECT_EQ(ReadObjectFromStream(s), nullptr);
}

// Writing and reading start at the stream's position and stop right after the record, so
// streams can follow one another (the reader buffers ahead and must give back what it did not use).
TEST_F(ObjStreamGolden, StreamsFollowOneAnother) {
  TMemoryStream s;
  s.WriteBuffer("head", 4);
  TSmall big;
  big.name = std::string(200000, 'b');
  WriteObjectToStream(s, &big);
  const int64_t firstEnd = s.Position();
  TChildObj small;
  small.name = "second";
  WriteObjectToStream(s, &small);
  s.SetPosition(4);
  auto a = ReadObjectFromStream(s);
  EXPECT_EQ(s.Position(), firstEnd);
  auto b = ReadObjectFromStream(s);
  EXPECT_EQ(static_cast<TSmall*>(a.get())->name.size(), 200000u);
  EXPECT_EQ(static_cast<TChildObj*>(b.get())->name, "second");
  EXPECT_EQ(s.Position(), s.Size());
}
}  // namespace
