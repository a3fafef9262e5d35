#include "app/core/SchemeHost.h"

#include "app/core/OracleScheme.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "app/core/SchemeFile.h"
#include "platform/MainThread.h"
#include "platform/ProcessRegistry.h"

namespace sch {

SchemeHost::SchemeHost(plat::MainThread* mainThread, plat::ProcessRegistry* processes)
    : mainThread_(mainThread), processes_(processes), schemes_(std::make_unique<TSchemeWrapper>()) {
  Bind();
}

SchemeHost::~SchemeHost() { Shutdown(); }

void SchemeHost::Bind() {
  schemes_->MainThread = mainThread_;
  schemes_->Processes = processes_;
  schemes_->Handle = [this](int message, int param, TSchemeObject& scheme) {
    if (message == plat::kMsgSchemeRun) OnRunMessage(param, scheme);
  };
}

void SchemeHost::StopAll() {
  for (int i = 0; i < schemes_->Count(); ++i) {
    if (TSchemeObject* scheme = schemes_->GetScheme(i)) scheme->StopThreads();
  }
}

void SchemeHost::Load(const std::string& fileName) {
  std::unique_ptr<TSchemeWrapper> loaded;
  try {
    loaded = LoadObjectFromFile(fileName);
  } catch (const std::exception&) {
    // Keep the damaged file for the user: the next save would replace it.
    std::filesystem::rename(fileName, fileName + ".bad");
  }
  Adopt(std::move(loaded), fileName);
}

void SchemeHost::Adopt(std::unique_ptr<TSchemeWrapper> loaded, const std::string& fileName) {
  if (!loaded) loaded = std::make_unique<TSchemeWrapper>();
  StopAll();
  running_.clear();
  schemes_ = std::move(loaded);
  fileName_ = fileName;
  Bind();
  if (down_) return;
  for (int i = 0; i < schemes_->Count(); ++i) {
    TSchemeObject* scheme = schemes_->GetScheme(i);
    if (!scheme) continue;
    scheme->UpdateState();
    if (scheme->AutoExec) scheme->StartTimer();
  }
}

bool SchemeHost::Save() {
  if (fileName_.empty()) return true;
  try {
    SaveObjectToFile(fileName_, schemes_.get(), true);
    lastSaveError_.clear();
    return true;
  } catch (const std::exception& e) {
    lastSaveError_ = e.what();
    return false;
  }
}

bool SchemeHost::SaveAs(const std::string& fileName) {
  fileName_ = fileName;
  return Save();
}

void SchemeHost::OnRunMessage(int param, TSchemeObject& scheme) {
  if (param == plat::kSchemeRunStarted) {
    // The database's character set, for a run that switches the client's to it.
    if (auto* oracle = dynamic_cast<TOracleScheme*>(&scheme)) oracle->ReadTargetCharset();
    if (std::find(running_.begin(), running_.end(), &scheme) == running_.end()) running_.push_back(&scheme);
  } else {
    std::erase(running_, &scheme);
    Save();
  }
  if (notice_) notice_(scheme, param);
}

void SchemeHost::StartAllTimers() {
  if (down_) return;
  for (int i = 0; i < schemes_->Count(); ++i) {
    if (TSchemeObject* scheme = schemes_->GetScheme(i)) scheme->StartTimer();
  }
}

void SchemeHost::StopAllTimers() {
  for (int i = 0; i < schemes_->Count(); ++i) {
    if (TSchemeObject* scheme = schemes_->GetScheme(i)) scheme->StopTimer();
  }
}

bool SchemeHost::TerminateScheme(TSchemeObject& scheme) { return schemes_->TerminateScheme(scheme); }

int SchemeHost::TerminateAll() { return schemes_->TerminateAll(); }

void SchemeHost::Shutdown() {
  if (down_) return;
  down_ = true;
  plat::MainThread* mainThread = mainThread_ ? mainThread_ : plat::CurrentMainThread();
  // Runs must not wait for notices that nobody will handle any more.
  if (mainThread) mainThread->beginShutdown();
  (processes_ ? *processes_ : plat::ProcessRegistry::global()).shutdown();
  StopAll();
  running_.clear();
  Save();
}

}  // namespace sch
