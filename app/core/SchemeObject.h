#pragma once
// A scheme: a named job with run times, parameters, run records and a few switches. The base of
// the three kinds (Oracle export, Oracle import, command file); each kind fills in the virtual
// operations. The persistent fields stream in the order of EnumProps, which is their order in
// the scheme file.
//
// Ownership: a scheme owns its run times, its parameters (each line of SchParams owns its
// TItemDescription) and its run records; its container (Owner) owns the scheme.
//
// Threads: the model is edited on the main thread. A run happens on a worker thread; State is
// atomic so that "not running? then running" is the one step TryBeginRun, and UpdateState never
// overwrites a running state. A run builds its record privately (CurLog) and touches the stored
// model only under the scheme's lock (DataLock()): it lists the record, updates it at the end,
// trims old records and sets LastRunTime there. What the lock guards (GUARDED_BY, checked by the
// compiler in the core): LogList and the listed records, LastRunTime, RemainCount, AutoClearLogs,
// DelDmpFile, TimerInterval and the run times; whoever reads them holds it (a save, a window
// drawing the records, the timer), and edits of them go through the setters below, which take
// it. A scheme that no other thread sees yet (being read, being built) is set up without it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/ItemDescription.h"
#include "app/core/RunContext.h"
#include "app/core/SchemeLog.h"
#include "app/core/SchemeTime.h"
#include "foundation/objects/ObjLists.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/objects/OlvStringList.h"
#include "platform/ThreadAnnotations.h"

namespace olv {
class TMacros;
}  // namespace olv

namespace plat {
class Process;
class ProcessRegistry;
struct SpawnOptions;
}  // namespace plat

namespace sch {

class TSchemeWrapper;
class SchemeEditor;
class TSchemeExecThread;
class TBackExecute;

// Kinds of scheme (SchType).
enum SchemeKind : uint8_t { skNone = 0, skOracleExport = 1, skOracleImport = 2, skDosCommand = 3 };
// Run states (State).
enum SchemeState : int { ssWaiting = 0, ssRunning = 1, ssInvalid = 2 };

class TSchemeObject : public olv::TBaseObject {
  OLV_CLASS(TSchemeObject, olv::TBaseObject)
 public:
  TSchemeObject();
  ~TSchemeObject() override;

 private:
  // The scheme's lock (see the header's comment). Not recursive: the members below that take it
  // themselves say so.
  mutable plat::Mutex dataMutex_;

 public:
  // Stored.
  std::unique_ptr<TSchemeTime> SchemeTime GUARDED_BY(dataMutex_);  // never null outside a read in progress
  int32_t TimerInterval GUARDED_BY(dataMutex_) = 1000;  // ms the timer waits to retry a run, or near summer time
  bool AutoExec = false;  // start the timer when the scheme file is loaded
  double LastRunTime GUARDED_BY(dataMutex_) = 0;  // end of the last run whose program could be started
  std::unique_ptr<olv::OlvStringList> SchParams;  // "name=value" lines owning their items
  std::unique_ptr<olv::TList> LogList GUARDED_BY(dataMutex_);  // TSchemeLog records, oldest first
  bool AutoClearLogs GUARDED_BY(dataMutex_) = true;  // drop old run records before a run
  bool DelDmpFile GUARDED_BY(dataMutex_) = true;     // with AutoClearLogs: delete the files of dropped records
  int32_t RemainCount GUARDED_BY(dataMutex_) = 3;    // old run records kept when clearing

  // Not stored.
  TSchemeWrapper* Owner = nullptr;
  std::atomic<int> State{ssInvalid};
  // The record of the run in progress, the run's own until it is copied into LogList at its
  // start and end; null outside a run. Only the running thread touches it.
  TSchemeLog* CurLog = nullptr;
  std::atomic<int64_t> ProcessHandle{0};  // the running child, 0 when none

  // The scheme's lock, to hold with plat::MutexLock around reads of what it guards.
  plat::Mutex& DataLock() const RETURN_CAPABILITY(dataMutex_) { return dataMutex_; }
  // LastRunTime, read under the lock.
  double LastRun() const EXCLUDES(dataMutex_);

