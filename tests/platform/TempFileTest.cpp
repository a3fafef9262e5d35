// Work files of our own naming: a save or compression killed half-way leaves its temporary file,
// and the next save in that folder (or the next start) removes it; files in use by a program
// still running, other files and links are never touched.
#include "platform/TempFile.h"

#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "tests/support/ScratchFolder.h"

namespace plat {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::WriteAll;

// A save killed after writing part of the new content: a child process that dies for good
// between the write and the commit.
void KilledSave(const std::string& target) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    AtomicFile file(target);
    file.write("half of the new", 15);
    ::kill(::getpid(), SIGKILL);
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
}

TEST(TempFile, NamesFollowThePatternExactly) {
  struct Case {
    const char* name;
    bool ours;
  };
  for (const Case c : {Case{".saveAb3dE9zQ", true}, Case{".saveAb3dE9z", false}, Case{".saveAb3dE9zQQ", false},
                       Case{".saveAb3d-9zQ", false}, Case{"saveAb3dE9zQQ", false}, Case{".SAVEAb3dE9zQ", false},
                       Case{"orascheme.sch", false}, Case{".save", false}}) {
    EXPECT_EQ(IsTempFileName(c.name, ".save"), c.ours) << c.name;
  }
  EXPECT_TRUE(IsTempFileName("Temp12345678.log", "Temp", ".log"));
  EXPECT_FALSE(IsTempFileName("Temp12345678.txt", "Temp", ".log"));
}

TEST(TempFile, AKilledSaveIsCleanedUpByTheNextSaveInItsFolder) {
  testsupport::ScratchFolder dir;
  const std::string target = dir / "orascheme.sch";
  WriteAll(target, "old");
  KilledSave(target);
  const std::vector<std::string> afterKill = dir.names();
  ASSERT_EQ(afterKill.size(), 2u) << "the killed save left its temporary file";
  EXPECT_TRUE(IsTempFileName(afterKill[0], kSaveTempPrefix)) << afterKill[0];

  // Around it: a save in progress in another program (held, locked), our pattern under another
  // prefix, a foreign file, and a link of our pattern.
  TempFile live = TempFile::Create(dir.path().string(), kSaveTempPrefix);
  WriteAll(dir / ".ZLibAAAAAAAA", "a compression's");
  WriteAll(dir / "notes.txt", "user's");
  fs::create_symlink(dir / "notes.txt", dir / ".saveLLLLLLLL");

  WriteFileAtomically(target, "new");
  EXPECT_EQ(ReadAll(target), "new");
  std::vector<std::string> expected{".ZLibAAAAAAAA", fs::path(live.path()).filename().string(), ".saveLLLLLLLL",
                                    "notes.txt", "orascheme.sch"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.names(), expected) << "only the killed save's file went";

  live.Close();  // its program has died meanwhile: now it is stale too
  EXPECT_EQ(RemoveStaleTempFiles(dir.path().string(), kSaveTempPrefix), 1);
  EXPECT_EQ(RemoveStaleTempFiles(dir.path().string(), ".ZLib"), 1);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{".saveLLLLLLLL", "notes.txt", "orascheme.sch"}));
  EXPECT_EQ(ReadAll(dir / "notes.txt"), "user's");
}

TEST(TempFile, CreatedExclusivelyLockedAndPrivate) {
  testsupport::ScratchFolder dir;
  TempFile a = TempFile::Create(dir.path().string(), "Temp", ".log");
  TempFile b = TempFile::Create(dir.path().string(), "Temp", ".log");
  EXPECT_NE(a.path(), b.path());
  EXPECT_EQ(testsupport::ModeOf(a.path()) & 0777, 0600u);
  EXPECT_TRUE(IsTempFileName(fs::path(a.path()).filename().string(), "Temp", ".log"));
  // Another open file description cannot take the lock while the creator holds it.
  const int fd = ::open(a.path().c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const std::string aPath = a.path();
  a.Remove();
  EXPECT_FALSE(fs::exists(aPath));
  ::close(fd);
  EXPECT_EQ(RemoveStaleTempFiles(dir.path().string(), "Temp", ".log"), 0) << "b is still held";
  EXPECT_TRUE(fs::exists(b.path()));
}

}  // namespace
}  // namespace plat
