#include "foundation/objects/OlvClipboard.h"

#include <gtest/gtest.h>

#include "tests/support/TestObjects.h"
#include "platform/Clipboard.h"

namespace {

TEST(OlvClipboard, ObjectStreamsAndTextTravelAsBytes) {
  plat::InProcessClipboard board;
  plat::SetClipboard(&board);
  auto& clip = olv::OlvClipboard();
  const std::string stream = std::string("TPF0\0\x01\xff", 7);
  clip.PutObjectStream(stream);
  EXPECT_TRUE(clip.HasObject());
  EXPECT_EQ(clip.ObjectStream(), stream);
  EXPECT_EQ(board.Get("OlvekObject"), stream);
  // A new put outside a session empties the clipboard first.
  clip.SetAsText("plain");
  EXPECT_FALSE(clip.HasObject());
  EXPECT_EQ(clip.AsText(), "plain");
  // Within one session both entries arrive together, and only at the end.
  clip.Open();
  clip.PutObjectStream(stream);
  clip.SetAsText("both");
  EXPECT_EQ(clip.AsText(), "plain");
  clip.Close();
  EXPECT_EQ(clip.AsText(), "both");
  EXPECT_EQ(clip.ObjectStream(), stream);
  plat::SetClipboard(nullptr);
}

TEST(OlvClipboard, AnObjectTravelsAsItsObjectStream) {
  plat::InProcessClipboard board;
  plat::SetClipboard(&board);
  olv::RegisterObjClass(olvtest::TChildObj::StaticClass());
  olvtest::TChildObj obj;
  obj.name = "nightly export";
  obj.value = 7;
  olv::CopyToClipboard(&obj);
  ASSERT_TRUE(board.Get("OlvekObject").has_value());
  EXPECT_EQ(board.Get("OlvekObject")->substr(0, 4), "TPF0");
  auto pasted = olv::OlvClipboard().PasteObject();
  ASSERT_NE(pasted, nullptr);
  auto* child = dynamic_cast<olvtest::TChildObj*>(pasted.get());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->name, "nightly export");
  EXPECT_EQ(child->value, 7);
  // Damaged bytes are the stream's error, not a crash; no object gives none.
  board.Put({{"OlvekObject", "TPF0\x05"}});
  EXPECT_THROW(olv::OlvClipboard().PasteObject(), olv::Exception);
  board.Clear();
  EXPECT_EQ(olv::OlvClipboard().PasteObject(), nullptr);
  plat::SetClipboard(nullptr);
}

}  // namespace