  // Edits of what a run reads, each under the lock. Those of the run times and the time mode
  // then wake the timer (WakeTimer), so it looks again at once.
  void SetAutoClearLogs(bool on) EXCLUDES(dataMutex_);
  void SetDelDmpFile(bool on) EXCLUDES(dataMutex_);
  void SetRemainCount(int count) EXCLUDES(dataMutex_);
  void SetTimeMode(int mode) EXCLUDES(dataMutex_);
  void AddRunTime(std::unique_ptr<TSchemeTimeItem> item) EXCLUDES(dataMutex_);
  // False, nothing changed, when there is no run time at index.
  bool SetRunTime(int index, const TSchemeTimeItem& value) EXCLUDES(dataMutex_);
  bool DeleteRunTime(int index) EXCLUDES(dataMutex_);
  void ClearRunTimes() EXCLUDES(dataMutex_);
  // Reads of the run times under the lock. CopyRunTime: false, into untouched, when there is no
  // run time at index; RunTimeText: its text in the current time mode, none when there is none.
  int TimeMode() const EXCLUDES(dataMutex_);
  int RunTimeCount() const EXCLUDES(dataMutex_);
  bool CopyRunTime(int index, TSchemeTimeItem& into) const EXCLUDES(dataMutex_);
  std::optional<std::string> RunTimeText(int index) const EXCLUDES(dataMutex_);

  const std::string& SchName() const { return schName_; }
  uint8_t SchType() const { return schType_; }
  // A different name (exact comparison) replaces this scheme's line in the owner's list.
  void SetSchName(std::string_view name);
  // A different kind is stored and BuildParamList appends the kind's parameters.
  void SetSchType(uint8_t kind);

  // Parameters.
  TItemDescription* AddParam(std::string_view name, std::string_view value);
  TItemDescription* AddParamEx(std::string_view name, std::string_view value, uint8_t dlgType);
  // choices: separated by ";".
  TItemDescription* AddPickParam(std::string_view name, std::string_view value, std::string_view choices);
  int ParamCount() const { return SchParams->Count(); }
  TItemDescription* GetParam(int index) const;  // null out of range
  // The first parameter named name (any letter case), null when none.
  TItemDescription* FindParam(std::string_view name) const;
  // Its value; empty when there is none.
  std::string ParamValue(std::string_view name) const;

  // Run records, read under the lock.
  int LogCount() const REQUIRES(dataMutex_) { return LogList->Count(); }
  TSchemeLog* GetLog(int index) const REQUIRES(dataMutex_);  // null out of range
  // Both take the lock. DeleteLog frees the record (out of range: nothing); ClearLogs frees all,
  // last first.
  void DeleteLog(int index) EXCLUDES(dataMutex_);
  void ClearLogs() EXCLUDES(dataMutex_);
  // Records of runs that never ended (saved while running, then the program died) are closed:
  // failed, exit code 101 with its text, ended when they started. Takes the lock; returns how many.
  int CloseInterruptedRecords() EXCLUDES(dataMutex_);

  // Builds the command line and, unless the scheme is running, sets State to waiting when
  // IsValid, else invalid. Returns the command line for display.
  std::string UpdateState();
  // Claims the scheme for a run in one atomic step: false when it is already running, else
  // State becomes running and true is returned. The run frame calls this first and checks
  // IsValid afterwards (putting the state back with EndRun(ssInvalid) when it fails), so two
  // threads starting the same scheme at once cannot both run it. EndRun sets the state a run
  // leaves behind.
  bool TryBeginRun();
  // Also forgets a terminate request of the run that ends (CancelCode).
  void EndRun(int state = ssWaiting);

  // The kinds' operations. BeforeRun (base): trims the old records when AutoClearLogs, sends
  // the start notice and calls the context's beforeRun; AfterRun: the context's afterRun. The end
  // notice follows once the run has let go of its record and context and the state is waiting.
  // DoRun (base: false) returns whether the program could be started and sets
  // CurLog->IsSucceed when the run truly succeeded.
  virtual void BeforeRun();
  virtual void AfterRun();
  virtual bool DoRun() { return false; }
  virtual void BuildParamList() {}
  virtual std::string BuildCommandLine() { return {}; }
  virtual bool IsValid() { return false; }
  // The edit button of parameter index through editor: a file dialog for a file parameter
  // (EditStyle 1, DlgType 1), the script editor for DlgType 4 with the parameters registered as
  // macros meanwhile (in a list of the edit's own, current on the calling thread, so a run that
  // starts meanwhile neither sees nor drops it). True when the value was set.
  virtual bool EditParam(int index, SchemeEditor& editor);

