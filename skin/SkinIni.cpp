#include "skin/SkinIni.h"

#include <limits>

#include "foundation/text/Utf8.h"

namespace skin {

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    return s.substr(1, s.size() - 2);
  return s;
}

}  // namespace

TSkinIni::TSkinIni(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Section* current = nullptr;
  while (!text.empty()) {
    const std::size_t eol = text.find_first_of("\r\n");
    std::string_view line = Trim(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      std::string name(Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
      names_.push_back(name);
      // A repeated section adds nothing: lookups find the first.
      current = Find(name) ? nullptr : &sections_.emplace_back(Section{std::move(name), {}});
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    current->keys.push_back(
        Key{std::string(Trim(line.substr(0, eq))), std::string(Unquote(Trim(line.substr(eq + 1))))});
  }
}

const TSkinIni::Section* TSkinIni::Find(std::string_view section) const {
  for (const Section& s : sections_)
    if (olv::utf8::SameText(s.name, section)) return &s;
  return nullptr;
}

const TSkinIni::Key* TSkinIni::Find(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (!s) return nullptr;
  for (const Key& k : s->keys)
    if (olv::utf8::SameText(k.name, key)) return &k;
  return nullptr;
}

bool TSkinIni::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

bool TSkinIni::ValueExists(std::string_view section, std::string_view key) const {
  return Find(section, key) != nullptr;
}

std::string TSkinIni::ReadString(std::string_view section, std::string_view key,
                                 const std::string& def) const {
  const Key* k = Find(section, key);
  return k ? k->value : def;
}

int32_t TSkinIni::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const Key* k = Find(section, key);
  int32_t value = 0;
  return k && ParseIniInteger(k->value, value) ? value : def;
}

bool ParseIniInteger(std::string_view text, int32_t& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with("$")) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t n = 0;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    n = n * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (n > 0xFFFFFFFFu) return false;
  }
  if (base == 10) {
    // Decimal must fit a signed 32-bit value; hexadecimal may use all 32 bits (0xFFFFFFFF is -1).
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    if (n > limit) return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(n)) : static_cast<int32_t>(n);
  } else {
    const auto bits = static_cast<uint32_t>(n);
    value = static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  return true;
}

}  // namespace skin
