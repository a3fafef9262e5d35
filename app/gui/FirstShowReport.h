#pragma once
// Start-up measurement. With ORASCHEME_SHOWN_FD=<n> in the environment, the watched window writes
// "shown\n" to file descriptor n once its first frame is painted (right after the paint pass that
// first reaches it) and closes n; the program then goes on as usual. Without the variable, or
// with one that is not a descriptor number, nothing is watched and nothing is written.
// The start-up benchmark (bench/startup.cpp) reads the line from a pipe; the minimal window it
// compares against (bench/peers/minimal_window.cpp) uses this same header, so both are timed alike.
// Header only, so that the peer needs none of the program's libraries.
#include <unistd.h>

#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <cstdlib>

namespace sch {

class FirstShowReport : public QObject {
 public:
  static constexpr const char* kVariable = "ORASCHEME_SHOWN_FD";

  static void Watch(QWidget* window) {
    const char* value = std::getenv(kVariable);
    if (!value || !*value) return;
    char* end = nullptr;
    const long fd = std::strtol(value, &end, 10);
    if (*end || fd < 0 || fd > 65535) return;
    window->installEventFilter(new FirstShowReport(window, static_cast<int>(fd)));
  }

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Paint || painted_) return false;
    painted_ = true;
    // Queued: runs once this paint pass (the window and its children) has finished.
    QMetaObject::invokeMethod(
        this,
        [this] {
          static const char kLine[] = "shown\n";
          [[maybe_unused]] const ssize_t n = ::write(fd_, kLine, sizeof kLine - 1);
          ::close(fd_);
          parent()->removeEventFilter(this);
          deleteLater();
        },
        Qt::QueuedConnection);
    return false;
  }

 private:
  FirstShowReport(QWidget* window, int fd) : QObject(window), fd_(fd) {}
  int fd_;
  bool painted_ = false;
};

}  // namespace sch
