#include "foundation/base/OlvRegistry.h"

namespace olv {

namespace {

constexpr std::uint32_t kSetValue = 0x0002;
constexpr std::uint32_t kCreateSubKey = 0x0004;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i], b = prefix[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

TRegistry::TRegistry(plat::Registry& store) : store_(store) {}

void TRegistry::SetRootKey(std::uint32_t key) {
  if (key < HKEY_CLASSES_ROOT || key >= HKEY_CLASSES_ROOT + plat::Registry::kHiveCount)
    throw ERegistryException("Unknown root key");
  CloseKey();
  rootKey_ = key;
}

bool TRegistry::SetRootKeyName(std::string_view name) {
  // Exactly as written: "hkey_local_machine" names no root (the store's own lookup ignores case).
  for (int i = 0; i < plat::Registry::kHiveCount; ++i) {
    if (name == plat::Registry::HiveName(i)) {
      SetRootKey(HKEY_CLASSES_ROOT + static_cast<std::uint32_t>(i));
      return true;
    }
  }
  return false;
}

std::string TRegistry::Resolve(std::string_view key) const {
  if (!key.empty() && key[0] == '\\') return std::string(key.substr(1));
  if (current_ && !current_->empty()) return key.empty() ? *current_ : *current_ + "\\" + std::string(key);
  return std::string(key);
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  std::string path = Resolve(key);
  if (!store_.KeyExists(Hive(), path)) {
    if (!canCreate || !(access_ & kCreateSubKey)) return false;
    try {
      store_.CreateKey(Hive(), path);
    } catch (const plat::RegistryError&) {
      return false;
    }
  }
  current_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  std::uint32_t keep = access_;
  access_ = KEY_READ;
  bool ok = OpenKey(key, false);
  if (!ok) access_ = keep;
  return ok;
}

bool TRegistry::OpenKeyPath(std::string_view path, bool canCreate) {
  access_ = canCreate ? KEY_READ_WRITE : KEY_READ;
  if (StartsWithNoCase(path, "HKEY_")) {
    std::size_t bs = path.find('\\');
    std::string_view root = path.substr(0, bs);
    // An unknown root must not fall back to the current one: that would read or write a key of
    // the same name somewhere else.
    if (!SetRootKeyName(root)) return false;
    path = bs == std::string_view::npos ? std::string_view{} : path.substr(bs + 1);
    return OpenKey("\\" + std::string(path), canCreate);
  }
  return OpenKey(path, canCreate);
}

void TRegistry::CloseKey() { current_.reset(); }

bool TRegistry::KeyExists(std::string_view key) {
  try {
    return store_.KeyExists(Hive(), Resolve(key));
  } catch (const plat::RegistryError&) {
    return false;
  }
}

std::optional<plat::RegValue> TRegistry::ReadValue(std::string_view name) {
  if (!current_) return std::nullopt;
  try {
    return store_.GetValue(Hive(), *current_, name);
  } catch (const plat::RegistryError&) {
    return std::nullopt;
  }
}

bool TRegistry::ValueExists(std::string_view name) { return ReadValue(name).has_value(); }

std::vector<std::string> TRegistry::GetValueNames() {
  if (!current_) return {};
  try {
    return store_.ValueNames(Hive(), *current_);
  } catch (const plat::RegistryError&) {
    return {};
  }
}

std::vector<std::string> TRegistry::GetKeyNames() {
  if (!current_) return {};
  try {
    return store_.SubKeyNames(Hive(), *current_);
  } catch (const plat::RegistryError&) {
    return {};
  }
}

std::string TRegistry::ReadDataStr(std::string_view name) {
  auto v = ReadValue(name);
  if (!v) return {};
  std::size_t z = v->data.find('\0');
  return z == std::string::npos ? v->data : v->data.substr(0, z);
}

std::string TRegistry::ReadString(std::string_view name) {
  auto v = ReadValue(name);
  if (!v || (v->type != plat::RegType::String && v->type != plat::RegType::ExpandString))
    throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
  std::size_t z = v->data.find('\0');
  return z == std::string::npos ? v->data : v->data.substr(0, z);
}

std::int32_t TRegistry::ReadInteger(std::string_view name) {
  auto v = ReadValue(name);
  std::optional<std::uint32_t> d = v ? v->AsDWord() : std::nullopt;
  if (!d) throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
  return static_cast<std::int32_t>(*d);
}

void TRegistry::WriteValue(std::string_view name, const plat::RegValue& value) {
  const std::string failed = "Failed to set data for '" + std::string(name) + "'";
  if (!current_ || !(access_ & kSetValue)) throw ERegistryException(failed);
  try {
    if (!store_.SetValue(Hive(), *current_, name, value)) throw ERegistryException(failed);
  } catch (const plat::RegistryError& e) {
    throw ERegistryException(failed + ": " + e.what());
  }
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  WriteValue(name, plat::RegValue::Str(std::string(value)));
}

void TRegistry::WriteExpandString(std::string_view name, std::string_view value) {
  WriteValue(name, plat::RegValue::ExpandStr(std::string(value)));
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
  WriteValue(name, plat::RegValue::DWord(static_cast<std::uint32_t>(value)));
}

void TRegistry::WriteBinaryData(std::string_view name, std::string_view bytes) {
  WriteValue(name, plat::RegValue::Bin(std::string(bytes)));
}

void TRegistry::WriteMultiString(std::string_view name, const std::vector<std::string>& items) {
  WriteValue(name, plat::RegValue::MultiStr(items));
}

bool TRegistry::DeleteValue(std::string_view name) {
  if (!current_ || !(access_ & kSetValue)) return false;
  try {
    return store_.DeleteValue(Hive(), *current_, name);
  } catch (const plat::RegistryError&) {
    return false;
  }
}

bool TRegistry::DeleteKey(std::string_view key) {
  try {
    return store_.DeleteKey(Hive(), Resolve(key));
  } catch (const plat::RegistryError&) {
    return false;
  }
}

bool OpenKeyAccess(TRegistry& reg, std::string_view key, bool canCreate) {
  reg.SetAccess(canCreate ? KEY_READ_WRITE : KEY_READ);
  return reg.OpenKey(key, canCreate);
}

std::unique_ptr<TRegistry> OpenRegKey(std::uint32_t root, std::string_view key) {
  auto reg = std::make_unique<TRegistry>();
  try {
    reg->SetRootKey(root);
  } catch (const ERegistryException&) {
    return nullptr;
  }
  if (!OpenKeyAccess(*reg, key, false)) return nullptr;
  return reg;
}

std::string ReadWindowsValue(std::string_view name) {
  try {
    auto reg = OpenRegKey(HKEY_LOCAL_MACHINE, "\\Software\\Microsoft\\Windows\\CurrentVersion");
    return reg ? reg->ReadString(name) : std::string();
  } catch (const std::exception&) {
    return std::string();
  }
}

}  // namespace olv
