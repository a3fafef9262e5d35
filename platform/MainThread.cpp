#include "platform/MainThread.h"

#include <atomic>

namespace plat {
namespace {
std::atomic<MainThread*> g_mainThread{nullptr};
}

MainThread* CurrentMainThread() { return g_mainThread.load(std::memory_order_acquire); }

void SetCurrentMainThread(MainThread* mainThread) { g_mainThread.store(mainThread, std::memory_order_release); }

}  // namespace plat
