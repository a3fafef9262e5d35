// The start-up benchmark's peer: the least a Qt Widgets program does to show a window (an
// application object, one labelled main window, the event loop), reporting its first painted
// frame through the same hook as the program.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include "app/gui/FirstShowReport.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Minimal window");
  window.setCentralWidget(new QLabel("Minimal window", &window));
  window.resize(860, 600);
  sch::FirstShowReport::Watch(&window);
  window.show();
  return QApplication::exec();
}
