#include "foundation/files/ParallelDeflate.h"

#include <sched.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <thread>
#include <vector>

#include "foundation/files/ZlibStream.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

namespace {

constexpr std::size_t kDictionarySize = 32 * 1024;  // deflate's window
// deflate's own bound covers one finished stream; a sync flush adds an empty stored block.
constexpr std::size_t kFlushMargin = 64;

[[noreturn]] void RaiseDeflate(const z_stream& z, int code) {
  throw EZlibError(std::string("zlib error: ") + (z.msg ? z.msg : zError(code)));
}

// A raw deflate state (no header or trailer: the blocks are parts of one stream).
class RawDeflater {
 public:
  explicit RawDeflater(int level) {
    const int rc = deflateInit2(&z_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) RaiseDeflate(z_, rc);
  }
  ~RawDeflater() { deflateEnd(&z_); }
  RawDeflater(const RawDeflater&) = delete;
  RawDeflater& operator=(const RawDeflater&) = delete;
  z_stream& z() { return z_; }

 private:
  z_stream z_{};
};

// The bytes a job holds once used, and a worker's deflate state (zlib's own figure for a 32 KiB
// window and memLevel 8), for the memory budget.
constexpr std::size_t kJobBytes = kDictionarySize + 2 * kDeflateBlockSize + 1024;
constexpr std::size_t kDeflateStateBytes = (std::size_t(1) << 17) + (std::size_t(1) << 17) + 8 * 1024;
// Blocks queued for the workers and not yet taken, per worker: enough to keep each busy while
// the caller is off the CPU, few enough that a block is compressed while its input is still in
// the cache. Blocks compressed and waiting for an earlier one to be written do not count; they
// may take the rest of the budget.
constexpr std::size_t kQueuedPerWorker = 4;

// The two header bytes zlib writes for a 32 KiB window at this level (0x78 0x9C at the default).
unsigned StreamHeader(int level) {
  if (level == Z_DEFAULT_COMPRESSION) level = 6;
  const unsigned levelFlags = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  unsigned header = (Z_DEFLATED + ((15 - 8) << 4)) << 8 | levelFlags << 6;
  header += 31 - header % 31;
  return header;
}

}  // namespace

unsigned AvailableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return unsigned(n);
  }
  const unsigned n = std::thread::hardware_concurrency();
  return n ? n : 1;
}

class ParallelDeflate::Impl {
 public:
  Impl(olv::TStream& out, int level, unsigned threads)
      : level_(level),
        threads_(std::clamp(threads, 2u, kMaxDeflateThreads)),
        maxQueued_(kQueuedPerWorker * threads_),
        maxJobs_((kDeflateMemoryBudget - threads_ * kDeflateStateBytes) / kJobBytes),
        out_(&out) {}

