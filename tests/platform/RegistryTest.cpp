#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include "tests/support/ScratchFolder.h"
#include "tests/support/ScopedEnv.h"

namespace fs = std::filesystem;
using plat::RegType;
using plat::Registry;
using plat::RegistrySeed;
using plat::RegValue;

namespace {

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
  }
  void TearDown() override {
  }
  // A seed that finds nothing, so that tests do not depend on the machine's Oracle installation.
  RegistrySeed NoSeed() const {
    RegistrySeed s;
    s.oratab = dir_ / "no-oratab";
    return s;
  }
  testsupport::ScratchFolder scratch_;
  fs::path dir_;
};

TEST_F(RegistryStore, TypedValuesSurviveAFreshStoreAndNamesIgnoreCase) {
  const std::string awkward = std::string("line1\nline2\r\t\"quoted\" back\\slash \x01\xff") + '\0' + "tail";
  {
    Registry reg(dir_ / "store", NoSeed());
    reg.CreateKey(Registry::kCurrentUser, "Software\\Olvek\\Scheme");
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "Title", RegValue::Str("备份 scheme")));
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "Path", RegValue::ExpandStr("%HOME%/x")));
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "Count", RegValue::DWord(0xDEADBEEF)));
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "Blob", RegValue::Bin(awkward)));
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "Odd", RegValue::Str(awkward)));
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "List", RegValue::MultiStr({"a", "b c"})));
    ASSERT_TRUE(reg.SetValue(Registry::kCurrentUser, "Software\\Olvek\\Scheme", "Empty", RegValue::Bin("")));
    reg.CreateKey(Registry::kCurrentUser, "Software\\Olvek\\EmptyKey");
  }
  Registry again(dir_ / "store", NoSeed());
  const char* key = "SOFTWARE\\olvek\\SCHEME";
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "title"), RegValue::Str("备份 scheme"));
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "PATH"), RegValue::ExpandStr("%HOME%/x"));
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "count")->AsDWord(), 0xDEADBEEFu);
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "blob"), RegValue::Bin(awkward));
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "odd"), RegValue::Str(awkward));
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "list")->AsMultiStr(), (std::vector<std::string>{"a", "b c"}));
  EXPECT_EQ(again.GetValue(Registry::kCurrentUser, key, "empty"), RegValue::Bin(""));
  EXPECT_TRUE(again.KeyExists(Registry::kCurrentUser, "software\\OLVEK\\emptykey"));
  // Names keep the case they were made with.
  EXPECT_EQ(again.SubKeyNames(Registry::kCurrentUser, "software\\olvek"),
            (std::vector<std::string>{"EmptyKey", "Scheme"}));
  // Hives are apart: the same path elsewhere is not there.
  EXPECT_FALSE(again.KeyExists(Registry::kLocalMachine, key));
  EXPECT_FALSE(again.GetValue(Registry::kCurrentUser, key, "missing").has_value());
}

TEST_F(RegistryStore, RewritingAValueKeepsItsFirstNameAndDeletesWork) {
  Registry reg(dir_ / "store", NoSeed());
  reg.CreateKey(Registry::kCurrentUser, "A\\B");
  reg.SetValue(Registry::kCurrentUser, "A\\B", "Name", RegValue::Str("1"));
  reg.SetValue(Registry::kCurrentUser, "a\\b", "NAME", RegValue::Str("2"));
  EXPECT_EQ(reg.ValueNames(Registry::kCurrentUser, "A\\B"), std::vector<std::string>{"Name"});
  EXPECT_EQ(reg.GetValue(Registry::kCurrentUser, "A\\B", "name")->data, "2");
  EXPECT_FALSE(reg.SetValue(Registry::kCurrentUser, "A\\Missing", "x", RegValue::Str("1")));
  EXPECT_TRUE(reg.DeleteValue(Registry::kCurrentUser, "A\\B", "nAmE"));
  EXPECT_FALSE(reg.DeleteValue(Registry::kCurrentUser, "A\\B", "name"));
  EXPECT_TRUE(reg.DeleteKey(Registry::kCurrentUser, "a"));
  EXPECT_FALSE(reg.KeyExists(Registry::kCurrentUser, "A\\B"));
  Registry again(dir_ / "store", NoSeed());
  EXPECT_FALSE(again.KeyExists(Registry::kCurrentUser, "A"));
}

