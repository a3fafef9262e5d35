#include "dataaccess/MemData.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordBuffer.h"

namespace da {

namespace {
constexpr const char* kModule = "MemData";
constexpr TItemTypes kCachedItemTypes =
    ItemTypeBit(isUnmodified) | ItemTypeBit(isUpdated) | ItemTypeBit(isAppended);
}  // namespace

TMemData::TMemData() { InitData(); }

TMemData::~TMemData() { Close(); }

// ---------------------------------------------------------------------------------------------
// data lifecycle

void TMemData::InitData() {
  if (first_ || !updateList_.empty()) {
    FreeData();  // never forget items whose values are still owned
    return;
  }
  first_ = last_ = current_ = nullptr;
  updateList_.clear();
  bookmarked_.clear();
  TData::InitData();
  refreshStamp_ = NextRefreshStamp();
}

void TMemData::FreeData() {
  // Without large chunks the heap's pages hold every heap value: drop them at once, and the
  // per-record release below passes over heap values (the heap is empty).
  if (!StringHeap().HasLargeChunks()) StringHeap().Clear();
  if (HasComplexFields()) {
    for (TItemHeader* item = first_; item; item = item->Next) FreeComplexFields(Rec(item), true);
    for (TItemHeader* item : updateList_)
      if (item->Rollback) FreeComplexFields(Rec(item->Rollback), true);
  }
  updateList_.clear();
  StringHeap().Clear();
  blockManager_.FreeAll();
  first_ = last_ = current_ = nullptr;
  InitData();
}

void TMemData::InitFields() {
  DAAssert(first_ == nullptr, kModule, "Fields changed while the store holds records");
  TData::InitFields();
  blockManager_.RecordSize = RecordSize();
}

// ---------------------------------------------------------------------------------------------
// items

TItemHeader* TMemData::InsertItem() {
  TItemHeader* item;
  blockManager_.AllocItem(item);
  TItemHeader* before = current_;
  if (!before && !eof_ && bof_) before = first_;
  if (before) {
    item->Next = before;
    item->Prev = before->Prev;
    if (before->Prev) {
      before->Prev->Next = item;
    } else {
      first_ = item;
    }
    before->Prev = item;
  } else {
    LinkAtEnd(item);
  }
  current_ = item;
  return item;
}

void TMemData::LinkAtEnd(TItemHeader* item) {
  item->Prev = last_;
  item->Next = nullptr;
  if (last_) {
    last_->Next = item;
  } else {
    first_ = item;
  }
  last_ = item;
}

TItemHeader* TMemData::AppendItem() {
  TItemHeader* item;
  blockManager_.AllocItem(item);
  item->Order = last_ ? last_->Order + 1 : 1;
  LinkAtEnd(item);
  return item;
}

void TMemData::DeleteItem(TItemHeader* item) {
  if (item->Prev) {
    item->Prev->Next = item->Next;
  } else {
    first_ = item->Next;
  }
  if (item->Next) {
    item->Next->Prev = item->Prev;
  } else {
    last_ = item->Prev;
  }
  if (current_ == item) current_ = item->Next ? item->Next : last_;
  ForgetItem(item);
  blockManager_.FreeItem(item);
  if (!first_) {
    current_ = nullptr;
    bof_ = eof_ = true;
  }
}

bool TMemData::OmitRecord(TItemHeader* item) {
  if (!item) return true;
  if (cachedUpdates_ && !(filterItemTypes_ & ItemTypeBit(static_cast<TItemStatus>(item->UpdateStatus)))) return true;
  const void* record = Rec(item);
  if (FilterFunc && !FilterFunc(record)) return true;
  if (filter_ && !EvalFilter(record)) return true;
  return false;
}

void TMemData::ReorderItems(TItemHeader* item, int mode) {
  if (mode == 2) {
    recNoOffset_ = 0;
    std::int32_t n = 0;
    for (TItemHeader* it = first_; it; it = it->Next)
      if (!OmitRecord(it)) it->Order = ++n;
    recordCount_ = n;
    return;
  }
  if (!item) return;
  TItemHeader* neighbour = item->Next ? item->Next : item->Prev;
  if (!neighbour) {
    item->Order = 1;
    recNoOffset_ = 0;
    return;
  }
  const std::int32_t middle = (recordCount_ + recNoOffset_) / 2;
  if (neighbour->Order <= middle) {
    TItemHeader* visible = item->Next;
    while (visible && OmitRecord(visible)) visible = visible->Next;
    std::int32_t no;
    if (visible) {
      no = visible->Order - 1;
      recNoOffset_ += mode == 0 ? 1 : -1;
    } else {
      no = recordCount_;
      recNoOffset_ = 0;
    }
    for (TItemHeader* it = item; it; it = it->Prev)
      if (!OmitRecord(it)) it->Order = no--;
  } else {
    TItemHeader* visible = item->Prev;
    while (visible && OmitRecord(visible)) visible = visible->Prev;
    std::int32_t no;
    if (visible) {
      no = visible->Order + 1;
    } else {
      no = 1;
      recNoOffset_ = 0;
    }
    for (TItemHeader* it = item; it; it = it->Next)
      if (!OmitRecord(it)) it->Order = no++;
  }
}

void TMemData::AddToUpdateList(TItemHeader* item) { updateList_.push_back(item); }

void TMemData::RemoveFromUpdateList(TItemHeader* item) {
  auto it = std::find(updateList_.begin(), updateList_.end(), item);
  if (it != updateList_.end()) updateList_.erase(it);
}

void TMemData::FreeItemValues(TItemHeader* item, bool withBlobs) {
  if (HasComplexFields()) FreeComplexFields(Rec(item), withBlobs);
}

void TMemData::FreeRollback(TItemHeader* item) {
  if (!item->Rollback) return;
  if (HasComplexFields()) FreeComplexFields(Rec(item->Rollback), true);
  blockManager_.FreeItem(item->Rollback);
  item->Rollback = nullptr;
}

void TMemData::RevertItem(TItemHeader* item) {
  switch (item->UpdateStatus) {
    case isUnmodified:
      break;
    case isUpdated:
      FreeItemValues(item, true);
      blockManager_.CopyRecord(item->Rollback, item);
      blockManager_.FreeItem(item->Rollback);
      item->Rollback = nullptr;
      break;
    case isAppended:
      FreeItemValues(item, true);
      DeleteItem(item);
      return;
    case isDeleted:
      break;
    default:
      DAAssert(false, kModule, "Unknown update status");
  }
  item->UpdateStatus = isUnmodified;
  item->UpdateResult = uaNone;
}

void TMemData::MoveOffHidden(TItemHeader* from) {
  TItemHeader* c = from;
  while (c && OmitRecord(c)) c = c->Next;
  if (!c && from) {
    c = from->Prev;
    while (c && OmitRecord(c)) c = c->Prev;
  }
  current_ = c;
  if (!c) bof_ = eof_ = true;
}

void TMemData::ApplyVisibilityChange(TItemHeader* item, bool wasVisible) {
  const bool visible = !OmitRecord(item);
  if (visible == wasVisible) return;
  if (visible) {
    ++recordCount_;
    ReorderItems(item, 0);
  } else {
    --recordCount_;
    ReorderItems(item, 1);
  }
}

// ---------------------------------------------------------------------------------------------
// navigation

std::int32_t TMemData::GetRecNo() const {
  if (!current_) return 0;
  // Only visible records have a number.
  if (const_cast<TMemData*>(this)->OmitRecord(current_)) return 0;
  return current_->Order + recNoOffset_;
}

void TMemData::SetToBegin() {
  current_ = nullptr;
  bof_ = true;
  eof_ = first_ == nullptr;
}

void TMemData::SetToEnd() {
  current_ = nullptr;
  eof_ = true;
  bof_ = first_ == nullptr;
}

void TMemData::GetNextRecord(void* record) {
  if (GetEOF()) return;
  TItemHeader* c = (bof_ && !current_) ? first_ : (current_ ? current_->Next : first_);
  bof_ = false;
  while (true) {
    while (c && OmitRecord(c)) c = c->Next;
    if (c) break;
    TItemHeader* oldLast = last_;
    if (!Fetch(false) || last_ == oldLast) break;
    c = oldLast ? oldLast->Next : first_;
  }
  if (!c) {
    // Off the end: no cursor, so that GetEOF reports it.
    current_ = nullptr;
    eof_ = true;
    return;
  }
  current_ = c;
  eof_ = false;
  if (record) blockManager_.GetRecord(c, record);
}

void TMemData::GetPriorRecord(void* record) {
  if (GetBOF()) return;
  TItemHeader* c = (eof_ && !current_) ? last_ : (current_ ? current_->Prev : last_);
  eof_ = false;
  while (c && OmitRecord(c)) c = c->Prev;
  if (!c) {
    current_ = nullptr;
    bof_ = true;
    return;
  }
  current_ = c;
  bof_ = false;
  if (record) blockManager_.GetRecord(c, record);
}

void TMemData::GetRecord(void* record) {
  if (!current_) return;
  if (OmitRecord(current_)) {
    GetNextRecord(record);
    return;
  }
  if (record) blockManager_.GetRecord(current_, record);
}

void TMemData::SetRecNo(std::int32_t recNo) {
  if (recNo < 1 || !first_) return;
  const std::int32_t current = GetRecNo();
  const std::int32_t lastNo = recordCount_;
  auto dist = [](std::int32_t a, std::int32_t b) { return a > b ? a - b : b - a; };
  TItemHeader* start;
  std::int32_t startNo;
  if (recNo - 1 < dist(lastNo, recNo) && (current == 0 || recNo - 1 < dist(current, recNo))) {
    start = first_;
    startNo = 1;
  } else if (current != 0 && dist(current, recNo) <= dist(lastNo, recNo)) {
    start = current_;
    startNo = current;
  } else {
    start = last_;
    startNo = lastNo;
  }
  // From the last item the walk goes backwards unless the number lies beyond it (rows to fetch);
  // the last item itself may be hidden, so its number cannot tell the direction.
  const bool forward = start == last_ ? recNo > lastNo : recNo >= startNo;
  TItemHeader* c = start;
  while (true) {
    while (c) {
      if (!OmitRecord(c) && c->Order + recNoOffset_ == recNo) {
        current_ = c;
        bof_ = eof_ = false;
        return;
      }
      c = forward ? c->Next : c->Prev;
    }
    if (!forward) return;
    TItemHeader* oldLast = last_;
    if (!Fetch(false) || last_ == oldLast) return;
    c = oldLast ? oldLast->Next : first_;
  }
}

// ---------------------------------------------------------------------------------------------
// editing

void TMemData::PutRecord(const void* record) {
  DAAssert(current_ != nullptr, kModule);
  blockManager_.PutRecord(current_, record);
}

void TMemData::AppendRecord(const void* record) {
  SetToEnd();
  InsertRecord(record);
}

void TMemData::InsertRecord(const void* record) {
  TItemHeader* const oldCurrent = current_;
  const bool oldBof = bof_, oldEof = eof_;
  TItemHeader* item = InsertItem();
  if (!cachedUpdates_) {
    bool accepted = false;
    try {
      accepted = InternalAppend(record);
    } catch (...) {
      DeleteItem(item);
      current_ = oldCurrent;
      bof_ = oldBof;
      eof_ = oldEof;
      throw;
    }
    if (!accepted) {
      DeleteItem(item);
      current_ = oldCurrent;
      bof_ = oldBof;
      eof_ = oldEof;
      return;
    }
  }
  blockManager_.PutRecord(item, record);
  if (cachedUpdates_) {
    item->UpdateStatus = isAppended;
    item->UpdateResult = uaNone;
    AddToUpdateList(item);
  }
  bof_ = eof_ = false;
  // A record the filter hides is stored but neither counted nor numbered.
  if (!OmitRecord(item)) {
    ++recordCount_;
    ReorderItems(item, 0);
  }
}

void TMemData::UpdateRecord(const void* record) {
  DAAssert(current_ != nullptr, kModule, "Update without a current record");
  TItemHeader* item = current_;
  DAAssert(item->UpdateStatus != isDeleted, kModule, "Update of a deleted record");
  const bool wasVisible = !OmitRecord(item);
  if (!cachedUpdates_) {
    InternalUpdate();
    PutRecord(record);
    ApplyVisibilityChange(item, wasVisible);
    return;
  }
  if (item->UpdateStatus == isUnmodified) AddToUpdateList(item);
  // An insertion applied already is on the server: a change of it is a modification to apply.
  if (item->UpdateStatus != isAppended || item->UpdateResult == uaApplied) {
    item->UpdateStatus = isUpdated;
    if (!item->Rollback) {
      TItemHeader* rollback;
      blockManager_.AllocItem(rollback);
      rollback->Prev = rollback->Next = nullptr;
      blockManager_.CopyRecord(item, rollback);
      AddRefComplexFields(Rec(rollback));
      item->Rollback = rollback;
    }
  }
  if (item->Rollback && HasBlobFields()) {
    for (int i = 0; i < Fields.Count(); ++i) {
      const TFieldDesc& f = *Fields.Items(i);
      if (f.HasParent() || !IsBlobFieldType(f.DataType)) continue;
      std::uint8_t* slot = static_cast<std::uint8_t*>(Rec(item->Rollback)) + f.Offset;
      auto* kept = static_cast<TBlob*>(ReadPointer(slot));
      auto* stored = static_cast<TBlob*>(ReadPointer(static_cast<std::uint8_t*>(Rec(item)) + f.Offset));
      // The blob was edited in place: its rollback is the old value, which the copy takes over.
      if (kept && kept == stored && kept->Rollback()) {
        WritePointer(slot, kept->TakeRollback());
        kept->Release();
      }
    }
  }
  item->UpdateResult = uaNone;
  PutRecord(record);
  ApplyVisibilityChange(item, wasVisible);
}

void TMemData::DeleteRecord() {
  DAAssert(current_ != nullptr, kModule, "Delete without a current record");
  if (current_ == last_) Fetch(false);
  TItemHeader* item = current_;
  if (cachedUpdates_ && item->UpdateStatus == isDeleted) return;  // shown by the item types; deleted already
  const bool wasVisible = !OmitRecord(item);
  TItemHeader* next = item->Next;
  TItemHeader* prev = item->Prev;
  bool removed = true;
  // An insertion applied already exists on the server: its deletion must be applied as well.
  const bool appliedInsert = item->UpdateStatus == isAppended && item->UpdateResult == uaApplied;
  if (!cachedUpdates_) {
    InternalDelete();
    FreeItemValues(item, true);
    DeleteItem(item);
  } else {
    switch (appliedInsert ? static_cast<std::uint8_t>(isUnmodified) : item->UpdateStatus) {
      case isUnmodified:
        if (!appliedInsert) AddToUpdateList(item);
        item->UpdateStatus = isDeleted;
        item->UpdateResult = uaNone;
        removed = false;
        break;
      case isUpdated:
        FreeItemValues(item, true);
        blockManager_.CopyRecord(item->Rollback, item);
        blockManager_.FreeItem(item->Rollback);
        item->Rollback = nullptr;
        item->UpdateStatus = isDeleted;
        item->UpdateResult = uaNone;
        removed = false;
        break;
      case isAppended:
        RemoveFromUpdateList(item);
        FreeItemValues(item, true);
        DeleteItem(item);
        break;
      default:
        DAAssert(false, kModule, "Unknown update status");
    }
  }
  const bool nowVisible = !removed && !OmitRecord(item);
  if (nowVisible) return;  // a deleted record the item types still show stays current
  if (wasVisible) --recordCount_;
  if (!first_) return;
  // The cursor goes to the next visible record, or to the last one when none follows.
  TItemHeader* c = next;
  while (c && OmitRecord(c)) c = c->Next;
  if (!c) {
    c = prev;
    while (c && OmitRecord(c)) c = c->Prev;
  }
  current_ = c;
  if (!c) {
    bof_ = eof_ = true;
    return;
  }
  if (wasVisible) ReorderItems(c, 1);
}

// ---------------------------------------------------------------------------------------------
// bookmarks

void TMemData::GetBookmark(TRecBookmark& bookmark) {
  bookmark.RefreshStamp = refreshStamp_;
  bookmark.Item = current_;
  bookmark.Order = current_ ? GetRecNo() : -1;
  bookmark.Serial = 0;
  if (current_) {
    auto [it, inserted] = bookmarked_.try_emplace(current_, 0);
    if (inserted) it->second = ++nextSerial_;
    bookmark.Serial = it->second;
  }
}

void TMemData::SetToBookmark(const TRecBookmark& bookmark) {
  if (bookmark.RefreshStamp == refreshStamp_ && bookmark.Item) {
    auto it = bookmarked_.find(static_cast<TItemHeader*>(bookmark.Item));
    if (it != bookmarked_.end() && it->second == bookmark.Serial) {
      // Also a record hidden since: reading it (GetRecord) moves on to the next one shown.
      current_ = it->first;
      bof_ = eof_ = false;
      return;
    }
  }
  if (bookmark.Order != -1) SetRecNo(bookmark.Order);
}

TItemHeader* TMemData::LiveBookmarkItem(const TRecBookmark& bookmark) const {
  if (bookmark.RefreshStamp != refreshStamp_ || !bookmark.Item) return nullptr;
  auto it = bookmarked_.find(static_cast<TItemHeader*>(bookmark.Item));
  return it != bookmarked_.end() && it->second == bookmark.Serial ? it->first : nullptr;
}

void TMemData::ForgetItem(TItemHeader* item) {
  if (!bookmarked_.empty()) bookmarked_.erase(item);
}

void TMemData::LinkBlockItems(TBlockHeader* block, int used) {
  DAAssert(used >= 0 && used <= block->ItemCount, kModule);
  const int count = block->ItemCount;
  for (int i = 0; i < count; ++i) {
    TItemHeader* item = blockManager_.BlockItem(block, i);
    item->Block = block;
    item->Flag = kFlagUsed;
    item->Rollback = nullptr;
    item->UpdateStatus = isUnmodified;
    item->UpdateResult = uaNone;
    item->Prev = item->Next = nullptr;
    item->Order = 0;
  }
  for (int i = 0; i < used; ++i) {
    TItemHeader* item = blockManager_.BlockItem(block, i);
    LinkAtEnd(item);
    // Numbered after the last record shown; a record the filter hides is not counted.
    if (!OmitRecord(item)) item->Order = ++recordCount_ - recNoOffset_;
  }
  // The rest go back one by one; the last of them takes the block along when none was used.
  for (int i = used; i < count; ++i) blockManager_.FreeItem(blockManager_.BlockItem(block, i));
}

bool TMemData::BookmarkValid(const TRecBookmark* bookmark) const {
  return bookmark && (bookmark->Order != -1 || bookmark->Item != nullptr);
}

int TMemData::CompareBookmarks(const TRecBookmark* first, const TRecBookmark* second) const {
  if (first && second && first->RefreshStamp == second->RefreshStamp && first->Item == second->Item &&
      first->Serial == second->Serial)
    return 0;
  return TData::CompareBookmarks(first, second);
}

// ---------------------------------------------------------------------------------------------
// cached updates

void TMemData::SetCachedUpdates(bool value) {
  if (value == cachedUpdates_) return;
  if (!value) CancelUpdates();
  cachedUpdates_ = value;
  if (value) SetFilterItemTypes(kCachedItemTypes);
}

void TMemData::SetFilterItemTypes(TItemTypes value) {
  if (value == filterItemTypes_) return;
  filterItemTypes_ = value;
  FilterUpdated();
}

void TMemData::FilterUpdated() {
  Recount();
  eof_ = recordCount_ == 0;
}

void TMemData::Recount() {
  ReorderItems(nullptr, 2);
  if (current_ && OmitRecord(current_)) MoveOffHidden(current_);
}

TItemStatus TMemData::GetUpdateStatus() const {
  return current_ ? static_cast<TItemStatus>(current_->UpdateStatus) : isUnmodified;
}

TUpdateAction TMemData::GetUpdateResult() const {
  return current_ ? static_cast<TUpdateAction>(current_->UpdateResult) : uaNone;
}

bool TMemData::GetUpdatesPending() const {
  for (TItemHeader* item : updateList_)
    if (item->UpdateResult != uaApplied) return true;
  return false;
}

void TMemData::SetCacheRecBuf(void* newBuf, void* oldBuf) {
  newRecBuf_ = newBuf;
  oldRecBuf_ = oldBuf;
}

void TMemData::ApplyUpdates() {
  TItemHeader* const saved = current_;
  const bool savedBof = bof_, savedEof = eof_;
  std::size_t i = 0;
  while (i < updateList_.size()) {
    TItemHeader* item = updateList_[i];
    if (item->UpdateResult == uaApplied) {
      ++i;
      continue;
    }
    TUpdateKind kind;
    switch (item->UpdateStatus) {
      case isUpdated: kind = ukModify; break;
      case isAppended: kind = ukInsert; break;
      case isDeleted: kind = ukDelete; break;
      default: DAAssert(false, kModule, "Unknown update status"); return;
    }
    current_ = item;
    if (newRecBuf_) blockManager_.GetRecord(item, newRecBuf_);
    if (oldRecBuf_) blockManager_.GetRecord(kind == ukModify && item->Rollback ? item->Rollback : item, oldRecBuf_);
    TUpdateAction action = uaFail;
    auto stillListed = [&] { return i < updateList_.size() && updateList_[i] == item; };
    try {
      DoApplyRecord(kind, action);
    } catch (...) {
      if (stillListed()) item->UpdateResult = action;
      throw;
    }
    if (!stillListed()) continue;  // the hook took the entry off the list
    if ((kind == ukModify || kind == ukInsert) && newRecBuf_) blockManager_.PutRecord(item, newRecBuf_);
    item->UpdateResult = action;
    if (action != uaRetry) ++i;
  }
  current_ = saved;
  bof_ = savedBof;
  eof_ = savedEof;
}

void TMemData::CommitUpdates() {
  if (GetUpdatesPending()) ApplyUpdates();
  std::vector<TItemHeader*> remaining;
  std::vector<TItemHeader*> list;
  list.swap(updateList_);
  for (TItemHeader* item : list) {
    if (item->UpdateResult != uaApplied) {
      remaining.push_back(item);
      continue;
    }
    FreeRollback(item);
    if (item->UpdateStatus == isDeleted) {
      FreeItemValues(item, true);
      DeleteItem(item);
    } else {
      item->UpdateStatus = isUnmodified;
      item->UpdateResult = uaNone;
    }
  }
  updateList_ = std::move(remaining);
  Recount();
}

void TMemData::CancelUpdates() {
  std::vector<TItemHeader*> list;
  list.swap(updateList_);
  for (TItemHeader* item : list) RevertItem(item);
  Recount();
}

void TMemData::RestoreUpdates() {
  for (TItemHeader* item : updateList_) item->UpdateResult = uaNone;
}

void TMemData::RevertRecord() {
  if (!current_) return;
  RemoveFromUpdateList(current_);
  RevertItem(current_);
  Recount();
}

void TMemData::GetOldRecord(void* record) {
  if (!current_) return;
  if (OmitRecord(current_)) {
    GetNextRecord(record);
    return;
  }
  blockManager_.GetRecord(current_->Rollback ? current_->Rollback : current_, record);
}

bool TMemData::Fetch(bool) { return false; }

}  // namespace da
