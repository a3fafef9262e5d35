// The client-library door: error texts, version decisions, finding the library in temporary
// Oracle homes, loading the stand-in and binding its entry points.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <fstream>

#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraError.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

namespace fs = std::filesystem;
using testing::FakeOciHome;
using testing::MessageOf;
using testing::OraErrorOf;
using testing::Variant;

// ---- GetOraError and Check against a scripted OCIErrorGet ----

struct ErrorGetScript {
  sword result = OCI_SUCCESS;
  sb4 code = 0;  // written when not 0
  std::string text;
  bool terminate = true;
};
ErrorGetScript gScript;

sword ScriptedErrorGet(void*, ub4, OraText*, sb4* errcodep, OraText* bufp, ub4 bufsiz, ub4) {
  if (gScript.code != 0) *errcodep = gScript.code;
  if (gScript.terminate) {
    std::size_t n = std::min<std::size_t>(gScript.text.size(), bufsiz - 1);
    std::memcpy(bufp, gScript.text.data(), n);
    bufp[n] = 0;
  } else {
    std::memset(bufp, 'Z', bufsiz);  // no terminator anywhere in the buffer
  }
  return gScript.result;
}

class GetOraErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedStyle_ = OCICallStyle;
    OCICallStyle = OCI80;
    OCIErrorGet = &ScriptedErrorGet;
    gScript = {};
  }
  void TearDown() override {
    OCIErrorGet = &detail::OCIErrorGet_NotLinked;
    OCICallStyle = savedStyle_;
  }
  std::uint8_t savedStyle_ = 0;
};

struct ErrorCase {
  const char* name;
  sword status;
  ErrorGetScript script;
  int code;
  const char* message;
};

