#include "foundation/files/ProgramFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/ScopedEnv.h"
#include "foundation/files/LogWriter.h"
#include "foundation/startup/OlvPub.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using namespace olv;

namespace {

// A scratch folder standing for the machine: a program folder, a home and XDG folders below it.
class ProgramFilesWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.path();
    fs::create_directories(root_ / "bin");
    env_.Set("HOME", (root_ / "home").string());
    env_.Set("XDG_DATA_HOME", (root_ / "data").string());
    env_.Set("XDG_CONFIG_HOME", (root_ / "cfg").string());
  }
  void TearDown() override {
    ResetProgramFiles();
    SetProgramPathOverride("");
    std::error_code ec;
    fs::permissions(root_ / "bin", fs::perms::owner_all, ec);
  }
  std::string P(const std::string& rel) const { return (root_ / rel).string(); }
  testsupport::ScratchFolder scratch_;
  fs::path root_;
  testsupport::ScopedEnv env_;
};

TEST_F(ProgramFilesWorld, AWritableProgramFolderHoldingASchemeFileKeepsTheFilesBesideTheProgram) {
  SetProgramPathOverride(P("bin/orascheme"));
  std::ofstream(P("bin/orascheme.sch")).put('x');
  const ProgramFileLocations loc = LocateProgramFiles();
  EXPECT_TRUE(loc.besideProgram);
  EXPECT_EQ(loc.schemeFile, P("bin/orascheme.sch"));
  EXPECT_EQ(loc.settingsFile, P("bin/orascheme.ini"));
  EXPECT_EQ(loc.logFile, P("bin/orascheme.LOG"));
  EXPECT_EQ(loc.pictureDir, P("bin/Temp/"));
  EXPECT_FALSE(fs::exists(root_ / "data")) << "nothing is created for an unused fallback";
  EXPECT_FALSE(fs::exists(root_ / "cfg"));
}

// A fresh build tree is writable too, but "rm -rf build" or a clean must not take the user's
// schemes: there, and in a writable folder without a scheme file, the data goes to the XDG
// folders.
TEST_F(ProgramFilesWorld, ABuildTreeOrAFolderWithoutSchemeFileSendsTheFilesToTheXdgFolders) {
  struct Case {
    const char* name;
    const char* program;
    const char* schemeFile;   // made beforehand, or null
    const char* cmakeCache;   // made beforehand, or null
  };
  for (const Case c : {Case{"no scheme file yet", "bin/orascheme", nullptr, nullptr},
                       Case{"the build tree's top", "build/orascheme", "build/orascheme.sch", "build/CMakeCache.txt"},
                       Case{"below the build tree's top", "build/app/orascheme", "build/app/orascheme.sch",
                            "build/CMakeCache.txt"}}) {
    SCOPED_TRACE(c.name);
    ResetProgramFiles();
    fs::remove_all(root_ / "data");
    fs::create_directories(fs::path(P(c.program)).parent_path());
    if (c.schemeFile) std::ofstream(P(c.schemeFile)).put('x');
    if (c.cmakeCache) std::ofstream(P(c.cmakeCache)).put('x');
    SetProgramPathOverride(P(c.program));
    const ProgramFileLocations loc = LocateProgramFiles();
    EXPECT_FALSE(loc.besideProgram);
    EXPECT_EQ(loc.schemeFile, P("data/orascheme/orascheme.sch"));
    EXPECT_EQ(loc.settingsFile, P("cfg/orascheme/orascheme.ini"));
    EXPECT_EQ(loc.logFile, P("data/orascheme/orascheme.LOG"));
    EXPECT_EQ(loc.pictureDir, P("data/orascheme/Temp/"));
  }
}

TEST_F(ProgramFilesWorld, AMissingProgramFolderSendsTheFilesToTheXdgFolders) {
  SetProgramPathOverride(P("usr/bin/orascheme"));
  const ProgramFileLocations loc = LocateProgramFiles();
  EXPECT_FALSE(loc.besideProgram);
  EXPECT_EQ(loc.schemeFile, P("data/orascheme/orascheme.sch"));
  EXPECT_EQ(loc.logFile, P("data/orascheme/orascheme.LOG"));
  EXPECT_EQ(loc.pictureDir, P("data/orascheme/Temp/"));
  EXPECT_EQ(loc.settingsFile, P("cfg/orascheme/orascheme.ini"));
  EXPECT_TRUE(fs::is_directory(root_ / "data/orascheme"));
  EXPECT_TRUE(fs::is_directory(root_ / "cfg/orascheme"));
  EXPECT_FALSE(fs::exists(root_ / "usr"));
}

// Root may write into any folder, so as root the check runs in a child that drops to an
// unprivileged user.
TEST_F(ProgramFilesWorld, AReadOnlyProgramFolderSendsTheFilesToTheXdgFolders) {
  SetProgramPathOverride(P("bin/orascheme"));
  const auto check = [&]() -> bool {
    const ProgramFileLocations loc = LocateProgramFiles();
    return !loc.besideProgram && loc.schemeFile == P("data/orascheme/orascheme.sch") &&
           loc.settingsFile == P("cfg/orascheme/orascheme.ini") && FolderWritable(P("data/orascheme"));
  };
  fs::permissions(root_ / "bin", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  fs::permissions(root_, fs::perms::all);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not drop privileges, 1: wrong locations";
}

TEST_F(ProgramFilesWorld, UnsetOrRelativeXdgVariablesFallBackUnderHome) {
  SetProgramPathOverride(P("usr/bin/orascheme"));
  env_.Unset("XDG_DATA_HOME");
  env_.Set("XDG_CONFIG_HOME", "relative/cfg");
  const ProgramFileLocations loc = LocateProgramFiles();
  EXPECT_EQ(loc.schemeFile, P("home/.local/share/orascheme/orascheme.sch"));
  EXPECT_EQ(loc.settingsFile, P("home/.config/orascheme/orascheme.ini"));
  EXPECT_TRUE(fs::is_directory(root_ / "home/.config/orascheme"));
}

TEST_F(ProgramFilesWorld, InstalledLocationsStayFixedAndNameTheLog) {
  SetProgramPathOverride(P("usr/bin/orascheme"));
  InstallProgramFiles();
  EXPECT_EQ(LogFileName(), P("data/orascheme/orascheme.LOG"));
  WriteLog("started", false);
  std::ifstream in(P("data/orascheme/orascheme.LOG"), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "started\r\n");

  // A scheme file appearing beside the program later does not move files that are already in use.
  std::ofstream(P("bin/orascheme.sch")).put('x');
  SetProgramPathOverride(P("bin/orascheme"));
  EXPECT_EQ(SchemeFilePath(), P("data/orascheme/orascheme.sch"));
  EXPECT_EQ(SettingsFilePath(), P("cfg/orascheme/orascheme.ini"));
  EXPECT_EQ(LogFilePath(), P("data/orascheme/orascheme.LOG"));
  EXPECT_EQ(PictureDir(), P("data/orascheme/Temp/"));

  ResetProgramFiles();
  EXPECT_EQ(SchemeFilePath(), P("bin/orascheme.sch"));
  EXPECT_EQ(LogFileName(), P("bin/orascheme.LOG"));
}

}  // namespace
