// The in-memory store's own cases: renumbering of the nearer end, deleting the last record,
// cached deletes, modifications, apply with retry and failure, commit, bookmarks across a reset
// and on a freed item whose memory was reused, record numbers out of range, refused inserts;
// each over every kind of store.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "tests/dataaccess/OwnFormatStore.h"

namespace da {
namespace {

using testing::MakeStore;

class MemDataTest : public ::testing::TestWithParam<testing::StoreKind> {
 protected:
  void SetUp() override {
    data.AutoInitFields = false;
    data.AddField("ID", dtInt32);
    data.InitFields();
    data.Open();
    rec.reset(data.AllocRecBuf());
  }
  void Append(int id) {
    data.InitRecord(rec.get());
    data.PutFieldByNo(1, rec.get(), &id);
    data.AppendRecord(rec.get());
  }
  void Insert(int id) {
    data.InitRecord(rec.get());
    data.PutFieldByNo(1, rec.get(), &id);
    data.InsertRecord(rec.get());
  }
  int Current() const {
    const void* p = data.CurrentRecordPtr();
    return p ? ReadValue<std::int32_t>(p) : -1;
  }
  // (id, record number) of every record, walking forwards.
  std::vector<std::pair<int, int>> Walk() {
    std::vector<std::pair<int, int>> out;
    data.SetToBegin();
    while (true) {
      data.GetNextRecord(rec.get());
      if (data.GetEOF()) break;
      out.emplace_back(ReadValue<std::int32_t>(rec.get()), data.GetRecNo());
    }
    return out;
  }
  void Fill(int n) {
    for (int i = 1; i <= n; ++i) Append(i);
  }

