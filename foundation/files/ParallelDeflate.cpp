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
      : out_(out), level_(level), threads_(std::clamp(threads, 2u, kMaxDeflateThreads)) {
    // Two blocks per worker keep every worker busy while the caller writes finished ones.
    jobs_.resize(std::size_t(threads_) * 2);
    for (auto& job : jobs_) {
      job = std::make_unique<Job>();
      free_.push_back(job.get());
    }
  }

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
        writeFinished(false);
      }
    }
  }

  void finish() {
    Job* last = filling_ ? filling_ : takeJob();
    filling_ = nullptr;
    if (pending_.empty()) {
      // Everything fits in one block: no worker is needed.
      RawDeflater deflater(level_);
      last->last = true;
      Compress(deflater, *last);
      last->done = true;
      pending_.push_back(last);
    } else {
      submit(*last, true);
    }
    writeFinished(true);
    const unsigned char trailer[4] = {static_cast<unsigned char>(adler_ >> 24), static_cast<unsigned char>(adler_ >> 16),
                                      static_cast<unsigned char>(adler_ >> 8), static_cast<unsigned char>(adler_)};
    out_.WriteBuffer(trailer, sizeof trailer);
  }

 private:
  struct Job {
    // The dictionary (the 32 KiB before the block), then the block; made on first use, so that
    // a small payload takes one block's memory.
    std::unique_ptr<unsigned char[]> in;
    std::size_t dictionary = 0;
    std::size_t length = 0;
    bool last = false;
    std::unique_ptr<unsigned char[]> out;
    std::size_t outCapacity = 0;
    std::size_t outLength = 0;
    uLong adler = 0;  // of the block alone
    std::exception_ptr error;
    bool done = false;  // guarded by mutex_ while the job is queued
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

  void workerLoop() {
    try {
      RawDeflater deflater(level_);
      for (;;) {
        Job* job;
        {
          plat::MutexLock lock(mutex_);
          while (!stopping_ && queue_.empty()) lock.wait(work_);
          if (stopping_) return;
          job = queue_.front();
          queue_.pop_front();
        }
        try {
          Compress(deflater, *job);
        } catch (...) {
          job->error = std::current_exception();
        }
        {
          plat::MutexLock lock(mutex_);
          job->done = true;
        }
        finished_.notify_one();
      }
    } catch (...) {
      // No deflate state for this worker: the jobs it would take go to the others; when none
      // is left the caller finds out (see waitFor).
      plat::MutexLock lock(mutex_);
      if (++failedWorkers_ == workers_.size()) workerError_ = std::current_exception();
      finished_.notify_one();
    }
  }

  void startWorkers() {
    workers_.reserve(threads_);
    // Counted under the lock: a worker that fails compares against the final count.
    plat::MutexLock lock(mutex_);
    for (unsigned i = 0; i < threads_; ++i) workers_.emplace_back([this] { workerLoop(); });
  }

  void submit(Job& job, bool last) {
    job.last = last;
    if (workers_.empty()) startWorkers();
    {
      plat::MutexLock lock(mutex_);
      job.done = false;
      queue_.push_back(&job);
    }
    pending_.push_back(&job);
    work_.notify_one();
  }

  // A free job, written out and recycled from the oldest pending one when none is free.
  Job* takeJob() {
    while (free_.empty()) writeOldest();
    Job* job = free_.back();
    free_.pop_back();
    if (!job->in) job->in.reset(new unsigned char[kDictionarySize + kDeflateBlockSize]);
    job->dictionary = 0;
    job->length = 0;
    job->last = false;
    job->error = nullptr;
    return job;
  }

  void waitFor(Job& job) {
    plat::MutexLock lock(mutex_);
    while (!job.done && !workerError_) lock.wait(finished_);
    if (!job.done) std::rethrow_exception(workerError_);
  }

  void writeOldest() {
    Job& job = *pending_.front();
    waitFor(job);
    if (job.error) std::rethrow_exception(job.error);
    if (!headerWritten_) {
      const unsigned header = StreamHeader(level_);
      const unsigned char bytes[2] = {static_cast<unsigned char>(header >> 8), static_cast<unsigned char>(header)};
      out_.WriteBuffer(bytes, sizeof bytes);
      headerWritten_ = true;
    }
    out_.WriteBuffer(job.out.get(), job.outLength);
    adler_ = adler32_combine(adler_, job.adler, z_off_t(job.length));
    pending_.pop_front();
    free_.push_back(&job);
  }

  bool oldestDone() {
    plat::MutexLock lock(mutex_);
    return pending_.front()->done;
  }

  // Writes the finished blocks at the head of the order; all of them when `all`.
  void writeFinished(bool all) {
    while (!pending_.empty() && (all || oldestDone())) writeOldest();
  }

  olv::TStream& out_;
  const int level_;
  const unsigned threads_;

  // Caller's thread only.
  std::vector<std::unique_ptr<Job>> jobs_;
  std::vector<Job*> free_;
  std::deque<Job*> pending_;  // submitted, in stream order
  Job* filling_ = nullptr;
  bool headerWritten_ = false;
  uLong adler_ = adler32(0, nullptr, 0);
  std::vector<std::thread> workers_;

  plat::Mutex mutex_;
  std::condition_variable work_;      // a job was queued, or stopping
  std::condition_variable finished_;  // a job is done
  std::deque<Job*> queue_ GUARDED_BY(mutex_);
  bool stopping_ GUARDED_BY(mutex_) = false;
  std::size_t failedWorkers_ GUARDED_BY(mutex_) = 0;
  std::exception_ptr workerError_ GUARDED_BY(mutex_);
};

ParallelDeflate::ParallelDeflate(olv::TStream& out, int level, unsigned threads)
    : impl_(std::make_unique<Impl>(out, level, threads)) {}

ParallelDeflate::~ParallelDeflate() = default;

void ParallelDeflate::write(const unsigned char* data, std::size_t count) { impl_->write(data, count); }

void ParallelDeflate::finish() { impl_->finish(); }

}  // namespace olv
