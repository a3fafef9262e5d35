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
  std::lock_guard lock(mutex_);
  failure_ = failure;
  ended_ = true;
}

std::exception_ptr PausableWorker::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool PausableWorker::ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

void PausableWorker::pause() {
  {
    std::lock_guard lock(mutex_);
    paused_ = true;
  }
  cv_.notify_all();
}

void PausableWorker::resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
    woken_ = true;  // also when the pause came and went during a sleep
  }
  cv_.notify_all();
}

void PausableWorker::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  cv_.notify_all();
}

void PausableWorker::quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
}

void PausableWorker::join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool PausableWorker::paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool PausableWorker::quitting() const {
  std::lock_guard lock(mutex_);
  return quit_;
}

bool PausableWorker::active() const {
  std::lock_guard lock(mutex_);
  return !paused_ && !quit_ && !ended_;
}

bool PausableWorker::waitWhilePaused(std::unique_lock<std::mutex>& lock) {
  cv_.wait(lock, [&] { return quit_ || !paused_; });
  // The body looks afresh from here: wakes until now are answered.
  woken_ = false;
  return !quit_;
}

bool PausableWorker::checkpoint() {
  std::unique_lock lock(mutex_);
  return waitWhilePaused(lock);
}

bool PausableWorker::sleepFor(std::chrono::milliseconds interval) {
  std::unique_lock lock(mutex_);
  // A pause, met here or during the sleep, ends the sleep: once resumed the body goes on at once.
  if (!paused_) cv_.wait_for(lock, interval, [&] { return quit_ || paused_ || woken_; });
  return waitWhilePaused(lock);
}

}  // namespace plat