  std::unique_ptr<TMemData> store = MakeStore(GetParam());
  TMemData& data = *store;
  std::unique_ptr<std::uint8_t[]> rec;
};

INSTANTIATE_TEST_SUITE_P(Stores, MemDataTest, testing::kAllStores, testing::StoreName);

TEST_P(MemDataTest, InsertNearTheStartRenumbersOnlyTheStart) {
  Fill(10);
  data.SetRecNo(3);
  ASSERT_EQ(Current(), 3);
  Insert(100);
  EXPECT_EQ(data.GetRecNo(), 3);
  EXPECT_EQ(data.RecNoOffset(), 1);
  EXPECT_EQ(data.GetRecordCount(), 11);
  std::vector<std::pair<int, int>> expected{{1, 1}, {2, 2}, {100, 3}, {3, 4}, {4, 5}, {5, 6},
                                            {6, 7}, {7, 8}, {8, 9},   {9, 10}, {10, 11}};
  EXPECT_EQ(Walk(), expected);
  // Deleting near the end renumbers the end; the cursor goes to the following record.
  data.SetRecNo(10);
  data.DeleteRecord();
  EXPECT_EQ(Current(), 10);
  EXPECT_EQ(data.GetRecNo(), 10);
  EXPECT_EQ(data.GetRecordCount(), 10);
  data.DeleteRecord();  // the last one: the cursor goes to the new last record
  EXPECT_EQ(Current(), 8);
  EXPECT_EQ(data.GetRecNo(), 9);
}

TEST_P(MemDataTest, DeletingTheOnlyRecordLeavesBothEnds) {
  Append(1);
  data.DeleteRecord();
  EXPECT_TRUE(data.GetBOF());
  EXPECT_TRUE(data.GetEOF());
  EXPECT_EQ(data.GetRecordCount(), 0);
  EXPECT_EQ(data.GetRecNo(), 0);
}

TEST_P(MemDataTest, RunningOffTheEndReportsEndOfFile) {
  Fill(2);
  data.SetToBegin();
  data.GetNextRecord(rec.get());
  data.GetNextRecord(rec.get());
  EXPECT_FALSE(data.GetEOF());
  data.GetNextRecord(rec.get());
  EXPECT_TRUE(data.GetEOF());
  EXPECT_EQ(data.GetRecNo(), 0);
  data.GetPriorRecord(rec.get());
  EXPECT_EQ(Current(), 2);
  data.SetFilterText("ID = 1");  // a hidden last record: the end comes after the first one
  data.SetToBegin();
  data.GetNextRecord(rec.get());
  data.GetNextRecord(rec.get());
  EXPECT_TRUE(data.GetEOF());
}

TEST_P(MemDataTest, RecordNumbersOutOfRangeLeaveTheCursor) {
  Fill(5);
  data.SetRecNo(2);
  for (int n : {0, -1, 6, 100}) {
    data.SetRecNo(n);
    EXPECT_EQ(Current(), 2) << n;
  }
  data.SetRecNo(5);
  EXPECT_EQ(Current(), 5);
  data.SetRecNo(1);
  EXPECT_EQ(Current(), 1);
}

TEST_P(MemDataTest, CachedDeleteHidesUntilCancelled) {
  Fill(5);
  data.SetCachedUpdates(true);
  data.SetRecNo(2);
  data.DeleteRecord();
  EXPECT_EQ(data.GetRecordCount(), 4);
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(data.GetRecNo(), 2);
  EXPECT_TRUE(data.GetUpdatesPending());
  data.CancelUpdates();
  EXPECT_EQ(data.GetRecordCount(), 5);
  EXPECT_EQ(Walk().size(), 5u);
  EXPECT_FALSE(data.GetUpdatesPending());

  // A record inserted in the same cache goes at once and leaves no entry.
  data.SetRecNo(3);
  Insert(50);
  EXPECT_EQ(data.UpdateListCount(), 1u);
  data.DeleteRecord();
  EXPECT_EQ(data.UpdateListCount(), 0u);
  EXPECT_EQ(data.GetRecordCount(), 5);
}

TEST_P(MemDataTest, TwoModificationsKeepTheFirstVersionForRevert) {
  Fill(3);
  data.SetCachedUpdates(true);
  data.SetRecNo(2);
  int v = 20;
  data.PutFieldByNo(1, rec.get(), &v);
  data.UpdateRecord(rec.get());
  v = 200;
  data.PutFieldByNo(1, rec.get(), &v);
  data.UpdateRecord(rec.get());
  EXPECT_EQ(Current(), 200);
  EXPECT_EQ(data.GetUpdateStatus(), isUpdated);
  EXPECT_EQ(data.UpdateListCount(), 1u);
  data.GetOldRecord(rec.get());
  EXPECT_EQ(ReadValue<std::int32_t>(rec.get()), 2);
  data.RevertRecord();
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(data.GetUpdateStatus(), isUnmodified);
  EXPECT_EQ(data.UpdateListCount(), 0u);
}

TEST_P(MemDataTest, ApplyRetriesAndRecordsFailures) {
  Fill(3);
  data.SetCachedUpdates(true);
  data.SetRecNo(2);
  data.DeleteRecord();
  std::unique_ptr<std::uint8_t[]> newBuf(data.AllocRecBuf()), oldBuf(data.AllocRecBuf());
  data.SetCacheRecBuf(newBuf.get(), oldBuf.get());
  int calls = 0;
  data.OnApplyRecord = [&](TUpdateKind kind, TUpdateAction& action) {
    EXPECT_EQ(kind, ukDelete);
    EXPECT_EQ(ReadValue<std::int32_t>(newBuf.get()), 2);
    action = ++calls == 1 ? uaRetry : uaApplied;
  };
  data.SetRecNo(1);
  data.ApplyUpdates();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Current(), 1);  // the cursor is back where it was
  EXPECT_FALSE(data.GetUpdatesPending());
  data.CommitUpdates();
  EXPECT_EQ(data.UpdateListCount(), 0u);
  data.SetCachedUpdates(false);
  EXPECT_EQ(Walk(), (std::vector<std::pair<int, int>>{{1, 1}, {3, 2}}));  // gone for good

