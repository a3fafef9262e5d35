#include "platform/MainThreadQueue.h"

#include <utility>

namespace plat {

MainThreadQueue::MainThreadQueue() : mainId_(std::this_thread::get_id()) {}

MainThreadQueue::~MainThreadQueue() { MainThreadQueue::beginShutdown(); }

bool MainThreadQueue::isMainThread() const { return std::this_thread::get_id() == mainId_; }

bool MainThreadQueue::shuttingDown() const {
  std::lock_guard lock(mutex_);
  return shutdown_;
}

bool MainThreadQueue::hasPending() const {
  std::lock_guard lock(mutex_);
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
    std::lock_guard lock(mutex_);
    if (shutdown_) return false;
    queue_.push_back(Item{std::move(handler), sent});
  }
  wake();
  std::unique_lock lock(mutex_);
  doneCv_.wait(lock, [&] { return sent->done; });
  if (sent->error) std::rethrow_exception(std::exchange(sent->error, nullptr));
  return sent->ran;
}

bool MainThreadQueue::post(Handler handler) {
  {
    std::lock_guard lock(mutex_);
    if (shutdown_) return false;
    queue_.push_back(Item{std::move(handler), nullptr});
  }
  wake();
  return true;
}

void MainThreadQueue::beginShutdown() {
  std::deque<Item> dropped;  // handlers are destroyed outside the lock
  {
    std::lock_guard lock(mutex_);
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
    std::lock_guard lock(mutex_);
    count = queue_.size();
  }
  int ran = 0;
  for (; count > 0; --count) {
    Item item;
    {
      std::lock_guard lock(mutex_);
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
      std::lock_guard lock(mutex_);
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
