#include "app/core/SchemeObject.h"

#include <filesystem>
#include <optional>

#include "app/core/DateMacros.h"
#include "app/core/DosCommandScheme.h"
#include "app/core/ListSlots.h"
#include "app/core/SchemeEditor.h"
#include "app/core/SchemeExecThread.h"
#include "app/core/SchemeWrapper.h"
#include "foundation/text/DateTime.h"
#include "foundation/text/Format.h"
#include "foundation/expr/OlvMacro.h"
#include "platform/MainThread.h"
#include "platform/Process.h"
#include "platform/ProcessRegistry.h"

namespace sch {

TSchemeObject::TSchemeObject()
    : SchemeTime(std::make_unique<TSchemeTime>()),
      SchParams(std::make_unique<olv::OlvStringList>()),
      LogList(std::make_unique<olv::TList>()) {}

TSchemeObject::~TSchemeObject() { StopThreads(); }

void TSchemeObject::SetSchName(std::string_view name) {
  if (name == schName_) return;
  // The line is found by object: names need not be unique, and another scheme of the same
  // name must keep its line.
  if (Owner && Owner->List) {
    const int index = Owner->List->IndexOfObject(this);
    if (index >= 0) Owner->List->Put(index, std::string(name));
  }
  schName_ = name;
}

void TSchemeObject::SetSchType(uint8_t kind) {
  if (kind == schType_) return;
  schType_ = kind;
  BuildParamList();
}

TItemDescription* TSchemeObject::AddParam(std::string_view name, std::string_view value) {
  auto item = std::make_unique<TItemDescription>();
  item->SetKeyName(name);
  item->SetKeyValue(value);
  item->Owner = SchParams.get();
  TItemDescription* raw = item.get();
  SchParams->AddObject(std::string(name) + "=" + std::string(value), item.release());
  return raw;
}

TItemDescription* TSchemeObject::AddParamEx(std::string_view name, std::string_view value, uint8_t dlgType) {
  TItemDescription* item = AddParam(name, value);
  item->EditStyle = esEllipsis;
  item->DlgType = dlgType;
  return item;
}

TItemDescription* TSchemeObject::AddPickParam(std::string_view name, std::string_view value,
                                              std::string_view choices) {
  TItemDescription* item = AddParam(name, value);
  item->EditStyle = esPickList;
  if (!choices.empty()) {
    size_t start = 0;
    for (;;) {
      const size_t semi = choices.find(';', start);
      item->PickList->Add(std::string(choices.substr(start, semi == std::string_view::npos ? semi : semi - start)));
      if (semi == std::string_view::npos) break;
      start = semi + 1;
    }
  }
  return item;
}

TItemDescription* TSchemeObject::GetParam(int index) const {
  return dynamic_cast<TItemDescription*>(SchParams->Objects(index));
}

TItemDescription* TSchemeObject::FindParam(std::string_view name) const {
  for (int i = 0; i < SchParams->Count(); ++i) {
    TItemDescription* item = GetParam(i);
    if (item && olv::SameName(item->KeyName(), name)) return item;
  }
  return nullptr;
}

std::string TSchemeObject::ParamValue(std::string_view name) const {
  const TItemDescription* item = FindParam(name);
  return item ? item->KeyValue() : std::string();
}

TSchemeLog* TSchemeObject::GetLog(int index) const { return dynamic_cast<TSchemeLog*>(LogList->Items(index)); }

double TSchemeObject::LastRun() const {
  plat::MutexLock lock(dataMutex_);
  return LastRunTime;
}

void TSchemeObject::SetAutoClearLogs(bool on) {
  plat::MutexLock lock(dataMutex_);
  AutoClearLogs = on;
}

void TSchemeObject::SetDelDmpFile(bool on) {
  plat::MutexLock lock(dataMutex_);
  DelDmpFile = on;
}

void TSchemeObject::SetRemainCount(int count) {
  plat::MutexLock lock(dataMutex_);
  RemainCount = count;
}

void TSchemeObject::SetTimeMode(int mode) {
  {
    plat::MutexLock lock(dataMutex_);
    SchemeTime->FMode = static_cast<uint8_t>(mode);
  }
  WakeTimer();
}

void TSchemeObject::AddRunTime(std::unique_ptr<TSchemeTimeItem> item) {
  {
    plat::MutexLock lock(dataMutex_);
    SchemeTime->Add(std::move(item));
  }
  WakeTimer();
}

bool TSchemeObject::SetRunTime(int index, const TSchemeTimeItem& value) {
  {
    plat::MutexLock lock(dataMutex_);
    TSchemeTimeItem* item = SchemeTime->GetItem(index);
    if (!item) return false;
    item->Assign(value);
  }
  WakeTimer();
  return true;
}

bool TSchemeObject::DeleteRunTime(int index) {
  {
    plat::MutexLock lock(dataMutex_);
    if (!SchemeTime->GetItem(index)) return false;
    SchemeTime->Delete(index);
  }
  WakeTimer();
  return true;
}

void TSchemeObject::ClearRunTimes() {
  {
    plat::MutexLock lock(dataMutex_);
    for (int i = SchemeTime->Count() - 1; i >= 0; --i) SchemeTime->Delete(i);
  }
  WakeTimer();
}

int TSchemeObject::TimeMode() const {
  plat::MutexLock lock(dataMutex_);
  return SchemeTime->FMode;
}

int TSchemeObject::RunTimeCount() const {
  plat::MutexLock lock(dataMutex_);
  return SchemeTime->Count();
}

bool TSchemeObject::CopyRunTime(int index, TSchemeTimeItem& into) const {
  plat::MutexLock lock(dataMutex_);
  const TSchemeTimeItem* item = SchemeTime->GetItem(index);
  if (!item) return false;
  into.Assign(*item);
  return true;
}

std::optional<std::string> TSchemeObject::RunTimeText(int index) const {
  plat::MutexLock lock(dataMutex_);
  const TSchemeTimeItem* item = SchemeTime->GetItem(index);
  if (!item) return std::nullopt;
  return item->GetText(SchemeTime->FMode);
}

void TSchemeObject::DeleteLog(int index) {
  plat::MutexLock lock(dataMutex_);
  if (listed_ && LogList->Items(index) == listed_) DropListed();
  LogList->Delete(index);
}

void TSchemeObject::ClearLogs() {
  plat::MutexLock lock(dataMutex_);
  if (listed_) DropListed();
  while (LogList->Count() > 0) LogList->Delete(LogList->Count() - 1);
}

std::string TSchemeObject::UpdateState() {
  std::string commandLine = BuildCommandLine();
  const int next = IsValid() ? ssWaiting : ssInvalid;
  int seen = State.load();
  // A run that began meanwhile keeps its state.
  while (seen != ssRunning && !State.compare_exchange_weak(seen, next)) {
  }
  return commandLine;
}

bool TSchemeObject::TryBeginRun() {
  int seen = State.load();
  do {
    if (seen == ssRunning) return false;
  } while (!State.compare_exchange_weak(seen, ssRunning));
  return true;
}

void TSchemeObject::EndRun(int state) {
  plat::MutexLock lock(processMutex_);
  cancelCode_ = 0;
  State.store(state);
}

bool TSchemeObject::EditParam(int index, SchemeEditor& editor) {
  TItemDescription* item = GetParam(index);
  if (!item) return false;
  if (item->EditStyle == esEllipsis && item->DlgType == dtFileOpen) {
    const std::string& tags = item->Tags;
    const size_t semi = tags.find(';');
    const std::string filter = tags.substr(0, semi);
    const std::string ext = semi == std::string::npos ? std::string() : tags.substr(semi + 1);
    std::optional<std::string> file = editor.PickFile(filter, ext, item->KeyValue());
    if (!file) return false;
    item->SetKeyValue(*file);
    return true;
  }
  if (item->DlgType == dtTextEditor) {
    std::string text = item->KeyValue();
    const std::unique_ptr<olv::TMacros> macros = NewParamMacros();
    bool ok = false;
    {
      olv::TMacroScope scope(*macros);
      ok = editor.EditScript(*this, text);
    }
    if (ok) item->SetKeyValue(text);
    return ok;
  }
  return false;
}

void TSchemeObject::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkString>("SchName", schName_, !schName_.empty());
  proc.Report<olv::pkByte>("SchType", schType_, schType_ != 0);
  proc.ReportObject("SchemeTime", SchemeTime, SchemeTime != nullptr);
  proc.Report<olv::pkInteger>("TimerInterval", TimerInterval, true);
  proc.Report<olv::pkBoolean>("AutoExec", AutoExec, AutoExec);
  proc.Report<olv::pkDateTime>("LastRunTime", LastRunTime, LastRunTime != 0);
  proc.ReportObjectList("SchParams", SchParams, SchParams && SchParams->Count() > 0);
  proc.ReportObjectList("LogList", LogList, LogList && LogList->Count() > 0);
  // Both switches are on by default: stored only when on, a switch turned off would read back
  // as on. They are always stored; files that omit them (written when they were on) still read
  // as on.
  proc.Report<olv::pkBoolean>("AutoClearLogs", AutoClearLogs, true);
  proc.Report<olv::pkBoolean>("DelDmpFile", DelDmpFile, true);
  proc.Report<olv::pkInteger>("RemainCount", RemainCount, true);
}

