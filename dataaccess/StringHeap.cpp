#include "dataaccess/StringHeap.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "dataaccess/DAErrors.h"

namespace da {

namespace {

constexpr std::uint32_t kLargeFlag = 0x80000000u;
constexpr std::size_t kMinTail = 14;  // a page tail smaller than this cannot become a chunk

// Header fields are read and written bytewise: data (and so headers) are only 2-byte aligned.
std::uint32_t GetSizeWord(const std::byte* chunk) {
  std::uint32_t v;
  std::memcpy(&v, chunk, 4);
  return v;
}
void SetSizeWord(std::byte* chunk, std::uint32_t v) { std::memcpy(chunk, &v, 4); }
std::uint16_t GetRefWord(const std::byte* chunk) {
  std::uint16_t v;
  std::memcpy(&v, chunk + 4, 2);
  return v;
}
void SetRefWord(std::byte* chunk, std::uint16_t v) { std::memcpy(chunk + 4, &v, 2); }
std::byte* NextFree(const std::byte* chunk) {
  std::byte* next;
  std::memcpy(&next, chunk + TStringHeap::kHeaderSize, sizeof next);
  return next;
}
void SetNextFree(std::byte* chunk, std::byte* next) { std::memcpy(chunk + TStringHeap::kHeaderSize, &next, sizeof next); }

std::byte* ChunkOf(const void* data) {
  return static_cast<std::byte*>(const_cast<void*>(data)) - TStringHeap::kHeaderSize;
}
void* DataOf(std::byte* chunk) { return chunk + TStringHeap::kHeaderSize; }

// The free list a page chunk returns to: its size in classes, at most the largest class. A chunk
// of class 250 that absorbed a page tail holds 2008 bytes and still belongs to class 250.
int PageChunkClass(std::uint32_t sizeWord) {
  int c = static_cast<int>(sizeWord / 8);
  return c > TStringHeap::kClassCount ? TStringHeap::kClassCount : c;
}

}  // namespace

static_assert(sizeof(std::byte*) <= 8, "a free chunk's link must fit in the smallest class");

TStringHeap::TStringHeap() = default;

TStringHeap::~TStringHeap() { Clear(); }

std::byte* TStringHeap::NewPage() {
  auto* page = static_cast<std::byte*>(std::malloc(kPageSize));
  if (!page) throw std::bad_alloc();
  // The 4-byte link slot holds the page's number; the heap keeps the page list itself.
  std::uint32_t number = static_cast<std::uint32_t>(pages_.size());
  std::memcpy(page, &number, 4);
  try {
    pages_.push_back(page);
  } catch (...) {
    std::free(page);
    throw;
  }
  remaining_ = kPageUsable;
  return page;
}

void TStringHeap::PushFree(std::byte* chunk, int sizeClass) {
  SetRefWord(chunk, kFreeRef);
  SetNextFree(chunk, freeLists_[static_cast<std::size_t>(sizeClass)]);
  freeLists_[static_cast<std::size_t>(sizeClass)] = chunk;
}

void* TStringHeap::NewBuf(std::int64_t size) {
  if (size < 1) return nullptr;
  empty_ = false;
  if (size > static_cast<std::int64_t>(kLargeLimit)) {
    if (size >= static_cast<std::int64_t>(kLargeFlag)) throw std::bad_alloc();
    auto* chunk = static_cast<std::byte*>(std::malloc(kHeaderSize + static_cast<std::size_t>(size)));
    if (!chunk) throw std::bad_alloc();
    SetSizeWord(chunk, static_cast<std::uint32_t>(size) | kLargeFlag);
    SetRefWord(chunk, kFreeRef + 1);
    largeChunks_ = true;
    return DataOf(chunk);
  }
  const int c = static_cast<int>((size + 7) / 8);
  if (std::byte* chunk = freeLists_[static_cast<std::size_t>(c)]) {
    freeLists_[static_cast<std::size_t>(c)] = NextFree(chunk);
    SetRefWord(chunk, kFreeRef + 1);
    return DataOf(chunk);
  }
  const std::size_t need = 8 * static_cast<std::size_t>(c) + kHeaderSize;
  if (pages_.empty()) {
    NewPage();
  } else if (need > remaining_) {
    // The unused tail of the page becomes a free chunk of its own class.
    std::byte* tail = pages_.back() + kPageSize - remaining_;
    const int tailClass = static_cast<int>((remaining_ - kHeaderSize) / 8);
    SetSizeWord(tail, static_cast<std::uint32_t>(8 * tailClass));
    PushFree(tail, tailClass);
    NewPage();
  }
  std::byte* chunk = pages_.back() + kPageSize - remaining_;
  std::uint32_t sizeWord = static_cast<std::uint32_t>(8 * c);
  remaining_ -= need;
  if (remaining_ < kMinTail) {
    // Too small to become a chunk: the tail goes to this chunk, and the next value starts a page.
    sizeWord += static_cast<std::uint32_t>(remaining_ / 8 * 8);
    SetSizeWord(chunk, sizeWord);
    SetRefWord(chunk, kFreeRef + 1);
    NewPage();
    return DataOf(chunk);
  }
  SetSizeWord(chunk, sizeWord);
  SetRefWord(chunk, kFreeRef + 1);
  return DataOf(chunk);
}

void TStringHeap::DisposeBuf(void* data) {
  if (!data) return;
  std::byte* chunk = ChunkOf(data);
  const std::uint16_t ref = GetRefWord(chunk);
  DAAssert(ref >= kFreeRef + 1, "MemData", "DisposeBuf failed");
  if (ref > kFreeRef + 1) {
    SetRefWord(chunk, static_cast<std::uint16_t>(ref - 1));
    return;
  }
  const std::uint32_t sizeWord = GetSizeWord(chunk);
  if (sizeWord & kLargeFlag) {
    SetRefWord(chunk, kFreeRef);
    std::free(chunk);
  } else {
    PushFree(chunk, PageChunkClass(sizeWord));
  }
}

void TStringHeap::AddRef(void* data) {
  if (!data) return;
  std::byte* chunk = ChunkOf(data);
  const std::uint16_t ref = GetRefWord(chunk);
  DAAssert(ref >= kFreeRef + 1, "MemData", "AddRefStr failed");
  DAAssert(ref < 0xFFFF, "MemData", "AddRefStr failed");
  SetRefWord(chunk, static_cast<std::uint16_t>(ref + 1));
}

namespace {

template <class Char>
std::size_t TrimmedLength(const Char* text, std::size_t length, bool trim) {
  if (trim)
    while (length > 0 && text[length - 1] == Char(' ')) --length;
  return length;
}

}  // namespace

char* TStringHeap::AllocStr(std::string_view text, bool trim) {
  const std::size_t length = TrimmedLength(text.data(), text.size(), trim);
  auto* out = static_cast<char*>(NewBuf(static_cast<std::int64_t>(length) + 1));
  if (length) std::memcpy(out, text.data(), length);
  out[length] = 0;
  return out;
}

char* TStringHeap::AllocStr(const char* text, bool trim) {
  if (!text) return nullptr;
  return AllocStr(std::string_view(text), trim);
}

char16_t* TStringHeap::AllocWideStr(std::u16string_view text, bool trim) {
  const std::size_t length = TrimmedLength(text.data(), text.size(), trim);
  auto* out = static_cast<char16_t*>(NewBuf((static_cast<std::int64_t>(length) + 1) * 2));
  if (length) std::memcpy(out, text.data(), length * 2);
  out[length] = 0;
  return out;
}

char16_t* TStringHeap::AllocWideStr(const char16_t* text, bool trim) {
  if (!text) return nullptr;
  return AllocWideStr(std::u16string_view(text), trim);
}

char* TStringHeap::ReAllocStr(char* text, bool trim) {
  if (!text) return nullptr;
  char* copy = AllocStr(std::string_view(text), trim);
  DisposeBuf(text);
  return copy;
}

void TStringHeap::Clear() {
  if (empty_) return;
  for (std::byte* page : pages_) std::free(page);
  pages_.clear();
  freeLists_.fill(nullptr);
  remaining_ = kPageUsable;
  empty_ = true;
  largeChunks_ = false;
}

std::size_t TStringHeap::ChunkSize(const void* data) { return GetSizeWord(ChunkOf(data)) & ~kLargeFlag; }

bool TStringHeap::IsLargeChunk(const void* data) { return (GetSizeWord(ChunkOf(data)) & kLargeFlag) != 0; }

int TStringHeap::RefCount(const void* data) { return GetRefWord(ChunkOf(data)) - kFreeRef; }

std::size_t TStringHeap::FreeCount(int sizeClass) const {
  std::size_t n = 0;
  for (std::byte* c = freeLists_.at(static_cast<std::size_t>(sizeClass)); c; c = NextFree(c)) ++n;
  return n;
}

}  // namespace da
