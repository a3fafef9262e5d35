#pragma once
// Message boxes and input boxes behind an interface, so that core code can ask the user without a
// window system: the headless version answers as if the user cancelled, a scripted version plays
// answers queued by a test, and the window side installs its own.
//
// Flags and answers are the original program's message-box numbers. An implementation is called
// on whatever thread asks and must be thread-safe (the window version hands the box to the main
// thread).
//
// Why the installed dialogs are process-wide: the library's message boxes are free functions
// (MessageBoxes.h: MessageBox, ConfirmQuestion, ShowError, InputBox, ...) that any layer calls,
// the expression language's message functions among them, and a free function has no
// constructor to be handed them through. The program's main installs its dialogs once; a test
// that drives code asking through those functions installs scripted ones for its length.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ThreadAnnotations.h"

namespace plat {

// Buttons (low 4 bits of the flags).
constexpr unsigned MB_OK = 0x00, MB_OKCANCEL = 0x01, MB_ABORTRETRYIGNORE = 0x02,
                   MB_YESNOCANCEL = 0x03, MB_YESNO = 0x04, MB_RETRYCANCEL = 0x05,
                   MB_CANCELTRYCONTINUE = 0x06;
// Icons.
constexpr unsigned MB_ICONSTOP = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30,
                   MB_ICONINFORMATION = 0x40;
// Answers.
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7,
              IDTRYAGAIN = 10, IDCONTINUE = 11;

// What closing the box without choosing gives for its buttons: Cancel where the box has one, else
// No, Abort or OK.
int CancelAnswer(unsigned flags);

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows Text under Caption with the buttons and icon of flags; the answer pressed.
  virtual int MessageBox(const std::string& caption, const std::string& text, unsigned flags) = 0;
  // Asks for one line of text starting from value; none when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& value) = 0;
  // The system sound of a box type (0x10, 0x30, 0x40, ...); silent by default.
  virtual void Beep(unsigned /*type*/) {}
};

// Nobody to ask: every box is cancelled.
class HeadlessDialogs : public Dialogs {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned flags) override {
    return CancelAnswer(flags);
  }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

// Plays queued answers in order and records every box shown. With the queue empty a box is
// cancelled, as the headless version does.
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    enum Kind { Message, Input, Sound } kind;
    std::string caption, text;
    unsigned flags = 0;
    std::string value;  // the input box's starting value
  };

  void QueueAnswer(int answer);
  void QueueInput(std::optional<std::string> text);
  std::vector<Shown> Log() const;
  void Clear();

  int MessageBox(const std::string& caption, const std::string& text, unsigned flags) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& value) override;
  void Beep(unsigned type) override;

 private:
  mutable Mutex mutex_;
  std::deque<int> answers_ GUARDED_BY(mutex_);
  std::deque<std::optional<std::string>> inputs_ GUARDED_BY(mutex_);
  std::vector<Shown> log_ GUARDED_BY(mutex_);
};

// The installed dialogs: a HeadlessDialogs until SetDialogs is given one, which must outlive its
// use; SetDialogs(nullptr) puts the headless one back. Read only by the free functions of
// MessageBoxes.h; a class that shows boxes of its own takes its Dialogs in its constructor.
Dialogs& CurrentDialogs();
void SetDialogs(Dialogs* dialogs);

}  // namespace plat
