#include "foundation/files/Folders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/base/Exception.h"
#include "foundation/startup/OlvPub.h"
#include "foundation/files/ShellFolders.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/ScopedEnv.h"

namespace olv {
namespace {

namespace fs = std::filesystem;

// A private folder under the system's temporary folder, removed afterwards.
class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
  }
  void TearDown() override {
    SetProgramPathOverride("");
  }
  testsupport::ScratchFolder scratch_;
  std::string dir_;
};

TEST(Folders, ChangeExtension) {
  struct Case {
    const char* path;
    const char* ext;
    const char* want;
  } cases[] = {
      {"C:\\a.b\\file", "LOG", "C:\\a.b\\file.LOG"},  // the dot in the folder is no extension
      {"/a.b/file", "LOG", "/a.b/file.LOG"},
      {"/x/prog.exe", "ini", "/x/prog.ini"},
      {"/x/prog.", "sch", "/x/prog.sch"},
      {"prog", "sch", "prog.sch"},
      {"", "sch", ".sch"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChangeExtension(c.path, c.ext), c.want) << c.path;
}

TEST(Folders, ProgramPathComesFromTheSystemOrTheOverride) {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  ASSERT_GT(n, 0);
  const std::string self(buf, static_cast<std::size_t>(n));
  EXPECT_EQ(GetProgramPath(), self);
  EXPECT_EQ(GetProgramDir(), fs::path(self).parent_path().string() + "/");
  EXPECT_EQ(GetProgramName(), "test_foundation");  // no extension to cut
  EXPECT_EQ(GetProgramFile("LOG"), self + ".LOG");

  SetProgramPathOverride("C:\\Program Files\\Plan\\plan.exe");
  EXPECT_EQ(GetProgramDir(), "C:/Program Files/Plan/");
  EXPECT_EQ(GetProgramName(), "plan");
  EXPECT_EQ(GetProgramFile("sch"), "C:/Program Files/Plan/plan.sch");
  SetProgramPathOverride("");
  EXPECT_EQ(GetProgramPath(), self);
}

TEST(Folders, MachineAndUserNames) {
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(GetComputerNameStr(), host);
  const passwd* pw = ::getpwuid(::geteuid());
  ASSERT_NE(pw, nullptr);
  EXPECT_EQ(GetWinUser(), pw->pw_name);
  SetAppUserName("operator");
  EXPECT_EQ(GetAppUser(), "operator");
  SetAppUserName("");
  EXPECT_EQ(GetAppUser(), "");
}

TEST(Folders, SystemFoldersEndWithASeparator) {
  for (const std::string& d : {GetTempDir(), GetWindowsDir(), GetSystemDir(), GetProgramFilesDir(),
                               GetCommonFilesDir()}) {
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '/') << d;
  }
  EXPECT_EQ(GetWindowsDisk(), "");
}

TEST_F(TempFolder, TempDirFollowsTmpdir) {
  testsupport::ScopedEnv env;
  env.Set("TMPDIR", dir_);
  EXPECT_EQ(GetTempDir(), dir_ + "/");
  const std::string a = MakeTempFile("pre/fix");
  const std::string b = MakeTempFile("pre/fix");
  env.Set("TMPDIR", dir_ + "/missing");
  EXPECT_EQ(GetTempDir(), "/tmp/");

  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind(dir_ + "/pre_fix", 0), 0u) << a;  // a separator in the prefix cannot escape
  struct stat st{};
  ASSERT_EQ(::stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_mode & 077, 0u);  // not readable by others
}

TEST_F(TempFolder, FolderServices) {
  EXPECT_TRUE(DirExists(dir_));
  EXPECT_TRUE(DirExists(dir_ + "/"));
  EXPECT_FALSE(DirExists(dir_ + "/none"));
  EXPECT_FALSE(DirExists(""));
  EXPECT_TRUE(ForceDirs(dir_ + "\\a\\b/c\\"));  // a backslash is a separator
  EXPECT_TRUE(DirExists(dir_ + "/a/b/c"));
  std::ofstream(dir_ + "/file") << "x";
  EXPECT_FALSE(DirExists(dir_ + "/file"));
  EXPECT_FALSE(ForceDirs(dir_ + "/file/sub"));
}

TEST_F(TempFolder, CopyFileData) {
  std::string data(200000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  std::ofstream(dir_ + "/src", std::ios::binary) << data;
  std::ofstream(dir_ + "/dst", std::ios::binary) << std::string(300000, 'x');  // emptied first
  EXPECT_EQ(CopyFileData(dir_ + "/src", dir_ + "\\dst"), static_cast<std::int64_t>(data.size()));
  std::ifstream in(dir_ + "/dst", std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), data);
  try {
    CopyFileData(dir_ + "/missing", dir_ + "/dst2");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("\r\n[2]"), std::string::npos) << e.what();  // ENOENT
  }
  EXPECT_FALSE(fs::exists(dir_ + "/dst2"));
}

TEST(Folders, RaiseFileErrorAddsCodeAndSystemMessage) {
  try {
    RaiseFileError("Cannot open x", ENOENT);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), std::string("Cannot open x\r\n[2]") + std::strerror(ENOENT));
  }
}

TEST(ShellFolders, ComeFromTheXdgFolders) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  testsupport::ScopedEnv env;
  env.Set("XDG_CONFIG_HOME", "/nonexistent-config");  // no user-dirs file to consult
  env.Set("XDG_DESKTOP_DIR", "/somewhere/Desk/");
  EXPECT_EQ(ReadShellFolder("desktop"), "/somewhere/Desk");
  env.Unset("XDG_DESKTOP_DIR");
  if (!home.empty()) {
    EXPECT_EQ(ReadShellFolder("Desktop"), home + "/Desktop");
  }
  EXPECT_EQ(ReadShellFolder("NoSuchFolder"), "");
  const auto names = ShellFolderValueNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "Personal"), names.end());
}

TEST(OlvPub, StartUpSplitsParametersAndInstallsDateFormats) {
  const char* argv[] = {"prog", "a=1;b=2", "DUMP=/x/y.dmp", "", "c=3;"};
  InitializeOlvPub(5, argv);
  EXPECT_EQ(CommandLineParams(), (std::vector<std::string>{"a=1", "b=2", "DUMP=/x/y.dmp", "c=3"}));
  EXPECT_EQ(CommandLineParam("dump"), "/x/y.dmp");
  EXPECT_EQ(CommandLineParam("missing"), "");
  EXPECT_TRUE(UserPathMacros().empty());
  const auto fs = CurrentFormatSettings();
  EXPECT_EQ(fs->DateSeparator, ".");
  EXPECT_EQ(fs->ShortDateFormat, "YYYY.M.D");
  EXPECT_EQ(fs->LongMonthNames[0], "元月");
  EXPECT_EQ(fs->LongMonthNames[11], "十二月");
  EXPECT_EQ(fs->LongDayNames[0], "星期日");
  EXPECT_EQ(fs->TimePMString, "下午");
  EXPECT_EQ(DateToStr(EncodeDate(2004, 3, 2)), "2004.3.2");
  FinalizeOlvPub();
  EXPECT_TRUE(CommandLineParams().empty());
  InstallFormatSettings(FormatSettings{});
}

}  // namespace
}  // namespace olv
