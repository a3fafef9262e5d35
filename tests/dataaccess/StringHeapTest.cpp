// The string heap: size classes, page carving and tails, reference counts, the chunk that absorbs
// a page tail, and randomised runs against a model of the live chunks.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dataaccess/DAErrors.h"
#include "dataaccess/StringHeap.h"

namespace da {
namespace {

TEST(TStringHeap, SizeClassesAndLargeChunks) {
  TStringHeap heap;
  EXPECT_TRUE(heap.Empty());
  EXPECT_EQ(heap.NewBuf(0), nullptr);
  EXPECT_EQ(heap.NewBuf(-5), nullptr);
  EXPECT_TRUE(heap.Empty());

  void* one = heap.NewBuf(1);
  EXPECT_FALSE(heap.Empty());
  EXPECT_EQ(TStringHeap::ChunkSize(one), 8u);
  EXPECT_EQ(heap.Remaining(), 16380u - 14);

  void* page = heap.NewBuf(2000);
  EXPECT_FALSE(TStringHeap::IsLargeChunk(page));
  EXPECT_EQ(TStringHeap::ChunkSize(page), 2000u);
  EXPECT_FALSE(heap.HasLargeChunks());

  void* large = heap.NewBuf(2001);
  EXPECT_TRUE(TStringHeap::IsLargeChunk(large));
  EXPECT_EQ(TStringHeap::ChunkSize(large), 2001u);
  EXPECT_TRUE(heap.HasLargeChunks());
  EXPECT_EQ(heap.Remaining(), 16380u - 14 - 2006);  // not carved from the page

  heap.DisposeBuf(large);
  heap.DisposeBuf(page);
  heap.DisposeBuf(one);
  EXPECT_EQ(heap.FreeCount(250), 1u);
  EXPECT_EQ(heap.FreeCount(1), 1u);
}

TEST(TStringHeap, SecondReferenceKeepsTheChunk) {
  TStringHeap heap;
  void* p = heap.NewBuf(20);  // class 3
  heap.AddRef(p);
  EXPECT_EQ(TStringHeap::RefCount(p), 2);
  heap.DisposeBuf(p);
  EXPECT_EQ(heap.FreeCount(3), 0u);
  heap.DisposeBuf(p);
  EXPECT_EQ(heap.FreeCount(3), 1u);
  EXPECT_EQ(heap.NewBuf(17), p);  // the same rounded size reuses it
  heap.DisposeBuf(p);
}

TEST(TStringHeap, NilIsIgnoredAndDoubleFreeIsAnAssertion) {
  TStringHeap heap;
  heap.DisposeBuf(nullptr);
  heap.AddRef(nullptr);
  void* p = heap.NewBuf(10);
  heap.DisposeBuf(p);
  try {
    heap.DisposeBuf(p);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), "DisposeBuf failed");
    EXPECT_EQ(e.Module(), "MemData");
  }
  try {
    heap.AddRef(p);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), "AddRefStr failed");
  }
}

TEST(TStringHeap, PageTailGoesToItsClassFreeList) {
  TStringHeap heap;
  // Eight chunks of 2000 bytes: 8 x 2006 = 16048, leaving 332; a ninth does not fit.
  std::vector<void*> chunks;
  for (int i = 0; i < 8; ++i) chunks.push_back(heap.NewBuf(2000));
  EXPECT_EQ(heap.Remaining(), 332u);
  EXPECT_EQ(heap.PageCount(), 1u);
  chunks.push_back(heap.NewBuf(2000));
  EXPECT_EQ(heap.PageCount(), 2u);
  // The tail of 332 bytes became a chunk of class (332 - 6) / 8 = 40.
  EXPECT_EQ(heap.FreeCount(40), 1u);
  void* reused = heap.NewBuf(320);
  EXPECT_EQ(heap.FreeCount(40), 0u);
  EXPECT_EQ(TStringHeap::ChunkSize(reused), 320u);
  std::memset(reused, 0x5A, 320);  // the whole tail is ours to write
  heap.DisposeBuf(reused);
  for (void* c : chunks) heap.DisposeBuf(c);
}

// The fixture of the absorbed page tail: seven chunks of 2000, one of 304 and one of 8 leave 2014
// bytes; the next 2000 takes 2006 and the 8-byte tail with it, a 2008-byte chunk of a page. It must
// go back to a free list when disposed, never to the allocator as if it were a large chunk.
TEST(TStringHeap, ChunkThatAbsorbedThePageTailStaysAPageChunk) {
  TStringHeap heap;
  std::vector<void*> chunks;
  for (int i = 0; i < 7; ++i) chunks.push_back(heap.NewBuf(2000));
  chunks.push_back(heap.NewBuf(304));
  chunks.push_back(heap.NewBuf(8));
  EXPECT_EQ(heap.Remaining(), 2014u);
  void* last = heap.NewBuf(2000);
  EXPECT_EQ(TStringHeap::ChunkSize(last), 2008u);
  EXPECT_FALSE(TStringHeap::IsLargeChunk(last));
  EXPECT_FALSE(heap.HasLargeChunks());
  EXPECT_EQ(heap.PageCount(), 2u);  // the next value starts a fresh page
  EXPECT_EQ(heap.Remaining(), 16380u);
  std::memset(last, 0x33, 2008);

  heap.DisposeBuf(last);  // under AddressSanitizer a free() here would be a bad-free report
  EXPECT_EQ(heap.FreeCount(250), 1u);
  EXPECT_EQ(heap.NewBuf(2000), last);  // and it serves the largest class again
  EXPECT_EQ(TStringHeap::ChunkSize(last), 2008u);
  heap.DisposeBuf(last);
  for (void* c : chunks) heap.DisposeBuf(c);
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
}

