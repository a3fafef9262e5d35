#include "platform/Registry.h"

#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace plat {

namespace {

const char* const kHiveNames[Registry::kHiveCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

constexpr const char* kFileHeader = "orascheme-registry 1";

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

[[noreturn]] void Fail(const std::string& what, int err) {
  throw RegistryError(what + ": " + std::strerror(err));
}

// --- the hive file's text form -------------------------------------------------------------
// Line "key <quoted path>" opens a key; the "value <quoted name> <type> <data>" lines after it
// belong to that key. Strings are quoted with \\, \", \n, \r, \t and \xHH escapes; other data are
// hex digits.

std::string Quote(std::string_view s) {
  static const char* hex = "0123456789abcdef";
  std::string r = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '\\': r += "\\\\"; break;
      case '"': r += "\\\""; break;
      case '\n': r += "\\n"; break;
      case '\r': r += "\\r"; break;
      case '\t': r += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          r += "\\x";
          r += hex[c >> 4];
          r += hex[c & 15];
        } else {
          r += static_cast<char>(c);
        }
    }
  }
  return r + "\"";
}

std::string Hex(std::string_view s) {
  static const char* hex = "0123456789abcdef";
  std::string r;
  for (unsigned char c : s) {
    r += hex[c >> 4];
    r += hex[c & 15];
  }
  return r;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class LineParser {
 public:
  LineParser(std::string_view line, const std::string& where) : s_(line), where_(where) {}

  std::string Word() {
    SkipBlanks();
    std::size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != ' ') ++pos_;
    if (start == pos_) Bad("missing word");
    return std::string(s_.substr(start, pos_ - start));
  }

  std::string Quoted() {
    SkipBlanks();
    if (pos_ >= s_.size() || s_[pos_] != '"') Bad("expected a quoted text");
    ++pos_;
    std::string r;
    for (;;) {
      if (pos_ >= s_.size()) Bad("unterminated text");
      char c = s_[pos_++];
      if (c == '"') return r;
      if (c != '\\') {
        r += c;
        continue;
      }
      if (pos_ >= s_.size()) Bad("unterminated escape");
      char e = s_[pos_++];
      switch (e) {
        case '\\': r += '\\'; break;
        case '"': r += '"'; break;
        case 'n': r += '\n'; break;
        case 'r': r += '\r'; break;
        case 't': r += '\t'; break;
        case 'x': {
          if (pos_ + 2 > s_.size()) Bad("short \\x escape");
          int hi = HexDigit(s_[pos_]), lo = HexDigit(s_[pos_ + 1]);
          if (hi < 0 || lo < 0) Bad("bad \\x escape");
          r += static_cast<char>(hi * 16 + lo);
          pos_ += 2;
          break;
        }
        default: Bad("unknown escape");
      }
    }
  }

  std::string HexBytes() {
    SkipBlanks();
    std::size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != ' ') ++pos_;
    std::string_view h = s_.substr(start, pos_ - start);
    if (h == "-") return {};
    if (h.size() % 2 != 0) Bad("odd number of hex digits");
    std::string r;
    r.reserve(h.size() / 2);
    for (std::size_t i = 0; i < h.size(); i += 2) {
      int hi = HexDigit(h[i]), lo = HexDigit(h[i + 1]);
      if (hi < 0 || lo < 0) Bad("bad hex digit");
      r += static_cast<char>(hi * 16 + lo);
    }
    return r;
  }

  void End() {
    SkipBlanks();
    if (pos_ != s_.size()) Bad("unexpected text at end of line");
  }

  [[noreturn]] void Bad(const char* what) const { throw RegistryError(where_ + ": " + what); }

 private:
  void SkipBlanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  std::string_view s_;
  std::size_t pos_ = 0;
  const std::string& where_;
};

bool IsTextType(RegType t) {
  return t == RegType::String || t == RegType::ExpandString || t == RegType::MultiString;
}

const char* TypeWord(RegType t) {
  switch (t) {
    case RegType::None: return "none";
    case RegType::String: return "sz";
    case RegType::ExpandString: return "expand_sz";
    case RegType::Binary: return "binary";
    case RegType::DWord: return "dword";
    case RegType::MultiString: return "multi_sz";
  }
  return nullptr;
}

std::optional<RegType> ParseTypeWord(const std::string& w) {
  for (RegType t : {RegType::None, RegType::String, RegType::ExpandString, RegType::Binary,
                    RegType::DWord, RegType::MultiString})
    if (w == TypeWord(t)) return t;
  if (w.rfind("type", 0) == 0 && w.size() > 4 && w.size() <= 14) {
    std::uint64_t n = 0;
    for (std::size_t i = 4; i < w.size(); ++i) {
      if (w[i] < '0' || w[i] > '9') return std::nullopt;
      n = n * 10 + static_cast<unsigned>(w[i] - '0');
    }
    if (n <= 0xFFFFFFFFu) return static_cast<RegType>(n);
  }
  return std::nullopt;
}