class GetOraErrorCases : public GetOraErrorTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(GetOraErrorCases, GivesCodeAndMessage) {
  const ErrorCase& c = GetParam();
  gScript = c.script;
  std::string message = "unchanged";
  EXPECT_EQ(GetOraError(c.status, message), c.code);
  EXPECT_EQ(message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GetOraErrorCases,
    ::testing::Values(
        ErrorCase{"Success", OCI_SUCCESS, {}, 0, "unchanged"},
        ErrorCase{"NeedData", OCI_NEED_DATA, {}, 99, "OCI_NEED_DATA"},
        ErrorCase{"InvalidHandle", OCI_INVALID_HANDLE, {}, 2, "OCI_INVALID_HANDLE"},
        ErrorCase{"OracleError", OCI_ERROR, {OCI_SUCCESS, 942, "ORA-00942: table or view does not exist\n"}, 942,
                  "ORA-00942: table or view does not exist\n"},
        ErrorCase{"CodeWithoutText", OCI_ERROR, {OCI_SUCCESS, 1017, ""}, 1017, "ORA-1017"},
        ErrorCase{"FailedGetReadsTheNumber", OCI_ERROR, {OCI_ERROR, 0, "ORA-01403: no data found"}, 1403,
                  "ORA-01403: no data found"},
        ErrorCase{"FailedGetWithoutNumber", OCI_ERROR, {OCI_ERROR, 0, "ORA-x1y2z"}, 1, "ORA-x1y2z"},
        ErrorCase{"WithInfo", OCI_SUCCESS_WITH_INFO, {OCI_SUCCESS_WITH_INFO, 0, "x"}, 1, "OCI_SUCCESS_WITH_INFO"},
        ErrorCase{"NoData", OCI_NO_DATA, {OCI_NO_DATA, 0, ""}, 100, "OCI_NO_DATA"},
        ErrorCase{"UnknownStatus", -3123, {}, 3123, "Unknown error: ORA--3123"}),
    [](const auto& info) { return info.param.name; });

TEST_F(GetOraErrorTest, AnUnterminatedTextStopsAtTheBuffer) {
  gScript = {OCI_SUCCESS, 600, "", false};
  std::string message;
  EXPECT_EQ(GetOraError(OCI_ERROR, message), 600);
  EXPECT_EQ(message, std::string(512, 'Z'));
}

TEST_F(GetOraErrorTest, CheckRaisesAllButSuccessWithInfo) {
  gScript = {OCI_SUCCESS, 942, "ORA-00942: table or view does not exist\n"};
  EXPECT_NO_THROW(Check(OCI_SUCCESS));
  EXPECT_NO_THROW(Check(OCI_SUCCESS_WITH_INFO));
  EXPECT_EQ(OraErrorOf([&] { Check(OCI_ERROR); }), "942 ORA-00942: table or view does not exist");
}

TEST_F(GetOraErrorTest, NeedsTheHandleInterface) {
  OCICallStyle = OCI73;
  std::string message;
  EXPECT_EQ(MessageOf([&] { GetOraError(OCI_ERROR, message); }), "Need Oracle 8 Call Interface");
}

// ---- versions ----

TEST(OraVersions, CompareNumerically) {
  EXPECT_GT(CompareVersions("19.0", "8"), 0);
  EXPECT_GT(CompareVersions("10.2.0.1.0", "9.2.0.8.0"), 0);
  EXPECT_EQ(CompareVersions("8.1.7", "8.1.7.0.0"), 0);
  EXPECT_LT(CompareVersions("8.0.4.0.0", "8.1"), 0);
  EXPECT_GT(CompareVersions("8.1.7.0.0 ", "8"), 0);
  EXPECT_LT(CompareVersions("", "8"), 0);
}

struct StyleCase {
  const char* version;
  std::uint8_t version_code, bits;
};

TEST(OraVersions, DecideCallStyles) {
  const StyleCase cases[] = {
      {"7.3.4.0.0", 1, csOCI7},
      {"8.0.5.0.0", 2, csOCI7 | csOCI8},
      {"8.1.7.0.0", 3, csOCI7 | csOCI8 | csOCI81},
      {"9.2.0.1.0", 4, csOCI7 | csOCI8 | csOCI81 | csOCI9},
      {"19.3.0.0.0", 4, csOCI7 | csOCI8 | csOCI81 | csOCI9},
      {"23.1", 4, csOCI7 | csOCI8 | csOCI81 | csOCI9},
  };
  for (const StyleCase& c : cases) {
    OCICallStyle = 0;
    DecideCallStyles(c.version);
    EXPECT_EQ(OCIVersion, c.version_code) << c.version;
    EXPECT_EQ(PossibleOCICallStyles, c.bits) << c.version;
    EXPECT_EQ(OCICallStyle, c.version_code == 1 ? OCI73 : OCI80) << c.version;
  }
  EXPECT_EQ(MessageOf([] { DecideCallStyles("7.2.1"); }), "OCI version 7.2.1 is not supported");
  EXPECT_EQ(MessageOf([] { DecideCallStyles("6"); }), "OCI version 6 is not supported");
  OCICallStyle = 0;
  OCIVersion = 0;
  PossibleOCICallStyles = 0;
}

TEST(OraVersions, FileVersionFollowsLinks) {
  FakeOciHome scratch;
  const fs::path lib = scratch.Root() / "libclntsh.so.19.1";
  std::ofstream(lib) << "x";
  fs::create_symlink(lib, scratch.Root() / "libclntsh.so");
  EXPECT_EQ(GetFileVersionText((scratch.Root() / "libclntsh.so").string()), "19.1");
  EXPECT_EQ(GetFileVersionText(lib.string()), "19.1");
  EXPECT_EQ(GetFileVersionText((scratch.Root() / "libclntsh.so.x1").string()), "");
  EXPECT_EQ(GetFileVersionText("libclntsh.so"), "");
}

// ---- detection over temporary homes ----

class DetectOCITest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeOCI();
    OracleHome = ohDefault;
  }
  void TearDown() override {
    FreeOCI();
    OracleHome = ohDefault;
    ::unsetenv(kOCIDllEnvVar);
  }
  static void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  FakeOciHome scratch_;
};

struct HomeCase {
  const char* name;
  std::vector<const char*> files;  // relative to the home
  const char* chosen;              // relative to the home; empty: the loader's search
};

class HomeSearch : public DetectOCITest, public ::testing::WithParamInterface<HomeCase> {};

