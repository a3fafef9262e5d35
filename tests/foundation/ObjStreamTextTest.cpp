// The text form of the object stream, against texts worked out by hand from hand-built bytes.
#include <gtest/gtest.h>

#include "foundation/objects/ObjStream.h"
#include "foundation/objects/ObjStreamText.h"
#include "tests/support/StreamBytes.h"
#include "tests/support/TestObjects.h"

using namespace olv;
using namespace olvtest;

namespace {

std::string ToText(const std::string& bytes) {
  TMemoryStream in(bytes), out;
  ObjectStreamToText(in, out);
  return std::string(out.View());
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// One record "TX" holding the given simple section.
std::string Record(const std::string& simple) {
  return Bytes().raw("TPF0").rec("TX", "").raw(simple).end().end();
}

TEST(ObjStreamText, AnObjectWithNestedRecords) {
  RegisterTestClasses();
  TMemoryStream out;
  out.WriteBuffer("head", 4);
  MakeSmall()->SaveToTextStream(out);
  EXPECT_EQ(out.View(),
            "head"
            "object TSmall\r\n"
            "  Name = 'ab'\r\n"
            "  Count = 300\r\n"
            "  On = True\r\n"
            "  Mode = 'High'\r\n"
            "  When = 1.5d\r\n"
            "  Rate = 1\r\n"
            "  object Child: TChildObj\r\n"
            "    Name = 'x'\r\n"
            "  end\r\n"
            "  object Items: TListContainer\r\n"
            "    ListType = 'List'\r\n"
            "    ListCount = 3\r\n"
            "    Strings = ()\r\n"
            "    object Object_0: TChildObj\r\n"
            "      Name = 'y'\r\n"
            "    end\r\n"
            "    object Object_2: TChildObj\r\n"
            "      Name = 'z'\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(ObjStreamText, ValuesOfEveryTag) {
  struct Case {
    const char* what;
    std::string value;
    std::string text;
  };
  const Case cases[] = {
      {"empty text", Bytes().str(""), "''"},
      {"quote and line end", Bytes().str("it's\r\n"), "'it'#39's'#13#10"},
      {"GB18030 bytes stay", Bytes().str("\xcf\xb5\xcd\xb3"), "'\xcf\xb5\xcd\xb3'"},
      {"long text", Bytes().b(12).le(4, 4).raw("abcd"), "'abcd'"},
      {"integers", Bytes().b(1).int8(-5).int16(300).int32(-70000).b(19).le(1ULL << 40, 8).end(),
       "(\r\n    -5\r\n    300\r\n    -70000\r\n    1099511627776)"},
      {"extended", Bytes().b(5).raw(std::string("\0\0\0\0\0\0\0\x80\xff\x3f", 10)), "1"},
      {"single", Bytes().b(15).raw(std::string("\0\0\x20\x40", 4)), "2.5s"},
      {"date", Bytes().b(17).raw(std::string("\0\0\0\0\0\0\xf8\x3f", 8)), "1.5d"},
      {"currency", Bytes().b(16).le(25000, 8), "25000c"},
      {"identifiers", Bytes().b(1).b(7).b(7).raw("clBlack").b(8).b(9).b(13).end(),
       "(\r\n    clBlack\r\n    False\r\n    True\r\n    nil)"},
      {"set", Bytes().b(11).b(1).raw("a").b(2).raw("bc").b(0), "[a, bc]"},
      {"empty set", Bytes().b(11).b(0), "[]"},
      {"binary", Bytes().b(10).le(3, 4).raw("\x01\xab\xff"), "{01ABFF}"},
      {"binary over two lines", Bytes().b(10).le(33, 4).raw(std::string(33, '\x5a')),
       "{\r\n    " + Repeat("5A", 32) + "\r\n    5A}"},
      {"collection", Bytes().b(14).b(1).name("P").int8(1).end().int8(3).b(1).end().end(),
       "<\r\n    item\r\n      P = 1\r\n    end\r\n    item [3]\r\n    end>"},
      {"UTF-8 text", Bytes().b(20).le(5, 4).raw("\xc3\xa9'a\x01"), "#233#39'a'#1"},
      {"wide text", Bytes().b(18).le(3, 4).raw(std::string("\x2d\x4e" "A\0\xd8\xd8", 6)), "#20013'A'#55512"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToText(Record(Bytes().name("V").raw(c.value))),
              "object TX\r\n  V = " + c.text + "\r\nend\r\n")
        << c.what;
  }
}

// A text of more than 64 bytes starts on a line of its own and is cut into pieces of at most
// 64 bytes, never inside a character.
TEST(ObjStreamText, LongTextsWrapAtWholeCharacters) {
  std::string zhong40;
  for (int i = 0; i < 40; ++i) zhong40 += "\xd6\xd0";
  const struct {
    std::string value;
    std::string text;
  } cases[] = {
      {std::string(64, 'a'), "'" + std::string(64, 'a') + "'"},
      {std::string(130, 'a'), "\r\n    '" + std::string(64, 'a') + "' +\r\n    '" + std::string(64, 'a') +
                                  "' +\r\n    'aa'"},
      {zhong40, "\r\n    '" + zhong40.substr(0, 64) + "' +\r\n    '" + zhong40.substr(64) + "'"},
      {std::string(62, 'a') + "\x94\x39\xfc\x36" "b",
       "\r\n    '" + std::string(62, 'a') + "' +\r\n    '\x94\x39\xfc\x36" "b'"},
      {std::string(63, 'a') + "\r\n", "\r\n    '" + std::string(63, 'a') + "'#13 +\r\n    #10"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToText(Record(Bytes().name("T").str(c.value))), "object TX\r\n  T = " + c.text + "\r\nend\r\n")
        << c.value.size();
  }
}

TEST(ObjStreamText, DamagedStreamsRaise) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"no signature", "TPF1\x02TX"},
      {"empty", ""},
      {"cut inside a text", Bytes().raw("TPF0").rec("TX", "").name("V").b(6).b(10).raw("abc")},
      {"negative length", Bytes().raw("TPF0").rec("TX", "").name("V").b(12).le(0xFFFFFFFF, 4)},
      {"unknown tag", Record(Bytes().name("V").b(99))},
      {"no end", Bytes().raw("TPF0").rec("TX", "")},
  };
  for (const auto& c : cases) EXPECT_THROW(ToText(c.bytes), EReadError) << c.what;
  std::string deep = "TPF0";
  for (int i = 0; i < 100; ++i) deep += Bytes().rec("TX", "N").end();
  EXPECT_THROW(ToText(deep), EReadError) << "nesting is capped";
  EXPECT_EQ(ToText(std::string("TPF0\0", 5)), "") << "a nil object has no text";
}

}  // namespace
