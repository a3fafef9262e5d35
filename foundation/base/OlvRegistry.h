#pragma once
// The library's registry object: a cursor on the settings store (plat::Registry) with a root key,
// an open key and an access right, and the library's additions: values read whatever their type
// (ReadDataStr) and keys opened by a full path naming the root (OpenKeyPath).
//
// One object belongs to one thread; the store beneath may be shared by many.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/base/Exception.h"
#include "platform/Registry.h"

namespace olv {

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// Root keys: index i of plat::Registry's hives is 0x80000000 + i.
constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr std::uint32_t HKEY_USERS = 0x80000003u;
constexpr std::uint32_t HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr std::uint32_t HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr std::uint32_t HKEY_DYN_DATA = 0x80000006u;

// Access rights as the original asked for them.
constexpr std::uint32_t KEY_READ = 0x20019u;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003Fu;
constexpr std::uint32_t KEY_READ_WRITE = 0x2001Fu;  // read, set value, create subkey

class TRegistry {
 public:
  explicit TRegistry(plat::Registry& store = plat::Registry::Default());

  std::uint32_t RootKey() const { return rootKey_; }
  void SetRootKey(std::uint32_t key);  // closes the open key; an unknown key is refused
  // The root of the name's index ("HKEY_LOCAL_MACHINE", compared exactly). An unknown name
  // leaves the root as it was and gives false.
  bool SetRootKeyName(std::string_view name);
  std::uint32_t Access() const { return access_; }
  void SetAccess(std::uint32_t access) { access_ = access; }

  // Opens a key: a path beginning with "\" from the root, any other below the open key (or the
  // root). With canCreate missing keys are made. False when the key is not there.
  bool OpenKey(std::string_view key, bool canCreate);
  bool OpenKeyReadOnly(std::string_view key);
  // A path whose first part names a root ("HKEY_CURRENT_USER\Software\X") selects that root and
  // opens the rest from it; any other path is opened under the current root. The access becomes
  // read-write with canCreate, else read. A path that begins with "HKEY_" in any case but names
  // no root exactly ("HKEY_NOWHERE\X", "hkey_current_user\X") opens nothing.
  bool OpenKeyPath(std::string_view path, bool canCreate);
  void CloseKey();
  bool HasCurrentKey() const { return current_.has_value(); }
  std::string CurrentPath() const { return current_.value_or(""); }

  bool KeyExists(std::string_view key);
  bool ValueExists(std::string_view name);
  std::vector<std::string> GetValueNames();
  std::vector<std::string> GetKeyNames();

  // The value's bytes whatever its type, cut at the first zero byte; empty when there is no open
  // key or the value is missing.
  std::string ReadDataStr(std::string_view name);
  std::optional<plat::RegValue> ReadValue(std::string_view name);
  // A string or expand-string value; raises ERegistryException for another type or a missing one.
  std::string ReadString(std::string_view name);
  std::int32_t ReadInteger(std::string_view name);  // a dword

  // Writes raise ERegistryException without an open key, with read access only, or when the
  // store cannot save.
  void WriteValue(std::string_view name, const plat::RegValue& value);
  void WriteString(std::string_view name, std::string_view value);
  void WriteExpandString(std::string_view name, std::string_view value);
  void WriteInteger(std::string_view name, std::int32_t value);
  void WriteBinaryData(std::string_view name, std::string_view bytes);
  void WriteMultiString(std::string_view name, const std::vector<std::string>& items);
  bool DeleteValue(std::string_view name);
  bool DeleteKey(std::string_view key);

 private:
  int Hive() const { return static_cast<int>(rootKey_ - HKEY_CLASSES_ROOT); }
  std::string Resolve(std::string_view key) const;

  plat::Registry& store_;
  std::uint32_t rootKey_ = HKEY_CURRENT_USER;
  std::uint32_t access_ = KEY_ALL_ACCESS;
  std::optional<std::string> current_;  // path of the open key from the root
};

// Opens key with read-write access (creating it) when canCreate, else read access only.
bool OpenKeyAccess(TRegistry& reg, std::string_view key, bool canCreate);
// A registry object on root with key opened read-only; none when the key cannot be opened.
std::unique_ptr<TRegistry> OpenRegKey(std::uint32_t root, std::string_view key);
// The string value name under the local machine's "\Software\Microsoft\Windows\CurrentVersion";
// any failure gives an empty text.
std::string ReadWindowsValue(std::string_view name);

}  // namespace olv