void TSchemeObject::AfterRead(olv::TObjReader&) { AdoptFields(); }

void TSchemeObject::AdoptFields() {
  if (!SchemeTime) SchemeTime = std::make_unique<TSchemeTime>();
  if (!SchParams) SchParams = std::make_unique<olv::OlvStringList>();
  if (!LogList) LogList = std::make_unique<olv::TList>();
  DropEmptySlots<TItemDescription>(*SchParams);
  DropEmptySlots<TSchemeLog>(*LogList);
  if (SchemeTime->List) DropEmptySlots<TSchemeTimeItem>(*SchemeTime->List);
  for (int i = 0; i < SchParams->Count(); ++i) {
    if (TItemDescription* item = GetParam(i)) item->Owner = SchParams.get();
  }
}

int TSchemeObject::CloseInterruptedRecords() {
  plat::MutexLock lock(dataMutex_);
  int closed = 0;
  for (int i = 0; i < LogList->Count(); ++i) {
    TSchemeLog* log = GetLog(i);
    if (log->EndTime != 0) continue;
    // The program ended (killed, crashed) during this run; its child went with it.
    log->EndTime = log->StartTime;
    log->IsSucceed = false;
    log->ExitCode = plat::kExitTerminatedOnClose;
    log->AddResult(RunResultText(log->ExitCode) + "\r\n");
    ++closed;
  }
  return closed;
}

