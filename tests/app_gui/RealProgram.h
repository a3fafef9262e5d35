#pragma once
// The program itself, started as a user starts it (from the build tree, its data in private XDG
// folders under a scratch folder, no desktop: offscreen), for tests that attack it from outside:
// signals, a kill, a second instance, a full disk. Every wait has a deadline.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "tests/support/ScratchFolder.h"

namespace schtest {

inline const std::string kProgram = ORASCHEME_BINARY_DIR "/app/orascheme";
inline const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

// Where the program keeps its scheme file when its data lives under dir.
inline std::string SchemeFileUnder(const testsupport::ScratchFolder& dir) {
  const std::string data = dir / "data/orascheme";
  std::filesystem::create_directories(data);
  return data + "/orascheme.sch";
}

// One command-file scheme with the given parameters, due now (at 00:00 each day) and its timer
// started at load.
inline void WriteDueCommandScheme(const std::string& file, const std::string& params) {
  sch::RegisterSchemeClasses();
  sch::TSchemeWrapper w;
  sch::TSchemeObject* s = w.AddScheme("cmd", sch::skDosCommand);
  s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
  s->FindParam("params")->SetKeyValue(params);
  s->AutoExec = true;
  s->TimerInterval = 10;
  s->SchemeTime->FMode = sch::tmDay;
  s->SchemeTime->Add(std::make_unique<sch::TSchemeTimeItem>());
  sch::SaveObjectToFile(file, &w, true);
}

// Copies what comes through the pipe's read end into out until every writer has closed it, in a
// process of its own that nobody waits for (it is handed to the system at once): the program's
// file-size limit is not its own, so out holds all the program says.
inline void CopyInBackground(int readEnd, int writeEnd, const std::string& out) {
  const pid_t middle = ::fork();
  if (middle == 0) {
    if (::fork() == 0) {
      // Only calls that are safe in the child of a process with threads: no stdio, no heap.
      ::close(writeEnd);
      const int to = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      char buffer[4096];
      for (ssize_t n; to >= 0 && (n = ::read(readEnd, buffer, sizeof buffer)) > 0;)
        for (ssize_t done = 0, w; done < n; done += w)
          if ((w = ::write(to, buffer + done, static_cast<size_t>(n - done))) <= 0) ::_exit(1);
      ::_exit(0);
    }
    ::_exit(0);
  }
  ::waitpid(middle, nullptr, 0);
}

// Starts the program with its data under dir, its output and errors into out. With a file-size
// limit (bytes > 0) no file of the program can grow past it: a full disk, as its writes see one
// (its output goes through a pipe then, which the limit does not cut short, and reaches out a
// moment after it is written: wait for it with WaitForText).
// extraEnv: more NAME=value entries for its environment.
inline pid_t StartProgram(const testsupport::ScratchFolder& dir, const std::string& out, rlim_t fileSizeLimit = 0,
                          const std::vector<std::string>& extraEnv = {}) {
  std::vector<std::string> env{"HOME=" + (dir / "home"), "XDG_DATA_HOME=" + (dir / "data"),
                               "XDG_CONFIG_HOME=" + (dir / "config"), "XDG_CACHE_HOME=" + (dir / "cache"),
                               "XDG_STATE_HOME=" + (dir / "state"), "ORASCHEME_REGISTRY_DIR=" + (dir / "registry"),
                               "QT_QPA_PLATFORM=offscreen", "PATH=/usr/bin:/bin"};
  // A counted build's program adds its counts to the build tree's files as it ends; under the
  // limit those writes stop part-way and leave files that every later counted run fails to read,
  // so a limited program keeps its counts under dir (an ordinary build ignores the name).
  if (fileSizeLimit > 0) env.push_back("GCOV_PREFIX=" + (dir / "counts"));
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  int pipe[2] = {-1, -1};
  if (fileSizeLimit > 0) {
    if (::pipe2(pipe, O_CLOEXEC) != 0) return -1;
    CopyInBackground(pipe[0], pipe[1], out);
  }
  const pid_t program = ::fork();
  if (program == 0) {
    if (fileSizeLimit > 0) {
      ::dup2(pipe[1], STDOUT_FILENO);
      ::dup2(pipe[1], STDERR_FILENO);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    } else {
      std::freopen(out.c_str(), "w", stdout);
      std::freopen(out.c_str(), "a", stderr);
    }
    char* argv[] = {const_cast<char*>(kProgram.c_str()), nullptr};
    ::execve(kProgram.c_str(), argv, envp.data());
    ::_exit(127);
  }
  if (fileSizeLimit > 0) ::close(pipe[0]), ::close(pipe[1]);
  return program;
}

// The program's wait status once it ended within the deadline; -1 when it did not (it is then
// killed, so that nothing stays behind).
inline int WaitForExit(pid_t pid, std::chrono::milliseconds deadline = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  do {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

// Whether file holds text within the deadline.
inline bool WaitForText(const std::string& file, const std::string& text,
                        std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  do {
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && testsupport::ReadAll(file).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

}  // namespace schtest