  // A hook that raises leaves the failing record current with result uaFail.
  data.SetCachedUpdates(true);
  data.SetRecNo(2);
  int v = 30;
  data.PutFieldByNo(1, rec.get(), &v);
  data.UpdateRecord(rec.get());
  data.SetRecNo(1);
  data.OnApplyRecord = [&](TUpdateKind kind, TUpdateAction&) {
    EXPECT_EQ(kind, ukModify);
    EXPECT_EQ(ReadValue<std::int32_t>(oldBuf.get()), 3);
    EXPECT_EQ(ReadValue<std::int32_t>(newBuf.get()), 30);
    throw std::runtime_error("refused");
  };
  EXPECT_THROW(data.ApplyUpdates(), std::runtime_error);
  EXPECT_EQ(Current(), 30);
  EXPECT_EQ(data.GetUpdateResult(), uaFail);
  EXPECT_TRUE(data.GetUpdatesPending());
  // RestoreUpdates makes applied entries pending again.
  data.OnApplyRecord = [](TUpdateKind, TUpdateAction& action) { action = uaApplied; };
  data.ApplyUpdates();
  EXPECT_FALSE(data.GetUpdatesPending());
  data.RestoreUpdates();
  EXPECT_TRUE(data.GetUpdatesPending());
}

TEST_P(MemDataTest, BookmarksResolveByItemOrByRecordNumber) {
  Fill(10);
  data.SetRecNo(3);
  TRecBookmark before;
  data.GetBookmark(before);
  data.Close();
  data.Open();
  Fill(10);
  EXPECT_NE(data.RefreshStamp(), before.RefreshStamp);
  data.SetToBookmark(before);  // a stamp of old: by record number
  EXPECT_EQ(Current(), 3);

  // One taken since resolves to its item, wherever it has moved.
  data.SetRecNo(5);
  TRecBookmark since;
  data.GetBookmark(since);
  data.SetRecNo(1);
  Insert(99);
  data.SetToBookmark(since);
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(data.GetRecNo(), 6);
  TRecBookmark again;
  data.GetBookmark(again);
  EXPECT_EQ(data.CompareBookmarks(&since, &again), 0);
  EXPECT_TRUE(data.BookmarkValid(&since));
}

TEST_P(MemDataTest, BookmarkOnAFreedItemDoesNotFindItsSuccessor) {
  Fill(10);
  data.SetRecNo(4);
  TRecBookmark mark;
  data.GetBookmark(mark);
  const void* oldAddress = data.CurrentRecordPtr();
  data.DeleteRecord();
  Insert(77);  // takes the freed item's memory from the free list
  ASSERT_EQ(data.CurrentRecordPtr(), oldAddress);
  data.SetRecNo(1);
  data.SetToBookmark(mark);
  // Not the new record in the old memory: the record number 4 decides.
  EXPECT_EQ(data.GetRecNo(), 4);
  EXPECT_EQ(Current(), 77);  // which is now the new record, found by its number
  data.SetRecNo(8);
  data.SetToBookmark(mark);
  EXPECT_EQ(data.GetRecNo(), 4);

  // The same, where number and memory disagree: the freed item's block is gone as well.
  std::unique_ptr<TMemData> smallStore = MakeStore(GetParam());
  TMemData& small = *smallStore;
  small.AutoInitFields = false;
  small.AddField("ID", dtInt32);
  small.InitFields();
  small.Open();
  for (int i = 1; i <= 3; ++i) {
    data.InitRecord(rec.get());
    small.InitRecord(rec.get());
    small.PutFieldByNo(1, rec.get(), &i);
    small.AppendRecord(rec.get());
  }
  small.SetRecNo(1);
  small.GetBookmark(mark);
  small.DeleteRecord();
  small.SetToEnd();
  int id = 9;
  small.PutFieldByNo(1, rec.get(), &id);
  small.InsertRecord(rec.get());  // may reuse the first item at the end of the list
  small.SetToBookmark(mark);
  EXPECT_EQ(small.GetRecNo(), 1);
  EXPECT_EQ(ReadValue<std::int32_t>(small.CurrentRecordPtr()), 2);
}

TEST_P(MemDataTest, RefusedInsertRestoresTheCursor) {
  Fill(3);
  data.SetRecNo(2);
  data.OnAppend = [] { throw std::runtime_error("no"); };
  EXPECT_THROW(Insert(9), std::runtime_error);
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(data.GetRecordCount(), 3);
  EXPECT_EQ(Walk().size(), 3u);
  data.OnAppend = nullptr;
  int deletes = 0;
  data.OnDelete = [&] { ++deletes; };
  data.SetRecNo(1);
  data.DeleteRecord();
  EXPECT_EQ(deletes, 1);
}

class MemDataBlobs : public ::testing::TestWithParam<testing::StoreKind> {};
INSTANTIATE_TEST_SUITE_P(Stores, MemDataBlobs, testing::kAllStores, testing::StoreName);

TEST_P(MemDataBlobs, CachedModificationKeepsTheOldBlobValue) {
  std::unique_ptr<TMemData> store = MakeStore(GetParam());
  TMemData& data = *store;
  data.AutoInitFields = false;
  data.AddField("B", dtMemo);
  data.InitFields();
  data.Open();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  data.InitRecord(rec.get());
  data.CreateComplexFields(rec.get(), true);
  data.PutFieldAsVariant(1, rec.get(), Variant("before"));
  data.AppendRecord(rec.get());
  data.SetCachedUpdates(true);

  std::unique_ptr<std::uint8_t[]> edit(data.AllocRecBuf());
  data.GetRecord(edit.get());
  data.EditRecord(edit.get());
  data.GetBlob(1, edit.get())->EnableCache();
  data.WriteBlob(1, edit.get(), 0, 6, "AFTER!");
  data.UpdateRecord(edit.get());
  data.GetOldRecord(rec.get());
  EXPECT_EQ(data.GetFieldAsVariant(1, rec.get()), Variant("before"));
  data.GetRecord(rec.get());
  EXPECT_EQ(data.GetFieldAsVariant(1, rec.get()), Variant("AFTER!"));
  data.RevertRecord();
  data.GetRecord(rec.get());
  EXPECT_EQ(data.GetFieldAsVariant(1, rec.get()), Variant("before"));
}

}  // namespace
}  // namespace da

