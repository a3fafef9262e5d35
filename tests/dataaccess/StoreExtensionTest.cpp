// What a record store subclass builds on: blob writes that set the NULL flag through the store,
// complex values of the subclass's own types left to it, a block of items filled in place and
// linked at once, bookmarks checked for liveness, and the record handed to InternalAppend.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "tests/dataaccess/OwnFormatStore.h"

namespace da {
namespace {

using testing::StoreKind;

class StoreKinds : public testing::StoreTest {};
INSTANTIATE_TEST_SUITE_P(Stores, StoreKinds, testing::kAllStores, testing::StoreName);

TEST_P(StoreKinds, BlobWritesSetTheNullFlagOfTheirFieldOnly) {
  data.AutoInitFields = false;
  data.AddField("I", dtInt32);
  data.AddField("B", dtBlob);
  data.AddField("J", dtInt32);
  data.InitFields();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  data.InitRecord(rec.get());
  data.CreateComplexFields(rec.get(), true);
  const std::int32_t seven = 7;
  data.PutFieldByNo(3, rec.get(), &seven);

  data.WriteBlob(2, rec.get(), 0, 3, "abc");
  EXPECT_TRUE(data.GetNull(1, rec.get()));
  EXPECT_FALSE(data.GetNull(2, rec.get()));
  EXPECT_FALSE(data.GetNull(3, rec.get()));
  data.TruncateBlob(2, rec.get(), 1);
  EXPECT_FALSE(data.GetNull(2, rec.get()));
  data.TruncateBlob(2, rec.get(), 0);
  EXPECT_TRUE(data.GetNull(1, rec.get()));
  EXPECT_TRUE(data.GetNull(2, rec.get()));
  EXPECT_FALSE(data.GetNull(3, rec.get()));
  // Both went through cached mode: cancelling brings back the empty value it started from.
  data.WriteBlob(2, rec.get(), 0, 3, "xyz");
  data.CancelRecord(rec.get());
  EXPECT_EQ(data.GetBlobSize(2, rec.get()), 0u);
  data.FreeComplexFields(rec.get(), true);
}

// A blob of a subclass's own type, counting the live ones.
class LobBlob : public TBlob {
 public:
  static inline int Live = 0;
  LobBlob() { ++Live; }

 protected:
  ~LobBlob() override { --Live; }
};

constexpr TDataType dtLob = 102;

// A store that adds dtLob to its blob types and makes, frees and copies those values itself.
class LobStore : public TMemData {
 public:
  // Closed here: the base's close in its own destructor no longer reaches these overrides.
  ~LobStore() override { Close(); }
  bool IsBlobFieldType(TDataType type) const override { return type == dtLob || TMemData::IsBlobFieldType(type); }
  bool IsComplexFieldType(TDataType type) const override {
    return type == dtLob || TMemData::IsComplexFieldType(type);
  }
  std::uint16_t FieldSize(TDataType type, std::uint16_t length) const override {
    return type == dtLob ? sizeof(void*) : TMemData::FieldSize(type, length);
  }
  void CreateComplexFields(void* record, bool withBlobs) override {
    TMemData::CreateComplexFields(record, withBlobs);
    for (std::uint8_t* slot : LobSlots(record))
      if (withBlobs) {
        EXPECT_EQ(ReadPointer(slot), nullptr) << "the base made a value of the subclass's type";
        WritePointer(slot, new LobBlob());
      }
  }
  void FreeComplexFields(void* record, bool withBlobs) override {
    for (std::uint8_t* slot : LobSlots(record))
      if (withBlobs) {
        da::Release(static_cast<TSharedObject*>(ReadPointer(slot)));
        WritePointer(slot, nullptr);
      }
    TMemData::FreeComplexFields(record, withBlobs);
  }

