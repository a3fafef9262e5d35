#pragma once
// TSharedObject: the reference-counted base of every value a record refers to rather than
// contains (blobs, variants, object instances, REFs, collections, LOB locators, ...). One instance
// may be held by the stored record, the edit buffer and cached-update copies at once; it lives
// while any of them holds a reference. A new object carries one reference, its creator's.
//
// Ownership: holders give a reference up with Release (or da::Release, which accepts nullptr),
// never with delete; the destructor is protected so that a direct delete does not compile.
// The count itself is atomic, so references may be taken and dropped on any thread; the object's
// own state is not protected.
#include <atomic>
#include <cstdint>

#include "dataaccess/DAErrors.h"

namespace da {

class TSharedObject {
 public:
  TSharedObject() = default;
  TSharedObject(const TSharedObject&) = delete;
  TSharedObject& operator=(const TSharedObject&) = delete;

  void AddRef() { refCount_.fetch_add(1, std::memory_order_relaxed); }

  // Takes a reference unless the last one is already gone (the object is being destroyed), in
  // one step: for a list that holds no reference itself and hands its objects out. Looking at the
  // count first and adding after would let a release that falls in between destroy the object
  // handed out.
  bool AddRefUnlessGone() {
    std::int32_t count = refCount_.load(std::memory_order_relaxed);
    while (count > 0)
      if (refCount_.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) return true;
    return false;
  }

  // Drops one reference; the last one destroys the object. Releasing an object whose count is
  // already below 1 is an assertion.
  void Release() {
    std::int32_t before = refCount_.fetch_sub(1, std::memory_order_acq_rel);
    if (before < 1) {
      refCount_.fetch_add(1, std::memory_order_relaxed);
      throw EAssertionFailed("MemData", "Assertion failure");
    }
    if (before == 1) delete this;
  }

  std::int32_t RefCount() const { return refCount_.load(std::memory_order_relaxed); }

 protected:
  virtual ~TSharedObject() = default;

 private:
  std::atomic<std::int32_t> refCount_{1};
};

// Release that ignores nullptr, for holders whose slot may be empty.
inline void Release(TSharedObject* object) {
  if (object) object->Release();
}

}  // namespace da
