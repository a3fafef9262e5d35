#pragma once
// The form library's start and end on Qt. Starting it (after the QApplication exists, on the GUI
// thread): the expression engine's Hint goes to the progress display over the main thread handed
// in (none: Hint shows nothing), the layout classes are
// registered for the object stream, the screen object is made from the primary display and
// installed as the one "Screen" reaches, the design size is taken from the screen, and the
// application's status tips, focus changes and window activations are routed to the screen
// object's hint form; an activated window that is a THintForm with a hint bar (a library form, or
// a window of the program that shows hints on its own bar) becomes the hint form. Ending it undoes
// all of that, in reverse order.
//
// Ownership: the library owns the screen object. GUI thread only.
#include <QCursor>
#include <QObject>
#include <memory>

#include "widgets/forms/Screen.h"

namespace plat {
class MainThread;
}

namespace olv {

// The five drag cursors of the screen object.
enum TDragCursor { crDragCopy = 1, crMultiDragCopy = 2, crDragMove = 3, crMultiDragMove = 4, crDragDel = 5 };

class TFormLibrary : public QObject {
 public:
  // mainThread must outlive the library.
  explicit TFormLibrary(plat::MainThread* mainThread);
  ~TFormLibrary() override;

  TScreen& Screen() { return *screen_; }

  // Cursors 1 to 5; the arrow for any other number.
  static QCursor DragCursor(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<TScreen> screen_;
};

}  // namespace olv
