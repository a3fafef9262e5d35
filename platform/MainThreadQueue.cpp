#include "platform/MainThreadQueue.h"

#include <utility>

namespace plat {

MainThreadQueue::MainThreadQueue() : mainId_(std::this_thread::get_id()) {}

MainThreadQueue::~MainThreadQueue() { MainThreadQueue::beginShutdown(); }

bool MainThreadQueue::isMainThread() const { return std::this_thread::get_id() == mainId_; }

bool MainThreadQueue::shuttingDown() const {
  MutexLock lock(mutex_);
  return shutdown_;
}

bool MainThreadQueue::hasPending() const {
  MutexLock lock(mutex_);
  return !queue_.empty();
}

bool MainThreadQueue::send(Handler handler) {
  if (isMainThread()) {
    if (shuttingDown()) return false;
    handler();
    return true;
  }
  auto sent = std::make_shared<Sent>();
  {
    MutexLock lock(mutex_);
    if (shutdown_) return false;
    queue_.push_back(Item{std::move(handler), sent});
  }
  wake();
  MutexLock lock(mutex_);
  while (!sent->done) lock.wait(doneCv_);
  if (sent->error) std::rethrow_exception(std::exchange(sent->error, nullptr));
  return sent->ran;
}

bool MainThreadQueue::post(Handler handler) {
  {
    MutexLock lock(mutex_);
    if (shutdown_) return false;
    queue_.push_back(Item{std::move(handler), nullptr});
  }
  wake();
  return true;
}

void MainThreadQueue::beginShutdown() {
  std::deque<Item> dropped;  // handlers are destroyed outside the lock
  {
    MutexLock lock(mutex_);
    shutdown_ = true;
    dropped.swap(queue_);
    for (auto& item : dropped)
      if (item.sent) item.sent->done = true;
  }
  doneCv_.notify_all();
}

int MainThreadQueue::processPending() {
  std::size_t count;
  {
    MutexLock lock(mutex_);
    count = queue_.size();
  }
  int ran = 0;
  for (; count > 0; --count) {
    Item item;
    {
      MutexLock lock(mutex_);
      if (queue_.empty()) break;  // dropped by beginShutdown()
      item = std::move(queue_.front());
      queue_.pop_front();
    }
    ++ran;
    if (!item.sent) {
      item.handler();
      continue;
    }
    std::exception_ptr error;
    try {
      item.handler();
    } catch (...) {
      error = std::current_exception();
    }
    {
      MutexLock lock(mutex_);
      item.sent->done = true;
      item.sent->ran = true;
      item.sent->error = std::move(error);
      // The sender keeps the last reference, so the exception is freed on its thread, not here.
      item.sent.reset();
    }
    doneCv_.notify_all();
  }
  return ran;
}

}  // namespace plat