std::string TypeText(RegType t) {
  if (const char* w = TypeWord(t)) return w;
  return "type" + std::to_string(static_cast<std::uint32_t>(t));
}

// The Oracle homes named by an oratab file ("SID:HOME:FLAG" lines), first appearance first.
std::vector<std::string> OratabHomes(const std::filesystem::path& file) {
  std::vector<std::string> homes;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::size_t c1 = line.find(':', first);
    if (c1 == std::string::npos) continue;
    std::size_t c2 = line.find(':', c1 + 1);
    std::string home = line.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
    while (!home.empty() && (home.back() == ' ' || home.back() == '\t' || home.back() == '\r'))
      home.pop_back();
    if (home.empty() || home[0] != '/') continue;
    bool seen = false;
    for (const auto& h : homes) seen = seen || h == home;
    if (!seen) homes.push_back(home);
  }
  return homes;
}

// The stores of Default(), one per folder. Never destroyed, nor their lock: a thread may use its
// store while the program exits.
Mutex& StoresLock() {
  static auto* m = new Mutex;
  return *m;
}
std::map<std::string, std::unique_ptr<Registry>>& Stores() REQUIRES(StoresLock()) {
  static auto* stores = new std::map<std::string, std::unique_ptr<Registry>>;
  return *stores;
}

}  // namespace

// --- values ------------------------------------------------------------------------------------

RegValue RegValue::DWord(std::uint32_t v) {
  std::string d(4, '\0');
  for (int i = 0; i < 4; ++i) d[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return {RegType::DWord, d};
}

RegValue RegValue::MultiStr(const std::vector<std::string>& items) {
  std::string d;
  for (const auto& s : items) {
    d += s;
    d += '\0';
  }
  return {RegType::MultiString, d};
}

std::optional<std::uint32_t> RegValue::AsDWord() const {
  if (type != RegType::DWord || data.size() != 4) return std::nullopt;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
  return v;
}

std::vector<std::string> RegValue::AsMultiStr() const {
  std::vector<std::string> r;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t z = data.find('\0', start);
    if (z == std::string::npos) z = data.size();
    if (z == start) break;  // an empty item ends the list
    r.push_back(data.substr(start, z - start));
    start = z + 1;
  }
  return r;
}

RegistrySeed RegistrySeed::FromEnvironment() {
  RegistrySeed s;
  if (const char* h = std::getenv("ORACLE_HOME"); h && *h) s.oracleHome = h;
  if (const char* n = std::getenv("NLS_LANG"); n && *n) s.nlsLang = n;
  return s;
}

// --- the tree ----------------------------------------------------------------------------------

struct Registry::Key {
  struct Named {
    std::string name;
    RegValue value;
  };
  std::string name;                                 // as created
  std::map<std::string, Named> values;              // by lower-case name
  std::map<std::string, std::unique_ptr<Key>> subkeys;  // by lower-case name

  Key* Find(const std::vector<std::string>& parts) {
    Key* k = this;
    for (const auto& p : parts) {
      auto it = k->subkeys.find(Lower(p));
      if (it == k->subkeys.end()) return nullptr;
      k = it->second.get();
    }
    return k;
  }

  Key& Make(const std::vector<std::string>& parts) {
    Key* k = this;
    for (const auto& p : parts) {
      auto& slot = k->subkeys[Lower(p)];
      if (!slot) {
        slot = std::make_unique<Key>();
        slot->name = p;
      }
      k = slot.get();
    }
    return *k;
  }

  void Set(std::string_view n, const RegValue& v) {
    auto& slot = values[Lower(n)];
    if (slot.name.empty()) slot.name = std::string(n);
    slot.value = v;
  }

  void Write(std::ostream& out, const std::string& path) const {
    if (!path.empty()) out << "key " << Quote(path) << '\n';
    for (const auto& [lower, nv] : values) {
      out << "value " << Quote(nv.name) << ' ' << TypeText(nv.value.type) << ' ';
      if (IsTextType(nv.value.type))
        out << Quote(nv.value.data);
      else
        out << (nv.value.data.empty() ? std::string("-") : Hex(nv.value.data));
      out << '\n';
    }
    for (const auto& [lower, sub] : subkeys)
      sub->Write(out, path.empty() ? sub->name : path + "\\" + sub->name);
  }
};

struct Registry::Hive {
  Key root;
  bool loaded = false;
  bool present = false;  // the file existed at the last load
  struct stat seen {};   // identity of the file at the last load or save
};

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Exclusive advisory lock on the store's folder for the length of one read-change-save.
class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw RegistryError("cannot create the registry folder " + folder.string() + ": " + ec.message());
    std::string lock = (folder / ".lock").string();
    fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) Fail("cannot open " + lock, errno);
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        int e = errno;
        ::close(fd_);
        Fail("cannot lock " + lock, e);
      }
    }
  }
  ~FolderLock() { ::close(fd_); }  // closing releases the lock
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

