#include "tests/support/FakeOciHome.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "foundation/startup/OlvPub.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraError.h"
#include "platform/Registry.h"

namespace ora::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOracleKey = "SOFTWARE\\ORACLE";

plat::Registry& Store() { return plat::Registry::Default(); }

// Numbers and dates convert with the settings the program installs at start-up; every test of
// this program runs under them.
class ProgramSettings : public ::testing::Environment {
 public:
  void SetUp() override { olv::InstallDateFormats(); }
};

const auto* const kProgramSettings = ::testing::AddGlobalTestEnvironment(new ProgramSettings);

}  // namespace

std::string OraErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EOraError& e) {
    return std::to_string(e.ErrorCode()) + " " + e.what();
  }
  return "(no Oracle error)";
}

fs::path VariantPath(Variant variant) {
  const char* name = variant == Variant::Class9 ? "libfakeoci9.so"
                     : variant == Variant::Class81 ? "libfakeoci81.so"
                                                   : "libfakeoci7.so";
  return fs::path(FAKEOCI_DIR) / name;
}

FakeOciHome::FakeOciHome() {
  std::string pattern = (fs::temp_directory_path() / "oraXXXXXX").string();
  root_ = ::mkdtemp(pattern.data());
  ::setenv("ORASCHEME_REGISTRY_DIR", (root_ / "registry").c_str(), 1);
  ::unsetenv(kOCIDllEnvVar);
  // An Oracle key of its own keeps the store from seeding homes from this machine.
  Store().CreateKey(plat::Registry::kLocalMachine, kOracleKey);
}

FakeOciHome::~FakeOciHome() {
  ::unsetenv("ORASCHEME_REGISTRY_DIR");
  std::error_code ec;
  fs::remove_all(root_, ec);
}

fs::path FakeOciHome::AddHome(int slot, const std::string& name) {
  fs::path home = root_ / name;
  fs::create_directories(home / "lib");
  const std::string key = std::string(kOracleKey) + "\\ALL_HOMES\\ID" + std::to_string(slot);
  Store().CreateKey(plat::Registry::kLocalMachine, key);
  Store().SetValue(plat::Registry::kLocalMachine, key, "PATH", plat::RegValue::Str(home.string()));
  Store().SetValue(plat::Registry::kLocalMachine, key, "NAME", plat::RegValue::Str(name));
  return home;
}

void FakeOciHome::Place(const fs::path& folder, const std::string& fileName, Variant variant) {
  fs::path target = folder / fileName;
  fs::create_directories(target.parent_path());
  fs::create_symlink(VariantPath(variant), target);
}

void FakeOciHome::SetOracleValue(const std::string& name, const std::string& value) {
  Store().SetValue(plat::Registry::kLocalMachine, kOracleKey, name, plat::RegValue::Str(value));
}

void FakeOciHome::SetAllHomesValue(const std::string& name, const std::string& value) {
  const std::string key = std::string(kOracleKey) + "\\ALL_HOMES";
  Store().CreateKey(plat::Registry::kLocalMachine, key);
  Store().SetValue(plat::Registry::kLocalMachine, key, name, plat::RegValue::Str(value));
}

void FakeOciTest::SetUp() { Reload(Variant::Class9); }

void FakeOciTest::AddFileDirectory(const std::string& name,
                                   std::initializer_list<std::pair<std::string, std::string>> files) {
  const fs::path folder = home_->Root() / "files";
  fs::create_directories(folder);
  for (const auto& [file, content] : files) std::ofstream(folder / file) << content;
  fake_.set(("directory_" + name).c_str(), folder.c_str());
}

void FakeOciTest::Reload(Variant variant, const std::string& fileName) {
  FreeOCI();
  OracleHome = ohDefault;
  home_.reset();
  home_ = std::make_unique<FakeOciHome>();
  fs::path home = home_->AddHome(0, "OraHome0");
  // An 8.1-class library tells its version by its file name only.
  const std::string name =
      !fileName.empty() ? fileName : variant == Variant::Class81 ? "libclntsh.so.8.1" : "libclntsh.so.19.1";
  FakeOciHome::Place(home / "lib", name, variant);
  OCIInit();
  fake_ = FakeOciControl::Bind(OCILibrary);
  fake_.reset();
}

void FakeOciTest::TearDown() {
  FreeOCI();
  home_.reset();
}

void OraSessionTest::TearDown() {
  c_.Disconnect();
  FakeOciTest::TearDown();
}

void OraSessionTest::Connect(std::uint8_t callStyle) {
  if (callStyle == OCI73) Reload(Variant::WithOldInterface);
  c_.SetCallStyle(callStyle);
  c_.SetUsername("scott");
  c_.SetPassword("tiger");
  c_.SetServer("orcl");
  c_.Connect("");
}

std::unique_ptr<TOCICommand> OraSessionTest::Command(const std::string& sql) {
  std::unique_ptr<da::TVtCommand> command = c_.CreateCommand();
  command->SetSQL(sql);
  return std::unique_ptr<TOCICommand>(static_cast<TOCICommand*>(command.release()));
}

std::vector<std::string> CallsOf(const FakeOciControl& fake, std::initializer_list<std::string> prefixes) {
  std::vector<std::string> out;
  for (const std::string& line : fake.Lines()) {
    for (const std::string& p : prefixes) {
      if (line.compare(0, p.size(), p) == 0 && (line.size() == p.size() || line[p.size()] == ' ')) {
        out.push_back(line);
        break;
      }
    }
  }
  return out;
}

}  // namespace ora::testing
