#include "foundation/text/TextFields.h"

#include <gtest/gtest.h>

namespace olv {
namespace {

TEST(TextFields, CountAndGet) {
  struct Case {
    const char* text;
    const char* delim;
    std::vector<std::string> fields;
  } cases[] = {
      {"", ",", {}},
      {"a,b", ",", {"a", "b"}},
      {"a,", ",", {"a"}},  // a trailing delimiter opens no field
      {",a", ",", {"", "a"}},
      {",", ",", {""}},
      {"a,,b", ",", {"a", "", "b"}},
      {"a,'b,c',d", ",", {"a", "'b,c'", "d"}},  // quotes stay with the field
      {"a,'b,c", ",", {"a", "'b,c"}},
      {"k=1;;v=2", ";;", {"k=1", "v=2"}},
      {"中;文", ";", {"中", "文"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(FieldCount(c.text, c.delim), c.fields.size()) << c.text;
    for (std::size_t i = 0; i < c.fields.size(); ++i) EXPECT_EQ(GetField(c.text, c.delim, i), c.fields[i]) << c.text;
    EXPECT_EQ(GetField(c.text, c.delim, c.fields.size()), "") << c.text;
    std::vector<std::string> list{"kept"};
    SplitToStrings(c.text, c.delim, list);
    std::vector<std::string> want{"kept"};
    want.insert(want.end(), c.fields.begin(), c.fields.end());
    EXPECT_EQ(list, want) << c.text;
  }
}

TEST(TextFields, Cutting) {
  std::string t = "a,'b,c',d";
  EXPECT_EQ(CutFirstField(t, ","), "a");
  EXPECT_EQ(t, "'b,c',d");
  EXPECT_EQ(CutFirstField(t, ","), "'b,c'");
  EXPECT_EQ(CutFirstField(t, ","), "d");
  EXPECT_EQ(t, "");
  t = "<PROGRAMDIR>x";
  EXPECT_EQ(CutFirstField(t, "<"), "");
  EXPECT_EQ(CutFirstField(t, ">"), "PROGRAMDIR");
  EXPECT_EQ(t, "x");

  struct Case {
    const char* text;
    std::size_t index;
    const char* field;
    const char* rest;
  } cases[] = {
      {"a,b,c", 0, "a", "b,c"},  // the following delimiter goes with the first field
      {"a,b,c", 1, "b", "a,c"},  // the preceding one with any other
      {"a,b,c", 2, "c", "a,b"},
      {"a", 0, "a", ""},
      {"a,b", 5, "", "a,b"},
      {",a", 0, "", "a"},
  };
  for (const Case& c : cases) {
    std::string s = c.text;
    EXPECT_EQ(CutField(s, ",", c.index), c.field) << c.text << " " << c.index;
    EXPECT_EQ(s, c.rest) << c.text << " " << c.index;
  }
}

TEST(TextFields, JoinAndNames) {
  EXPECT_EQ(JoinStrings({}, ","), "");
  EXPECT_EQ(JoinStrings({"a", "", "b"}, ", "), "a, , b");
  const std::vector<std::string> list{"novalue", "Dump=x.dmp", "LOG=", "dump=second", "a=b=c"};
  EXPECT_EQ(ValueOfName(list, "DUMP"), "x.dmp");
  EXPECT_EQ(IndexOfName(list, "log"), 2);
  EXPECT_EQ(ValueOfName(list, "a"), "b=c");
  EXPECT_EQ(ValueOfName(list, "novalue"), "");
  EXPECT_EQ(IndexOfName(list, "missing"), -1);
}

}  // namespace
}  // namespace olv
