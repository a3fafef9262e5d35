#pragma once
// Lock rules the compiler checks: with clang's -Wthread-safety a field marked GUARDED_BY(m) may
// only be touched while m is held, and a function marked REQUIRES(m) only called with m held.
// Other compilers see the markers as nothing.
//
// std::mutex carries no such markers in libstdc++, so shared state is guarded by plat::Mutex and
// locked with plat::MutexLock (or plat::SharedMutex, with ReaderLock and WriterLock; or
// plat::RecursiveMutex, with RecursiveMutexLock), which the analysis understands. A lock kept in a
// function static is named by its accessor: GUARDED_BY(Lock()) and REQUIRES(Lock()) match a
// MutexLock taken on Lock(). A condition variable waits through
// the MutexLock (wait() and waitUntil() give the lock up while asleep and hold it again on return,
// so the analysis rightly treats it as held throughout). Write the wait's condition as a loop in
// the function that holds the lock: a lambda is checked on its own and would not see the lock.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>

#if defined(__clang__)
#define THREAD_ANNOTATION(x) __attribute__((x))
#else
#define THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) THREAD_ANNOTATION(release_shared_capability(__VA_ARGS__))
#define REQUIRES_SHARED(...) THREAD_ANNOTATION(requires_shared_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define RETURN_CAPABILITY(x) THREAD_ANNOTATION(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS THREAD_ANNOTATION(no_thread_safety_analysis)

namespace plat {

class CAPABILITY("mutex") Mutex {
 public:
  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return m_.try_lock(); }

 private:
  friend class MutexLock;
  std::mutex m_;
};

class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& m) ACQUIRE(m) : lock_(m.m_) {}
  ~MutexLock() RELEASE() {}
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  // For work that must run without the lock (a callback, a wake-up) before the scope ends.
  void unlock() RELEASE() { lock_.unlock(); }
  void lock() ACQUIRE() { lock_.lock(); }

  void wait(std::condition_variable& cv) { cv.wait(lock_); }
  template <class Clock, class Duration>
  std::cv_status waitUntil(std::condition_variable& cv,
                           const std::chrono::time_point<Clock, Duration>& deadline) {
    return cv.wait_until(lock_, deadline);
  }

 private:
  std::unique_lock<std::mutex> lock_;
};

// A lock its holder may take again (a tool holding it around calls that take it themselves).
// The analysis has no notion of taking a capability twice: it checks each function on its own, so
// re-entry across calls is fine, but one function must not take it twice itself, and functions
// that take it are not marked EXCLUDES (their callers may hold it).
class CAPABILITY("mutex") RecursiveMutex {
 public:
  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }

 private:
  std::recursive_mutex m_;
};

class SCOPED_CAPABILITY RecursiveMutexLock {
 public:
  explicit RecursiveMutexLock(RecursiveMutex& m) ACQUIRE(m) : m_(m) { m_.lock(); }
  ~RecursiveMutexLock() RELEASE() { m_.unlock(); }
  RecursiveMutexLock(const RecursiveMutexLock&) = delete;
  RecursiveMutexLock& operator=(const RecursiveMutexLock&) = delete;

 private:
  RecursiveMutex& m_;
};

// Readers share it, a writer has it alone: reading a field it guards needs either lock, writing
// needs the WriterLock.
class CAPABILITY("shared mutex") SharedMutex {
 public:
  void lock() ACQUIRE() { m_.lock(); }
  void unlock() RELEASE() { m_.unlock(); }
  void lock_shared() ACQUIRE_SHARED() { m_.lock_shared(); }
  void unlock_shared() RELEASE_SHARED() { m_.unlock_shared(); }

 private:
  std::shared_mutex m_;
};

class SCOPED_CAPABILITY ReaderLock {
 public:
  explicit ReaderLock(SharedMutex& m) ACQUIRE_SHARED(m) : m_(m) { m_.lock_shared(); }
  ~ReaderLock() RELEASE() { m_.unlock_shared(); }
  ReaderLock(const ReaderLock&) = delete;
  ReaderLock& operator=(const ReaderLock&) = delete;

 private:
  SharedMutex& m_;
};

class SCOPED_CAPABILITY WriterLock {
 public:
  explicit WriterLock(SharedMutex& m) ACQUIRE(m) : m_(m) { m_.lock(); }
  ~WriterLock() RELEASE() { m_.unlock(); }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

 private:
  SharedMutex& m_;
};

}  // namespace plat