TEST_F(RegistryStore, HiveNamesAndKeyPaths) {
  EXPECT_EQ(Registry::HiveIndex("HKEY_LOCAL_MACHINE"), 2);
  EXPECT_EQ(Registry::HiveIndex("hkey_current_user"), 1);
  EXPECT_EQ(Registry::HiveIndex("HKEY_DYN_DATA"), 6);
  EXPECT_FALSE(Registry::HiveIndex("HKEY_NOWHERE").has_value());
  EXPECT_FALSE(Registry::HiveIndex("").has_value());
  EXPECT_EQ(Registry::SplitKeyPath("\\Software\\\\ORACLE\\"), (std::vector<std::string>{"Software", "ORACLE"}));
  EXPECT_TRUE(Registry::SplitKeyPath("").empty());
}

TEST_F(RegistryStore, ADamagedHiveFileIsAnErrorAndIsNotOverwritten) {
  fs::create_directories(dir_ / "store");
  const fs::path file = dir_ / "store" / "HKEY_CURRENT_USER.reg";
  const std::string damaged = "orascheme-registry 1\nkey \"A\"\nvalue \"x\" dword 0102zz\n";
  std::ofstream(file, std::ios::binary) << damaged;
  Registry reg(dir_ / "store", NoSeed());
  EXPECT_THROW(reg.GetValue(Registry::kCurrentUser, "A", "x"), plat::RegistryError);
  EXPECT_THROW(reg.CreateKey(Registry::kCurrentUser, "B"), plat::RegistryError);
  EXPECT_EQ(testsupport::ReadAll(file), damaged);
  // Other hives are unaffected.
  reg.CreateKey(Registry::kLocalMachine, "B");
  EXPECT_TRUE(reg.KeyExists(Registry::kLocalMachine, "B"));
}

TEST_F(RegistryStore, AFailedSaveLeavesTheOldFile) {
  Registry reg(dir_ / "store", NoSeed());
  reg.CreateKey(Registry::kCurrentUser, "A");
  reg.SetValue(Registry::kCurrentUser, "A", "v", RegValue::Str("old"));
  const fs::path file = reg.HiveFile(Registry::kCurrentUser);
  const std::string before = testsupport::ReadAll(file);
  // A file-size limit makes the save fail half-way, for any user.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(reg.SetValue(Registry::kCurrentUser, "A", "v", RegValue::Str(std::string(10000, 'x'))),
               plat::RegistryError);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(testsupport::ReadAll(file), before);
  // The failed change is not kept in memory either, and no temporary file is left.
  EXPECT_EQ(reg.GetValue(Registry::kCurrentUser, "A", "v")->data, "old");
  for (const auto& e : fs::directory_iterator(dir_ / "store"))
    EXPECT_TRUE(e.path().extension() == ".reg" || e.path().filename() == ".lock") << e.path();
}

TEST_F(RegistryStore, ThreadsAndSeveralStoresOnOneFolderLoseNoWrite) {
  // Two store objects on one folder stand for two processes: each must see the other's saves.
  Registry first(dir_ / "store", NoSeed());
  Registry second(dir_ / "store", NoSeed());
  first.CreateKey(Registry::kCurrentUser, "Runs");
  constexpr int kThreads = 6, kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      Registry& r = t % 2 ? first : second;
      for (int i = 0; i < kWrites; ++i)
        r.SetValue(Registry::kCurrentUser, "runs", "v" + std::to_string(t) + "_" + std::to_string(i),
                   RegValue::DWord(static_cast<std::uint32_t>(t * 1000 + i)));
    });
  for (auto& th : threads) th.join();
  Registry fresh(dir_ / "store", NoSeed());
  EXPECT_EQ(fresh.ValueNames(Registry::kCurrentUser, "Runs").size(), static_cast<std::size_t>(kThreads * kWrites));
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(fresh.GetValue(Registry::kCurrentUser, "Runs", "V" + std::to_string(t) + "_" + std::to_string(i))
                    ->AsDWord(),
                static_cast<std::uint32_t>(t * 1000 + i));
}

