#include "widgets/forms/FormTexts.h"

#include <gtest/gtest.h>

using namespace olv;

namespace {

TEST(FormTexts, TitleAndNoteOfACaption) {
  struct Case {
    const char* caption;
    const char* title;
    const char* note;
  } cases[] = {
      {"Orders", "Orders", ""},
      {"Orders(3 rows)", "Orders", "3 rows"},
      {"Orders (3 rows)", "Orders ", "3 rows"},  // nothing is trimmed
      {"a(b(c))", "a", "b(c)"},
      {"Orders(", "Orders", ""},
      {"(x)", "", "x"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(CaptionTitle(c.caption), c.title);
    EXPECT_EQ(CaptionNote(c.caption), c.note);
  }
}

TEST(FormTexts, WritingTheNoteAndTheTitle) {
  std::string caption = CaptionWithNote("Orders", "3 rows");
  EXPECT_EQ(caption, "Orders(3 rows)");
  caption = CaptionWithTitle(caption, "Clients");
  EXPECT_EQ(caption, "Clients(3 rows)");
  caption = CaptionWithNote(caption, "");
  EXPECT_EQ(caption, "Clients");
  EXPECT_EQ(CaptionWithTitle("Clients", "Orders"), "Orders");
  // A title that carries a note of its own loses it to the caption's note.
  EXPECT_EQ(CaptionWithTitle("A(n)", "B(m)"), "B(n)");
}

TEST(FormTexts, TagHalves) {
  EXPECT_EQ(TagHigh(65538), 1);
  EXPECT_EQ(TagLow(65538), 2);
  EXPECT_EQ(WithTagLow(65538, 7), 65543);
  EXPECT_EQ(WithTagHigh(65538, 3), 3 * 65536 + 2);
  EXPECT_EQ(TagHigh(-1), 0xFFFF);
  EXPECT_EQ(WithTagHigh(5, 0x8000), static_cast<std::int32_t>(0x80000005u));
}

TEST(FormTexts, LongHintAndControlPaths) {
  EXPECT_EQ(LongHint("Save|Saves the file"), "Saves the file");
  EXPECT_EQ(LongHint("Save"), "Save");
  EXPECT_EQ(LongHint("a|b|c"), "b|c");
  struct Case {
    const char* path;
    const char* name;
    std::size_t levels;
  } cases[] = {{"Edit1", "Edit1", 0}, {"Edit1.", "Edit1", 1}, {"Edit1..", "Edit1", 2}, {"", "", 0}, {".", "", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const TControlPathParts parts = SplitControlPath(c.path);
    EXPECT_EQ(parts.name, c.name);
    EXPECT_EQ(parts.levels, c.levels);
  }
}

TEST(FormTexts, LayoutKeys) {
  const std::string key = PrivateLayoutKey("orascheme", "/home/dba/ops", "/opt/ora/bin/orascheme", "frmOrder");
  EXPECT_EQ(key, "\\orascheme\\控件位置\\ops\\orascheme_frmOrder");
  EXPECT_EQ(CommonLayoutKey("orascheme", key), "\\orascheme\\定制信息\\orascheme_frmOrder");
  EXPECT_EQ(PrivateLayoutKey("p", "", "C:\\x\\prog.exe", "f"), "\\p\\控件位置\\\\prog.exe_f");
}

TEST(FormTexts, MenuTextsAndPlaceHint) {
  TMenuText t = SplitMenuText("Enter|Start moving controls");
  EXPECT_EQ(t.caption, "Enter");
  EXPECT_EQ(t.hint, "Start moving controls");
  t = SplitMenuText("Save");
  EXPECT_EQ(t.caption, "Save");
  EXPECT_EQ(t.hint, "");
  EXPECT_EQ(PlaceHint(10, -2, 30, 40), "x=10, y=-2 w=30 h=40");
}

}  // namespace
