#pragma once
// A skin's INI file, parsed from the bytes the package holds; it never touches the file system.
// It answers as the original's profile functions did: section and key names compare without
// regard to ASCII case, the first section and the first key of a name win, values are trimmed and
// lose one pair of enclosing quotes, lines starting with ';' are comments, lines before the first
// section and lines without '=' are ignored. A parsed INI is a plain value: no thread affinity.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

class TSkinIni {
 public:
  TSkinIni() = default;
  explicit TSkinIni(std::string_view text);

  // All section names in file order, as written (a repeated section is listed each time).
  const std::vector<std::string>& SectionNames() const { return names_; }
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // The key's value, or def when the section or the key is absent (a key present with an empty
  // value gives the empty text).
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def = {}) const;
  // The value as a 32-bit integer: decimal with an optional sign, or hexadecimal after "$" or
  // "0x"; def when absent, empty, malformed or out of range.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

 private:
  struct Key {
    std::string name, value;
  };
  struct Section {
    std::string name;
    std::vector<Key> keys;
  };
  const Section* Find(std::string_view section) const;
  const Key* Find(std::string_view section, std::string_view key) const;

  std::vector<std::string> names_;
  std::vector<Section> sections_;
};

// Parses a 32-bit integer as the INI's ReadInteger does; false when text is not one.
bool ParseIniInteger(std::string_view text, int32_t& value);

}  // namespace skin