// --- the store ---------------------------------------------------------------------------------

const char* Registry::HiveName(int hive) {
  return hive >= 0 && hive < kHiveCount ? kHiveNames[hive] : "";
}

std::optional<int> Registry::HiveIndex(std::string_view name) {
  for (int i = 0; i < kHiveCount; ++i)
    if (EqualNoCase(name, kHiveNames[i])) return i;
  return std::nullopt;
}

Registry::Registry(std::filesystem::path folder, RegistrySeed seed)
    : folder_(std::move(folder)), seed_(std::move(seed)) {}

Registry::~Registry() = default;

std::filesystem::path Registry::DefaultFolder() {
  if (const char* d = std::getenv("ORASCHEME_REGISTRY_DIR"); d && *d) return d;
  std::filesystem::path base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x && x[0] == '/')
    base = x;
  else if (const char* h = std::getenv("HOME"); h && *h)
    base = std::filesystem::path(h) / ".config";
  else
    base = "/tmp";
  return base / "orascheme" / "registry";
}

Registry& Registry::Default() {
  std::filesystem::path folder = DefaultFolder();
  MutexLock lock(StoresLock());
  auto& slot = Stores()[folder.string()];
  if (!slot) slot = std::make_unique<Registry>(folder);
  return *slot;
}

std::filesystem::path Registry::HiveFile(int hive) const {
  return folder_ / (std::string(HiveName(hive)) + ".reg");
}

std::vector<std::string> Registry::SplitKeyPath(std::string_view key) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t bs = key.find('\\', start);
    if (bs == std::string_view::npos) bs = key.size();
    if (bs > start) parts.emplace_back(key.substr(start, bs - start));
    start = bs + 1;
  }
  return parts;
}

void Registry::LoadHive(int hive, Hive& h) {
  std::filesystem::path file = HiveFile(hive);
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno != ENOENT) Fail("cannot read " + file.string(), errno);
    if (h.loaded && !h.present) return;  // still no file: keep what is in memory (the seed)
    h.root = Key{};
    h.present = false;
  } else {
    if (h.loaded && h.present && SameFile(st, h.seen)) return;
    std::ifstream in(file, std::ios::binary);
    if (!in) Fail("cannot read " + file.string(), errno);
    Key root;
    Key* current = &root;
    std::string line;
    std::size_t number = 0;
    bool header = false;
    while (std::getline(in, line)) {
      ++number;
      std::string where = file.string() + ":" + std::to_string(number);
      if (!header) {
        if (line != kFileHeader) throw RegistryError(where + ": not a registry hive file");
        header = true;
        continue;
      }
      if (line.empty() || line[0] == '#') continue;
      LineParser p(line, where);
      std::string word = p.Word();
      if (word == "key") {
        std::string path = p.Quoted();
        p.End();
        current = &root.Make(SplitKeyPath(path));
      } else if (word == "value") {
        std::string name = p.Quoted();
        std::optional<RegType> type = ParseTypeWord(p.Word());
        if (!type) p.Bad("unknown value type");
        std::string data = IsTextType(*type) ? p.Quoted() : p.HexBytes();
        p.End();
        current->Set(name, RegValue{*type, std::move(data)});
      } else {
        p.Bad("unknown line");
      }
    }
    if (!header && st.st_size > 0) throw RegistryError(file.string() + ": not a registry hive file");
    h.root = std::move(root);
    h.present = true;
    h.seen = st;
  }
  h.loaded = true;
  if (hive == kLocalMachine && !h.root.Find({"SOFTWARE", "ORACLE"})) SeedOracle(h.root);
}

void Registry::SeedOracle(Key& root) const {
  std::vector<std::string> homes;
  if (seed_.oracleHome) homes.push_back(*seed_.oracleHome);
  for (auto& h : OratabHomes(seed_.oratab)) {
    bool seen = false;
    for (const auto& k : homes) seen = seen || k == h;
    if (!seen) homes.push_back(h);
  }
  if (homes.size() > 6) homes.resize(6);
  if (homes.empty() && !seed_.nlsLang) return;

  Key& oracle = root.Make({"SOFTWARE", "ORACLE"});
  if (seed_.nlsLang) oracle.Set("NLS_LANG", RegValue::Str(*seed_.nlsLang));
  if (homes.empty()) return;
  oracle.Set("ORACLE_HOME", RegValue::Str(homes[0]));
  Key& all = oracle.Make({"ALL_HOMES"});
  for (std::size_t i = 0; i < homes.size(); ++i) {
    std::string n = std::to_string(i);
    Key& id = all.Make({"ID" + n});
    id.Set("PATH", RegValue::Str(homes[i]));
    id.Set("NAME", RegValue::Str("OraHome" + n));
    Key& home = oracle.Make({"HOME" + n});
    home.Set("ORACLE_HOME", RegValue::Str(homes[i]));
    if (seed_.nlsLang) home.Set("NLS_LANG", RegValue::Str(*seed_.nlsLang));
  }
  all.Set("DEFAULT_HOME", RegValue::Str("OraHome0"));
  all.Set("LAST_HOME", RegValue::Str("0"));
}

