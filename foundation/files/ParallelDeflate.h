#pragma once
// One zlib stream (header, deflate data, Adler-32 trailer) compressed on several cores. The input
// is cut into blocks of kDeflateBlockSize bytes; worker threads compress the blocks, each primed
// with the 32 KiB before it as its dictionary and ended with a sync flush (the last one with the
// final block), so the blocks join into one deflate stream that any zlib expands. The block
// checksums are combined into the stream's.
//
// The caller's thread copies input into blocks and queues them; it waits only while every
// worker has a few blocks queued, or when the memory budget (kDeflateMemoryBudget: the blocks in
// flight and the workers' zlib states) is spent. The worker that completes the next block in
// stream order writes it to `out`, with any that follow it finished already, while the other
// workers go on compressing: no worker waits for another, and a thread that the system
// deschedules holds up only the recycling of its blocks, with the rest of the budget (about a
// hundred blocks) as slack.
//
// One thread uses an object (write, finish); the workers are its own and end with it. Input
// that fits in one block is compressed on the caller's thread and starts no worker. `out` is
// borrowed: between construction and the end of finish (or destruction) it is written by the
// workers, one at a time, and must not be touched by anyone else.
#include <cstddef>
#include <memory>

#include "foundation/streams/Stream.h"

namespace olv {

inline constexpr std::size_t kDeflateBlockSize = 128 * 1024;
inline constexpr unsigned kMaxDeflateThreads = 16;
// The most an object holds at once in blocks and deflate states, whatever the thread count.
inline constexpr std::size_t kDeflateMemoryBudget = std::size_t(32) << 20;

// The cores this process may run on (its CPU affinity), at least 1.
unsigned AvailableCores();

class ParallelDeflate {
 public:
  // threads: workers to use, 2 .. kMaxDeflateThreads (clamped).
  ParallelDeflate(olv::TStream& out, int level, unsigned threads);
  // Stops the workers; without finish the output is incomplete.
  ~ParallelDeflate();
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;

  // Raises what writing `out` raises, or EZlibError when zlib fails.
  void write(const unsigned char* data, std::size_t count);
  // Compresses the rest, writes it and the trailer. Once only.
  void finish();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace olv
