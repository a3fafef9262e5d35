#pragma once
// TMemData: the record store that keeps every row in memory, as a doubly linked list of items
// from its TBlockManager, each holding one record buffer. It gives its owner a cursor with record
// numbers and bookmarks, navigation that passes over records hidden by the filter or by their
// update status, insertion, modification and deletion, and cached updates: changes are kept with
// the versions they replaced in an update list until they are applied through OnApplyRecord,
// committed or cancelled. Server record sets derive from it and fill it by fetching (Fetch).
//
// Record numbers: RecordCount counts visible records only; a visible item's number is its Order
// plus RecNoOffset, and an insertion or deletion renumbers only the nearer end of the list.
// Bookmarks resolve through their item while it is alive (checked by a serial, never by reading
// the item's memory) and through their record number otherwise; a live item that the filter
// hides since becomes the cursor all the same, and reading it (GetRecord) moves on.
//
// Cached updates: an insertion applied but not yet committed exists on the server, so a later
// change of it is kept as a modification and its deletion as a deletion, both applied in turn.
//
// Ownership: the store owns its items, their complex values, the update list and the rollback
// copies; record buffers passed in are copied. One thread at a time.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "dataaccess/BlockManager.h"
#include "dataaccess/Data.h"

namespace da {

class TMemData : public TData {
 public:
  TMemData();
  ~TMemData() override;

  void InitData() override;
  void FreeData() override;
  void InitFields() override;

  bool GetEOF() const override { return !current_ && eof_; }
  bool GetBOF() const override { return !current_ && bof_; }
  std::int32_t GetRecordCount() const override { return recordCount_; }
  std::int32_t GetRecNo() const override;
  void SetRecNo(std::int32_t recNo) override;
  void SetToBegin() override;
  void SetToEnd() override;

  void GetRecord(void* record) override;
  void GetNextRecord(void* record) override;
  void GetPriorRecord(void* record) override;
  void PutRecord(const void* record) override;
  void AppendRecord(const void* record) override;
  void InsertRecord(const void* record) override;
  void UpdateRecord(const void* record) override;
  void DeleteRecord() override;

  void GetBookmark(TRecBookmark& bookmark) override;
  void SetToBookmark(const TRecBookmark& bookmark) override;
  bool BookmarkValid(const TRecBookmark* bookmark) const override;
  int CompareBookmarks(const TRecBookmark* first, const TRecBookmark* second) const override;

  void SetCachedUpdates(bool value) override;
  void SetFilterItemTypes(TItemTypes value) override;
  TItemStatus GetUpdateStatus() const override;
  TUpdateAction GetUpdateResult() const override;
  bool GetUpdatesPending() const override;
  void SetCacheRecBuf(void* newBuf, void* oldBuf) override;
  void ApplyUpdates() override;
  void CommitUpdates() override;
  void CancelUpdates() override;
  void RestoreUpdates() override;
  void RevertRecord() override;
  void GetOldRecord(void* record) override;
  void FilterUpdated() override;

  // More rows from the server; false here (a server record set fetches the next block).
  virtual bool Fetch(bool fetchBack = false);

  std::int32_t RefreshStamp() const { return refreshStamp_; }
  TBlockManager& BlockManager() { return blockManager_; }
  std::size_t UpdateListCount() const { return updateList_.size(); }

  // Direct access for the owner's fast paths: the cursor's stored record (nullptr without one),
  // read in place; it stays valid until the next change of the store.
  const void* CurrentRecordPtr() const { return current_ ? TBlockManager::GetRecordPtr(current_) : nullptr; }

 protected:
  // Item operations, also for the server record sets.
  TItemHeader* InsertItem();
  TItemHeader* AppendItem();
  void DeleteItem(TItemHeader* item);
  void ReorderItems(TItemHeader* item, int mode);
  bool OmitRecord(TItemHeader* item);
  void AddToUpdateList(TItemHeader* item);
  void RevertItem(TItemHeader* item);

  // Renumbers the visible records (after a fetch put rows before the first one).
  void Recount();
  TItemHeader* FirstItem() const { return first_; }
  TItemHeader* LastItem() const { return last_; }
  TItemHeader* CurrentItem() const { return current_; }
  // For record sets that move the cursor themselves while fetching.
  void SetCurrentItem(TItemHeader* item) { current_ = item; }
  // Frees an item with its values (a one-way record set dropping the rows already passed).
  void DropItem(TItemHeader* item) {
    FreeItemValues(item, true);
    DeleteItem(item);
  }
  // The array fetch: block (from BlockManager().AllocBlock) holds records the subclass filled in
  // place. Its first `used` items become records at the end of the list, numbered on from the
  // last record shown and counted unless the filter hides them; the other items go back to the
  // block manager as they are (free their complex values first), the block with them when used is 0.
  void LinkBlockItems(TBlockHeader* block, int used);
  // The item a bookmark designates when it is still a live item of this store (same refresh
  // stamp, the item not freed since), else nullptr; never reads the item's memory otherwise.
  TItemHeader* LiveBookmarkItem(const TRecBookmark& bookmark) const;
  // For a subclass that frees an item itself (not through DeleteItem): bookmarks on it die.
  void ForgetItem(TItemHeader* item);

 private:
  static void* Rec(TItemHeader* item) { return TBlockManager::GetRecordPtr(item); }
  void LinkAtEnd(TItemHeader* item);
  void FreeItemValues(TItemHeader* item, bool withBlobs);
  void FreeRollback(TItemHeader* item);
  void RemoveFromUpdateList(TItemHeader* item);
  // After the cursor's record went away or was hidden: the next visible record, else the last
  // visible one, else no cursor with BOF and EOF set.
  void MoveOffHidden(TItemHeader* from);
  // Renumbers everything and moves the cursor off a record that became hidden.
  void ApplyVisibilityChange(TItemHeader* item, bool wasVisible);

  TBlockManager blockManager_;
  TItemHeader* first_ = nullptr;
  TItemHeader* last_ = nullptr;
  TItemHeader* current_ = nullptr;
  std::vector<TItemHeader*> updateList_;
  std::int32_t refreshStamp_ = 0;
  void* newRecBuf_ = nullptr;
  void* oldRecBuf_ = nullptr;
  // Live items that a bookmark was taken on, with the serial the bookmark carries. An item leaves
  // this map when it is freed, so a bookmark on a freed (and perhaps reused) item is recognised.
  std::unordered_map<TItemHeader*, std::uint32_t> bookmarked_;
  std::uint32_t nextSerial_ = 0;
};

}  // namespace da
