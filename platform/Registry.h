#pragma once
// The program's settings store in place of a system registry: hives of keys holding typed values.
//
// One text file per hive in the store's folder ($XDG_CONFIG_HOME/orascheme/registry/, or the folder
// named by ORASCHEME_REGISTRY_DIR). Key paths are "\"-separated; key and value names compare
// without regard to ASCII case and keep the case they were created with. Value data are raw bytes
// with a type, as the helpers above read them whatever their type.
//
// Every write is saved at once, atomically (temporary file, fsync, rename), under an advisory lock
// on the folder so that several processes can share the store; a read notices a hive file that
// another process replaced and loads it again. One Registry object may be used by any number of
// threads at once. A hive file that cannot be parsed is an error and is never overwritten.
//
// When the local-machine hive has no "SOFTWARE\ORACLE" key, the Oracle homes and NLS_LANG are
// seeded into memory from the environment (ORACLE_HOME, NLS_LANG) and /etc/oratab; they reach
// the file with the next write to that hive.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ThreadAnnotations.h"

namespace plat {

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Value types, numbered as the stored data of the original program number them.
enum class RegType : std::uint32_t {
  None = 0,
  String = 1,
  ExpandString = 2,
  Binary = 3,
  DWord = 4,
  MultiString = 7,
};

struct RegValue {
  RegType type = RegType::None;
  std::string data;  // raw bytes; strings without a terminating zero; a dword as 4 bytes, low first

  static RegValue Str(std::string s) { return {RegType::String, std::move(s)}; }
  static RegValue ExpandStr(std::string s) { return {RegType::ExpandString, std::move(s)}; }
  static RegValue Bin(std::string bytes) { return {RegType::Binary, std::move(bytes)}; }
  static RegValue DWord(std::uint32_t v);
  // Strings joined with a zero byte after each.
  static RegValue MultiStr(const std::vector<std::string>& items);

  std::optional<std::uint32_t> AsDWord() const;            // only for a 4-byte dword
  std::vector<std::string> AsMultiStr() const;              // the zero-separated parts
  bool operator==(const RegValue&) const = default;
};

// Where the seeded Oracle homes come from; tests give their own.
struct RegistrySeed {
  std::optional<std::string> oracleHome;  // ORACLE_HOME
  std::optional<std::string> nlsLang;     // NLS_LANG
  std::filesystem::path oratab = "/etc/oratab";

  static RegistrySeed FromEnvironment();
};

class Registry {
 public:
  // Hive i is the root key 0x80000000 + i of the original program.
  static constexpr int kHiveCount = 7;
  static constexpr int kClassesRoot = 0, kCurrentUser = 1, kLocalMachine = 2, kUsers = 3,
                       kPerformanceData = 4, kCurrentConfig = 5, kDynData = 6;
  static const char* HiveName(int hive);                       // "HKEY_CLASSES_ROOT", ...
  static std::optional<int> HiveIndex(std::string_view name);  // any ASCII case; none when unknown

  explicit Registry(std::filesystem::path folder, RegistrySeed seed = RegistrySeed::FromEnvironment());
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // The store of ORASCHEME_REGISTRY_DIR, else of $XDG_CONFIG_HOME (or ~/.config)/orascheme/registry.
  // The folder is looked up on every call; each folder gets one store that lives until exit.
  static Registry& Default();
  static std::filesystem::path DefaultFolder();

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path HiveFile(int hive) const;

  // Reads. An unknown hive or a missing key gives nothing; a damaged hive file raises.
  bool KeyExists(int hive, std::string_view key);
  std::optional<RegValue> GetValue(int hive, std::string_view key, std::string_view name);
  std::vector<std::string> ValueNames(int hive, std::string_view key);
  std::vector<std::string> SubKeyNames(int hive, std::string_view key);

  // Writes, each saved before it returns. SetValue needs an existing key; it and the deletions
  // return false when the key (or value) is not there. Failure to save raises RegistryError and
  // leaves the file as it was.
  void CreateKey(int hive, std::string_view key);
  bool SetValue(int hive, std::string_view key, std::string_view name, const RegValue& value);
  bool DeleteValue(int hive, std::string_view key, std::string_view name);
  bool DeleteKey(int hive, std::string_view key);  // with everything below it

  // Splits a key path at "\" and drops empty parts ("\Software\\ORACLE\" -> Software, ORACLE).
  static std::vector<std::string> SplitKeyPath(std::string_view key);

 private:
  struct Key;
  struct Hive;
  Hive& Loaded(int hive) REQUIRES(mutex_);
  void LoadHive(int hive, Hive& h) REQUIRES(mutex_);
  void SaveHive(int hive, Hive& h) REQUIRES(mutex_);
  void SeedOracle(Key& root) const;
  template <class F>
  auto Modify(int hive, F&& change);

  std::filesystem::path folder_;
  RegistrySeed seed_;
  Mutex mutex_;
  std::unique_ptr<Hive> hives_[kHiveCount] GUARDED_BY(mutex_);
};

}  // namespace plat