TEST(TStringHeap, StringsAndTrim) {
  TStringHeap heap;
  EXPECT_EQ(heap.AllocStr(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_EQ(heap.AllocWideStr(static_cast<const char16_t*>(nullptr)), nullptr);
  char* empty = heap.AllocStr("");
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(TStringHeap::ChunkSize(empty), 8u);
  char* s = heap.AllocStr("abc  ", true);
  EXPECT_STREQ(s, "abc");
  char* kept = heap.AllocStr(" abc  ", false);
  EXPECT_STREQ(kept, " abc  ");
  char16_t* w = heap.AllocWideStr(u"wide  ", true);
  EXPECT_EQ(std::u16string(w), u"wide");
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(w) % alignof(char16_t), 0u);

  heap.AddRef(kept);
  char* copy = heap.ReAllocStr(kept, true);
  EXPECT_STREQ(copy, " abc");
  EXPECT_NE(copy, kept);
  EXPECT_EQ(TStringHeap::RefCount(kept), 1);
  for (void* p : {static_cast<void*>(empty), static_cast<void*>(s), static_cast<void*>(kept),
                  static_cast<void*>(w), static_cast<void*>(copy)})
    heap.DisposeBuf(p);
}

TEST(TStringHeap, ClearDropsPagesAndLargeFlag) {
  TStringHeap heap;
  for (int i = 0; i < 50; ++i) heap.NewBuf(1000);
  void* large = heap.NewBuf(5000);
  heap.DisposeBuf(large);  // owners dispose large chunks before clearing
  EXPECT_GT(heap.PageCount(), 1u);
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
  EXPECT_FALSE(heap.HasLargeChunks());
  EXPECT_EQ(heap.PageCount(), 0u);
  EXPECT_EQ(heap.Remaining(), 16380u);
  EXPECT_EQ(heap.FreeCount(125), 0u);
}

// Randomised run against a model: every live chunk holds its own pattern, so any overlap between
// chunks, or a chunk handed out twice, shows as a changed pattern; AddressSanitizer catches a
// write outside a chunk's allocation and any bad free.
TEST(TStringHeap, RandomRunsAgainstALiveSetModel) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    TStringHeap heap;
    struct Live {
      std::size_t size;
      int refs;
      unsigned char fill;
    };
    std::map<unsigned char*, Live> live;
    auto check = [&](unsigned char* p, const Live& l) {
      for (std::size_t i = 0; i < l.size; ++i)
        if (p[i] != static_cast<unsigned char>(l.fill + i)) return false;
      return true;
    };
    std::uniform_int_distribution<int> op(0, 99);
    auto pickSize = [&]() -> std::int64_t {
      int kind = op(rng);
      if (kind < 60) return std::uniform_int_distribution<int>(1, 64)(rng);
      if (kind < 85) return std::uniform_int_distribution<int>(65, 2000)(rng);
      if (kind < 90) return 2000;
      return std::uniform_int_distribution<int>(2001, 9000)(rng);
    };
    for (int step = 0; step < 6000; ++step) {
      int o = op(rng);
      if (o < 50 || live.empty()) {
        const std::int64_t size = pickSize();
        auto* p = static_cast<unsigned char*>(heap.NewBuf(size));
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(live.count(p), 0u) << "handed out while live";
        ASSERT_GE(TStringHeap::ChunkSize(p), static_cast<std::size_t>(size));
        ASSERT_EQ(TStringHeap::IsLargeChunk(p), size > 2000);
        Live l{TStringHeap::ChunkSize(p), 1, static_cast<unsigned char>(rng())};
        for (std::size_t i = 0; i < l.size; ++i) p[i] = static_cast<unsigned char>(l.fill + i);
        live[p] = l;
      } else {
        auto it = live.begin();
        std::advance(it, std::uniform_int_distribution<std::size_t>(0, live.size() - 1)(rng));
        ASSERT_TRUE(check(it->first, it->second)) << "chunk overwritten, seed " << seed;
        ASSERT_EQ(TStringHeap::RefCount(it->first), it->second.refs);
        if (o < 60) {
          heap.AddRef(it->first);
          ++it->second.refs;
        } else {
          heap.DisposeBuf(it->first);
          if (--it->second.refs == 0) live.erase(it);
        }
      }
      if (step % 2000 == 1999) {
        for (auto& [p, l] : live) ASSERT_TRUE(check(p, l)) << "seed " << seed;
        // Dispose everything, large chunks included, then clear for the next round.
        for (auto& [p, l] : live)
          for (int r = 0; r < l.refs; ++r) heap.DisposeBuf(p);
        live.clear();
        heap.Clear();
      }
    }
    for (auto& [p, l] : live) {
      ASSERT_TRUE(check(p, l));
      for (int r = 0; r < l.refs; ++r) heap.DisposeBuf(p);
    }
  }
}

}  // namespace
}  // namespace da
