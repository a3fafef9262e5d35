#include "platform/FileLock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace plat {
namespace {

namespace fs = std::filesystem;

class FileLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orascheme-lock-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    file_ = (dir_ / "schemes.sch").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Another program holding the lock: a forked copy that takes it, says so and waits to be
  // killed. Record locks belong to a process, so only another process can show a conflict.
  pid_t HolderElsewhere() {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      FileLock::Outcome held = FileLock::Take(file_);
      const char ok = held.lock ? '1' : '0';
      [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
      ::pause();
      ::_exit(0);
    }
    ::close(ready[1]);
    char ok = '0';
    const bool said = ::read(ready[0], &ok, 1) == 1;
    ::close(ready[0]);
    return said && ok == '1' ? pid : -1;
  }
  fs::path dir_;
  std::string file_;
};

// A second taker learns who holds the file; once the holder is killed outright (no chance to let
// go), the system has dropped the lock and the file is free again.
TEST_F(FileLockTest, SecondTakerLearnsTheHolderAndAKilledHolderLeavesItFree) {
  const pid_t holder = HolderElsewhere();
  ASSERT_GT(holder, 0);
  FileLock::Outcome second = FileLock::Take(file_);
  EXPECT_FALSE(second.lock);
  EXPECT_EQ(second.holder, holder);
  EXPECT_EQ(FileLock::HolderOf(file_), holder);
  EXPECT_TRUE(second.error.empty());
  EXPECT_TRUE(fs::exists(dir_ / ".schemes.sch.lock"));
  EXPECT_FALSE(fs::exists(file_)) << "the guarded file itself is not touched";

  ::kill(holder, SIGKILL);
  ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
  EXPECT_EQ(FileLock::HolderOf(file_), 0);
  FileLock::Outcome third = FileLock::Take(file_);
  ASSERT_TRUE(third.lock);
  EXPECT_EQ(third.holder, 0);
  std::string text;
  std::ifstream(FileLock::LockFileOf(file_)) >> text;
  EXPECT_EQ(text, std::to_string(::getpid()));
}

TEST_F(FileLockTest, ALockFileThatCannotBeMadeIsAnErrorNotAHolder) {
  FileLock::Outcome out = FileLock::Take((dir_ / "missing-folder" / "schemes.sch").string());
  EXPECT_FALSE(out.lock);
  EXPECT_EQ(out.holder, 0);
  EXPECT_NE(out.error.find("missing-folder"), std::string::npos) << out.error;
}

}  // namespace
}  // namespace plat
