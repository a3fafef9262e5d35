#pragma once
// Test helpers for the Oracle layer (and the program settings every test runs under): a scratch folder holding a settings store of its own
// (ORASCHEME_REGISTRY_DIR) and Oracle homes, and a loaded stand-in client library.
//
// FakeOciHome: the scratch folder; AddHome puts a home into the store's ALL_HOMES slot and, when
// asked, one of the stand-in's build variants into it under a file name of the test's choosing.
// FakeOciTest: a gtest fixture with one home holding the 9-class stand-in as
// lib/libclntsh.so.19.1 (or the 8.1-class one as lib/libclntsh.so.8.1), loaded through OCIInit, its control interface bound and reset; every
// test ends with FreeOCI.
// OraSessionTest: FakeOciTest with a connection (scott/tiger@orcl) logged on in the call style
// given, and commands on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "platform/HeadlessMainThread.h"
#include "tests/support/MessageOf.h"
#include "tools/fakeoci/FakeOciControl.h"

namespace ora::testing {

// The stand-in's build variants.
enum class Variant { Class9, Class81, WithOldInterface };
std::filesystem::path VariantPath(Variant variant);

class FakeOciHome {
 public:
  FakeOciHome();
  ~FakeOciHome();
  FakeOciHome(const FakeOciHome&) = delete;
  FakeOciHome& operator=(const FakeOciHome&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  // A home folder under the root, registered as ALL_HOMES\ID<slot> with the name given.
  std::filesystem::path AddHome(int slot, const std::string& name);
  // Links a stand-in variant into a folder under the name given (relative to the folder).
  static void Place(const std::filesystem::path& folder, const std::string& fileName, Variant variant);
  void SetOracleValue(const std::string& name, const std::string& value);
  void SetAllHomesValue(const std::string& name, const std::string& value);

 private:
  std::filesystem::path root_;
};

class FakeOciTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Unloads the library and loads the variant given from a fresh home (under the file name
  // given, or the one the variant's class has).
  void Reload(Variant variant, const std::string& fileName = {});
  // A server directory for BFILE values: the files (name, content) written into the home's
  // "files" folder, which the stand-in knows by `name`.
  void AddFileDirectory(const std::string& name, std::initializer_list<std::pair<std::string, std::string>> files);

  std::unique_ptr<FakeOciHome> home_;
  FakeOciControl fake_;
};

// Background services that end background statements on main and show no errors.
inline TBackgroundServices OnMainThread(plat::MainThread& main) {
  TBackgroundServices services;
  services.mainThread = &main;
  return services;
}

class OraSessionTest : public FakeOciTest {
 protected:
  // OCI80 on the 9-class stand-in, OCI73 on the one with the old interface.
  void Connect(std::uint8_t callStyle);
  std::unique_ptr<TOCICommand> Command(const std::string& sql);
  // Logs off before the library goes, so that no session of this test is left for the next one
  // in the same process (the stand-in keeps its state while the program runs).
  void TearDown() override;

  // Where the end of a statement run in the background goes; nobody runs it unless a test does.
  plat::HeadlessMainThread main_;
  TOCIConnection c_{OnMainThread(main_)};
};

// A shared object held for the length of a test.
template <class T>
struct Held {
  T* object;
  explicit Held(T* o) : object(o) {}
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { object->Release(); }
  T* operator->() const { return object; }
  T* get() const { return object; }
};

using testsupport::MessageOf;
// "<code> <message>" of the EOraError the action raises, or "(no Oracle error)".
std::string OraErrorOf(const std::function<void()>& action);

// The lines of the call log that begin with one of the prefixes, in order.
std::vector<std::string> CallsOf(const FakeOciControl& fake, std::initializer_list<std::string> prefixes);

}  // namespace ora::testing
