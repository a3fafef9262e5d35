#include "oracle/server/OraWorker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <stdexcept>

#include "oracle/server/OraConnection.h"
#include "platform/MainThread.h"
#include "platform/ThreadAnnotations.h"

namespace ora {

struct TOraWorker::Context {
  TBackgroundServices services;
  void* sender = nullptr;
  std::function<void()> run;
  std::function<void(bool)> end;
  std::atomic<bool> dropped{false};
  plat::Mutex mutex;
  std::condition_variable finishedCv;
  bool finished GUARDED_BY(mutex) = false;
};

namespace {

void Report(const TOraWorker::Context& context, const std::exception& error) {
  if (context.services.onError) context.services.onError(context.sender, error);
}

// The end notice, on the main thread: the end procedure, then the worker's error, if any.
void Deliver(const std::shared_ptr<TOraWorker::Context>& context, std::exception_ptr error) {
  if (context->dropped) return;
  try {
    if (context->end) context->end(!error);
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    Report(*context, e);
  } catch (...) {
    Report(*context, std::runtime_error("Unknown background error"));
  }
}

void WorkerProc(std::shared_ptr<TOraWorker::Context> context) {
  std::exception_ptr error;
  try {
    context->run();
  } catch (...) {
    error = std::current_exception();
  }
  {
    plat::MutexLock lock(context->mutex);
    context->finished = true;
  }
  context->finishedCv.notify_all();
  plat::MainThread* main = context->services.mainThread;
  if (!main) {
    Deliver(context, error);
  } else {
    // The error moves with the notice, so the worker keeps no share of it: the exception is freed
    // on the main thread, the thread that last reads it.
    main->post([context, error = std::move(error)] { Deliver(context, error); });
  }
}

}  // namespace

TOraWorker::TOraWorker(std::shared_ptr<Context> context, std::thread thread)
    : context_(std::move(context)), thread_(std::move(thread)) {}

TOraWorker::~TOraWorker() {
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

bool TOraWorker::Finished() const {
  plat::MutexLock lock(context_->mutex);
  return context_->finished;
}

std::unique_ptr<TOraWorker> RunThread(TOCIConnection* connection, void* sender, std::function<void()> run,
                                      std::function<void(bool)> end) {
  auto context = std::make_shared<TOraWorker::Context>();
  if (connection) context->services = connection->Background();
  context->sender = sender;
  context->run = std::move(run);
  context->end = std::move(end);
  std::thread thread(WorkerProc, context);
  return std::make_unique<TOraWorker>(context, std::move(thread));
}

bool StopThread(TOCIConnection* connection, TOraWorker& worker, bool dropPending) {
  TOraWorker::Context& context = worker.GetContext();
  if (dropPending) context.dropped = true;
  plat::MutexLock lock(context.mutex);
  while (!context.finished) {
    lock.unlock();
    if (connection) {
      try {
        connection->BreakExec();
      } catch (...) {
        // Nothing in progress to break, or no session left: the wait below decides.
      }
    }
    lock.lock();
    const auto retry = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
    while (!context.finished && lock.waitUntil(context.finishedCv, retry) != std::cv_status::timeout) {
    }
  }
  lock.unlock();
  if (worker.thread_.joinable() && worker.thread_.get_id() != std::this_thread::get_id()) worker.thread_.join();
  return true;
}

}  // namespace ora
