#pragma once
// TBlockManager: hands out record items (a fixed header followed by one record buffer), carved
// from blocks of several items. A block goes back as soon as its last item goes; the blocks
// themselves lie in the manager's arena (dataaccess/BlockArena.h), which keeps a freed block for
// the next one and gives its memory back to the system when no block is left or at FreeAll, in a
// few large pieces rather than block by block. The Oracle array fetch also takes a whole block of
// items at once (AllocBlock).
//
// Ownership: the manager owns every block; an item belongs to its block. Items in use are linked
// by their owner (the record store) through Prev and Next; free items are linked by the manager.
// Header flags (221 free, 238 in use) catch double frees and foreign pointers as assertions.
// One manager is used by one thread at a time (its record store's).
#include <cstddef>
#include <cstdint>

#include "dataaccess/BlockArena.h"

namespace da {

inline constexpr std::uint8_t kFlagFree = 221;
inline constexpr std::uint8_t kFlagUsed = 238;
inline constexpr std::uint8_t kNoUpdateResult = 5;

struct TBlockHeader {
  std::uint16_t ItemCount;
  std::uint16_t UsedItems;
  std::uint32_t ItemBytes;  // ItemSize when the block was made: the block's own size follows from it
  TBlockHeader* Prev;
  TBlockHeader* Next;
  std::uint8_t Flag;  // 221
};

struct TItemHeader {
  TBlockHeader* Block;
  TItemHeader* Prev;
  TItemHeader* Next;
  TItemHeader* Rollback;      // the record as it was before a cached change, or nullptr
  std::uint8_t UpdateStatus;  // 0 unchanged, 1 modified, 2 inserted, 3 deleted
  std::uint8_t UpdateResult;  // last apply's action (0..4), or 5 for none
  std::int32_t Order;         // record number in the store's list
  std::uint8_t Flag;          // 221 free, 238 in use
};

class TBlockManager {
 public:
  TBlockManager() = default;
  ~TBlockManager() { FreeAll(); }
  TBlockManager(const TBlockManager&) = delete;
  TBlockManager& operator=(const TBlockManager&) = delete;

  // Bytes of the record buffer of each item; set while no items exist.
  std::uint32_t RecordSize = 0;
  std::uint16_t DefaultItemCount = 10;

  // A block of itemCount uninitialised items, all counted as used, at the head of the block list.
  void AllocBlock(TBlockHeader*& block, std::uint16_t itemCount);
  void FreeBlock(TBlockHeader* block);
  void FreeAll();
  // A block of DefaultItemCount free items; they leave the free list in ascending address order.
  void AddFreeBlock();

  void AllocItem(TItemHeader*& item);
  // Frees an item; the last used item of a block takes the whole block with it.
  void FreeItem(TItemHeader* item);

  void PutRecord(TItemHeader* item, const void* record) const;
  void GetRecord(TItemHeader* item, void* record) const;
  static void* GetRecordPtr(TItemHeader* item) { return reinterpret_cast<char*>(item) + ItemHeaderSize(); }
  void CopyRecord(TItemHeader* source, TItemHeader* destination) const;

  // The i-th item of a block (0-based).
  TItemHeader* BlockItem(TBlockHeader* block, int index) const;

  TItemHeader* FirstFree() const { return firstFree_; }
  TBlockHeader* FirstBlock() const { return firstBlock_; }

  // Item headers are padded so that every record buffer is pointer-aligned.
  static constexpr std::size_t ItemHeaderSize() { return (sizeof(TItemHeader) + 7) / 8 * 8; }
  static constexpr std::size_t BlockHeaderSize() { return (sizeof(TBlockHeader) + 7) / 8 * 8; }
  std::size_t ItemSize() const { return ItemHeaderSize() + (RecordSize + 7u) / 8 * 8; }

 private:
  void UnlinkFree(TItemHeader* item);
  static std::size_t BlockBytes(std::uint16_t itemCount, std::size_t itemSize) {
    return BlockHeaderSize() + itemCount * itemSize;
  }

  TBlockArena arena_;
  TItemHeader* firstFree_ = nullptr;
  TBlockHeader* firstBlock_ = nullptr;
};

}  // namespace da
