#include "foundation/files/PathMacros.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "foundation/files/Folders.h"
#include "foundation/startup/OlvPub.h"
#include "foundation/files/ShellFolders.h"

using namespace olv;

namespace {

// A program at /srv/app/orascheme, an application user, a fake XDG session, user macros and a
// command line that tries to override both a built-in name and a user macro.
class PathMacroWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramPathOverride("/srv/app/orascheme");
    SetAppUserName("ops");
    env_.Set("HOME", "/home/t");
    env_.Set("XDG_CONFIG_HOME", "/home/t/.cfg/");
    env_.Set("XDG_DATA_HOME", "/home/t/.data");
    env_.Set("XDG_DOCUMENTS_DIR", "/home/t/文档");
    env_.Unset("XDG_DESKTOP_DIR");
    SetUserPathMacros({"Dumps=/data/dumps", "Empty=", "中文=/数据/库", "Loop=<PROGRAMDIR>/loop"});
    const char* argv[] = {"orascheme", "Dumps=/cmd/dumps;Extra=/cmd/extra", "PROGRAMDIR=/evil",
                          "empty=/cmd/empty;Personal=/cmd/docs"};
    LoadCommandLineParams(4, argv);
  }
  void TearDown() override {
    SetProgramPathOverride("");
    SetAppUserName("");
    SetUserPathMacros({});
    LoadCommandLineParams(0, nullptr);
  }
  testsupport::ScopedEnv env_;
};

struct Case {
  const char* text;
  std::string expanded;
};

TEST_F(PathMacroWorld, ExpandsEveryKindOfNameInLookupOrder) {
  const std::vector<Case> cases = {
      // Built-in names, any case; one trailing separator of the value goes.
      {"<PROGRAMDIR>/x.sch", "/srv/app/x.sch"},
      {"<programdir>/x.sch", "/srv/app/x.sch"},
      {"<PROGRAMDIR>\\x.sch", "/srv/app\\x.sch"},
      {"<PROGRAMNAME>.ini", "orascheme.ini"},
      {"<APPUSER>", "ops"},
      {"<WINUSER>", GetWinUser()},
      {"<COMPUTERNAME>", GetComputerNameStr()},
      {"<WINDIR>/etc", "/etc"},
      {"<WINSYS16DIR>/etc", "/etc"},
      {"<WINSYSDIR>", "/usr/lib"},
      {"[<WINDISK>][<WINSYSDISK>]", "[][]"},
      {"<PROGRAMFILESDIR>/x", "/opt/x"},
      {"<COMMONFILESDIR>/x", "/usr/share/x"},
      // The user's folders from the XDG session; an unset one falls back under $HOME.
      {"<Personal>/d", "/home/t/文档/d"},
      {"<AppData>", "/home/t/.cfg"},
      {"<local appdata>/x", "/home/t/.data/x"},
      {"<Desktop>", "/home/t/Desktop"},
      // Built-in before user macros before the command line.
      {"<PROGRAMDIR>", "/srv/app"},
      {"<Personal>", "/home/t/文档"},
      {"<Dumps>/a.dmp", "/data/dumps/a.dmp"},
      {"<Extra>", "/cmd/extra"},
      {"<EMPTY>", "/cmd/empty"},  // an empty user value is no value
      {"<中文>/x", "/数据/库/x"},
      // Unknown names stay as written.
      {"<XYZ>/a", "<XYZ>/a"},
      {"<PROGRAM DIR>", "<PROGRAM DIR>"},
      // Values are not expanded again.
      {"<Loop>", "<PROGRAMDIR>/loop"},
      // Several macros, adjacent, and text in between, with UTF-8 around them.
      {"<Dumps>/<PROGRAMNAME>_<APPUSER>.dmp", "/data/dumps/orascheme_ops.dmp"},
      {"<Dumps><PROGRAMNAME>", "/data/dumpsorascheme"},
      {"备份/<PROGRAMNAME>_数据.dmp", "备份/orascheme_数据.dmp"},
      {"数据<Extra>库", "数据/cmd/extra库"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandPathMacros(c.text), c.expanded) << c.text;
}

TEST_F(PathMacroWorld, MalformedMacrosAreLeftAsWritten) {
  const std::vector<Case> cases = {
      {"", ""},
      {"/plain/path.sch", "/plain/path.sch"},
      {"a>b", "a>b"},
      {"<>", "<>"},
      {"a<PROGRAMDIR", "a<PROGRAMDIR"},             // never closed
      {"<PROGRAMDIR>/b<c", "/srv/app/b<c"},         // the last one never closed
      {"<", "<"},
      {"<<PROGRAMDIR>>", "<<PROGRAMDIR>>"},         // the name is "<PROGRAMDIR", unknown
      {"<<PROGRAMDIR>", "<<PROGRAMDIR>"},
      {"'a<b'", "'a<b'"},                           // "<" only inside a literal: no "<>" added
      {"'<PROGRAMDIR>'/x", "'<PROGRAMDIR>'/x"},
      {"x'y<PROGRAMDIR>", "x'y<PROGRAMDIR>"},       // an open quote hides the rest
      {"<a'b>c", "<a'b>c"},                         // the quote hides the closing ">"
      {"<PROGRAMDIR>/it's", "/srv/app/it's"},
      {"<PROGRAMDIR>/'q'/<PROGRAMNAME>", "/srv/app/'q'/orascheme"},
      {"<\xE4\xB8>", "<\xE4\xB8>"},                 // a cut character as a name: unknown
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandPathMacros(c.text), c.expanded) << c.text;
}

TEST_F(PathMacroWorld, NamesAreTheBuiltInsThenTheUsersFolders) {
  const auto& names = ShellFolderNames();
  const std::vector<std::string> builtIns = {
      "PROGRAMDIR", "PROGRAMNAME", "APPUSER",     "WINUSER",         "COMPUTERNAME",  "WINDIR",
      "WINSYSDIR",  "WINDISK",     "WINSYSDISK",  "WINSYS16DIR",     "PROGRAMFILESDIR", "COMMONFILESDIR"};
  ASSERT_EQ(names.size(), builtIns.size() + ShellFolderValueNames().size());
  EXPECT_TRUE(std::equal(builtIns.begin(), builtIns.end(), names.begin()));
  EXPECT_TRUE(std::equal(names.begin() + pmFirstShellFolder, names.end(), ShellFolderValueNames().begin()));

  EXPECT_EQ(PathMacroIndex("programdir"), pmProgramDir);
  EXPECT_EQ(PathMacroIndex("CommonFilesDir"), pmCommonFilesDir);
  EXPECT_EQ(PathMacroIndex("personal"), pmFirstShellFolder + 4);
  EXPECT_EQ(PathMacroIndex("Dumps"), -1);
  EXPECT_EQ(PathMacroIndex(""), -1);
  EXPECT_EQ(PathMacroValue(PathMacroIndex("Personal")), "/home/t/文档");
  EXPECT_EQ(PathMacroValue(-1), "");
  EXPECT_EQ(PathMacroValue(static_cast<int>(names.size())), "");
}

TEST_F(PathMacroWorld, TheUsersFoldersAreReadWhenAsked) {
  EXPECT_EQ(GetPathMacro("Personal"), "/home/t/文档");
  env_.Set("XDG_DOCUMENTS_DIR", "/mnt/docs/");
  EXPECT_EQ(GetPathMacro("Personal"), "/mnt/docs");
}

// A session that does not export the folder variables names them in its user-dirs file.
TEST_F(PathMacroWorld, TheUsersFoldersComeFromTheUserDirsFileWhenNotExported) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "userdirs.XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  {
    std::ofstream f(tmpl + "/user-dirs.dirs");
    f << "# written by the session\n"
         "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
         "XDG_MUSIC_DIR=\"/srv/music/\"\n"
         "XDG_VIDEOS_DIR=\"relative/videos\"\n"
         "XDG_TEMPLATES_DIR=\"$HOMEX/t\"\n";
  }
  env_.Set("XDG_CONFIG_HOME", tmpl);
  env_.Unset("XDG_MUSIC_DIR");
  env_.Unset("XDG_VIDEOS_DIR");
  env_.Unset("XDG_TEMPLATES_DIR");
  env_.Unset("XDG_PICTURES_DIR");
  const std::vector<Case> cases = {
      {"<Desktop>/a", "/home/t/桌面/a"},
      {"<My Music>", "/srv/music"},
      {"<My Video>", "/home/t/Videos"},     // a relative entry is ignored
      {"<Templates>", "/home/t/Templates"}, // "$HOMEX" is not "$HOME"
      {"<My Pictures>", "/home/t/Pictures"},
      {"<Personal>", "/home/t/文档"},       // the exported variable wins
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandPathMacros(c.text), c.expanded) << c.text;
  std::filesystem::remove_all(tmpl);
}

