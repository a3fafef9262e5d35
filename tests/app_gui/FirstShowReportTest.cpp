// The start-up measurement's hook: with ORASCHEME_SHOWN_FD naming a descriptor, the window writes
// one line there once its first frame is painted and closes it; without the variable (or with one
// that is no descriptor number) nothing is watched. The program itself reports its main window.
#include "app/gui/FirstShowReport.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/app_gui/RealProgram.h"
#include "tests/support/WaitUntil.h"

namespace sch {
namespace {

// Everything the descriptor gives until its writer closes it, while the event loop runs.
std::string ReadToEnd(int fd) {
  std::string text;
  bool closed = false;
  testsupport::WaitUntil(
      [&] {
        QApplication::processEvents();
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) text.append(buffer, static_cast<size_t>(n));
        closed = n == 0;
        return closed;
      },
      testsupport::kPatience, "the report's descriptor to be closed");
  return text;
}

TEST(FirstShowReport, TheFirstPaintedFrameIsReportedOnceAndTheDescriptorClosed) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
  ::setenv(FirstShowReport::kVariable, std::to_string(fds[1]).c_str(), 1);
  QLabel window("first frame");
  FirstShowReport::Watch(&window);
  ::unsetenv(FirstShowReport::kVariable);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // Repainted and shown again: still the one line.
  window.repaint();
  window.hide();
  window.show();
  // The end is seen only once the hook has closed the one writing end.
  EXPECT_EQ(ReadToEnd(fds[0]), "shown\n");
  ::close(fds[0]);
}

TEST(FirstShowReport, WithoutADescriptorNumberNothingIsWatched) {
  for (const char* value : {static_cast<const char*>(nullptr), "", "three", "3x", "-1"}) {
    SCOPED_TRACE(value ? value : "unset");
    if (value) ::setenv(FirstShowReport::kVariable, value, 1);
    else ::unsetenv(FirstShowReport::kVariable);
    QLabel window("no report");
    FirstShowReport::Watch(&window);
    ::unsetenv(FirstShowReport::kVariable);
    EXPECT_TRUE(window.children().isEmpty());
  }
}

TEST(FirstShowReport, TheProgramReportsItsMainWindowWithItsPicturesWritten) {
  testsupport::ScratchFolder dir;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);  // only the writing end goes to the program
  const pid_t program = schtest::StartProgram(dir, dir / "out.txt", 0,
                                              {std::string(FirstShowReport::kVariable) + "=" + std::to_string(fds[1])});
  ::close(fds[1]);
  ASSERT_GT(program, 0);
  pollfd ready{fds[0], POLLIN, 0};
  ASSERT_EQ(::poll(&ready, 1, static_cast<int>(testsupport::kPatience.count())), 1)
      << "no first frame: " << testsupport::ReadAll(dir / "out.txt");
  char line[16] = {};
  EXPECT_EQ(std::string(line, static_cast<size_t>(std::max<ssize_t>(::read(fds[0], line, sizeof line), 0))), "shown\n");
  ::close(fds[0]);
  // The page the first frame shows has its pictures.
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "data/orascheme/Temp/imgScheme.gif"));
  ::kill(program, SIGTERM);
  const int status = schtest::WaitForExit(program);
  EXPECT_TRUE(status != -1 && WIFEXITED(status)) << "status " << status;
}

}  // namespace
}  // namespace sch
