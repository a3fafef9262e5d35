#include "foundation/base/RegValues.h"
#include "foundation/base/OlvRegistry.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using namespace olv;

extern char** environ;

namespace {

// Each test gets a store of its own through ORASCHEME_REGISTRY_DIR.
class RegistryHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
    env_.Set("ORASCHEME_REGISTRY_DIR", dir_.string());
  }
  testsupport::ScratchFolder scratch_;
  testsupport::ScopedEnv env_;
  fs::path dir_;
};

// Key and value names ignore case; root names are compared exactly.
TEST_F(RegistryHelpers, WriteThenReadByFullPathIgnoringCase) {
  EXPECT_TRUE(WriteRegValue("HKEY_CURRENT_USER\\Software\\Olvek\\Test", "Name", "value 1"));
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\SOFTWARE\\OLVEK\\TEST", "NAME"), "value 1");
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\software\\olvek\\test", "name"), "value 1");
  EXPECT_EQ(ReadRegValue("HKEY_LOCAL_MACHINE\\Software\\Olvek\\Test", "Name"), "");
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\Software\\Olvek\\Missing", "Name"), "");
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\Software\\Olvek\\Test", "Missing"), "");
  // A path without a root name is taken under the current user's root.
  EXPECT_EQ(ReadRegValue("Software\\Olvek\\Test", "Name"), "value 1");
}

TEST_F(RegistryHelpers, AnUnknownRootIsAnErrorNotAWriteElsewhere) {
  EXPECT_FALSE(WriteRegValue("HKEY_NOWHERE\\Software\\Olvek", "Name", "x"));
  EXPECT_EQ(OpenRegPath("HKEY_NOWHERE\\Software\\Olvek", true), nullptr);
  EXPECT_EQ(ReadRegValue("HKEY_NOWHERE\\Software\\Olvek", "Name"), "");
  plat::Registry& store = plat::Registry::Default();
  for (int hive = 0; hive < plat::Registry::kHiveCount; ++hive) {
    EXPECT_FALSE(store.KeyExists(hive, "Software\\Olvek")) << plat::Registry::HiveName(hive);
    EXPECT_FALSE(store.KeyExists(hive, "HKEY_NOWHERE")) << plat::Registry::HiveName(hive);
  }
  // SetRootKeyName leaves the root as it was.
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.SetRootKeyName("HKEY_NOWHERE"));
  EXPECT_EQ(reg.RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.SetRootKeyName("HKEY_CURRENT_CONFIG"));
  EXPECT_EQ(reg.RootKey(), 0x80000005u);
}

TEST_F(RegistryHelpers, RootNamesCompareExactly) {
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  for (const char* name : {"hkey_current_user", "HKEY_Current_User", "HKEY_CURRENT_USER ", "HKEY_CURRENT_USE"}) {
    EXPECT_FALSE(reg.SetRootKeyName(name)) << name;
    EXPECT_EQ(reg.RootKey(), HKEY_LOCAL_MACHINE) << name;
  }
  EXPECT_TRUE(reg.SetRootKeyName("HKEY_CURRENT_USER"));
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  // A path under a root name in another case opens nothing, under no root.
  EXPECT_FALSE(WriteRegValue("hkey_current_user\\Software\\Olvek", "Name", "x"));
  EXPECT_EQ(OpenRegPath("Hkey_Local_Machine\\Software", true), nullptr);
  plat::Registry& store = plat::Registry::Default();
  for (int hive = 0; hive < plat::Registry::kHiveCount; ++hive) {
    EXPECT_FALSE(store.KeyExists(hive, "Software\\Olvek")) << plat::Registry::HiveName(hive);
    EXPECT_FALSE(store.KeyExists(hive, "hkey_current_user")) << plat::Registry::HiveName(hive);
  }
}

