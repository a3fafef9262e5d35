#include "app/core/CompressJob.h"

#include <exception>
#include <filesystem>
#include <utility>

#include "foundation/files/CompressedFile.h"
#include "foundation/base/Exception.h"
#include "platform/MainThread.h"

namespace sch {

bool CompressJob::Prepare(const std::function<bool(const std::string& question)>& confirm) const {
  std::error_code ec;
  if (!std::filesystem::exists(source, ec)) throw olv::Exception("File " + source + "not exist!");
  if (std::filesystem::exists(destination, ec)) {
    if (!confirm("File " + destination + " has been exist, overwrite?")) return false;
  }
  return true;
}

void CompressJob::Run() const {
  if (compress)
    olv::CompressFile(source, destination);
  else
    olv::DecompressFile(source, destination);
}

CompressWorker::CompressWorker(plat::MainThread& mainThread) : mainThread_(mainThread) {}

CompressWorker::~CompressWorker() {
  *alive_ = false;
  if (thread_.joinable()) thread_.join();
}

bool CompressWorker::Start(CompressJob job, Finished finished) {
  if (busy_) return false;
  // The previous job has reported back, so its thread has ended or is about to.
  if (thread_.joinable()) thread_.join();
  busy_ = true;
  thread_ = std::thread([this, alive = alive_, job = std::move(job), finished = std::move(finished)] {
    std::string error;
    try {
      job.Run();
    } catch (const std::exception& e) {
      error = e.what();
    }
    // `this` is touched only on the main thread, after `alive` says the worker is still there.
    mainThread_.post([this, alive, error = std::move(error), finished = std::move(finished)] {
      if (!*alive) return;
      if (thread_.joinable()) thread_.join();
      busy_ = false;
      finished(error);
    });
  });
  return true;
}

}  // namespace sch