TEST_P(HomeSearch, ChoosesTheLibrary) {
  const fs::path home = scratch_.AddHome(0, "OraHome0");
  for (const char* f : GetParam().files) Touch(home / f);
  DetectOCI();
  const std::string chosen = GetParam().chosen;
  EXPECT_EQ(OCIDLL, chosen.empty() ? std::string(kDefaultOCIDll) : (home / chosen).string());
  EXPECT_EQ(OracleHomePath, home.string());
}

INSTANTIATE_TEST_SUITE_P(
    Table, HomeSearch,
    ::testing::Values(
        HomeCase{"LibFolderFirst", {"lib/libclntsh.so", "libclntsh.so", "lib/libclntsh.so.19.1"}, "lib/libclntsh.so"},
        HomeCase{"FlatClientFolder", {"libclntsh.so", "lib/libclntsh.so.19.1"}, "libclntsh.so"},
        HomeCase{"HighestVersionByNumber",
                 {"lib/libclntsh.so.9.2", "lib/libclntsh.so.19.1", "lib/libclntsh.so.12.1", "lib/libclntsh.so.x"},
                 "lib/libclntsh.so.19.1"},
        HomeCase{"HighestOfBothFolders", {"lib/libclntsh.so.19.1", "libclntsh.so.21.1"}, "libclntsh.so.21.1"},
        HomeCase{"NothingLeavesItToTheLoader", {"lib/other.so"}, ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(DetectOCITest, VersionFromTheFileName) {
  const fs::path home = scratch_.AddHome(0, "OraHome0");
  Touch(home / "lib/libclntsh.so.8.1");
  DetectOCI();
  EXPECT_EQ(OCIClientVersion, "8.1");
  EXPECT_EQ(OCIVersion, 3);
  EXPECT_EQ(OCICallStyle, OCI80);
  EXPECT_EQ(PossibleOCICallStyles, csOCI7 | csOCI8 | csOCI81);
}

TEST_F(DetectOCITest, DefaultHomeByNameInAnyCase) {
  scratch_.AddHome(0, "First");
  const fs::path second = scratch_.AddHome(1, "Second");
  Touch(second / "lib/libclntsh.so.19.1");
  scratch_.SetAllHomesValue("DEFAULT_HOME", "SECOND");
  DetectOCI();
  EXPECT_EQ(OracleHomeCount, 2);
  EXPECT_EQ(DefaultOracleHome, 1);
  EXPECT_EQ(OCIDLL, (second / "lib/libclntsh.so.19.1").string());
}

TEST_F(DetectOCITest, SlotsKeepTheirIndex) {
  const fs::path home = scratch_.AddHome(2, "Third");
  Touch(home / "libclntsh.so");
  OracleHome = ohHome2;
  DetectOCI();
  EXPECT_EQ(OracleHomeCount, 1);
  EXPECT_EQ(OracleHomes[2].Path, home.string());
  EXPECT_EQ(OCIDLL, (home / "libclntsh.so").string());
}

TEST_F(DetectOCITest, OracleHomeValueWhenNoDefaultHome) {
  const fs::path home = scratch_.Root() / "plain";
  Touch(home / "lib/libclntsh.so.12.2");
  scratch_.SetOracleValue("ORACLE_HOME", home.string() + "/");
  DetectOCI();
  EXPECT_EQ(OracleHomePath, home.string());
  EXPECT_EQ(OCIDLL, (home / "lib/libclntsh.so.12.2").string());
}

TEST_F(DetectOCITest, ExplicitChoicesComeFirst) {
  const fs::path home = scratch_.AddHome(0, "OraHome0");
  Touch(home / "lib/libclntsh.so.19.1");
  scratch_.SetOracleValue("OCIDLL", "  /opt/from-settings/lib/libclntsh.so.12.1 ");
  DetectOCI();
  EXPECT_EQ(OCIDLL, "/opt/from-settings/lib/libclntsh.so.12.1");
  EXPECT_EQ(OracleHomePath, "/opt/from-settings");
  FreeOCI();

  ::setenv(kOCIDllEnvVar, "/opt/from-env/libclntsh.so", 1);
  DetectOCI();
  EXPECT_EQ(OCIDLL, "/opt/from-env/libclntsh.so");
  EXPECT_EQ(OracleHomePath, "/opt/from-env");
  FreeOCI();

  OCIDLL = "/opt/program/lib/libclntsh.so";
  DetectOCI();
  EXPECT_EQ(OCIDLL, "/opt/program/lib/libclntsh.so");
}

TEST_F(DetectOCITest, AnExplicitHomeWithoutLibraryIsAnError) {
  EXPECT_EQ(MessageOf([] {
              OracleHome = ohHome3;
              DetectOCI();
            }),
            "Cannot find OCI DLL: in Home3");
  EXPECT_EQ(OCIDLL, "");
  const fs::path home = scratch_.AddHome(1, "Empty");
  OracleHome = ohHome1;
  EXPECT_EQ(MessageOf([] { DetectOCI(); }), "Cannot find OCI DLL: " + home.string() + "/lib/libclntsh.so*");
  EXPECT_EQ(OCIDLL, "");
}

TEST_F(DetectOCITest, OracleLiteFromTheSettings) {
  scratch_.SetOracleValue("OLITE", "YES, 4.0");
  DetectOCI();
  EXPECT_TRUE(OracleLite);
  FreeOCI();
  scratch_.SetOracleValue("OLITE", "yes");
  DetectOCI();
  EXPECT_FALSE(OracleLite);
}

TEST_F(DetectOCITest, AFileThatIsNoLibraryCannotLoad) {
  const fs::path fake = scratch_.Root() / "lib/libclntsh.so.19.1";
  Touch(fake);
  OCIDLL = fake.string();
  const std::string message = MessageOf([] { LoadOCI(); });
  EXPECT_EQ(message.substr(0, message.find('\n')), "Cannot load OCI DLL: " + fake.string());
  EXPECT_NE(message.find('\n'), std::string::npos) << "the loader's reason follows on a second line";
  EXPECT_EQ(OCIDLL, "");
  EXPECT_FALSE(OCILoaded());
}

TEST_F(DetectOCITest, ALibraryThatIsNoClientLibraryIsRefusedByItsFirstMissingCall) {
  // Any shared library of the system will do: the compression library is everywhere.
  void* z = ::dlopen("libz.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!z) GTEST_SKIP() << "no libz.so.1 here";
  struct link_map* map = nullptr;
  ASSERT_EQ(::dlinfo(z, RTLD_DI_LINKMAP, &map), 0);
  const std::string real = map->l_name;
  const fs::path home = scratch_.AddHome(0, "OraHome0");
  const fs::path underClientName = home / "lib/libclntsh.so.19.1";
  fs::create_symlink(real, underClientName);
  const struct {
    const char* name;
    std::string fromEnvironment;  // ORASCHEME_OCIDLL, or empty: the home's library
    std::string shown;
  } cases[] = {
      {"named in the environment", real, real},
      {"under a client's name in a home", "", underClientName.string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FreeOCI();
    if (c.fromEnvironment.empty()) {
      ::unsetenv(kOCIDllEnvVar);
    } else {
      ::setenv(kOCIDllEnvVar, c.fromEnvironment.c_str(), 1);
    }
    EXPECT_EQ(MessageOf([] { OCIInit(); }), c.shown + " is not an Oracle client library (it has no OCIHandleAlloc)");
    EXPECT_FALSE(OCILoaded());
    EXPECT_EQ(OCIDLL, "");
  }
  ::dlclose(z);
}

TEST_F(DetectOCITest, WithoutAnyClientTheMessageSaysWhatWasSearched) {
  const std::string none = MessageOf([] { LoadOCI(); });
  EXPECT_EQ(none.substr(0, none.find('\n')), "Cannot load OCI DLL: libclntsh.so");
  EXPECT_NE(none.find("\nSearched: ORASCHEME_OCIDLL and the settings store's OCIDLL (neither set); no Oracle home"),
            std::string::npos)
      << none;

  // A home without the library names the home.
  const fs::path home = scratch_.AddHome(0, "OraHome0");
  const std::string empty = MessageOf([] { LoadOCI(); });
  EXPECT_NE(empty.find("the Oracle home " + home.string() + " (no lib/libclntsh.so*)"), std::string::npos) << empty;

  // A library named by the user is the user's: no search to report.
  OCIDLL = (scratch_.Root() / "missing/libclntsh.so").string();
  const std::string named = MessageOf([] { LoadOCI(); });
  EXPECT_EQ(named.find("Searched:"), std::string::npos) << named;
}

TEST_F(DetectOCITest, AVersionTooOldIsRefused) {
  const fs::path home = scratch_.AddHome(0, "OraHome0");
  Touch(home / "lib/libclntsh.so.6.0");
  EXPECT_EQ(MessageOf([] { DetectOCI(); }), "OCI version 6.0 is not supported");
}

// ---- loading the stand-in ----

class LoadOCITest : public DetectOCITest {
 protected:
  void Load(Variant variant, const char* fileName) {
    const fs::path home = scratch_.AddHome(0, "OraHome0");
    FakeOciHome::Place(home / "lib", fileName, variant);
    OCIInit();
  }
};

TEST_F(LoadOCITest, An81ClassClientBindsNoNineEntries) {
  Load(Variant::Class81, "libclntsh.so.8.1");
  EXPECT_EQ(OCIClientVersion, "8.1");
  EXPECT_EQ(PossibleOCICallStyles, csOCI7 | csOCI8 | csOCI81);
  EXPECT_TRUE(OCIInited);
  EXPECT_NE(hOCIEnv, nullptr);
  EXPECT_NE(hOCIError, nullptr);
  EXPECT_TRUE(ORA_OCI_LINKED(OCIEnvCreate));
  EXPECT_FALSE(ORA_OCI_LINKED(OCIRowidToChar));
  EXPECT_EQ(MessageOf([] { OCIRowidToChar(nullptr, nullptr, nullptr, nullptr); }), "OCI function is not linked");
  EXPECT_EQ(MessageOf([] { OCIDateTimeCheck(nullptr, nullptr, nullptr, nullptr); }), "OCI function is not linked");
}

TEST_F(LoadOCITest, TheLibrarysOwnVersionWins) {
  Load(Variant::Class9, "libclntsh.so.12.1");
  EXPECT_EQ(OCIClientVersion, "19.3.0.0.0");
  EXPECT_EQ(OCIVersion, 4);
  EXPECT_TRUE(ORA_OCI_LINKED(OCIRowidToChar));
  // A 9-class client without the old interface: its entries stay stubs, and OCIInit did not
  // call opinit.
  EXPECT_FALSE(ORA_OCI_LINKED(olog));
  EXPECT_EQ(MessageOf([] { olog(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0); }), "OCI function is not linked");
}

TEST_F(LoadOCITest, InitCreatesTheEnvironmentOnce) {
  Load(Variant::WithOldInterface, "libclntsh.so.19.1");
  auto fake = FakeOciControl::Bind(OCILibrary);
  const auto lines = fake.Lines();
  EXPECT_EQ(testing::CallsOf(fake, {"OCIEnvCreate", "OCIHandleAlloc", "opinit"}),
            (std::vector<std::string>{"OCIEnvCreate mode=3", "OCIHandleAlloc type=2 (error)", "opinit mode=0"}));
  EXPECT_TRUE(IsOCI7Threaded());
  OCIInit();
  EXPECT_EQ(fake.Lines(), lines);
}

TEST_F(LoadOCITest, FreeOCILeavesNoEntryBound) {
  Load(Variant::WithOldInterface, "libclntsh.so.19.1");
  int linked = 0;
#define COUNT_LINKED(group, ret, name, params) linked += ORA_OCI_LINKED(name) ? 1 : 0;
  ORA_OCI_ENTRIES(COUNT_LINKED)
  EXPECT_GT(linked, 30);
  FreeOCI();
  linked = 0;
  ORA_OCI_ENTRIES(COUNT_LINKED)
#undef COUNT_LINKED
  EXPECT_EQ(linked, 0);
  EXPECT_FALSE(OCILoaded());
  EXPECT_FALSE(OCIInited);
  EXPECT_EQ(OCIDLL, "");
  EXPECT_EQ(PossibleOCICallStyles, 0);
  EXPECT_EQ(MessageOf([] { OCIHandleFree(nullptr, 0); }), "OCI function is not linked");
}

}  // namespace
}  // namespace ora