TEST_F(RegistryHelpers, ReadDataStrTakesAnyTypeCutAtTheFirstZero) {
  auto reg = OpenRegPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Test", true);
  ASSERT_NE(reg, nullptr);
  EXPECT_EQ(reg->RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reg->Access(), KEY_READ_WRITE);
  reg->WriteString("s", "text");
  reg->WriteExpandString("e", "$HOME/x");
  reg->WriteBinaryData("b", std::string("ab\0cd", 5));
  reg->WriteInteger("d", 0x00004241);  // bytes 41 42 00 00
  reg->WriteMultiString("m", {"one", "two"});
  EXPECT_EQ(reg->ReadDataStr("s"), "text");
  EXPECT_EQ(reg->ReadDataStr("E"), "$HOME/x");
  EXPECT_EQ(reg->ReadDataStr("b"), "ab");
  EXPECT_EQ(reg->ReadDataStr("d"), "AB");
  EXPECT_EQ(reg->ReadDataStr("m"), "one");
  EXPECT_EQ(reg->ReadInteger("D"), 0x4241);
  EXPECT_THROW(reg->ReadString("d"), ERegistryException);
  EXPECT_EQ(reg->ReadString("e"), "$HOME/x");
}

TEST_F(RegistryHelpers, ReadAccessRefusesWritesAndOpensNothingNew) {
  ASSERT_TRUE(WriteRegValue("HKEY_CURRENT_USER\\A", "v", "1"));
  auto reg = OpenRegPath("HKEY_CURRENT_USER\\A", false);
  ASSERT_NE(reg, nullptr);
  EXPECT_EQ(reg->Access(), KEY_READ);
  EXPECT_THROW(reg->WriteString("v", "2"), ERegistryException);
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\A", "v"), "1");
  EXPECT_EQ(OpenRegPath("HKEY_CURRENT_USER\\A\\B", false), nullptr);
  EXPECT_FALSE(plat::Registry::Default().KeyExists(plat::Registry::kCurrentUser, "A\\B"));
}

TEST_F(RegistryHelpers, RelativeAndAbsoluteKeys) {
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("\\Software\\ORACLE", true));
  ASSERT_TRUE(reg.OpenKey("HOME0", true));  // below the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\ORACLE\\HOME0");
  reg.WriteString("NLS_LANG", "AMERICAN_AMERICA.ZHS16GBK");
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\oracle", false));  // from the root again
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"HOME0"});
  EXPECT_EQ(ReadRegValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORACLE\\HOME0", "nls_lang"), "AMERICAN_AMERICA.ZHS16GBK");
}

// The values must survive into another process: this test runs the test program again with only
// the child test below, which checks what was written here and answers with a value of its own.
TEST_F(RegistryHelpers, KeysOpenedByRootAndWindowsValuesReadQuietly) {
  EXPECT_EQ(ReadWindowsValue("ProgramFilesDir"), "");  // no key at all: empty, no error
  EXPECT_EQ(OpenRegKey(HKEY_LOCAL_MACHINE, "\\Software\\Microsoft\\Windows\\CurrentVersion"), nullptr);

  TRegistry writer;
  writer.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(OpenKeyAccess(writer, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", true));
  writer.WriteString("ProgramFilesDir", "/opt");
  writer.WriteInteger("Build", 7);

  EXPECT_EQ(ReadWindowsValue("programfilesdir"), "/opt");
  EXPECT_EQ(ReadWindowsValue("Build"), "");    // not a string: swallowed
  EXPECT_EQ(ReadWindowsValue("Missing"), "");

  auto reader = OpenRegKey(HKEY_LOCAL_MACHINE, "\\Software\\Microsoft\\Windows");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Access(), KEY_READ);
  EXPECT_THROW(reader->WriteString("X", "y"), ERegistryException);
  EXPECT_EQ(OpenRegKey(0x12345678u, "\\Software"), nullptr);  // unknown root
}

TEST_F(RegistryHelpers, ValuesSurviveIntoAFreshProcess) {
  ASSERT_TRUE(WriteRegValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORACLE\\HOME0", "NLS_LANG", "AMERICAN_AMERICA.ZHS16GBK"));
  ASSERT_TRUE(WriteRegValue("HKEY_CURRENT_USER\\Software\\Olvek\\Scheme", "LastFile", "/srv/schemes/main.sch"));
  {
    auto reg = OpenRegPath("HKEY_CURRENT_USER\\Software\\Olvek\\Scheme", true);
    ASSERT_NE(reg, nullptr);
    reg->WriteInteger("Runs", 42);
  }

  std::string reader = REGISTRY_READER;
  char* argv[] = {reader.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, reader.c_str(), nullptr, nullptr, argv, environ), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the child process did not find the values";
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\software\\olvek\\scheme", "answer"), "from the child");
}

}  // namespace
