#include "skin/SkinIni.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

const char* const kIni =
    "\xEF\xBB\xBF; a comment\r\n"
    "ignored=before any section\r\n"
    "[Personality]\r\n"
    "  MenuBar = bar.bmp  \r\n"
    "Left=\"quoted left.bmp\"\n"
    "Empty=\n"
    "no equals sign\n"
    "menubar=second.bmp\n"
    "[ Colours ]\r"
    "ButtonFace=59 97 131\r"
    "[personality]\n"
    "Right=from the repeated section\n"
    "[Numbers]\n"
    "dec=-42\nhex=0x1F\ndollar=$ff\nbig=2147483648\nneg=-2147483648\nall=0xFFFFFFFF\n"
    "word=12ab\nspace= 7 \nplus=+3\n";

TEST(SkinIniTest, SectionsAndKeysCompareWithoutCaseAndTheFirstWins) {
  const TSkinIni ini(kIni);
  EXPECT_EQ(ini.SectionNames(),
            (std::vector<std::string>{"Personality", "Colours", "personality", "Numbers"}));
  EXPECT_EQ(ini.ReadString("PERSONALITY", "menubar"), "bar.bmp");
  EXPECT_EQ(ini.ReadString("Personality", "Left"), "quoted left.bmp");
  EXPECT_EQ(ini.ReadString("Personality", "Empty", "default"), "");
  EXPECT_EQ(ini.ReadString("Personality", "Missing", "default"), "default");
  EXPECT_EQ(ini.ReadString("Personality", "Right", "default"), "default");
  EXPECT_EQ(ini.ReadString("colours", "BUTTONFACE"), "59 97 131");
  EXPECT_FALSE(ini.ValueExists("Personality", "ignored"));
  EXPECT_TRUE(ini.SectionExists("numbers"));
  EXPECT_FALSE(ini.SectionExists("Buttons"));
}

TEST(SkinIniTest, IntegersAreDecimalOrHexadecimalElseTheDefault) {
  const TSkinIni ini(kIni);
  struct Row { const char* key; int32_t value; };
  const Row rows[] = {{"dec", -42},         {"hex", 31},       {"dollar", 255}, {"big", -5},
                      {"neg", INT32_MIN},   {"all", -1},       {"word", -5},    {"space", 7},
                      {"plus", 3},          {"missing", -5}};
  for (const Row& r : rows) EXPECT_EQ(ini.ReadInteger("Numbers", r.key, -5), r.value) << r.key;
  EXPECT_EQ(ini.ReadInteger("Personality", "Empty", 14), 14);
}

}  // namespace
}  // namespace skin
