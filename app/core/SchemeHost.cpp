#include "app/core/SchemeHost.h"

#include <algorithm>
#include <exception>

#include "app/core/MainFormModel.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchemeEditor.h"
#include "app/core/SchemeFile.h"
#include "app/core/UnreadableFile.h"
#include "app/core/WorkFiles.h"
#include "foundation/files/FileStream.h"
#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/MainThread.h"
#include "platform/Process.h"
#include "platform/ProcessRegistry.h"
#include "platform/TempFile.h"

namespace sch {

namespace {

std::vector<TSchemeObject*> SchemesOf(TSchemeWrapper& w) {
  std::vector<TSchemeObject*> out;
  for (int i = 0; i < w.Count(); ++i)
    if (TSchemeObject* s = w.GetScheme(i)) out.push_back(s);
  return out;
}

}  // namespace

SchemeHost::SchemeHost(SchemeServices services)
    : services_(std::move(services)), context_(std::make_shared<RunContext>()), schemes_(std::make_unique<TSchemeWrapper>()) {
  context_->mainThread = services_.mainThread;
  context_->processes = services_.processes;
  context_->oracleSession = services_.oracleSession;
  context_->timers = services_.timers;
  context_->notice = [this](TSchemeObject& scheme, int phase) { OnRunNotice(scheme, phase); };
}

SchemeHost::~SchemeHost() { Shutdown(); }

// ---- File -------------------------------------------------------------------------------------

std::string FileInUseText(const std::string& fileName, pid_t holder) {
  return "The scheme file \"" + fileName + "\" is in use by the program with process id " + std::to_string(holder) +
         ".";
}

std::optional<std::string> SchemeHost::LockFile(const std::string& fileName) {
  const std::string file = olv::ExpandStreamFileName(fileName);
  if (lock_ && lock_->Guarded() == file) return std::nullopt;
  plat::FileLock::Outcome taken = plat::FileLock::Take(file);
  if (taken.holder > 0) {
    lastHolder_ = taken.holder;
    return FileInUseText(fileName, taken.holder);
  }
  // A lock file that cannot be made (a folder we may not write) does not keep the user out.
  pendingLock_ = std::move(taken.lock);
  return std::nullopt;
}

std::string SchemeHost::Start(const std::string& fileName) {
  // Another program has the file: it is left alone, not even tidied, and no file is taken.
  if (std::optional<std::string> inUse = LockFile(fileName)) {
    inUseBy_ = lastHolder_;
    return *inUse;
  }
  RemoveStaleFiles(fileName);
  std::unique_ptr<TSchemeWrapper> loaded;
  std::string error;
  try {
    loaded = LoadObjectFromFile(fileName);
  } catch (const std::exception& e) {
    // The file becomes the current one: keep it for the user before a save replaces it.
    const std::string kept = MoveAsideUnreadable(fileName);
    error = std::string(e.what()) + (kept.empty() ? "" : "\nThe file was kept as " + kept + ".");
  }
  Adopt(std::move(loaded), fileName);
  return error;
}

SchemeHost::LoadResult SchemeHost::Load(const std::string& fileName, const PasswordCheck& check) {
  if (!LoadAllowed()) return {LoadOutcome::Running, kLoadWhileRunning};
  std::unique_ptr<TSchemeWrapper> loaded;
  try {
    loaded = LoadObjectFromFile(fileName);
    if (loaded) {
      const std::string password = loaded->GetPassword();
      if (!password.empty() && !(check && check(password, loaded->CheckPwdForRestore)))
        return {LoadOutcome::Cancelled, {}};
    }
  } catch (const std::exception& e) {
    return {LoadOutcome::Failed, e.what()};
  }
  // The password dialog ran an event loop: a timer may have started a run meanwhile.
  if (!LoadAllowed()) return {LoadOutcome::Running, kLoadWhileRunning};
  if (std::optional<std::string> inUse = LockFile(fileName)) return {LoadOutcome::Failed, *inUse};
  Adopt(std::move(loaded), fileName);
  return {LoadOutcome::Loaded, {}};
}

void SchemeHost::Adopt(std::unique_ptr<TSchemeWrapper> loaded, const std::string& fileName) {
  if (!loaded) loaded = std::make_unique<TSchemeWrapper>();
  std::unique_ptr<TSchemeWrapper> old = std::move(schemes_);
  schemes_ = std::move(loaded);
  fileName_ = fileName;
  if (pendingLock_) lock_ = std::move(pendingLock_);
  running_.clear();
  std::vector<TSchemeObject*> oldSchemes = SchemesOf(*old);
  Retire(std::move(old), std::move(oldSchemes));
  if (down_) return;
  for (TSchemeObject* scheme : SchemesOf(*schemes_)) {
    // Nothing runs yet: a record without an end is a run the program did not live to finish.
    scheme->CloseInterruptedRecords();
    scheme->UpdateState();
    if (scheme->AutoExec) scheme->StartTimer(context_);
  }
}

void SchemeHost::RemoveStaleFiles(const std::string& fileName) {
  try {
    RemoveStaleWorkFiles();
  } catch (const std::exception&) {
    // No private folder yet (or none to be had): nothing of ours can be stale there.
  }
  const std::string file = olv::ExpandStreamFileName(fileName);
  const size_t slash = file.rfind('/');
  plat::RemoveStaleTempFiles(slash == std::string::npos ? "." : file.substr(0, slash == 0 ? 1 : slash),
                             plat::kSaveTempPrefix);
}

void SchemeHost::Retire(std::unique_ptr<olv::TBaseObject> owner, std::vector<TSchemeObject*> schemes) {
  for (TSchemeObject* s : schemes) std::erase(running_, s);
  if (down_) {
    // Nothing blocks on the main thread any more: join here.
    for (TSchemeObject* s : schemes) s->StopThreads();
    return;
  }
  reaper_.Retire(std::move(owner), std::move(schemes));
}

bool SchemeHost::Save() {
  if (fileName_.empty()) {
    lastSaveError_ = "No scheme file name";
    return false;
  }
  return SaveAs(fileName_);
}

bool SchemeHost::Save(const std::function<std::string()>& pickName) {
  if (!fileName_.empty()) return Save();
  const std::string name = pickName ? pickName() : std::string();
  return name.empty() || SaveAs(name);
}

bool SchemeHost::SaveAs(const std::string& fileName) {
  try {
    SaveObjectToFile(fileName, schemes_->Snapshot().get(), true);
    lastSaveError_.clear();
    return true;
  } catch (const std::exception& e) {
    // The reason alone: the hidden temporary file it may name is gone and means nothing to the user.
    std::string reason = e.what();
    if (const size_t code = reason.rfind("\n["); code != std::string::npos) {
      const size_t end = reason.find(']', code);
      reason = end == std::string::npos ? reason.substr(code + 1) : reason.substr(end + 1);
    }
    lastSaveError_ = "The scheme file \"" + fileName + "\" could not be saved (" + reason +
                     "); its previous version is kept.";
    return false;
  }
}

void SchemeHost::SetPassword(const std::string& password, bool checkPwdForRestore) {
  schemes_->SetPassword(password);
  schemes_->CheckPwdForRestore = checkPwdForRestore;
}

bool SchemeHost::MayRestore(const PasswordCheck& check) const {
  const std::string password = schemes_->GetPassword();
  if (password.empty() || !schemes_->CheckPwdForRestore) return true;
  return check && check(password, true);
}

void SchemeHost::Close() {
  if (!down_) Save();
  Shutdown();
}

void SchemeHost::Shutdown() {
  if (down_) return;
  down_ = true;
  // Runs must not wait for notices that nobody will handle any more.
  if (services_.mainThread) services_.mainThread->beginShutdown();
  // Runs whose child does not exist yet (a script, a dump's expansion) stop at their next step.
  for (TSchemeObject* scheme : SchemesOf(*schemes_)) scheme->TerminateProcess(plat::kExitTerminatedOnClose);
  (services_.processes ? *services_.processes : plat::ProcessRegistry::global()).shutdown();
  reaper_.Join();
  for (TSchemeObject* scheme : SchemesOf(*schemes_)) scheme->StopThreads();
  running_.clear();
  Save();
}

// ---- Run notices ------------------------------------------------------------------------------

bool SchemeHost::Confirm(const std::string& question) const {
  return services_.confirm && services_.confirm(question);
}

bool SchemeHost::Owned(const TSchemeObject& scheme) const { return schemes_->IndexOf(&scheme) >= 0; }

void SchemeHost::OnRunNotice(TSchemeObject& scheme, int phase) {
  // A scheme already taken out of use (another file loaded) runs to its end unseen.
  if (!Owned(scheme)) return;
  if (phase == kSchemeRunStarted) {
    // The database's character set, for a run that switches the client's to it.
    if (auto* oracle = dynamic_cast<TOracleScheme*>(&scheme)) oracle->ReadTargetCharset(services_.oracleSession);
    running_.push_back(&scheme);
  } else if (phase == kSchemeRunRecorded) {
    // The open record reaches the file before the run's work begins: should the program die
    // during the run, the next start finds it and closes it as interrupted.
    Save();
  } else {
    // Two runs of schemes of one name: the end removes this scheme's entry.
    auto it = std::find(running_.begin(), running_.end(), &scheme);
    if (it != running_.end()) running_.erase(it);
    Save();
  }
  if (notice_) notice_(scheme, phase);
}

// ---- Schemes ----------------------------------------------------------------------------------

TSchemeObject* SchemeHost::AddScheme(int category) {
  if (category < 0 || category >= static_cast<int>(kCategoryNames.size())) return nullptr;
  TSchemeObject* scheme = schemes_->AddScheme(kNewSchemeName, KindOfCategory(category));
  if (scheme) scheme->UpdateState();
  return scheme;
}

bool SchemeHost::DeleteScheme(TSchemeObject& scheme) {
  const int index = schemes_->IndexOf(&scheme);
  if (index < 0 || scheme.State == ssRunning) return false;
  if (!Confirm("Are you sure to delete")) return false;
  std::unique_ptr<TSchemeObject> taken = schemes_->TakeScheme(index);
  TSchemeObject* raw = taken.get();
  Retire(std::move(taken), {raw});
  Save();
  return true;
}

bool SchemeHost::Run(TSchemeObject& scheme) {
  if (down_ || !Owned(scheme) || scheme.State != ssWaiting) return false;
  scheme.RunInBackground(context_);
  return true;
}

bool SchemeHost::StartTimer(TSchemeObject& scheme) {
  if (down_ || !scheme.AutoExec || scheme.TimerStarted()) return false;
  scheme.StartTimer(context_);
  return true;
}

bool SchemeHost::StopTimer(TSchemeObject& scheme) {
  if (!scheme.TimerStarted()) return false;
  scheme.StopTimer();
  return true;
}

int SchemeHost::StartAllTimers() {
  int started = 0;
  for (TSchemeObject* scheme : SchemesOf(*schemes_))
    if (scheme->AutoExec && !down_) {
      scheme->StartTimer(context_);
      ++started;
    }
  return started;
}

int SchemeHost::StopAllTimers() {
  int stopped = 0;
  for (TSchemeObject* scheme : SchemesOf(*schemes_))
    if (scheme->AutoExec && scheme->HasTimerThread()) {
      scheme->StopTimer();
      ++stopped;
    }
  return stopped;
}

bool SchemeHost::TerminateScheme(TSchemeObject& scheme) { return Owned(scheme) && schemes_->TerminateScheme(scheme); }

int SchemeHost::TerminateAll() { return schemes_->TerminateAll(); }

// ---- The scheme's pages -----------------------------------------------------------------------

bool SchemeHost::AddRunTime(TSchemeObject& scheme, const TimeEditor& edit) {
  auto item = std::make_unique<TSchemeTimeItem>();
  if (!edit || !edit(*item, scheme.TimeMode())) return false;
  scheme.AddRunTime(std::move(item));
  return true;
}

bool SchemeHost::EditRunTime(TSchemeObject& scheme, int index, const TimeEditor& edit) {
  // Edited on a copy: the timer reads the run times meanwhile.
  TSchemeTimeItem copy;
  if (!edit || !scheme.CopyRunTime(index, copy)) return false;
  if (!edit(copy, scheme.TimeMode())) return false;
  return scheme.SetRunTime(index, copy);
}

bool SchemeHost::DeleteRunTime(TSchemeObject& scheme, int index) {
  const std::optional<std::string> text = scheme.RunTimeText(index);
  if (!text) return false;
  if (!Confirm("Are you sure to delete <" + *text + ">")) return false;
  return scheme.DeleteRunTime(index);
}

bool SchemeHost::ClearRunTimes(TSchemeObject& scheme) {
  if (scheme.RunTimeCount() == 0 || !Confirm("Are you sure to clear")) return false;
  scheme.ClearRunTimes();
  return true;
}

void SchemeHost::SetTimeMode(TSchemeObject& scheme, int mode) { scheme.SetTimeMode(mode); }

bool SchemeHost::SetSchemeName(TSchemeObject& scheme, const std::string& name) {
  if (scheme.State == ssRunning) return false;
  scheme.SetSchName(name);
  return true;
}

void SchemeHost::SetAutoExec(TSchemeObject& scheme, bool on) { scheme.AutoExec = on; }

std::optional<std::string> SchemeHost::SetParamValue(TSchemeObject& scheme, int index, const std::string& value) {
  TItemDescription* param = scheme.GetParam(index);
  if (!param || param->ReadOnly || param->DlgType == dtTextEditor || scheme.State == ssRunning) return std::nullopt;
  param->SetKeyValue(value);
  return scheme.UpdateState();
}

bool SchemeHost::EditParam(TSchemeObject& scheme, int index) {
  const TItemDescription* param = scheme.GetParam(index);
  if (!param || param->ReadOnly || scheme.State == ssRunning) return false;
  HeadlessSchemeEditor none;
  return scheme.EditParam(index, services_.editor ? *services_.editor : none);
}

void SchemeHost::SetAutoClearLogs(TSchemeObject& scheme, bool on) { scheme.SetAutoClearLogs(on); }

void SchemeHost::SetDelDmpFile(TSchemeObject& scheme, bool on) { scheme.SetDelDmpFile(on); }

void SchemeHost::SetRemainCount(TSchemeObject& scheme, int count) { scheme.SetRemainCount(count); }

bool SchemeHost::DeleteLogs(TSchemeObject& scheme, std::vector<int> rows) {
  if (rows.empty() || !Confirm("Are you sure to delete")) return false;
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) scheme.DeleteLog(row);
  return true;
}

bool SchemeHost::ClearLogs(TSchemeObject& scheme) {
  if (!Confirm("Are you sure to clear")) return false;
  scheme.ClearLogs();
  Save();
  return true;
}

}  // namespace sch
