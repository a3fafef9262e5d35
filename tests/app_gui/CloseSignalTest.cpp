// The program itself, started as a user starts it, asked to end by a signal (a logout, a
// shutdown, Ctrl+C in its terminal) while a scheme runs: it closes as its window's close does.
// The run's child and its own children end with exit code 101 and the record is saved; killed
// outright, the program lost the record and left the child running.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "tests/app/ChildProcesses.h"
#include "tests/support/ScratchFolder.h"

namespace {

const std::string kProgram = ORASCHEME_BINARY_DIR "/app/orascheme";
const std::string kFakeCmd = ORASCHEME_SOURCE_DIR "/tools/fake_cmd.sh";

// Waits up to a minute for the program to end; -1 when it did not.
int WaitForExit(pid_t pid) {
  for (int i = 0; i < 6000; ++i) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

TEST(CloseSignal, EachCloseSignalEndsTheRunWith101AndSavesItsRecord) {
  sch::RegisterSchemeClasses();
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    testsupport::ScratchFolder dir;
    // Run from the build tree, the program keeps its data in the XDG folders.
    const std::string data = dir / "data/orascheme";
    std::filesystem::create_directories(data);
    const std::string file = data + "/orascheme.sch";
    {
      sch::TSchemeWrapper w;
      sch::TSchemeObject* s = w.AddScheme("cmd", sch::skDosCommand);
      s->FindParam("cmdfilename")->SetKeyValue(kFakeCmd);
      s->FindParam("params")->SetKeyValue("--sleep 60 --grandchild " + (dir / "gc.pid"));
      s->AutoExec = true;
      s->TimerInterval = 10;
      s->SchemeTime->FMode = sch::tmDay;
      s->SchemeTime->Add(std::make_unique<sch::TSchemeTimeItem>());  // due at 00:00 each day: now
      sch::SaveObjectToFile(file, &w, true);
    }
    std::vector<std::string> env{"HOME=" + (dir / "home"), "XDG_DATA_HOME=" + (dir / "data"),
                                 "XDG_CONFIG_HOME=" + (dir / "config"), "XDG_CACHE_HOME=" + (dir / "cache"),
                                 "XDG_STATE_HOME=" + (dir / "state"), "ORASCHEME_REGISTRY_DIR=" + (dir / "registry"),
                                 "QT_QPA_PLATFORM=offscreen", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = dir / "out.txt";
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
      std::freopen(out.c_str(), "w", stdout);
      std::freopen(out.c_str(), "a", stderr);
      char* argv[] = {const_cast<char*>(kProgram.c_str()), nullptr};
      ::execve(kProgram.c_str(), argv, envp.data());
      ::_exit(127);
    }
    const pid_t grandchild = schtest::WaitForPidFile(dir / "gc.pid");  // the run is under way
    ::kill(program, sig);
    const int status = WaitForExit(program);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status << ": " << testsupport::ReadAll(out);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(schtest::ProcessGoneSoon(grandchild));
    auto saved = sch::LoadObjectFromFile(file);
    ASSERT_TRUE(saved && saved->Count() == 1);
    ASSERT_EQ(saved->GetScheme(0)->LogCount(), 1);
    const sch::TSchemeLog* rec = saved->GetScheme(0)->GetLog(0);
    EXPECT_EQ(rec->ExitCode, 101);
    EXPECT_NE(rec->EndTime, 0);
    EXPECT_EQ(rec->ResultMsgs, "Run Scripts...Terminate by main program\r\n");
  }
}

}  // namespace