  // Registers the parameters as macros for the length of an edit or run, in a list of the
  // run's own (olv::NewRunMacros, a child of the global list, so global macros expand too and
  // concurrent runs never see each other's values), and drops that list again. The run (or
  // edit) makes the list current on its thread with an olv::TMacroScope, so expressions
  // evaluated meanwhile read and define its macros.
  virtual void RegisterParamMacros();
  virtual void ClearParamMacros();
  // text with the macros expanded: through the registered list during a run, else through the
  // thread's current list (the global one outside any scope; an edit's own list while the
  // script editor is open). Expressions ("~?...~") are evaluated: for a run only.
  std::string ExpandMacros(std::string_view text) const;
  // text as shown to the user (the command line on the scheme's page): references to the
  // scheme's own parameters are replaced by their values; nothing is evaluated, so expressions
  // ("~?...~"), computed names ("~(...)~"), names of other lists and names that are no parameter
  // here stay as written. Loading or showing a scheme must never start a program, show a dialog
  // or write a value. Reads the parameters only.
  std::string DisplayText(std::string_view text) const;

  // One run, on the calling thread (a timer or background thread), started in the given mode,
  // in the given context (kept alive by the caller until Run returns). False, with nothing
  // done, when the scheme is already running or not valid. Otherwise: the parameter macros
  // registered and made current on the thread (before BeforeRun, so that the file names a kind
  // prepares there are expanded with them), old records trimmed to RemainCount (AutoClearLogs),
  // the start notice, a new record (exit code -1, ActiveMode from the mode) listed, DoRun, the
  // record updated, the end notice. Whatever is thrown on the way, the state is put back, the
  // record is marked failed and the end notice is sent. Returns what DoRun returned: the
  // program could be started (LastRunTime is then the record's end time). The record's
  // IsSucceed is true only when DoRun also marked the record succeeded.
  bool Run(RunMode mode, RunContext& context = RunContext::Detached());

  // The timer: StartTimer creates the scheme's TSchemeExecThread on first use, its runs in the
  // context given then, and resumes it; StopTimer pauses it (a run in progress finishes first).
  // TimerStarted: resumed. HasTimerThread: started at least once.
  void StartTimer(std::shared_ptr<RunContext> context = {});
  void StopTimer();
  bool TimerStarted() const;
  bool HasTimerThread() const;
  // Tells the timer that the run times, the time mode or LastRunTime changed, so that it looks
  // again at once instead of sleeping until the moment it worked out before. Any thread; call
  // after the change.
  void WakeTimer();
  // A run by hand on a short-lived thread. Finished threads are joined on the next call and by
  // StopThreads.
  void RunInBackground(std::shared_ptr<RunContext> context = {});
  // Asks the timer thread to end (a run in progress finishes first); returns at once.
  void RequestStop();
  // Ends the timer thread and joins it and every background run. The owner calls this before
  // the scheme is destroyed (a run must not outlive the scheme's kind); any thread but the
  // scheme's own. Joining waits for a run in progress, and so for its notices: on the main
  // thread, hand the scheme to a SchemeReaper instead.
  void StopThreads();

  // The template with its date macros expanded at now; when unique, "_1", "_2", ... before the
  // extension until no such file exists; when createFolder, the folder with its parents made.
  std::string ExpandFileName(std::string_view templ, bool unique, bool createFolder);

