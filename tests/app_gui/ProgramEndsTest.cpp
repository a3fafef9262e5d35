// The program itself attacked from outside as a user's machine meets it: killed outright during
// a run, started a second time on the same data, asked to close by a signal while a box waits
// for a click. Nothing may be lost, run twice, left running or left waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ChildProcesses.h"
#include "tests/app_gui/RealProgram.h"

namespace {

using namespace schtest;
namespace fs = std::filesystem;

std::string LongRunWithFamily(const testsupport::ScratchFolder& dir) {
  return "--sleep 60 --grandchild " + (dir / "gc.pid") + " --setsid-grandchild " + (dir / "loner.pid");
}

// Killed with SIGKILL during a run: the run's whole family goes with it (a background sleeper
// and one in a session of its own too), and the file holds the run's open record. The next start
// closes that record as interrupted (101, with the reason); the run, not having succeeded, is
// still due by its run time, so the timer starts it again.
TEST(ProgramEnds, AKillDuringARunLeavesAnOpenRecordAndNoProcessAndTheNextStartClosesIt) {
  testsupport::ScratchFolder dir;
  const std::string file = SchemeFileUnder(dir);
  WriteDueCommandScheme(file, LongRunWithFamily(dir));
  const pid_t program = StartProgram(dir, dir / "out.txt");
  ASSERT_GT(program, 0);
  const pid_t grandchild = WaitForPidFile(dir / "gc.pid");
  const pid_t loner = WaitForPidFile(dir / "loner.pid");
  ASSERT_GT(grandchild, 0) << "no run within 30 s: " << testsupport::ReadAll(dir / "out.txt");
  ASSERT_GT(loner, 0);
  ::kill(program, SIGKILL);
  ASSERT_EQ(::waitpid(program, nullptr, 0), program);
  EXPECT_TRUE(ProcessGoneSoon(grandchild)) << "the background sleeper outlived the program by 5 s";
  EXPECT_TRUE(ProcessGoneSoon(loner)) << "the sleeper in its own session outlived the program by 5 s";
  {
    auto saved = sch::LoadObjectFromFile(file);
    ASSERT_TRUE(saved && saved->Count() == 1);
    ASSERT_EQ(saved->GetScheme(0)->LogCount(), 1) << "the run left no record";
    const sch::TSchemeLog* open = saved->GetScheme(0)->GetLog(0);
    EXPECT_EQ(open->ExitCode, -1);
    EXPECT_EQ(open->EndTime, 0);
  }

  fs::remove(dir / "gc.pid");
  fs::remove(dir / "loner.pid");
  const pid_t next = StartProgram(dir, dir / "out2.txt");
  ASSERT_GT(next, 0);
  const pid_t again = WaitForPidFile(dir / "gc.pid");
  ASSERT_GT(again, 0) << "the due run did not start again within 30 s";
  ::kill(next, SIGTERM);
  const int status = WaitForExit(next);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status << ": " << testsupport::ReadAll(dir / "out2.txt");
  EXPECT_TRUE(ProcessGoneSoon(again));
  auto saved = sch::LoadObjectFromFile(file);
  ASSERT_TRUE(saved && saved->Count() == 1);
  ASSERT_EQ(saved->GetScheme(0)->LogCount(), 2);
  const sch::TSchemeLog* interrupted = saved->GetScheme(0)->GetLog(0);
  EXPECT_EQ(interrupted->ExitCode, 101);
  EXPECT_EQ(interrupted->EndTime, interrupted->StartTime);
  EXPECT_NE(interrupted->ResultMsgs.find("Terminate by main program"), std::string::npos) << interrupted->ResultMsgs;
  EXPECT_EQ(saved->GetScheme(0)->GetLog(1)->ExitCode, 101) << "the run started again ended with the close";
}

// A second program on the same data says who has the file, on stderr and in a box, and ends
// (here asked by a signal while its box waits) without touching the file or running anything;
// the first goes on with its run.
TEST(ProgramEnds, ASecondProgramOnTheSameFileSaysWhoHasItAndTouchesNothing) {
  testsupport::ScratchFolder dir;
  const std::string file = SchemeFileUnder(dir);
  WriteDueCommandScheme(file, "--sleep 60 --grandchild " + (dir / "gc.pid"));
  const pid_t first = StartProgram(dir, dir / "out1.txt");
  ASSERT_GT(first, 0);
  const pid_t grandchild = WaitForPidFile(dir / "gc.pid");
  ASSERT_GT(grandchild, 0) << "no run within 30 s: " << testsupport::ReadAll(dir / "out1.txt");
  const std::string before = testsupport::ReadAll(file);
  const auto stamp = fs::last_write_time(file);
  fs::remove(dir / "gc.pid");
  const std::string pictures = dir / "data/orascheme/Temp";
  const std::vector<std::string> firstsPictures = testsupport::NamesIn(pictures);
  EXPECT_FALSE(firstsPictures.empty()) << "the first program's page pictures are not in " << pictures;

  const pid_t second = StartProgram(dir, dir / "out2.txt");
  ASSERT_GT(second, 0);
  const std::string said = "is in use by the program with process id " + std::to_string(first) + ".";
  EXPECT_TRUE(WaitForText(dir / "out2.txt", said)) << testsupport::ReadAll(dir / "out2.txt");
  ::kill(second, SIGTERM);
  const int status = WaitForExit(second);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_FALSE(fs::exists(dir / "gc.pid")) << "the second program ran the scheme too";
  EXPECT_TRUE(testsupport::ReadAll(file) == before && fs::last_write_time(file) == stamp)
      << "the second program wrote the file";
  EXPECT_EQ(testsupport::NamesIn(pictures), firstsPictures) << "the second program took the first's pictures";
  EXPECT_TRUE(::kill(first, 0) == 0 && !ProcessGone(grandchild)) << "the first program's run was disturbed";

  ::kill(first, SIGTERM);
  ASSERT_TRUE(WIFEXITED(WaitForExit(first)));
  auto saved = sch::LoadObjectFromFile(file);
  ASSERT_TRUE(saved && saved->Count() == 1);
  ASSERT_EQ(saved->GetScheme(0)->LogCount(), 1);
  EXPECT_EQ(saved->GetScheme(0)->GetLog(0)->ExitCode, 101);
}

// A close asked by a signal ends the program whatever box is up: the start-up box of a damaged
// scheme file, and the close's own failed save on a full disk, which goes to stderr, not to a
// box, naming the scheme file and keeping its previous version.
TEST(ProgramEnds, ASignalClosesTheProgramWhateverBoxWaits) {
  {
    SCOPED_TRACE("the start-up box of a damaged file");
    testsupport::ScratchFolder dir;
    const std::string file = SchemeFileUnder(dir);
    testsupport::WriteAll(file, "not a scheme file");
    const pid_t program = StartProgram(dir, dir / "out.txt");
    ASSERT_GT(program, 0);
    ASSERT_TRUE(WaitForText(file + ".unreadable", "not a scheme file")) << "the file was not refused within 30 s";
    // The box comes right after the file is moved aside; the signal may find it up or coming.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(program, SIGTERM);
    const int status = WaitForExit(program, std::chrono::seconds(20));
    EXPECT_TRUE(status != -1 && WIFEXITED(status)) << "status " << status << " 20 s after SIGTERM";
  }
  {
    SCOPED_TRACE("a failed save at the close on a full disk");
    testsupport::ScratchFolder dir;
    const std::string file = SchemeFileUnder(dir);
    WriteDueCommandScheme(file, "--sleep 60 --grandchild " + (dir / "gc.pid"));
    const std::string before = testsupport::ReadAll(file);
    // No file may grow past the scheme file as it is: every save of it with a record fails.
    const pid_t program = StartProgram(dir, dir / "out.txt", before.size());
    ASSERT_GT(program, 0);
    const pid_t grandchild = WaitForPidFile(dir / "gc.pid");
    ASSERT_GT(grandchild, 0) << "no run within 30 s: " << testsupport::ReadAll(dir / "out.txt");
    ::kill(program, SIGTERM);
    const int status = WaitForExit(program, std::chrono::seconds(20));
    EXPECT_TRUE(status != -1 && WIFEXITED(status)) << "status " << status << " 20 s after SIGTERM";
    EXPECT_TRUE(ProcessGoneSoon(grandchild));
    // The output is copied to out.txt as it comes: waited for.
    EXPECT_TRUE(WaitForText(dir / "out.txt", "The scheme file \"" + file + "\" could not be saved"))
        << testsupport::ReadAll(dir / "out.txt");
    EXPECT_TRUE(WaitForText(dir / "out.txt", "its previous version is kept")) << testsupport::ReadAll(dir / "out.txt");
    const std::string out = testsupport::ReadAll(dir / "out.txt");
    EXPECT_EQ(out.find("/.save"), std::string::npos) << "the hidden temporary file is named: " << out;
    EXPECT_TRUE(testsupport::ReadAll(file) == before) << "the previous version was not kept";
  }
}

}  // namespace
