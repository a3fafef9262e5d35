#pragma once
// TStringHeap: the allocator of the variable-length values of records (strings, wide strings and
// var-bytes of the "Ext" data types). Values live in 16 KB pages carved into chunks of 250 size
// classes (class c holds 8 x c data bytes) with reference counts, so that copying a record copies
// only pointers and a whole result can be dropped by freeing its pages. A value of more than 2000
// bytes is a large chunk, one allocation of its own.
//
// Chunk layout: a 4-byte size word, a 2-byte reference word (100 + references; 100 = free), then
// the data; a value pointer points at the data, which is 2-byte aligned. The top bit of the size
// word marks a large chunk, so a chunk's kind never has to be guessed from its size.
//
// Ownership: each reference is given up with DisposeBuf. Clear frees every page at once but not
// large chunks: their owners dispose them first (HasLargeChunks tells whether there are any).
// One heap is used by one thread at a time (its record store's).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace da {

class TStringHeap {
 public:
  static constexpr std::size_t kPageSize = 16384;
  static constexpr std::size_t kPageUsable = kPageSize - 4;  // a page begins with a 4-byte link
  static constexpr int kClassCount = 250;
  static constexpr std::size_t kLargeLimit = 8 * kClassCount;  // 2000: more is a large chunk
  static constexpr std::size_t kHeaderSize = 6;
  static constexpr std::uint16_t kFreeRef = 100;

  TStringHeap();
  ~TStringHeap();
  TStringHeap(const TStringHeap&) = delete;
  TStringHeap& operator=(const TStringHeap&) = delete;

  // A chunk with room for size bytes and one reference; nullptr for a size below 1.
  void* NewBuf(std::int64_t size);
  // Drops one reference; the last one returns the chunk to its free list or frees a large chunk.
  // nullptr is ignored. Disposing a free chunk is an assertion.
  void DisposeBuf(void* data);
  // One more reference; nullptr is ignored.
  void AddRef(void* data);

  // A chunk holding the text and its terminator (trailing blanks cut when trim); nullptr for nullptr.
  char* AllocStr(const char* text, bool trim = false);
  char* AllocStr(std::string_view text, bool trim = false);
  char16_t* AllocWideStr(const char16_t* text, bool trim = false);
  char16_t* AllocWideStr(std::u16string_view text, bool trim = false);
  // A private copy of a heap string (trimmed when asked); one reference of the old one dropped.
  char* ReAllocStr(char* text, bool trim = false);

  void Clear();

  bool Empty() const { return empty_; }
  bool HasLargeChunks() const { return largeChunks_; }
  std::size_t Remaining() const { return remaining_; }
  std::size_t PageCount() const { return pages_.size(); }

  // Inspection of a chunk (by its data pointer).
  static std::size_t ChunkSize(const void* data);  // data bytes
  static bool IsLargeChunk(const void* data);
  static int RefCount(const void* data);  // references (0 for a free chunk)
  std::size_t FreeCount(int sizeClass) const;  // chunks on a class's free list

 private:
  std::byte* NewPage();
  void PushFree(std::byte* chunk, int sizeClass);

  std::vector<std::byte*> pages_;
  std::array<std::byte*, kClassCount + 1> freeLists_{};  // by class, index 0 unused; chunk addresses
  std::size_t remaining_ = kPageUsable;
  bool empty_ = true;
  bool largeChunks_ = false;
};

}  // namespace da
