#include "platform/Dialogs.h"

#include <atomic>

namespace plat {

int CancelAnswer(unsigned flags) {
  switch (flags & 0x0F) {
    case MB_OK: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
  }
}

void ScriptedDialogs::QueueAnswer(int answer) {
  MutexLock lock(mutex_);
  answers_.push_back(answer);
}

void ScriptedDialogs::QueueInput(std::optional<std::string> text) {
  MutexLock lock(mutex_);
  inputs_.push_back(std::move(text));
}

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::Log() const {
  MutexLock lock(mutex_);
  return log_;
}

void ScriptedDialogs::Clear() {
  MutexLock lock(mutex_);
  answers_.clear();
  inputs_.clear();
  log_.clear();
}

int ScriptedDialogs::MessageBox(const std::string& caption, const std::string& text, unsigned flags) {
  MutexLock lock(mutex_);
  log_.push_back({Shown::Message, caption, text, flags, {}});
  if (answers_.empty()) return CancelAnswer(flags);
  int a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<std::string> ScriptedDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                                     const std::string& value) {
  MutexLock lock(mutex_);
  log_.push_back({Shown::Input, caption, prompt, 0, value});
  if (inputs_.empty()) return std::nullopt;
  auto a = std::move(inputs_.front());
  inputs_.pop_front();
  return a;
}

void ScriptedDialogs::Beep(unsigned type) {
  MutexLock lock(mutex_);
  log_.push_back({Shown::Sound, {}, {}, type, {}});
}

namespace {
std::atomic<Dialogs*> g_dialogs{nullptr};
}

Dialogs& CurrentDialogs() {
  static HeadlessDialogs headless;
  Dialogs* d = g_dialogs.load(std::memory_order_acquire);
  return d ? *d : headless;
}

void SetDialogs(Dialogs* dialogs) { g_dialogs.store(dialogs, std::memory_order_release); }

}  // namespace plat