TEST_F(PathMacroWorld, TheCommandLineFillsNamesNothingElseDefines) {
  EXPECT_EQ(GetPathMacro("Extra"), "/cmd/extra");
  SetUserPathMacros({"Extra=/user/extra"});
  EXPECT_EQ(GetPathMacro("extra"), "/user/extra");
  SetUserPathMacros({});
  LoadCommandLineParams(0, nullptr);
  EXPECT_EQ(GetPathMacro("Extra"), "<Extra>");
}

TEST_F(PathMacroWorld, NoSubstDrivesOnLinux) {
  EXPECT_EQ(GetSubstTarget("S:"), "");
  EXPECT_EQ(ResolveSubstDrive("S:\\data"), "S:\\data");
  EXPECT_EQ(ExpandPathMacros("rel/<PROGRAMNAME>", true), "rel/orascheme");
  EXPECT_EQ(ExpandFileNameMacros("<PROGRAMDIR>\\dump\\a.dmp"), "/srv/app/dump/a.dmp");
}

// Runs expand on several threads while the main thread swaps the user macros: every answer is
// one of the two values, never a torn or stale-freed one (the sanitizer build watches the memory).
TEST_F(PathMacroWorld, ExpandsOnSeveralThreadsWhileMacrosChange) {
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0}, rounds{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int n = 0; n < 500 || !stop.load(); ++n) {
        const std::string r = ExpandPathMacros("<Dumps>|<Personal>|<PROGRAMNAME>");
        if (r != "/data/dumps|/home/t/文档|orascheme" && r != "/other|/home/t/文档|orascheme") ++bad;
        ++rounds;
      }
    });
  for (int i = 0; i < 2000 || rounds.load() < 2000; ++i)
    SetUserPathMacros({i % 2 ? "Dumps=/data/dumps" : "Dumps=/other"});
  stop = true;
  for (auto& th : threads) th.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
