#include "foundation/cipher/ScrambleText.h"

#include <algorithm>
#include <random>
#include <vector>

namespace olv {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";
constexpr size_t kMaxScrambled = 128;  // positions 0..255 of the hex text

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::mt19937& Rng() {
  thread_local std::mt19937 rng{std::random_device{}()};
  return rng;
}
}  // namespace

std::string ScrambleText(std::string_view text) {
  // An empty text would become just the key pair, which reads back as itself: keep it empty.
  if (text.empty() || text.size() > kMaxScrambled) return std::string(text);
  auto& rng = Rng();
  const int r = std::uniform_int_distribution<int>(1, 255)(rng);
  std::string hex;
  hex.reserve(text.size() * 2);
  for (unsigned char c : text) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  std::vector<size_t> order(hex.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  std::string out;
  out.reserve(2 + 3 * hex.size());
  out += static_cast<char>(r);
  out += static_cast<char>(~r & 255);
  for (size_t pos : order) {
    out += kHex[(pos >> 4) & 15];
    out += kHex[pos & 15];
    out += hex[pos];
  }
  return out;
}

std::string UnscrambleText(std::string_view s) {
  if (s.size() < 3) return std::string(s);
  const auto a = static_cast<unsigned char>(s[0]);
  const auto b = static_cast<unsigned char>(s[1]);
  if (((~a) & 255) != b || (s.size() - 2) % 3 != 0) return std::string(s);
  const size_t n = (s.size() - 2) / 3;
  if (n % 2 != 0 || n > 2 * kMaxScrambled) return std::string(s);
  std::string hex(n, '\0');
  std::vector<bool> seen(n, false);
  for (size_t i = 0; i < n; ++i) {
    const char* t = s.data() + 2 + 3 * i;
    const int hi = HexValue(t[0]), lo = HexValue(t[1]);
    if (hi < 0 || lo < 0 || HexValue(t[2]) < 0) return std::string(s);
    const size_t pos = static_cast<size_t>(hi * 16 + lo);
    if (pos >= n || seen[pos]) return std::string(s);
    seen[pos] = true;
    hex[pos] = t[2];
  }
  std::string out;
  out.reserve(n / 2);
  for (size_t i = 0; i < n; i += 2) {
    out += static_cast<char>(HexValue(hex[i]) * 16 + HexValue(hex[i + 1]));
  }
  return out;
}

}  // namespace olv