  // The running child, so that a terminate command on another thread can reach it. A child
  // handed over after the run was asked to end is ended at once.
  void SetProcess(std::shared_ptr<plat::Process> process);
  // A step that waits on something other than a child (a script in the database) hands over how
  // to interrupt that wait while it can be interrupted, and null before it no longer can; a run
  // already asked to end has the breaker called at once. The breaker is called under the lock
  // that guards it (so it never runs after the null hand-over returned) and must not block for
  // long nor call back into the scheme.
  void SetBreaker(std::function<void()> breaker);
  // Ends the run in progress with code (100 by the terminate commands, 101 when the program
  // closes), whatever step it is in: the running child is ended, a step waiting in the database
  // is broken off (SetBreaker), and a run whose child does not exist yet (its prefix script, the
  // expansion of a dump) stops at the next step and starts no child (CancelCode). The first
  // request's code stands. False when the scheme does not run or its child had already ended on
  // its own.
  bool TerminateProcess(int code);
  // The code of the terminate request of the run in progress; 0 when none came.
  int CancelCode() const { return cancelCode_.load(); }
  // The context of the run in progress (the detached one outside a run); the running thread's.
  RunContext& Context() const { return run_ ? *run_ : RunContext::Detached(); }
  // Run() sets the context for its length; a step driven on its own (a test calling DoRun) sets
  // it here. Null: the detached context.
  void UseContext(RunContext* context) { run_ = context; }
  // Where this run's children are listed: the context's registry, else the program's.
  plat::ProcessRegistry& Processes() const;
  // The one way a run starts its child: listed in Processes(), the scheme's process while it
  // runs (so terminate reaches it), its output shown as the context says; waits for it without
  // polling and returns its exit code. A program that could not start gives -1 and notes why in
  // CurLog. A run asked to end before its child exists starts none and gives the request's code.
  int RunChild(plat::SpawnOptions options);

  // A copy of the scheme as it is (Clone): what the lock guards is copied too, so the caller
  // holds it.
  std::unique_ptr<olv::TBaseObject> Copy() const REQUIRES(dataMutex_) { return Clone(); }

  // Streaming and copying: on a scheme no other thread sees yet (being read, a copy being made)
  // or, for the one copied from, with its lock held by the caller (TSchemeWrapper::Snapshot).
  // The streaming frame cannot say so to the compiler, so these are not checked.
  void EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) NO_THREAD_SAFETY_ANALYSIS override;
  void AfterRead(olv::TObjReader& reader) override;
  void CopyPropsTo(olv::TBaseObject& dest, std::string_view filter) const override;

 private:
  // Lists that reading or copying left unassigned are created; parameters learn their list.
  // Only on a scheme no other thread sees yet.
  void AdoptFields() NO_THREAD_SAFETY_ANALYSIS;
  // The run's record joins LogList (under the lock), or is copied over its listed copy.
  void PublishRecord() EXCLUDES(dataMutex_);
  // The end of a run, whatever happened in it.
  void FinishRun(bool ok);
  void SendRunNotice(int param);
  void SendRunNotice(int param, RunContext& context);

  RunContext* run_ = nullptr;          // the context of the run in progress
  std::unique_ptr<TSchemeLog> record_;  // the run's own record (CurLog)
  TSchemeLog* listed_ GUARDED_BY(dataMutex_) = nullptr;  // its copy in LogList
  bool recordDropped_ GUARDED_BY(dataMutex_) = false;    // that copy was deleted during the run
  void DropListed() REQUIRES(dataMutex_) {
    listed_ = nullptr;
    recordDropped_ = true;
  }

  mutable plat::Mutex threadsMutex_;
  std::unique_ptr<TSchemeExecThread> execThread_ GUARDED_BY(threadsMutex_);
  std::vector<std::unique_ptr<TBackExecute>> backRuns_ GUARDED_BY(threadsMutex_);

  // The parameters as a macro list of its own (a child of the global list).
  std::unique_ptr<olv::TMacros> NewParamMacros() const;
  std::string DisplayText(std::string_view text, int depth, size_t& budget) const;

  mutable plat::Mutex macrosMutex_;
  std::unique_ptr<olv::TMacros> macros_ GUARDED_BY(macrosMutex_);

  // Guards process_, breaker_ and, with the end of a run, cancelCode_: a request cannot reach
  // the next run.
  mutable plat::Mutex processMutex_;
  std::shared_ptr<plat::Process> process_ GUARDED_BY(processMutex_);
  std::function<void()> breaker_ GUARDED_BY(processMutex_);
  std::atomic<int> cancelCode_{0};

  std::string schName_;
  uint8_t schType_ = skNone;
};

}  // namespace sch
