#define OPENSSL_SUPPRESS_DEPRECATED  // single DES is what the protocol uses
#include "tools/fake_listener/FakeCrypto.h"

#include <openssl/des.h>

#include <cctype>
#include <cstring>

namespace ora::fake {
namespace {

Bytes Cbc(const Bytes& key, const Bytes& data, bool encrypt) {
  DES_cblock k, iv = {0};
  std::memcpy(k, key.data(), 8);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&k, &schedule);
  Bytes out(data.size());
  if (!data.empty()) DES_ncbc_encrypt(data.data(), out.data(), long(data.size()), &schedule, &iv, encrypt ? DES_ENCRYPT : DES_DECRYPT);
  return out;
}

std::string Hex(const Bytes& b) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t x : b) {
    out += digits[x >> 4];
    out += digits[x & 15];
  }
  return out;
}

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

Bytes FakePasswordHash(const std::string& user, const std::string& password) {
  Bytes input;
  for (char c : user + password) {
    input.push_back(0);
    input.push_back(std::uint8_t(c >= 'a' && c <= 'z' ? c - 32 : c));
  }
  input.resize((input.size() + 7) / 8 * 8, 0);
  const Bytes first = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  Bytes pass1 = Cbc(first, input, true);
  const Bytes second = pass1.empty() ? Bytes(8, 0) : Bytes(pass1.end() - 8, pass1.end());
  Bytes pass2 = Cbc(second, input, true);
  return pass2.empty() ? Bytes(8, 0) : Bytes(pass2.end() - 8, pass2.end());
}

std::string FakeSessionKeyText(const Bytes& hash, const Bytes& sessionKey) {
  return Hex(Cbc(hash, sessionKey, true));
}

std::optional<std::string> FakeReadPasswordText(const Bytes& sessionKey, const std::string& text) {
  if (text.empty() || (text.size() - 1) % 16 != 0) return std::nullopt;
  const int padding = Nibble(text.back());
  if (padding < 0 || padding > 7) return std::nullopt;
  Bytes cipher;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const int high = Nibble(text[i]), low = Nibble(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    cipher.push_back(std::uint8_t(high << 4 | low));
  }
  Bytes plain = Cbc(sessionKey, cipher, false);
  if (std::size_t(padding) > plain.size()) return std::nullopt;
  return std::string(plain.begin(), plain.end() - long(padding));
}

}  // namespace ora::fake