 private:
  std::vector<std::uint8_t*> LobSlots(void* record) {
    std::vector<std::uint8_t*> slots;
    for (int i = 1; i <= GetFieldCount(); ++i)
      if (FieldAt(i).DataType == dtLob) slots.push_back(static_cast<std::uint8_t*>(record) + FieldAt(i).Offset);
    return slots;
  }
};

TEST(StoreSubclass, TheBaseLeavesComplexValuesOfTheSubclassTypesToIt) {
  {
    LobStore data;
    data.AutoInitFields = false;
    data.AddField("M", dtMemo);
    data.AddField("L", dtLob);
    data.InitFields();
    data.Open();
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    data.InitRecord(rec.get());
    data.CreateComplexFields(rec.get(), true);
    EXPECT_EQ(LobBlob::Live, 1);
    EXPECT_NE(data.GetBlob(1, rec.get()), nullptr);  // the base still makes its own memo
    data.WriteBlob(2, rec.get(), 0, 4, "lob!");
    data.AppendRecord(rec.get());
    data.CommitBlobs(rec.get());
    data.SetCachedUpdates(true);
    data.SetRecNo(1);
    data.GetRecord(rec.get());
    data.EditRecord(rec.get());
    data.WriteBlob(2, rec.get(), 0, 4, "LOB?");
    data.PostRecord(rec.get());
    data.CancelUpdates();
    data.GetRecord(rec.get());
    EXPECT_EQ(data.GetBlob(2, rec.get())->GetAsString(), "lob!");
  }  // closing frees each value once: the subclass releases its own, the base its memo
  EXPECT_EQ(LobBlob::Live, 0);
}

// A store that fills a block of items in place, as an array fetch does, and sees what InternalAppend is given.
class BlockStore : public TMemData {
 public:
  using TMemData::ForgetItem;
  using TMemData::LiveBookmarkItem;
  std::vector<int> Appended;

  // count records with IDs from first on, in one block of blockSize items.
  void FetchBlock(int first, int count, std::uint16_t blockSize) {
    TBlockHeader* block;
    BlockManager().AllocBlock(block, blockSize);
    for (int i = 0; i < count; ++i) {
      void* rec = TBlockManager::GetRecordPtr(BlockManager().BlockItem(block, i));
      InitRecord(rec);
      const std::int32_t id = first + i;
      PutFieldByNo(1, rec, &id);
    }
    LinkBlockItems(block, count);
  }
  int CurrentId() const { return CurrentRecordPtr() ? ReadValue<std::int32_t>(CurrentRecordPtr()) : -1; }
  TItemHeader* Current() const { return CurrentItem(); }

 protected:
  bool InternalAppend(const void* record) override {
    Appended.push_back(ReadValue<std::int32_t>(record));
    return TMemData::InternalAppend(record);
  }
};

class BlockStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.AutoInitFields = false;
    data.AddField("ID", dtInt32);
    data.InitFields();
    data.Open();
  }
  std::vector<std::pair<int, int>> Walk() {
    std::vector<std::pair<int, int>> out;
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    data.SetToBegin();
    for (data.GetNextRecord(rec.get()); !data.GetEOF(); data.GetNextRecord(rec.get()))
      out.emplace_back(ReadValue<std::int32_t>(rec.get()), data.GetRecNo());
    return out;
  }
  BlockStore data;
};

TEST_F(BlockStoreTest, AFilledBlockIsLinkedAtTheEndAndItsUnusedItemsGoBack) {
  data.FetchBlock(1, 3, 5);
  data.SetFilterText("ID <> 5");
  data.FetchBlock(4, 3, 3);  // 5 is hidden: neither counted nor numbered
  data.FetchBlock(7, 0, 4);  // nothing came: the block goes back whole
  EXPECT_EQ(data.GetRecordCount(), 5);
  EXPECT_EQ(Walk(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {6, 5}}));
  int blocks = 0;
  for (TBlockHeader* b = data.BlockManager().FirstBlock(); b; b = b->Next) ++blocks;
  EXPECT_EQ(blocks, 2);
  // The items given back are handed out again before a new block is made.
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  data.InitRecord(rec.get());
  const std::int32_t id = 9;
  data.PutFieldByNo(1, rec.get(), &id);
  data.AppendRecord(rec.get());
  blocks = 0;
  for (TBlockHeader* b = data.BlockManager().FirstBlock(); b; b = b->Next) ++blocks;
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(data.Appended, (std::vector<int>{9}));
  EXPECT_EQ(data.GetRecordCount(), 6);
}

TEST_F(BlockStoreTest, ASubclassCanTellWhetherABookmarkedItemStillLives) {
  data.FetchBlock(1, 4, 4);
  data.SetRecNo(2);
  TRecBookmark mark;
  data.GetBookmark(mark);
  EXPECT_EQ(data.LiveBookmarkItem(mark), data.Current());

  // An item the subclass frees itself must be forgotten, or its reuse would answer the old bookmark.
  data.ForgetItem(data.Current());
  EXPECT_EQ(data.LiveBookmarkItem(mark), nullptr);
  data.SetRecNo(3);
  data.SetToBookmark(mark);  // by its record number now
  EXPECT_EQ(data.CurrentId(), 2);

  TRecBookmark again;
  data.GetBookmark(again);
  data.Close();
  data.Open();
  EXPECT_EQ(data.LiveBookmarkItem(again), nullptr);  // the data was reset
}

}  // namespace
}  // namespace da