  ~Impl() {
    {
      plat::MutexLock lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    for (auto& t : workers_) t.join();
  }

  void write(const unsigned char* data, std::size_t count) {
    while (count > 0) {
      if (!filling_) filling_ = takeJob();
      Job& job = *filling_;
      const std::size_t take = std::min(count, kDeflateBlockSize - job.length);
      std::memcpy(job.in.get() + job.dictionary + job.length, data, take);
      job.length += take;
      data += take;
      count -= take;
      if (job.length == kDeflateBlockSize) {
        Job* next = takeJob();
        // The next block sees the end of this one as its window.
        next->dictionary = kDictionarySize;
        std::memcpy(next->in.get(), job.in.get() + job.dictionary + job.length - kDictionarySize, kDictionarySize);
        submit(job, false);
        filling_ = next;
      }
    }
  }

  void finish() {
    Job* last = filling_ ? filling_ : takeJob();
    filling_ = nullptr;
    if (workers_.empty()) {
      // Everything fits in one block: no worker is needed.
      RawDeflater deflater(level_);
      last->last = true;
      Compress(deflater, *last);
      plat::MutexLock lock(writeMutex_);
      writeBlock(*last);
    } else {
      submit(*last, true);
      plat::MutexLock lock(mutex_);
      while (!error_ && written_ < submitted_) lock.wait(room_);
      if (error_) std::rethrow_exception(error_);
    }
    // Every block is out and no worker writes any more.
    plat::MutexLock lock(writeMutex_);
    const unsigned char trailer[4] = {static_cast<unsigned char>(adler_ >> 24), static_cast<unsigned char>(adler_ >> 16),
                                      static_cast<unsigned char>(adler_ >> 8), static_cast<unsigned char>(adler_)};
    out_->WriteBuffer(trailer, sizeof trailer);
  }

 private:
  struct Job {
    // The dictionary (the 32 KiB before the block), then the block; made on first use, so that
    // a small payload takes one block's memory. The fields pass between threads with the job
    // through the queues, under mutex_.
    std::unique_ptr<unsigned char[]> in;
    std::size_t dictionary = 0;
    std::size_t length = 0;
    bool last = false;
    std::unique_ptr<unsigned char[]> out;
    std::size_t outCapacity = 0;
    std::size_t outLength = 0;
    uLong adler = 0;  // of the block alone
    bool done = false;  // compressed; read and written under mutex_ while the job is in order_
  };

  // Runs on a worker (or on the caller for a single block); touches only the job.
  static void Compress(RawDeflater& deflater, Job& job) {
    z_stream& z = deflater.z();
    int rc = deflateReset(&z);
    if (rc != Z_OK) RaiseDeflate(z, rc);
    if (job.dictionary) {
      rc = deflateSetDictionary(&z, job.in.get(), uInt(job.dictionary));
      if (rc != Z_OK) RaiseDeflate(z, rc);
    }
    const std::size_t need = deflateBound(&z, uLong(job.length)) + kFlushMargin;
    if (job.outCapacity < need) {
      job.out.reset(new unsigned char[need]);
      job.outCapacity = need;
    }
    unsigned char* block = job.in.get() + job.dictionary;
    job.adler = adler32(adler32(0, nullptr, 0), block, uInt(job.length));
    z.next_in = block;
    z.avail_in = uInt(job.length);
    z.next_out = job.out.get();
    z.avail_out = uInt(job.outCapacity);
    const int flush = job.last ? Z_FINISH : Z_SYNC_FLUSH;
    rc = deflate(&z, flush);
    // The bound leaves room for everything; anything else is a failure inside zlib.
    if (job.last ? rc != Z_STREAM_END : (rc != Z_OK || z.avail_in != 0 || z.avail_out == 0)) RaiseDeflate(z, rc);
    job.outLength = job.outCapacity - z.avail_out;
  }

  // Appends a compressed block to the stream (after the header, before the first block).
  void writeBlock(const Job& job) REQUIRES(writeMutex_) {
    if (!headerWritten_) {
      const unsigned header = StreamHeader(level_);
      const unsigned char bytes[2] = {static_cast<unsigned char>(header >> 8), static_cast<unsigned char>(header)};
      out_->WriteBuffer(bytes, sizeof bytes);
      headerWritten_ = true;
    }
    out_->WriteBuffer(job.out.get(), job.outLength);
    adler_ = adler32_combine(adler_, job.adler, z_off_t(job.length));
  }

  // Run by the worker that completed a block when no other thread is writing: writes the
  // finished blocks at the head of the order, then goes back to compressing. A block finished
  // meanwhile by another worker is left to this one, so no worker ever waits for the writes,
  // and a writer that is descheduled holds up only the recycling of buffers, not compression.
  void writeInOrder() REQUIRES(mutex_) {
    writing_ = true;
    while (!error_ && !stopping_ && !order_.empty() && order_.front()->done) {
      Job* job = order_.front();
      order_.pop_front();
      std::exception_ptr failure;
      mutex_.unlock();
      try {
        plat::MutexLock lock(writeMutex_);
        writeBlock(*job);
      } catch (...) {
        failure = std::current_exception();
      }
      mutex_.lock();
      if (failure && !error_) error_ = failure;
      free_.push_back(job);
      ++written_;
      room_.notify_one();
    }
    writing_ = false;
  }

  void workerLoop() {
    std::unique_ptr<RawDeflater> deflater;
    try {
      deflater = std::make_unique<RawDeflater>(level_);
    } catch (...) {
      // No deflate state for this worker: the jobs go to the others; when none is left the
      // caller finds out.
      plat::MutexLock lock(mutex_);
      if (++failedWorkers_ == threads_ && !error_) error_ = std::current_exception();
      room_.notify_one();
      return;
    }
    plat::MutexLock lock(mutex_);
    for (;;) {
      while (!stopping_ && queue_.empty()) lock.wait(work_);
      if (stopping_) return;
      Job* job = queue_.front();
      queue_.pop_front();
      if (callerWaiting_) room_.notify_one();
      lock.unlock();
      std::exception_ptr failure;
      try {
        Compress(*deflater, *job);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      job->done = true;
      if (failure && !error_) {
        error_ = failure;
        room_.notify_one();
      }
      if (!writing_) writeInOrder();
    }
  }

  void startWorkers() {
    workers_.reserve(threads_);
    for (unsigned i = 0; i < threads_; ++i) workers_.emplace_back([this] { workerLoop(); });
  }

  void submit(Job& job, bool last) {
    job.last = last;
    if (workers_.empty()) startWorkers();
    {
      plat::MutexLock lock(mutex_);
      job.done = false;
      order_.push_back(&job);
      queue_.push_back(&job);
      ++submitted_;
    }
    work_.notify_one();
  }

  // A job to fill, once the queue has room: a recycled one, a new one while the budget allows,
  // else the next one written out.
  Job* takeJob() {
    Job* job = nullptr;
    {
      plat::MutexLock lock(mutex_);
      for (;;) {
        if (error_) std::rethrow_exception(error_);
        if (queue_.size() < maxQueued_) {
          if (!free_.empty()) {
            job = free_.back();
            free_.pop_back();
            break;
          }
          if (jobs_.size() < maxJobs_) break;
        }
        callerWaiting_ = true;
        lock.wait(room_);
        callerWaiting_ = false;
      }
    }
    if (!job) {
      jobs_.push_back(std::make_unique<Job>());
      job = jobs_.back().get();
      job->in.reset(new unsigned char[kDictionarySize + kDeflateBlockSize]);
    }
    job->dictionary = 0;
    job->length = 0;
    job->last = false;
    return job;
  }

  const int level_;
  const unsigned threads_;
  const std::size_t maxQueued_;
  const std::size_t maxJobs_;

  // Caller's thread only.
  std::vector<std::unique_ptr<Job>> jobs_;  // every job made, at most maxJobs_
  Job* filling_ = nullptr;
  std::vector<std::thread> workers_;

  // The stream is written by one thread at a time: a worker in writeInOrder, or the caller once
  // every block is out.
  plat::Mutex writeMutex_;
  olv::TStream* const out_ PT_GUARDED_BY(writeMutex_);
  bool headerWritten_ GUARDED_BY(writeMutex_) = false;
  uLong adler_ GUARDED_BY(writeMutex_) = adler32(0, nullptr, 0);

  plat::Mutex mutex_;
  std::condition_variable work_;   // a job was queued, or stopping
  std::condition_variable room_;  // a job was written and is free, a queued one taken, or a failure (the caller waits)
  std::deque<Job*> queue_ GUARDED_BY(mutex_);  // to compress, in stream order
  std::deque<Job*> order_ GUARDED_BY(mutex_);  // submitted and not yet written, in stream order
  std::vector<Job*> free_ GUARDED_BY(mutex_);
  std::size_t submitted_ GUARDED_BY(mutex_) = 0;
  std::size_t written_ GUARDED_BY(mutex_) = 0;
  bool writing_ GUARDED_BY(mutex_) = false;        // a worker is in writeInOrder
  bool callerWaiting_ GUARDED_BY(mutex_) = false;  // in takeJob, for room
  bool stopping_ GUARDED_BY(mutex_) = false;
  unsigned failedWorkers_ GUARDED_BY(mutex_) = 0;
  std::exception_ptr error_ GUARDED_BY(mutex_);  // the first failure: compressing, writing or starting
};

ParallelDeflate::ParallelDeflate(olv::TStream& out, int level, unsigned threads)
    : impl_(std::make_unique<Impl>(out, level, threads)) {}

ParallelDeflate::~ParallelDeflate() = default;

void ParallelDeflate::write(const unsigned char* data, std::size_t count) { impl_->write(data, count); }

void ParallelDeflate::finish() { impl_->finish(); }

}  // namespace olv
