#include "skin/SkinReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/skin/DialogsFixture.h"
#include "tools/skinkit/LzhEncoder.h"
#include "tools/skinkit/PackageWriter.h"

namespace skin {
namespace {

using Bytes = std::vector<uint8_t>;
using skinkit::PackageFile;

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string Text(std::span<const uint8_t> b) { return std::string(b.begin(), b.end()); }

const std::vector<PackageFile> kFiles = {
    {"Skin.INI", Of("[TitlebarSkin]\r\nSkinName=t\r\n")},
    {"left.bmp", Of("LEFT")},
    {"empty.bmp", {}},
    {"Caf\xC3\x89.bmp", Of("E-ACUTE")},
    {"mini.ini.bak", Of("BAK")},
};

using SkinReaderTest = DialogsFixture;

TEST_F(SkinReaderTest, LooksFilesUpByLowerCasedNameAndByPartOfTheName) {
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(skinkit::BuildPackage(kFiles)));
  EXPECT_EQ(reader.Header()[0], 20000u);
  EXPECT_EQ(reader.Names(), (std::vector<std::string>{"skin.ini", "left.bmp", "empty.bmp",
                                                      "caf\xC3\x89.bmp", "mini.ini.bak"}));
  EXPECT_EQ(Text(reader.GetFile("LEFT.BMP")), "LEFT");
  EXPECT_EQ(Text(reader.GetFile("skin.ini")), Text(kFiles[0].bytes));
  EXPECT_TRUE(reader.GetFile("empty.bmp").empty());
  EXPECT_TRUE(reader.GetFile("missing.bmp").empty());
  // Only ASCII letters fold: a non-ASCII letter matches byte for byte only.
  EXPECT_EQ(Text(reader.GetFile("CAF\xC3\x89.BMP")), "E-ACUTE");
  EXPECT_TRUE(reader.GetFile("caf\xC3\xA9.bmp").empty());

  std::string found = "unchanged";
  EXPECT_EQ(Text(reader.FindFile(".ini", found)), Text(kFiles[0].bytes));
  EXPECT_EQ(found, "skin.ini");
  EXPECT_EQ(Text(reader.FindFile("i.ini", found)), "BAK");
  EXPECT_EQ(found, "mini.ini.bak");
  // The pattern is not lower-cased.
  found = "unchanged";
  EXPECT_TRUE(reader.FindFile(".INI", found).empty());
  EXPECT_EQ(found, "unchanged");
  EXPECT_TRUE(dialogs_.Log().empty());
}

TEST_F(SkinReaderTest, NameListLinesEndAtAnyLineBreak) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines(std::string("a\nb\0c\n", 6)), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(SplitLines("").empty());

  // An empty name in the middle still owns a size entry.
  Bytes c = skinkit::BuildContainer({{"a.bmp", Of("AA")}, {"", Of("?")}, {"b.bmp", Of("BBB")}});
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(skinkit::LzhEncode(c)));
  EXPECT_EQ(reader.Count(), 3u);
  EXPECT_EQ(Text(reader.GetFile("b.bmp")), "BBB");
}

// A damaged package: the container of kFiles with a patch, or a package made otherwise.
struct Damage {
  const char* name;
  std::function<Bytes()> package;
};

Bytes PatchedContainer(std::size_t offset, uint32_t value) {
  Bytes c = skinkit::BuildContainer(kFiles);
  for (int i = 0; i < 4; ++i) c.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
  return skinkit::LzhEncode(c);
}

// Offsets in the container of kFiles.
std::size_t NameListLength() {
  std::size_t n = 0;
  for (const PackageFile& f : kFiles) n += f.name.size() + 2;
  return n;
}
std::size_t SizeOffset(std::size_t file) { return 16 + NameListLength() + 4 * file; }

TEST_F(SkinReaderTest, DamagedPackagesAreRefusedWithAReasonAndNothingShown) {
  const Damage cases[] = {
      {"version 19999", [] { return PatchedContainer(0, 19999); }},
      {"version 20001", [] { return PatchedContainer(0, 20001); }},
      {"name list past the end", [] { return PatchedContainer(4, 100000); }},
      {"name list length 0xFFFFFFFF", [] { return PatchedContainer(4, 0xFFFFFFFF); }},
      {"1,002 names", [] {
         std::vector<PackageFile> many;
         for (int i = 0; i < 1002; ++i) many.push_back({"f" + std::to_string(i), {}});
         return skinkit::BuildPackage(many);
       }},
      {"sizes one past the data", [] {
         return PatchedContainer(SizeOffset(kFiles.size() - 1),
                                 static_cast<uint32_t>(kFiles.back().bytes.size() + 1));
       }},
      {"file size 0x7FFFFFFF", [] { return PatchedContainer(SizeOffset(1), 0x7FFFFFFF); }},
      {"sizes that wrap 32 bits", [] { return PatchedContainer(SizeOffset(2), 0xFFFFFFFF); }},
      {"unpacked size 0x7FFFFFFF", [] {
         Bytes p = skinkit::BuildPackage(kFiles);
         p[0] = p[1] = p[2] = 0xFF;
         p[3] = 0x7F;
         return p;
       }},
      {"truncated", [] {
         Bytes p = skinkit::BuildPackage(kFiles);
         p.resize(p.size() / 2);
         return p;
       }},
      {"shorter than the header", [] { return skinkit::LzhEncode(Of("twelve bytes")); }},
      {"no bytes at all", [] { return Bytes{}; }},
  };
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.name);
    dialogs_.Clear();
    TSkinReader reader;
    ASSERT_TRUE(reader.Load(skinkit::BuildPackage({{"keep.ini", Of("kept")}})));
    EXPECT_FALSE(reader.Load(d.package()));
    EXPECT_FALSE(reader.LastError().empty());
    // The reader keeps what it held.
    EXPECT_EQ(reader.Names(), std::vector<std::string>{"keep.ini"});
    EXPECT_EQ(Text(reader.GetFile("keep.ini")), "kept");
    // The reader reports to its caller; the window side decides what the user sees.
    EXPECT_TRUE(dialogs_.Log().empty());
  }
}

TEST_F(SkinReaderTest, ExactlyFullPackagesAreAccepted) {
  // 1,001 names, and sizes that use the data area to its last byte.
  std::vector<PackageFile> many;
  for (int i = 0; i < 1001; ++i) many.push_back({"f" + std::to_string(i), Of("x")});
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(skinkit::BuildPackage(many)));
  EXPECT_EQ(reader.Count(), 1001u);
  EXPECT_EQ(Text(reader.GetFile("f1000")), "x");
}

}  // namespace
}  // namespace skin
