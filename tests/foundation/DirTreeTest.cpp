#include "foundation/files/DirTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using namespace olv;

namespace {

// A temporary folder holding:
//   outside/target.txt, outside/keep/deep.txt      never to be touched
//   tree/a.tmp  tree/b.txt  tree/.hidden  tree/ro.txt (read-only)
//   tree/to_outside -> ../outside        (a link to a folder out of the tree)
//   tree/file_link  -> ../outside/target.txt
//   tree/sub/c.tmp  tree/sub/d.txt  tree/sub/deeper/e.tmp
//   data/srv/x.txt  data/srv/inner/y.txt  data/other/z.txt   (a path holding "/s")
class DirTreeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.path();
    for (const char* f : {"outside/target.txt", "outside/keep/deep.txt", "tree/a.tmp", "tree/b.txt",
                          "tree/.hidden", "tree/ro.txt", "tree/sub/c.tmp", "tree/sub/d.txt",
                          "tree/sub/deeper/e.tmp", "data/srv/x.txt", "data/srv/inner/y.txt",
                          "data/other/z.txt"})
      Make(f);
    fs::permissions(root_ / "tree/ro.txt", fs::perms::owner_read);
    fs::create_directory_symlink(root_ / "outside", root_ / "tree/to_outside");
    fs::create_symlink(root_ / "outside/target.txt", root_ / "tree/file_link");
  }
  void TearDown() override {
  }
  void Make(const std::string& rel) {
    fs::create_directories((root_ / rel).parent_path());
    std::ofstream(root_ / rel) << rel;
  }
  bool Has(const std::string& rel) const { return fs::exists(fs::symlink_status(root_ / rel)); }
  std::string P(const std::string& rel) const { return (root_ / rel).string(); }
  void ExpectOutsideIntact() const {
    EXPECT_TRUE(Has("outside/target.txt"));
    EXPECT_TRUE(Has("outside/keep/deep.txt"));
  }
  testsupport::ScratchFolder scratch_;
  fs::path root_;
};

TEST_F(DirTreeFixture, WithoutSwitchOnlyTheFolderFilesGo) {
  EXPECT_TRUE(DelTree(P("tree/")));
  for (const char* gone : {"tree/a.tmp", "tree/b.txt", "tree/.hidden", "tree/ro.txt", "tree/to_outside", "tree/file_link"})
    EXPECT_FALSE(Has(gone)) << gone;
  for (const char* kept : {"tree", "tree/sub/c.tmp", "tree/sub/d.txt", "tree/sub/deeper/e.tmp"})
    EXPECT_TRUE(Has(kept)) << kept;
  ExpectOutsideIntact();
}

TEST_F(DirTreeFixture, TrailingSwitchRemovesTheWholeTreeButNotWhatLinksPointTo) {
  EXPECT_TRUE(DelTree(P("tree/") + "/S"));
  EXPECT_FALSE(Has("tree"));
  ExpectOutsideIntact();
  EXPECT_TRUE(Has("data/srv/x.txt"));
}

TEST_F(DirTreeFixture, ASlashSInsideThePathIsNoSwitch) {
  // Upper-casing and taking "/S" anywhere would turn this into a recursive walk of another tree.
  EXPECT_TRUE(DelTree(P("data/srv/")));
  EXPECT_FALSE(Has("data/srv/x.txt"));
  EXPECT_TRUE(Has("data/srv/inner/y.txt"));
  EXPECT_TRUE(Has("data/srv"));
  EXPECT_TRUE(Has("data/other/z.txt"));
  // A folder named without a trailing "/" is a mask within its parent: no file there is called "srv".
  EXPECT_TRUE(DelTree(P("data/srv")));
  EXPECT_TRUE(Has("data/srv/inner/y.txt"));
  EXPECT_TRUE(Has("data/other/z.txt"));
}

TEST_F(DirTreeFixture, AMaskWithLowerCaseSwitchDeletesMatchesAtEveryLevelAndNoFolder) {
  Make("tree/A.TMP");
  EXPECT_TRUE(DelTree(P("tree/*.tmp/s")));
  for (const char* gone : {"tree/a.tmp", "tree/sub/c.tmp", "tree/sub/deeper/e.tmp"}) EXPECT_FALSE(Has(gone)) << gone;
  // Names are matched as written: the mask is not widened by case folding.
  for (const char* kept : {"tree/A.TMP", "tree/b.txt", "tree/sub/d.txt", "tree/sub/deeper", "tree/to_outside"})
    EXPECT_TRUE(Has(kept)) << kept;
  ExpectOutsideIntact();
}

TEST_F(DirTreeFixture, DotFoldersAreNeitherWalkedNorRemoved) {
  Make("tree/.cache/f.tmp");
  EXPECT_THROW(DelTree(P("tree//S")), EInOutError);  // "tree" still holds ".cache"
  EXPECT_TRUE(Has("tree/.cache/f.tmp"));
  EXPECT_FALSE(Has("tree/sub"));
  EXPECT_FALSE(Has("tree/b.txt"));
}

