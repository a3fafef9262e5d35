#include "dataaccess/BlockManager.h"

#include <cstdint>
#include <cstring>

#include "dataaccess/DAErrors.h"

namespace da {

TItemHeader* TBlockManager::BlockItem(TBlockHeader* block, int index) const {
  return reinterpret_cast<TItemHeader*>(reinterpret_cast<char*>(block) + BlockHeaderSize() +
                                        static_cast<std::size_t>(index) * ItemSize());
}

void TBlockManager::AllocBlock(TBlockHeader*& block, std::uint16_t itemCount) {
  DAAssert(itemCount > 0, "MemData");
  const std::size_t itemSize = ItemSize();
  DAAssert(itemSize <= UINT32_MAX, "MemData");
  block = static_cast<TBlockHeader*>(arena_.Allocate(BlockBytes(itemCount, itemSize)));
  block->ItemCount = itemCount;
  block->UsedItems = itemCount;
  block->ItemBytes = static_cast<std::uint32_t>(itemSize);
  block->Prev = nullptr;
  block->Next = firstBlock_;
  block->Flag = kFlagFree;
  if (firstBlock_) firstBlock_->Prev = block;
  firstBlock_ = block;
}

void TBlockManager::FreeBlock(TBlockHeader* block) {
  DAAssert(block && block->Flag == kFlagFree, "MemData");
  if (block->Prev) {
    block->Prev->Next = block->Next;
  } else {
    firstBlock_ = block->Next;
  }
  if (block->Next) block->Next->Prev = block->Prev;
  block->Flag = 0;
  arena_.Deallocate(block, BlockBytes(block->ItemCount, block->ItemBytes));
  // The last block gone: the store is empty, and its memory goes back to the system.
  if (!firstBlock_) arena_.Release();
}

void TBlockManager::FreeAll() {
  // Every block lies in the arena: its regions go back whole, never block by block.
  arena_.Release();
  firstBlock_ = nullptr;
  firstFree_ = nullptr;
}

void TBlockManager::AddFreeBlock() {
  TBlockHeader* block;
  AllocBlock(block, DefaultItemCount);
  // Pushed from the last item down, so that the first item is handed out first.
  for (int i = DefaultItemCount - 1; i >= 0; --i) {
    TItemHeader* item = BlockItem(block, i);
    item->Block = block;
    item->Flag = kFlagFree;
    item->Prev = nullptr;
    item->Next = firstFree_;
    if (firstFree_) firstFree_->Prev = item;
    firstFree_ = item;
  }
  block->UsedItems = 0;
}

void TBlockManager::UnlinkFree(TItemHeader* item) {
  if (item->Prev) {
    item->Prev->Next = item->Next;
  } else {
    firstFree_ = item->Next;
  }
  if (item->Next) item->Next->Prev = item->Prev;
  item->Prev = item->Next = nullptr;
}

void TBlockManager::AllocItem(TItemHeader*& item) {
  if (!firstFree_) AddFreeBlock();
  item = firstFree_;
  DAAssert(item->Flag == kFlagFree, "MemData");
  UnlinkFree(item);
  item->Flag = kFlagUsed;
  item->Rollback = nullptr;
  item->UpdateStatus = 0;
  item->UpdateResult = kNoUpdateResult;
  item->Order = 0;
  ++item->Block->UsedItems;
}

void TBlockManager::FreeItem(TItemHeader* item) {
  DAAssert(item && item->Flag == kFlagUsed, "MemData");
  item->Flag = kFlagFree;
  TBlockHeader* block = item->Block;
  if (block->UsedItems > 1) {
    item->Prev = nullptr;
    item->Next = firstFree_;
    if (firstFree_) firstFree_->Prev = item;
    firstFree_ = item;
    --block->UsedItems;
    return;
  }
  for (int i = 0; i < block->ItemCount; ++i) {
    TItemHeader* other = BlockItem(block, i);
    if (other == item) continue;
    DAAssert(other->Flag == kFlagFree, "MemData");
    UnlinkFree(other);
  }
  FreeBlock(block);
}

void TBlockManager::PutRecord(TItemHeader* item, const void* record) const {
  std::memcpy(GetRecordPtr(item), record, RecordSize);
}

void TBlockManager::GetRecord(TItemHeader* item, void* record) const {
  std::memcpy(record, GetRecordPtr(item), RecordSize);
}

void TBlockManager::CopyRecord(TItemHeader* source, TItemHeader* destination) const {
  std::memmove(GetRecordPtr(destination), GetRecordPtr(source), RecordSize);
}

}  // namespace da