void TSchemeObject::CopyPropsTo(olv::TBaseObject& dest, std::string_view filter) const {
  TBaseObject::CopyPropsTo(dest, filter);
  // The copied parameters must point at the destination's own list.
  if (auto* scheme = dynamic_cast<TSchemeObject*>(&dest)) scheme->AdoptFields();
}

// --- Runs -----------------------------------------------------------------------------------

std::unique_ptr<olv::TMacros> TSchemeObject::NewParamMacros() const {
  std::unique_ptr<olv::TMacros> macros = olv::NewRunMacros();
  std::vector<std::string> names, values;
  for (int i = 0; i < ParamCount(); ++i) {
    if (const TItemDescription* item = GetParam(i)) {
      names.push_back(item->KeyName());
      values.push_back(item->KeyValue());
    }
  }
  macros->SetMacros(names, values);
  return macros;
}

void TSchemeObject::RegisterParamMacros() {
  std::unique_ptr<olv::TMacros> macros = NewParamMacros();
  plat::MutexLock lock(macrosMutex_);
  macros_ = std::move(macros);
}

void TSchemeObject::ClearParamMacros() {
  plat::MutexLock lock(macrosMutex_);
  macros_.reset();
}

std::string TSchemeObject::ExpandMacros(std::string_view text) const {
  plat::MutexLock lock(macrosMutex_);
  return (macros_ ? *macros_ : olv::CurrentMacros()).Expanded(text);
}

namespace {

// Parameters referring to each other are followed this deep, and a shown text grows to this
// size at most; past either, references stay as written.
constexpr int kDisplayDepth = 8;
constexpr size_t kDisplayBudget = 64 * 1024;

// Only its signs are used: where a reference starts and ends is the macro lists' own rule.
const olv::TMacros& ReferenceSigns() {
  static const olv::TMacros signs(nullptr);
  return signs;
}

}  // namespace

std::string TSchemeObject::DisplayText(std::string_view text) const {
  size_t budget = kDisplayBudget;
  return DisplayText(text, 0, budget);
}

std::string TSchemeObject::DisplayText(std::string_view text, int depth, size_t& budget) const {
  const olv::TMacros& signs = ReferenceSigns();
  std::string out;
  size_t pos = 0, copied = 0;
  std::string name;
  while (signs.FindNextMacro(text, pos, name)) {
    out.append(text.substr(copied, pos - copied));
    const size_t after = pos + name.size() + 2;
    const std::string_view reference = text.substr(pos, after - pos);
    const char first = name.empty() ? '\0' : name[0];
    const TItemDescription* param =
        first == signs.ExpSign || first == '(' || first == '.' || first == '\\' ? nullptr : FindParam(name);
    if (name.empty()) {
      out.push_back(text[pos]);
    } else if (!param || depth >= kDisplayDepth || param->KeyValue().size() > budget) {
      out.append(reference);
    } else {
      budget -= param->KeyValue().size();
      out.append(DisplayText(param->KeyValue(), depth + 1, budget));
    }
    pos = copied = after;
  }
  out.append(text.substr(copied));
  return out;
}