void Registry::SaveHive(int hive, Hive& h) {
  std::ostringstream text;
  text << kFileHeader << '\n' << "# " << HiveName(hive) << '\n';
  h.root.Write(text, "");
  const std::string body = text.str();

  std::filesystem::path file = HiveFile(hive);
  try {
    WriteFileAtomically(file.string(), body, 0600, "." + std::string(HiveName(hive)) + ".");
  } catch (const FileError& e) {
    throw RegistryError(e.what());
  }
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) {
    h.seen = st;
    h.present = true;
  } else {
    h.loaded = false;
  }
}

Registry::Hive& Registry::Loaded(int hive) {
  auto& h = hives_[hive];
  if (!h) h = std::make_unique<Hive>();
  LoadHive(hive, *h);
  return *h;
}

template <class F>
auto Registry::Modify(int hive, F&& change) {
  MutexLock lock(mutex_);
  FolderLock folderLock(folder_);
  Hive& h = Loaded(hive);
  auto result = change(h.root);
  if (result) {
    try {
      SaveHive(hive, h);
    } catch (...) {
      h.loaded = false;  // memory is ahead of the file: read it again next time
      throw;
    }
  }
  return result;
}

bool Registry::KeyExists(int hive, std::string_view key) {
  if (hive < 0 || hive >= kHiveCount) return false;
  MutexLock lock(mutex_);
  return Loaded(hive).root.Find(SplitKeyPath(key)) != nullptr;
}

std::optional<RegValue> Registry::GetValue(int hive, std::string_view key, std::string_view name) {
  if (hive < 0 || hive >= kHiveCount) return std::nullopt;
  MutexLock lock(mutex_);
  Key* k = Loaded(hive).root.Find(SplitKeyPath(key));
  if (!k) return std::nullopt;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end()) return std::nullopt;
  return it->second.value;
}

std::vector<std::string> Registry::ValueNames(int hive, std::string_view key) {
  std::vector<std::string> r;
  if (hive < 0 || hive >= kHiveCount) return r;
  MutexLock lock(mutex_);
  if (Key* k = Loaded(hive).root.Find(SplitKeyPath(key)))
    for (const auto& [lower, nv] : k->values) r.push_back(nv.name);
  return r;
}

std::vector<std::string> Registry::SubKeyNames(int hive, std::string_view key) {
  std::vector<std::string> r;
  if (hive < 0 || hive >= kHiveCount) return r;
  MutexLock lock(mutex_);
  if (Key* k = Loaded(hive).root.Find(SplitKeyPath(key)))
    for (const auto& [lower, sub] : k->subkeys) r.push_back(sub->name);
  return r;
}

void Registry::CreateKey(int hive, std::string_view key) {
  if (hive < 0 || hive >= kHiveCount) throw RegistryError("unknown registry hive");
  auto parts = SplitKeyPath(key);
  Modify(hive, [&](Key& root) {
    if (root.Find(parts)) return false;
    root.Make(parts);
    return true;
  });
}

bool Registry::SetValue(int hive, std::string_view key, std::string_view name, const RegValue& value) {
  if (hive < 0 || hive >= kHiveCount) return false;
  auto parts = SplitKeyPath(key);
  return Modify(hive, [&](Key& root) {
    Key* k = root.Find(parts);
    if (!k) return false;
    k->Set(name, value);
    return true;
  });
}

bool Registry::DeleteValue(int hive, std::string_view key, std::string_view name) {
  if (hive < 0 || hive >= kHiveCount) return false;
  auto parts = SplitKeyPath(key);
  return Modify(hive, [&](Key& root) {
    Key* k = root.Find(parts);
    return k && k->values.erase(Lower(name)) > 0;
  });
}

bool Registry::DeleteKey(int hive, std::string_view key) {
  if (hive < 0 || hive >= kHiveCount) return false;
  auto parts = SplitKeyPath(key);
  if (parts.empty()) return false;  // a hive's root stays
  std::string last = Lower(parts.back());
  parts.pop_back();
  return Modify(hive, [&](Key& root) {
    Key* parent = root.Find(parts);
    return parent && parent->subkeys.erase(last) > 0;
  });
}

}  // namespace plat
