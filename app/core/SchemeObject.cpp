#include "app/core/SchemeObject.h"

#include "app/core/SchemeEditor.h"
#include "app/core/SchemeWrapper.h"

namespace sch {

TSchemeObject::TSchemeObject()
    : SchemeTime(std::make_unique<TSchemeTime>()),
      SchParams(std::make_unique<olv::OlvStringList>()),
      LogList(std::make_unique<olv::TList>()) {}

TSchemeObject::~TSchemeObject() = default;

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

void TSchemeObject::DeleteLog(int index) {
  if (CurLog && LogList->Items(index) == CurLog) CurLog = nullptr;
  LogList->Delete(index);
}

void TSchemeObject::ClearLogs() {
  CurLog = nullptr;
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

bool TSchemeObject::EditParam(int index) {
  TItemDescription* item = GetParam(index);
  if (!item) return false;
  SchemeEditor& editor = CurrentSchemeEditor();
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
    RegisterParamMacros();
    bool ok = false;
    try {
      ok = editor.EditScript(*this, text);
    } catch (...) {
      ClearParamMacros();
      throw;
    }
    ClearParamMacros();
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
  for (int i = 0; i < SchParams->Count(); ++i) {
    if (TItemDescription* item = GetParam(i)) item->Owner = SchParams.get();
  }
  // The record of a run in progress belongs to the run's own list; one that the list no longer
  // holds is forgotten.
  bool held = false;
  for (int i = 0; i < LogList->Count() && !held; ++i) held = LogList->Items(i) == CurLog;
  if (!held) CurLog = nullptr;
}

void TSchemeObject::CopyPropsTo(olv::TBaseObject& dest, std::string_view filter) const {
  TBaseObject::CopyPropsTo(dest, filter);
  // The copied parameters must point at the destination's own list.
  if (auto* scheme = dynamic_cast<TSchemeObject*>(&dest)) scheme->AdoptFields();
}

}  // namespace sch