void TSchemeObject::SendRunNotice(int phase) { SendRunNotice(phase, Context()); }

void TSchemeObject::SendRunNotice(int phase, RunContext& context) {
  if (!context.notice) return;
  if (context.mainThread) {
    // False once the application is closing: the notice is dropped and the run goes on.
    context.mainThread->send([&] { context.notice(*this, phase); });
  } else {
    context.notice(*this, phase);
  }
}

void TSchemeObject::BeforeRun() {
  {
    plat::MutexLock lock(dataMutex_);
    if (AutoClearLogs) {
      if (RemainCount < 0) RemainCount = 0;
      // The record of this run is not listed yet.
      while (LogList->Count() > RemainCount) {
        if (LogList->Items(0) == listed_) DropListed();
        LogList->Delete(0);
      }
    }
  }
  SendRunNotice(kSchemeRunStarted);
  if (Context().beforeRun) Context().beforeRun(*this);
}

void TSchemeObject::AfterRun() {
  if (Context().afterRun) Context().afterRun(*this);
}

void TSchemeObject::PublishRecord() {
  plat::MutexLock lock(dataMutex_);
  if (listed_) {
    listed_->CopyFrom(*record_);
    return;
  }
  // A record the user deleted meanwhile stays deleted.
  if (recordDropped_) return;
  auto copy = std::make_unique<TSchemeLog>();
  copy->CopyFrom(*record_);
  listed_ = copy.get();
  LogList->Add(std::move(copy));
}

bool TSchemeObject::Run(RunMode mode, RunContext& context) {
  if (!TryBeginRun()) return false;
  bool valid = false;
  try {
    valid = IsValid();
  } catch (...) {
  }
  if (!valid) {
    EndRun(ssInvalid);
    return false;
  }
  run_ = &context;
  record_ = std::make_unique<TSchemeLog>();
  CurLog = record_.get();
  {
    // The window may be deleting records meanwhile: it looks at these under the lock.
    plat::MutexLock lock(dataMutex_);
    listed_ = nullptr;
    recordDropped_ = false;
  }
  CurLog->ActiveMode = mode == RunMode::ByHand;
  CurLog->ExitCode = plat::kExitStartFailed;
  bool ok = false;
  // Opened inside the try and closed before FinishRun drops the list it points at.
  std::optional<olv::TMacroScope> scope;
  try {
    RegisterParamMacros();
    olv::TMacros* own = nullptr;
    {
      plat::MutexLock lock(macrosMutex_);
      own = macros_.get();
    }
    scope.emplace(*own);
    BeforeRun();
    CurLog->StartTime = olv::Now();
    PublishRecord();
    SendRunNotice(kSchemeRunRecorded);
    ok = DoRun();
  } catch (const std::exception& e) {
    ok = false;
    CurLog->AddError(e.what());
  } catch (...) {
    ok = false;
    CurLog->AddError("");
  }
  scope.reset();
  FinishRun(ok);
  return ok;
}

void TSchemeObject::FinishRun(bool ok) {
  try {
    ClearParamMacros();
  } catch (...) {
  }
  SetProcess(nullptr);
  SetBreaker(nullptr);
  // A failure before the record was listed: it starts now.
  if (CurLog->StartTime == 0) CurLog->StartTime = olv::Now();
  CurLog->IsSucceed = ok && CurLog->IsSucceed;
  CurLog->EndTime = olv::Now();
  PublishRecord();
  if (ok) {
    plat::MutexLock lock(dataMutex_);
    LastRunTime = CurLog->EndTime;
    WakeTimer();
  }
  try {
    AfterRun();
  } catch (const std::exception& e) {
    CurLog->IsSucceed = false;
    CurLog->AddError(e.what());
    PublishRecord();
  } catch (...) {
    CurLog->IsSucceed = false;
    PublishRecord();
  }
  // The state says "not running" only once nothing of this run is left: the next run may begin
  // the moment it does (the timer, or the window on the end notice), and this thread must not
  // then clear the record or the context that run has just set.
  RunContext& context = Context();
  CurLog = nullptr;
  record_.reset();
  {
    plat::MutexLock lock(dataMutex_);
    listed_ = nullptr;
  }
  run_ = nullptr;
  EndRun(ssWaiting);
  SendRunNotice(kSchemeRunEnded, context);
}

