// The stored layout in the object stream, against bytes worked out by hand from the layout.
#include "widgets/forms/ControlPosition.h"

#include <gtest/gtest.h>

#include "foundation/objects/ObjStream.h"
#include "foundation/streams/Stream.h"

using namespace olv;

namespace {

// FormWidth 0 and Left 0 have no value and are not written; Width 0 always is.
const unsigned char kLayout[] = {
    'T', 'P', 'F', '0',
    20, 'T', 'C', 'o', 'n', 't', 'r', 'o', 'l', 'P', 'o', 's', 'i', 't', 'i', 'o', 'n', 'L', 'i', 's', 't',
    0,
    10, 'F', 'o', 'r', 'm', 'H', 'e', 'i', 'g', 'h', 't', 3, 0x58, 0x02,  // 600
    0,
    14, 'T', 'L', 'i', 's', 't', 'C', 'o', 'n', 't', 'a', 'i', 'n', 'e', 'r', 5, 'C', 't', 'r', 'l', 's',
    8, 'L', 'i', 's', 't', 'T', 'y', 'p', 'e', 6, 4, 'L', 'i', 's', 't',
    9, 'L', 'i', 's', 't', 'C', 'o', 'u', 'n', 't', 2, 1,
    7, 'S', 't', 'r', 'i', 'n', 'g', 's', 1, 0,
    0,
    16, 'T', 'C', 'o', 'n', 't', 'r', 'o', 'l', 'P', 'o', 's', 'i', 't', 'i', 'o', 'n',
    8, 'O', 'b', 'j', 'e', 'c', 't', '_', '0',
    4, 'N', 'a', 'm', 'e', 6, 5, 'E', 'd', 'i', 't', '1',
    3, 'T', 'o', 'p', 2, 8,
    5, 'W', 'i', 'd', 't', 'h', 2, 0,
    6, 'H', 'e', 'i', 'g', 'h', 't', 2, 21,
    0, 0,
    0,
    0,
};

class ControlPositionStream : public ::testing::Test {
 protected:
  void SetUp() override { RegisterFormStreamClasses(); }
};

TEST_F(ControlPositionStream, WritesTheHandWorkedBytes) {
  TControlPositionList list;
  list.FormHeight = 600;
  list.Add("Edit1", 0, 8, 0, 21);
  TMemoryStream out;
  WriteObjectToStream(out, &list);
  EXPECT_EQ(out.View(), std::string_view(reinterpret_cast<const char*>(kLayout), sizeof kLayout));
}

TEST_F(ControlPositionStream, ReadsTheHandWorkedBytesBack) {
  TMemoryStream in(std::string_view(reinterpret_cast<const char*>(kLayout), sizeof kLayout));
  auto obj = ReadObjectFromStream(in);
  auto* list = dynamic_cast<TControlPositionList*>(obj.get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->FormWidth, 0);
  EXPECT_EQ(list->FormHeight, 600);
  ASSERT_EQ(list->Count(), 1);
  const TControlPosition* p = list->Items(0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Name, "Edit1");
  EXPECT_EQ(p->Left, 0);
  EXPECT_EQ(p->Top, 8);
  EXPECT_EQ(p->Width, 0);
  EXPECT_EQ(p->Height, 21);
  EXPECT_EQ(list->Items(1), nullptr);
}

TEST_F(ControlPositionStream, CloneKeepsEveryPlaceAndPath) {
  TControlPositionList list;
  list.FormWidth = 800;
  list.FormHeight = 600;
  list.Add("Panel1", -5, 0, 100, 40);
  list.Add("Edit1..", 3, 4, 5, 6);
  auto copy = CloneAs(list);
  ASSERT_EQ(copy->Count(), 2);
  EXPECT_EQ(copy->FormWidth, 800);
  EXPECT_EQ(copy->Items(0)->Left, -5);
  EXPECT_EQ(copy->Items(1)->Name, "Edit1..");
  EXPECT_EQ(copy->Items(1)->Height, 6);
}

}  // namespace
