#pragma once
// The compress dialog's "Do" command apart from its window: the checks and the question run on
// the main thread (Prepare), the work itself on a worker thread (Run), so the window stays
// responsive while a large dump is compressed or expanded.
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plat {
class MainThread;
}

namespace sch {

struct CompressJob {
  std::string source;
  std::string destination;
  bool compress = true;  // false: "UnCompress"

  // Raises olv::Exception "File <source>not exist!" when the source is missing; before
  // overwriting an existing destination asks `confirm` the question (the window shows it),
  // which answers true for yes. False: the answer was no.
  bool Prepare(const std::function<bool(const std::string& question)>& confirm) const;
  // Compresses or expands; errors of the stream raise. Expanding a file without the compression
  // header leaves the destination as it was (and is not an error).
  void Run() const;
};

// Runs one CompressJob at a time on a thread of its own and hands its outcome back to the main
// thread, so the window only draws and dispatches. Main thread only.
class CompressWorker {
 public:
  // Runs on the main thread: the job's error text, empty when it succeeded.
  using Finished = std::function<void(const std::string& error)>;

  explicit CompressWorker(plat::MainThread& mainThread);
  // Waits for a running job; an outcome not yet handed over is dropped, not delivered late.
  ~CompressWorker();
  CompressWorker(const CompressWorker&) = delete;
  CompressWorker& operator=(const CompressWorker&) = delete;

  // False (and nothing starts) while the previous job has not reported back. `finished` runs
  // once, on the main thread, unless the main thread has begun its shutdown by then.
  bool Start(CompressJob job, Finished finished);
  bool Busy() const { return busy_; }

 private:
  plat::MainThread& mainThread_;
  // Read and written on the main thread only; the handed-over outcome checks it before it
  // touches this object, which may have gone meanwhile.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool busy_ = false;  // main thread only
  std::thread thread_;
};

inline constexpr const char* kCompressCaption = "Compress / UnCompress dmp file";
inline constexpr const char* kCompressWorking = "working...";
inline constexpr const char* kCompressDone = "done";

}  // namespace sch
