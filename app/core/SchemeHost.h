#pragma once
// The owner of the schemes while the program runs, without a window: the main window binds to
// it, and tests drive it directly.
//
// - Load() reads a scheme file into one TSchemeWrapper (an empty one when the file does not
//   exist; a file that fails to load is moved aside to "<name>.bad" so that no save overwrites
//   it), binds the run notices to itself and starts the timer of every scheme with AutoExec.
// - Run notices (start and end of every run) arrive on the main thread through
//   plat::MainThread::send, the running thread waiting meanwhile. On the start the scheme joins
//   Running() and an Oracle scheme reads the database's character set (ReadTargetCharset); on the end it leaves it and the scheme file is saved (compressed) to FileName().
//   Then the RunNotice set with SetRunNotice is called with the scheme and plat::kSchemeRunStarted
//   or plat::kSchemeRunEnded: that is where a window refreshes its tree, page and tray icon.
// - Shutdown() (also run by the destructor): begins the main thread's shutdown (so no run can
//   block on a notice), ends every child with exit code 101, ends and joins every timer and
//   background thread, and saves the scheme file once more, with the 101 records.
//
// Threads: every member is for the main thread (the one of the plat::MainThread given, or
// plat::CurrentMainThread()). The host owns the container; scheme pointers stay valid until the
// next Load() or the host's end.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/SchemeWrapper.h"

namespace plat {
class MainThread;
class ProcessRegistry;
}  // namespace plat

namespace sch {

class SchemeHost {
 public:
  using RunNotice = std::function<void(TSchemeObject& scheme, int param)>;

  // mainThread: where notices are handled (null: plat::CurrentMainThread(), which must then be
  // installed before a run). processes: where children are listed (null: the program's).
  explicit SchemeHost(plat::MainThread* mainThread = nullptr, plat::ProcessRegistry* processes = nullptr);
  ~SchemeHost();
  SchemeHost(const SchemeHost&) = delete;
  SchemeHost& operator=(const SchemeHost&) = delete;

  // Ends the threads of the schemes loaded before, then loads fileName (see above). Raises only
  // when the file cannot be moved aside.
  void Load(const std::string& fileName);
  // Load() for a container the caller read itself (after checks of its own, such as asking the
  // file's password): takes schemes in place of the current ones, as loaded from fileName.
  void Adopt(std::unique_ptr<TSchemeWrapper> schemes, const std::string& fileName);
  // Saves the container, compressed, to FileName(); false (reason in LastSaveError()) when the
  // save failed, the previous file then being intact.
  bool Save();
  // Saves a copy under another name, which becomes the current file name.
  bool SaveAs(const std::string& fileName);

  TSchemeWrapper& Schemes() { return *schemes_; }
  const std::string& FileName() const { return fileName_; }
  const std::string& LastSaveError() const { return lastSaveError_; }
  // The schemes whose run has started and not yet ended, in order of start.
  const std::vector<TSchemeObject*>& Running() const { return running_; }

  void SetRunNotice(RunNotice notice) { notice_ = std::move(notice); }

  // Starts or stops the timers of every scheme ("Start all timer", "Stop all timer").
  void StartAllTimers();
  void StopAllTimers();
  // Ends the running child of one scheme, or of every Oracle scheme, with exit code 100.
  bool TerminateScheme(TSchemeObject& scheme);
  int TerminateAll();

  void Shutdown();

 private:
  void Bind();
  void StopAll();
  void OnRunMessage(int param, TSchemeObject& scheme);

  plat::MainThread* mainThread_;
  plat::ProcessRegistry* processes_;
  std::unique_ptr<TSchemeWrapper> schemes_;
  std::string fileName_;
  std::string lastSaveError_;
  std::vector<TSchemeObject*> running_;
  RunNotice notice_;
  bool down_ = false;
};

}  // namespace sch