void TSchemeObject::StartTimer(std::shared_ptr<RunContext> context) {
  plat::MutexLock lock(threadsMutex_);
  if (!execThread_) execThread_ = std::make_unique<TSchemeExecThread>(*this, std::move(context));
  execThread_->Resume();
}

void TSchemeObject::StopTimer() {
  plat::MutexLock lock(threadsMutex_);
  if (execThread_) execThread_->Suspend();
}

bool TSchemeObject::TimerStarted() const {
  plat::MutexLock lock(threadsMutex_);
  return execThread_ && execThread_->Started();
}

bool TSchemeObject::HasTimerThread() const {
  plat::MutexLock lock(threadsMutex_);
  return execThread_ != nullptr;
}

void TSchemeObject::WakeTimer() {
  plat::MutexLock lock(threadsMutex_);
  if (execThread_) execThread_->Wake();
}

void TSchemeObject::RunInBackground(std::shared_ptr<RunContext> context) {
  std::vector<std::unique_ptr<TBackExecute>> done;
  {
    plat::MutexLock lock(threadsMutex_);
    for (auto& run : backRuns_) {
      if (run->Finished()) done.push_back(std::move(run));
    }
    std::erase(backRuns_, nullptr);
    backRuns_.push_back(std::make_unique<TBackExecute>(*this, std::move(context)));
  }
  // done joins here, outside the lock.
}

void TSchemeObject::RequestStop() {
  plat::MutexLock lock(threadsMutex_);
  if (execThread_) execThread_->RequestQuit();
}

void TSchemeObject::StopThreads() {
  std::unique_ptr<TSchemeExecThread> timer;
  std::vector<std::unique_ptr<TBackExecute>> runs;
  {
    plat::MutexLock lock(threadsMutex_);
    timer = std::move(execThread_);
    runs = std::move(backRuns_);
  }
  if (timer) timer->Terminate();
  runs.clear();
}

std::string TSchemeObject::ExpandFileName(std::string_view templ, bool unique, bool createFolder) {
  namespace fs = std::filesystem;
  std::string name = ExpandDateMacros(templ, olv::Now());
  if (unique) {
    size_t dot = name.rfind('.');
    // A dot in a folder's name is no extension.
    const size_t slash = name.rfind('/');
    if (dot != std::string::npos && slash != std::string::npos && dot < slash) dot = std::string::npos;
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::error_code ec;
    for (int n = 1; fs::exists(name, ec); ++n) name = stem + "_" + std::to_string(n) + ext;
  }
  if (createFolder) {
    const fs::path folder = fs::path(name).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::exists(folder, ec)) fs::create_directories(folder, ec);
  }
  return name;
}

void TSchemeObject::SetProcess(std::shared_ptr<plat::Process> process) {
  plat::MutexLock lock(processMutex_);
  ProcessHandle = process ? process->programPid() : 0;
  process_ = std::move(process);
  if (process_ && cancelCode_ != 0) process_->terminate(cancelCode_);
}

void TSchemeObject::SetBreaker(std::function<void()> breaker) {
  plat::MutexLock lock(processMutex_);
  breaker_ = std::move(breaker);
  if (breaker_ && cancelCode_ != 0) breaker_();
}

bool TSchemeObject::TerminateProcess(int code) {
  plat::MutexLock lock(processMutex_);
  if (State.load() != ssRunning) return false;
  if (process_) return process_->running() && process_->terminate(code);
  // No child yet: the run ends at its next step, and a step waiting in the database now.
  if (cancelCode_ != 0) return false;
  cancelCode_ = code;
  if (breaker_) breaker_();
  return true;
}

plat::ProcessRegistry& TSchemeObject::Processes() const {
  RunContext& context = Context();
  return context.processes ? *context.processes : plat::ProcessRegistry::global();
}

int TSchemeObject::RunChild(plat::SpawnOptions options) {
  if (const int cancelled = CancelCode()) return cancelled;
  options.showOutput = Context().showDos.load();
  std::string startError;
  const int code = plat::Process::runAndWait(
      options, [this](const std::shared_ptr<plat::Process>& process) { SetProcess(process); }, &startError,
      &Processes());
  SetProcess(nullptr);
  if (code == plat::kExitStartFailed && CurLog) CurLog->AddResult("Could not start the program: " + startError + "\r\n");
  return code;
}

RunContext& RunContext::Detached() {
  static RunContext detached;
  return detached;
}

}  // namespace sch
