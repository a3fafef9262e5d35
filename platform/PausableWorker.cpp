#include "platform/PausableWorker.h"

namespace plat {

PausableWorker::PausableWorker(Body body, bool startPaused)
    : paused_(startPaused), thread_([this, b = std::move(body)]() mutable { main(std::move(b)); }) {}

PausableWorker::~PausableWorker() {
  quit();
  join();
}

void PausableWorker::main(Body body) {
  std::exception_ptr failure;
  try {
    if (checkpoint()) body(*this);
  } catch (...) {
    failure = std::current_exception();
  }
  MutexLock lock(mutex_);
  failure_ = failure;
  ended_ = true;
}

std::exception_ptr PausableWorker::failure() const {
  MutexLock lock(mutex_);
  return failure_;
}

bool PausableWorker::ended() const {
  MutexLock lock(mutex_);
  return ended_;
}

void PausableWorker::pause() {
  {
    MutexLock lock(mutex_);
    paused_ = true;
  }
  cv_.notify_all();
}

void PausableWorker::resume() {
  {
    MutexLock lock(mutex_);
    paused_ = false;
    woken_ = true;  // also when the pause came and went during a sleep
  }
  cv_.notify_all();
}

void PausableWorker::wake() {
  {
    MutexLock lock(mutex_);
    woken_ = true;
  }
  cv_.notify_all();
}

void PausableWorker::quit() {
  {
    MutexLock lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
}

void PausableWorker::join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool PausableWorker::paused() const {
  MutexLock lock(mutex_);
  return paused_;
}

bool PausableWorker::quitting() const {
  MutexLock lock(mutex_);
  return quit_;
}

bool PausableWorker::active() const {
  MutexLock lock(mutex_);
  return !paused_ && !quit_ && !ended_;
}

bool PausableWorker::waitWhilePaused(MutexLock& lock) {
  while (!quit_ && paused_) lock.wait(cv_);
  // The body looks afresh from here: wakes until now are answered.
  woken_ = false;
  return !quit_;
}

bool PausableWorker::checkpoint() {
  MutexLock lock(mutex_);
  return waitWhilePaused(lock);
}

bool PausableWorker::sleepFor(std::chrono::milliseconds interval) {
  MutexLock lock(mutex_);
  // A pause, met here or during the sleep, ends the sleep: once resumed the body goes on at once.
  if (!paused_) {
    const auto deadline = std::chrono::steady_clock::now() + interval;
    while (!quit_ && !paused_ && !woken_)
      if (lock.waitUntil(cv_, deadline) == std::cv_status::timeout) break;
  }
  return waitWhilePaused(lock);
}

}  // namespace plat