namespace da {
namespace {

class MemDataValues : public ::testing::TestWithParam<testing::StoreKind> {};
INSTANTIATE_TEST_SUITE_P(Stores, MemDataValues, testing::kAllStores, testing::StoreName);

TEST_P(MemDataValues, ClosingReleasesHeapValuesVariantsAndBlobs) {
  for (bool large : {false, true}) {
    std::unique_ptr<TMemData> store = testing::MakeStore(GetParam());
    TMemData& data = *store;
    data.AutoInitFields = false;
    data.AddField("XS", dtExtString);
    data.AddField("V", dtVariant);
    data.AddField("B", dtBlob);
    data.InitFields();
    data.Open();
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    for (int i = 0; i < 50; ++i) {
      data.InitRecord(rec.get());
      data.CreateComplexFields(rec.get(), true);
      data.PutFieldAsVariant(1, rec.get(), Variant(std::string(large && i % 10 == 0 ? 3000 : 10, 'x')));
      data.PutFieldAsVariant(2, rec.get(), Variant("value " + std::to_string(i)));
      data.WriteBlob(3, rec.get(), 0, 4, "blob");
      data.AppendRecord(rec.get());
    }
    EXPECT_EQ(data.StringHeap().HasLargeChunks(), large);
    data.SetCachedUpdates(true);
    data.SetRecNo(5);
    data.GetRecord(rec.get());
    data.EditRecord(rec.get());
    data.PutFieldAsVariant(2, rec.get(), Variant("edited"));
    data.PostRecord(rec.get());  // keeps a rollback copy with references of its own
    data.Close();                  // the sanitizers check that everything went, once
    EXPECT_TRUE(data.StringHeap().Empty());
    EXPECT_FALSE(data.StringHeap().HasLargeChunks());
  }
}

// Enough rows for the store's blocks to fill several arena regions, the large mapped ones too:
// rows deleted in runs (whole blocks go back) and appended again (their memory is reused) keep
// every other record whole, and closing releases every value once, large heap chunks included.
TEST_P(MemDataValues, AStoreOfManyBlocksKeepsItsRecordsAndReleasesItsValues) {
  std::unique_ptr<TMemData> store = testing::MakeStore(GetParam());
  TMemData& data = *store;
  data.AutoInitFields = false;
  data.AddField("ID", dtInt32);
  data.AddField("XS", dtExtString);
  data.InitFields();
  data.Open();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  auto text = [](int id) { return std::string(id % 500 == 0 ? 2500 : 5 + id % 20, static_cast<char>('a' + id % 26)); };
  auto append = [&](int id) {
    data.InitRecord(rec.get());
    data.CreateComplexFields(rec.get(), true);
    data.PutFieldByNo(1, rec.get(), &id);
    data.PutFieldAsVariant(2, rec.get(), Variant(text(id)));
    data.AppendRecord(rec.get());  // the store takes the record's references over
  };
  constexpr int kRows = 50000;
  // Deleted: every other run of 25 among the first rows (near the start, where renumbering is short).
  auto deleted = [](int id) { return id <= 5000 && (id - 1) / 25 % 2 == 0; };
  for (int id = 1; id <= kRows; ++id) append(id);
  ASSERT_GT(data.BlockManager().ItemSize() * kRows, std::size_t{2} << 20);
  data.SetRecNo(1);
  for (int id = 1; id <= 5000; ++id) {
    if (deleted(id)) {
      data.DeleteRecord();
    } else {
      data.GetNextRecord(nullptr);
    }
  }
  for (int id = kRows + 1; id <= kRows + 10000; ++id) append(id);
  std::vector<int> expected;
  for (int id = 1; id <= kRows + 10000; ++id)
    if (!deleted(id)) expected.push_back(id);
  ASSERT_EQ(data.GetRecordCount(), static_cast<int>(expected.size()));
  data.SetToBegin();
  for (int id : expected) {
    data.GetNextRecord(rec.get());
    ASSERT_FALSE(data.GetEOF());
    bool blank;
    std::int32_t got;
    data.GetFieldByNo(1, rec.get(), blank, &got);
    ASSERT_EQ(got, id);
    ASSERT_EQ(data.GetFieldAsVariant(2, rec.get()), Variant(text(id))) << id;
  }
  EXPECT_TRUE(data.StringHeap().HasLargeChunks());
  data.Close();  // the sanitizers check that every value went, once
  EXPECT_TRUE(data.StringHeap().Empty());
}

}  // namespace
}  // namespace da
