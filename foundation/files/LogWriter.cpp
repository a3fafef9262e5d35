#include "foundation/files/LogWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/text/DateTime.h"
#include "foundation/files/FileStream.h"
#include "foundation/files/Folders.h"
#include "foundation/text/Format.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

namespace {

plat::Mutex g_logMutex;  // one line at a time from this process; O_APPEND orders the processes
std::string g_logFileName GUARDED_BY(g_logMutex);

}  // namespace

void SetLogFileName(const std::string& fileName) {
  plat::MutexLock lock(g_logMutex);
  g_logFileName = fileName;
}

std::string LogFileName() {
  plat::MutexLock lock(g_logMutex);
  return g_logFileName.empty() ? GetProgramFile("LOG") : g_logFileName;
}

std::string LogHeader() {
  return FormatDateTime("yyyy.mm.dd hh:nn:ss.zzz", Now()) + " " + GetComputerNameStr() + " " + GetWinUser() +
         " " + GetAppUser() + " : ";
}

void WriteLog(const std::string& text, bool withHeader) {
  try {
    std::string line = (withHeader ? LogHeader() : std::string()) + text + "\r\n";
    std::string file = ExpandStreamFileName(LogFileName());
    plat::MutexLock lock(g_logMutex);
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