TEST_F(DirTreeFixture, AFolderNamedByALinkIsNotEntered) {
  fs::create_directory_symlink(root_ / "outside", root_ / "alias");
  EXPECT_TRUE(DelTree(P("alias//S")));
  EXPECT_TRUE(DelTree(P("alias/")));
  ExpectOutsideIntact();
  EXPECT_TRUE(Has("alias"));
}

TEST_F(DirTreeFixture, SeveralEntriesAndEmptyEntries) {
  EXPECT_TRUE(DelTree(P("data/other/") + "," + "," + P("data/srv/inner//S")));
  EXPECT_FALSE(Has("data/other/z.txt"));
  EXPECT_FALSE(Has("data/srv/inner"));
  EXPECT_TRUE(Has("data/srv/x.txt"));
  // Backslashes as the original wrote them separate folders as well.
  Make("data/other/w.txt");
  std::string windows = P("data/other/");
  std::replace(windows.begin(), windows.end(), '/', '\\');
  EXPECT_TRUE(DelTree(windows));
  EXPECT_FALSE(Has("data/other/w.txt"));
  // An empty spec names nothing, not the current folder.
  EXPECT_TRUE(DelTree(""));
  EXPECT_TRUE(DelTree(","));
}

TEST_F(DirTreeFixture, WalkerReportsLinksAsFilesAndStopsOnAHandlerResult) {
  TDirTree walk;
  walk.Spec = P("tree/") + "/S";
  walk.Attr = faArchive | faDirectory | faReadOnly | faHidden | faSysFile;
  std::vector<std::string> files, dirs;
  walk.OnFile = [&](const std::string& path, const TSearchRec& e) {
    files.push_back(path + e.Name);
    if (e.Name == "file_link" || e.Name == "to_outside") {
      EXPECT_TRUE(e.Attr & faSymLink) << e.Name;
    }
    if (e.Name == ".hidden") {
      EXPECT_TRUE(e.Attr & faHidden);
    }
    return 0;
  };
  walk.OnDir = [&](const std::string& path, const TSearchRec& e) {
    dirs.push_back(path + e.Name);
    return 0;
  };
  walk.NextSpec();
  EXPECT_TRUE(walk.Recursive);
  EXPECT_EQ(walk.Path, P("tree/"));
  EXPECT_EQ(walk.Mask, "*.*");
  walk.Execute();
  EXPECT_EQ(walk.Status, 0);
  std::sort(files.begin(), files.end());
  std::vector<std::string> want = {P("tree/.hidden"), P("tree/a.tmp"), P("tree/b.txt"), P("tree/file_link"),
                                   P("tree/ro.txt"), P("tree/sub/c.tmp"), P("tree/sub/d.txt"),
                                   P("tree/sub/deeper/e.tmp"), P("tree/to_outside")};
  EXPECT_EQ(files, want);
  EXPECT_NE(std::find(dirs.begin(), dirs.end(), P("tree/.")), dirs.end());
  EXPECT_NE(std::find(dirs.begin(), dirs.end(), P("tree/sub/deeper")), dirs.end());

  // Hidden files stay out unless asked for; a handler's result stops the walk.
  TDirTree stop;
  stop.Spec = P("tree/") + "/S";
  int calls = 0;
  stop.OnFile = [&](const std::string&, const TSearchRec& e) {
    EXPECT_NE(e.Name, ".hidden");
    return ++calls == 2 ? 77 : 0;
  };
  stop.NextSpec();
  stop.Execute();
  EXPECT_EQ(stop.Status, 77);
  EXPECT_EQ(calls, 2);
}

TEST_F(DirTreeFixture, WalkStatusWithoutSwitch) {
  TDirTree walk;
  walk.Spec = P("tree/*.none");
  walk.NextSpec();
  EXPECT_FALSE(walk.Recursive);
  walk.Execute();
  EXPECT_EQ(walk.Status, kWalkFileNotFound);
  TDirTree missing;
  missing.Spec = P("nowhere/") + "/S";
  missing.NextSpec();
  missing.Execute();
  EXPECT_EQ(missing.Status, kWalkPathNotFound);
}

TEST(MatchesMask, Wildcards) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  };
  const Case cases[] = {
      {"abab", "*ab", true},       {"a.tmp", "*.tmp", true},    {"a.tmp.bak", "*.tmp", false},
      {"noext", "*.*", true},      {"x", "?", true},            {"xy", "?", false},
      {"a[1].txt", "a[1].txt", true}, {"A.TMP", "*.tmp", false}, {"", "*", true},
      // A long mask is used whole: cutting it to 12 characters would widen it.
      {"abcdefghijkX.txt", "abcdefghijk*.tmp", false}, {"abcdefghijkX.tmp", "abcdefghijk*.tmp", true},
      {"aaa", "a*a*a", true},      {"aa", "a*a*a", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

}  // namespace
