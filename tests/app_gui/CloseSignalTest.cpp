// The program itself, started as a user starts it, asked to end by a signal (a logout, a
// shutdown, Ctrl+C in its terminal) while a scheme runs: it closes as its window's close does.
// The run's child and its own children end with exit code 101 and the record is saved; killed
// outright, the program lost the record and left the child running.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ChildProcesses.h"
#include "tests/app_gui/RealProgram.h"

namespace {

using namespace schtest;

TEST(CloseSignal, EachCloseSignalEndsTheRunWith101AndSavesItsRecord) {
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    testsupport::ScratchFolder dir;
    const std::string file = SchemeFileUnder(dir);
    WriteDueCommandScheme(file, "--sleep 60 --grandchild " + (dir / "gc.pid"));
    const std::string out = dir / "out.txt";
    const pid_t program = StartProgram(dir, out);
    ASSERT_GE(program, 0);
    const pid_t grandchild = WaitForPidFile(dir / "gc.pid");  // the run is under way
    ASSERT_GT(grandchild, 0) << "no run within 30 s: " << testsupport::ReadAll(out);
    ::kill(program, sig);
    const int status = WaitForExit(program);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status << ": " << testsupport::ReadAll(out);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(ProcessGoneSoon(grandchild));
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
