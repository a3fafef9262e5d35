#pragma once
// The owner of the schemes while the program runs, without a window: every command of the main
// window is one call here, with the rules of the window's command table; the window draws and
// dispatches, and the tests drive this directly.
//
// File
// - One program per scheme file: Start and Load take the file's lock (plat::FileLock, dropped by
//   the system when the program ends, however it ends). Start on a file another program holds
//   takes no file at all (FileName() stays empty, nothing is ever saved) and returns
//   FileInUseText; FileInUseBy() then names the holder, and the caller ends. Load refuses it.
// - Start(name): the start-up load, without a password. A file that cannot be read is moved
//   aside ("<name>.unreadable", MoveAsideUnreadable) before anything can be saved over it, and an
//   empty list is taken; the error is returned for the user. The one rule for damaged files.
//   First the work files a program that died left behind go: stale temporary files of saves in
//   the scheme file's folder and of runs in the private work folder (WorkFiles.h). Records of
//   runs that the program did not live to finish are closed (CloseInterruptedRecords).
// - Load(name, check) ("Load..."): refused while any scheme runs; a file that cannot be read
//   leaves everything as it was (it is not the current file, so nothing will overwrite it); a
//   file with a password is taken only when check() says the user typed it. Taking a file ends
//   the old schemes' threads off the main thread (SchemeReaper) and starts the timers of the new
//   schemes with AutoExec. FileName() becomes the loaded file's name.
// - Save() ("Save"): the container, compressed, to FileName(), written from a snapshot taken under
//   the schemes' locks, so runs go on meanwhile; a failed save leaves the old file. SaveAs(name)
//   ("Save as") writes a copy; FileName() stays. SetPassword ("Set password").
// - Close(): saves, then Shutdown(): the main thread stops blocking senders (so no run can hang
//   on a notice), every run ends with exit code 101 (its child, or the step it is in when it has
//   none yet: a script waiting in the database is broken off), every thread is joined and the
//   file is saved once more with the 101 records. The
//   destructor shuts down too. A close signal (SIGTERM, SIGINT, SIGHUP) is meant to end up here.
// Scheme
// - AddScheme(category) ("Add new Scheme"): "new scheme" of the category's kind (Export 1,
//   Import 2, Other 3). DeleteScheme ("Delete"): not while it runs; asks "Are you sure to
//   delete"; then saves.
// - Run ("Run Scheme"): a waiting scheme runs by hand on a thread of its own.
// - StartTimer/StopTimer ("Start timer", "Stop timer"): only with AutoExec, only when not yet
//   started / only when started. StartAllTimers: every scheme with AutoExec. StopAllTimers:
//   every scheme with AutoExec that has a timer thread.
// - TerminateScheme ("Terminate Runing"): the scheme's run ends with exit code 100, whatever its
//   kind: the child's whole process family (exp, imp or the command file and what it started),
//   or the step it is in when it has no child (a script waiting in the database is broken off).
//   TerminateAll ("Terminate all be runing schemes"): every running scheme; returns how many.
// - SetShowDos ("Show DOS window"): children started from now on show their output.
// Run times, parameters, records (the scheme pages): AddRunTime, EditRunTime, DeleteRunTime,
// ClearRunTimes, SetTimeMode, SetSchemeName, SetAutoExec, SetParamValue, EditParam,
// SetAutoClearLogs, SetDelDmpFile, SetRemainCount, DeleteLogs, ClearLogs. Questions go to the
// services' confirm and editors are handed in by the caller: the host shows nothing itself.
// Edits of what a run reads go through the scheme's setters, which take its lock; parameters of
// a running scheme are not changed (the run reads them throughout).
//
// Run notices (start and end of every run) arrive on the main thread through the services' main
// thread, the running thread waiting meanwhile. On the start the scheme joins Running() and an
// Oracle scheme reads the database's character set; on the end it leaves it and its file is
// saved. Then the RunNotice set with SetRunNotice is called: where a window refreshes.
//
// Threads: every member is for the main thread. The host owns the container; scheme pointers
// stay valid until the next Load(), DeleteScheme() of that scheme, or the host's end.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/RunContext.h"
#include "app/core/SchemeReaper.h"
#include "app/core/SchemeWrapper.h"

namespace plat {
class FileLock;
class MainThread;
class ProcessRegistry;
}  // namespace plat

namespace sch {

class SchemeEditor;
class TOracleSession;

// The services the host and its runs use, handed in once instead of set process-wide.
struct SchemeServices {
  // Where run notices are handled. Null: on the running thread (tests without a loop).
  plat::MainThread* mainThread = nullptr;
  // Where children are listed. Null: plat::ProcessRegistry::global().
  plat::ProcessRegistry* processes = nullptr;
  // What a parameter's edit button opens. Null: every dialog cancelled.
  SchemeEditor* editor = nullptr;
  // Asks the user a yes-or-no question before a delete or clear (the question without its
  // question mark, e.g. "Are you sure to delete"); true: go ahead. Null: every question declined.
  std::function<bool(const std::string& question)> confirm;
  // The database session for the scripts around a run and the character set. Null: none.
  std::shared_ptr<TOracleSession> oracleSession;
  // How the timers sleep.
  TimerSettings timers;
};

// Texts of our own.
// "The scheme file "<name>" is in use by the program with process id <pid>."
std::string FileInUseText(const std::string& fileName, pid_t holder);
inline constexpr const char* kLoadWhileRunning =
    "Schemes are running. Wait for them to end or terminate them before loading another scheme file.";

class SchemeHost {
 public:
  using RunNotice = std::function<void(TSchemeObject& scheme, int phase)>;
  // Asks the user for the file's password (the deciphered one is given); true when it matched.
  using PasswordCheck = std::function<bool(const std::string& password, bool checkPwdForRestore)>;
  // Edits a run time under a time mode; true when left with OK.
  using TimeEditor = std::function<bool(TSchemeTimeItem& item, int mode)>;

