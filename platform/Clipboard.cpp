#include "platform/Clipboard.h"

#include <atomic>

namespace plat {

void InProcessClipboard::Put(const std::map<std::string, std::string>& entries) {
  MutexLock lock(mutex_);
  entries_ = entries;
}

std::optional<std::string> InProcessClipboard::Get(const std::string& format) const {
  MutexLock lock(mutex_);
  auto it = entries_.find(format);
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

namespace {
std::atomic<Clipboard*> g_clipboard{nullptr};
}

Clipboard& CurrentClipboard() {
  static InProcessClipboard inProcess;
  Clipboard* c = g_clipboard.load(std::memory_order_acquire);
  return c ? *c : inProcess;
}

void SetClipboard(Clipboard* clipboard) { g_clipboard.store(clipboard, std::memory_order_release); }

}  // namespace plat