TEST_F(RegistryStore, OracleHomesAreSeededFromEnvironmentAndOratab) {
  std::ofstream(dir_ / "oratab") << "# comment\n"
                                 << "\n"
                                 << "ORCL:/u01/app/oracle/product/9.2:Y\n"
                                 << "TEST:/u01/app/oracle/product/9.2:N\n"
                                 << "DEV:/opt/oracle/10g:N\n"
                                 << "broken line\n";
  RegistrySeed seed;
  seed.oracleHome = "/opt/oracle/client";
  seed.nlsLang = "AMERICAN_AMERICA.ZHS16GBK";
  seed.oratab = dir_ / "oratab";
  Registry reg(dir_ / "store", seed);
  const int lm = Registry::kLocalMachine;
  auto str = [&](const char* key, const char* name) {
    auto v = reg.GetValue(lm, key, name);
    return v ? v->data : std::string("<none>");
  };
  EXPECT_EQ(str("SOFTWARE\\ORACLE", "ORACLE_HOME"), "/opt/oracle/client");
  EXPECT_EQ(str("SOFTWARE\\ORACLE", "NLS_LANG"), "AMERICAN_AMERICA.ZHS16GBK");
  EXPECT_EQ(str("SOFTWARE\\ORACLE\\ALL_HOMES", "DEFAULT_HOME"), "OraHome0");
  EXPECT_EQ(str("SOFTWARE\\ORACLE\\ALL_HOMES", "LAST_HOME"), "0");
  EXPECT_EQ(str("SOFTWARE\\ORACLE\\ALL_HOMES\\ID0", "PATH"), "/opt/oracle/client");
  EXPECT_EQ(str("SOFTWARE\\ORACLE\\ALL_HOMES\\ID1", "PATH"), "/u01/app/oracle/product/9.2");
  EXPECT_EQ(str("SOFTWARE\\ORACLE\\ALL_HOMES\\ID2", "PATH"), "/opt/oracle/10g");
  EXPECT_EQ(str("SOFTWARE\\ORACLE\\ALL_HOMES\\ID2", "NAME"), "OraHome2");
  EXPECT_FALSE(reg.KeyExists(lm, "SOFTWARE\\ORACLE\\ALL_HOMES\\ID3"));
  EXPECT_EQ(str("\\Software\\ORACLE\\HOME0", "ORACLE_HOME"), "/opt/oracle/client");
  EXPECT_EQ(str("\\Software\\ORACLE\\HOME0", "NLS_LANG"), "AMERICAN_AMERICA.ZHS16GBK");
  // Seeding alone writes nothing.
  EXPECT_FALSE(fs::exists(reg.HiveFile(lm)));

  // Once the store has its own Oracle key, the environment no longer matters.
  reg.SetValue(lm, "SOFTWARE\\ORACLE\\HOME0", "NLS_LANG", RegValue::Str("AMERICAN_AMERICA.AL32UTF8"));
  RegistrySeed other;
  other.oracleHome = "/elsewhere";
  other.oratab = dir_ / "no-oratab";
  Registry later(dir_ / "store", other);
  EXPECT_EQ(later.GetValue(lm, "SOFTWARE\\ORACLE", "ORACLE_HOME")->data, "/opt/oracle/client");
  EXPECT_EQ(later.GetValue(lm, "SOFTWARE\\ORACLE\\HOME0", "NLS_LANG")->data, "AMERICAN_AMERICA.AL32UTF8");
}

TEST_F(RegistryStore, NothingToSeedLeavesNoOracleKey) {
  Registry reg(dir_ / "store", NoSeed());
  EXPECT_FALSE(reg.KeyExists(Registry::kLocalMachine, "SOFTWARE\\ORACLE"));
}

TEST_F(RegistryStore, DefaultFolderFollowsTheEnvironment) {
  testsupport::ScopedEnv env;
  env.Set("ORASCHEME_REGISTRY_DIR", (dir_ / "a").string());
  EXPECT_EQ(Registry::DefaultFolder(), dir_ / "a");
  EXPECT_EQ(Registry::Default().Folder(), dir_ / "a");
  env.Unset("ORASCHEME_REGISTRY_DIR");
  env.Set("XDG_CONFIG_HOME", (dir_ / "cfg").string());
  EXPECT_EQ(Registry::DefaultFolder(), dir_ / "cfg" / "orascheme" / "registry");
}

}  // namespace