  explicit SchemeHost(SchemeServices services = {});
  ~SchemeHost();
  SchemeHost(const SchemeHost&) = delete;
  SchemeHost& operator=(const SchemeHost&) = delete;

  // ---- File
  std::string Start(const std::string& fileName);
  enum class LoadOutcome { Loaded, Running, Cancelled, Failed };
  struct LoadResult {
    LoadOutcome outcome;
    std::string error;  // Failed: the reason; Running: kLoadWhileRunning
  };
  LoadResult Load(const std::string& fileName, const PasswordCheck& check);
  // Whether Load would take a file now: no scheme runs.
  bool LoadAllowed() const { return running_.empty(); }
  // Takes a container the caller made (a test), as loaded from fileName.
  void Adopt(std::unique_ptr<TSchemeWrapper> schemes, const std::string& fileName);
  // False (reason in LastSaveError()) when the save failed, the previous file then being intact.
  // Save() with no file name saves nothing and returns false.
  bool Save();
  bool SaveAs(const std::string& fileName);
  // "Save": Save(), or with no file name "Save as" under the name pickName gives (none: nothing
  // is saved, and that is no failure).
  bool Save(const std::function<std::string()>& pickName);
  void SetPassword(const std::string& password, bool checkPwdForRestore);
  // Whether the window may come back from the tray: no password asked, or check() matched.
  bool MayRestore(const PasswordCheck& check) const;
  void Close();
  void Shutdown();

  // ---- Schemes
  TSchemeObject* AddScheme(int category);
  bool DeleteScheme(TSchemeObject& scheme);
  bool Run(TSchemeObject& scheme);
  bool StartTimer(TSchemeObject& scheme);
  bool StopTimer(TSchemeObject& scheme);
  int StartAllTimers();
  int StopAllTimers();
  bool TerminateScheme(TSchemeObject& scheme);
  int TerminateAll();
  void SetShowDos(bool on) { context_->showDos = on; }
  bool ShowDos() const { return context_->showDos.load(); }

  // ---- The scheme's pages
  bool AddRunTime(TSchemeObject& scheme, const TimeEditor& edit);
  bool EditRunTime(TSchemeObject& scheme, int index, const TimeEditor& edit);
  bool DeleteRunTime(TSchemeObject& scheme, int index);
  bool ClearRunTimes(TSchemeObject& scheme);
  void SetTimeMode(TSchemeObject& scheme, int mode);
  // Not while it runs.
  bool SetSchemeName(TSchemeObject& scheme, const std::string& name);
  void SetAutoExec(TSchemeObject& scheme, bool on);
  // A value typed or picked in the parameter grid (ParamGrid.h says which cells take one):
  // stores it and returns the rebuilt command line; none when refused (running, no such
  // parameter, a read-only one, a text parameter, which has its editor).
  std::optional<std::string> SetParamValue(TSchemeObject& scheme, int index, const std::string& value);
  // The parameter's edit button (TSchemeObject::EditParam with the services' editor: a file
  // dialog, the Oracle object picker, the script editor with the parameters as macros). Not for
  // a read-only parameter nor while the scheme runs. True when the value changed.
  bool EditParam(TSchemeObject& scheme, int index);
  void SetAutoClearLogs(TSchemeObject& scheme, bool on);
  void SetDelDmpFile(TSchemeObject& scheme, bool on);
  void SetRemainCount(TSchemeObject& scheme, int count);
  // Asks "Are you sure to delete"; deletes the records at rows, last first.
  bool DeleteLogs(TSchemeObject& scheme, std::vector<int> rows);
  // Asks "Are you sure to clear"; clears every record and saves.
  bool ClearLogs(TSchemeObject& scheme);

  // ---- State
  TSchemeWrapper& Schemes() { return *schemes_; }
  const std::string& FileName() const { return fileName_; }
  const std::string& LastSaveError() const { return lastSaveError_; }
  // The process id of the program that held the file Start asked for; 0: none did.
  pid_t FileInUseBy() const { return inUseBy_; }
  // The schemes whose run has started and not yet ended, in order of start.
  const std::vector<TSchemeObject*>& Running() const { return running_; }
  const SchemeServices& Services() const { return services_; }
  void SetRunNotice(RunNotice notice) { notice_ = std::move(notice); }

 private:
  // Takes fileName's lock (kept aside until Adopt); the in-use text when another program has it.
  std::optional<std::string> LockFile(const std::string& fileName);
  void RemoveStaleFiles(const std::string& fileName);
  void Retire(std::unique_ptr<olv::TBaseObject> owner, std::vector<TSchemeObject*> schemes);
  void OnRunNotice(TSchemeObject& scheme, int phase);
  bool Owned(const TSchemeObject& scheme) const;
  bool Confirm(const std::string& question) const;

  SchemeServices services_;
  std::shared_ptr<RunContext> context_;
  std::unique_ptr<TSchemeWrapper> schemes_;
  std::string fileName_;
  std::string lastSaveError_;
  std::vector<TSchemeObject*> running_;
  RunNotice notice_;
  SchemeReaper reaper_;
  bool down_ = false;
  std::unique_ptr<plat::FileLock> lock_;         // the current file's
  std::unique_ptr<plat::FileLock> pendingLock_;  // the file being loaded's, until it is taken
  pid_t inUseBy_ = 0;
  pid_t lastHolder_ = 0;
};

}  // namespace sch
