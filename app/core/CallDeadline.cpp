#include "app/core/CallDeadline.h"

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <utility>

namespace sch {

TCallDeadline::TCallDeadline(std::chrono::milliseconds bound, std::function<void()> onExpiry) {
  watchdog_ = std::jthread([this, bound, onExpiry = std::move(onExpiry)](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    // Nothing but the stop request (the call returned) or the bound ends this wait.
    wake.wait_for(lock, stop, bound, [] { return false; });
    if (stop.stop_requested()) return;
    expired_ = true;
    if (onExpiry) onExpiry();
  });
}

TCallDeadline::~TCallDeadline() {
  watchdog_.request_stop();
  if (watchdog_.joinable()) watchdog_.join();
}

}  // namespace sch
