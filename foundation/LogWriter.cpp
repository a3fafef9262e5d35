#include "foundation/LogWriter.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "foundation/FileStream.h"
#include "platform/Clock.h"

namespace olv {

namespace {

std::mutex g_logMutex;  // one line at a time from this process; O_APPEND orders the processes
std::string g_logFileName;

// Stand-ins for the text services' computer, user and program-file names, until those are in.
std::string ComputerName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

std::string UserName() {
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buf[1024];
  if (::getpwuid_r(::geteuid(), &pw, buf, sizeof buf, &found) == 0 && found) return found->pw_name;
  return {};
}

std::string AppUserName() { return {}; }  // nothing in this program sets one

std::string DefaultLogFileName() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string exe = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("orascheme");
  std::size_t slash = exe.rfind('/');
  std::size_t dot = exe.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) exe.resize(dot);
  return exe + ".LOG";
}

}  // namespace

void SetLogFileName(const std::string& fileName) {
  std::lock_guard lock(g_logMutex);
  g_logFileName = fileName;
}

std::string LogFileName() {
  std::lock_guard lock(g_logMutex);
  return g_logFileName.empty() ? DefaultLogFileName() : g_logFileName;
}

std::string LogHeader() {
  using namespace std::chrono;
  const auto now = plat::CurrentClock().Now();
  const std::time_t secs = system_clock::to_time_t(time_point_cast<seconds>(now));
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  if (ms < 0) ms += 1000;
  std::tm tm {};
  ::localtime_r(&secs, &tm);
  // The date text as the text services' formatting will write it once they are in.
  char date[64];
  std::snprintf(date, sizeof date, "%04d.%02d.%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return std::string(date) + " " + ComputerName() + " " + UserName() + " " + AppUserName() + " : ";
}

void WriteLog(const std::string& text, bool withHeader) {
  try {
    std::string line = (withHeader ? LogHeader() : std::string()) + text + "\r\n";
    std::string file = ExpandStreamFileName(LogFileName());
    std::lock_guard lock(g_logMutex);
    int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < line.size()) {
      ssize_t n = ::write(fd, line.data() + done, line.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  } catch (...) {
    // The log never reports a failure.
  }
}

}  // namespace olv
