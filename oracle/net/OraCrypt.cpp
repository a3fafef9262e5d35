#include "oracle/net/OraCrypt.h"

#include <string.h>  // explicit_bzero

#include "oracle/net/NetErrors.h"

namespace ora {
namespace {

// The tables of FIPS 46. Bit numbers count from 1 at the most significant bit.
constexpr std::uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::uint8_t kFinalPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

constexpr std::uint8_t kPermutationP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23,
                                            26, 5, 18, 31, 10, 2,  8,  24, 14, 32, 27,
                                            3,  9, 19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
    35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
    46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
    26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
    51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::uint8_t kRotations[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,
     0,  15, 7,  4, 14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3, 8,
     4,  1,  14, 8, 13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5, 0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0, 1,  10, 6,  9, 11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,  9,  3, 2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6, 7,  12, 0,  5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3, 4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8, 15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6, 9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15,
     13, 8,  11, 5, 6,  15, 0,  3,  4,  7, 2, 12, 1,  10, 14, 9,
     10, 6,  9,  0, 12, 11, 7,  13, 15, 1, 3, 14, 5,  2,  8,  4,
     3,  15, 0,  6, 10, 1,  13, 8,  9,  4, 5, 11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9, 8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3, 0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7, 12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2, 8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9, 5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0, 8,  13, 3,  12, 9, 7,  5,  10, 6, 1,
     13, 0,  11, 7,  4,  9, 1,  10, 14, 3,  5, 12, 2,  15, 8, 6,
     1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6, 8,  0,  5,  9, 2,
     6,  11, 13, 8,  1,  4, 10, 7,  9,  5,  0, 15, 14, 2,  3, 12},
    {13, 2,  8,  4, 6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8, 10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1, 9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7, 4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Output bit k (of `outBits`) is input bit table[k] (of `inBits`), both counted from the top.
constexpr std::uint64_t Permute(std::uint64_t in, const std::uint8_t* table, int outBits, int inBits) {
  std::uint64_t out = 0;
  for (int k = 0; k < outBits; ++k) out = (out << 1) | ((in >> (inBits - table[k])) & 1);
  return out;
}

// Each S-box with the permutation P behind it, so a round is eight lookups.
struct SpTables {
  std::uint32_t entry[8][64];
};

constexpr SpTables MakeSpTables() {
  SpTables t{};
  for (int box = 0; box < 8; ++box) {
    for (int six = 0; six < 64; ++six) {
      const int row = ((six >> 4) & 2) | (six & 1);
      const int column = (six >> 1) & 0xF;
      const std::uint64_t nibble = kSBoxes[box][row * 16 + column];
      t.entry[box][six] = std::uint32_t(Permute(nibble << (28 - 4 * box), kPermutationP, 32, 32));
    }
  }
  return t;
}

constexpr SpTables kSp = MakeSpTables();

std::uint64_t LoadBlock(const std::uint8_t* b) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | b[i];
  return v;
}

void StoreBlock(std::uint64_t v, std::uint8_t* b) {
  for (int i = 7; i >= 0; --i, v >>= 8) b[i] = std::uint8_t(v);
}

std::uint32_t RoundFunction(std::uint32_t r, const std::uint8_t* groups) {
  // The expansion E takes, for box j, the six bits starting one before the box's nibble, with
  // the word wrapping round: bits of r rotated right by one, read as a 64-bit ring.
  const std::uint32_t x = (r >> 1) | (r << 31);
  const std::uint64_t ring = (std::uint64_t(x) << 32) | x;
  std::uint32_t out = 0;
  for (int box = 0; box < 8; ++box) {
    const unsigned six = unsigned(ring >> (58 - 4 * box)) & 0x3F;
    out |= kSp.entry[box][six ^ groups[box]];
  }
  return out;
}

std::uint64_t Crypt(std::uint64_t block, const std::uint8_t (*groups)[8], bool decrypt) {
  const std::uint64_t ip = Permute(block, kInitialPermutation, 64, 64);
  std::uint32_t l = std::uint32_t(ip >> 32);
  std::uint32_t r = std::uint32_t(ip);
  for (int round = 0; round < 16; ++round) {
    const std::uint32_t next = l ^ RoundFunction(r, groups[decrypt ? 15 - round : round]);
    l = r;
    r = next;
  }
  // The halves are swapped before the final permutation.
  return Permute((std::uint64_t(r) << 32) | l, kFinalPermutation, 64, 64);
}

void TrimBlanks(std::string_view& text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
}

// Wipes a byte vector's contents when it goes out of scope, however the scope is left.
struct WipeOnExit {
  TBytes& bytes;
  ~WipeOnExit() { WipeBytes(bytes.data(), bytes.size()); }
};

}  // namespace

TDesKeySchedule::TDesKeySchedule(const std::uint8_t key[8]) {
  const std::uint64_t cd = Permute(LoadBlock(key), kPermutedChoice1, 56, 64);
  std::uint32_t c = std::uint32_t(cd >> 28) & 0x0FFFFFFF;
  std::uint32_t d = std::uint32_t(cd) & 0x0FFFFFFF;
  for (int round = 0; round < 16; ++round) {
    const int n = kRotations[round];
    c = ((c << n) | (c >> (28 - n))) & 0x0FFFFFFF;
    d = ((d << n) | (d >> (28 - n))) & 0x0FFFFFFF;
    const std::uint64_t k = Permute((std::uint64_t(c) << 28) | d, kPermutedChoice2, 48, 56);
    for (int box = 0; box < 8; ++box) groups_[round][box] = std::uint8_t((k >> (42 - 6 * box)) & 0x3F);
  }
}

void WipeText(std::string& text) {
  WipeBytes(text.data(), text.size());
  text.clear();
}

TDesKeySchedule::~TDesKeySchedule() { WipeBytes(groups_, sizeof groups_); }

void TDesKeySchedule::EncryptBlock(std::uint8_t block[8]) const {
  StoreBlock(Crypt(LoadBlock(block), groups_, false), block);
}

void TDesKeySchedule::DecryptBlock(std::uint8_t block[8]) const {
  StoreBlock(Crypt(LoadBlock(block), groups_, true), block);
}

void DESEncryptBlock(const std::uint8_t key[8], std::uint8_t block[8], int count) {
  const TDesKeySchedule schedule(key);
  for (int i = 0; i < count; ++i) schedule.EncryptBlock(block);
}

void DESDecryptBlock(const std::uint8_t key[8], std::uint8_t block[8], int count) {
  const TDesKeySchedule schedule(key);
  for (int i = 0; i < count; ++i) schedule.DecryptBlock(block);
}

TBytes DESEncryptCBC(const std::uint8_t key[8], const TBytes& data, bool lastBlockOnly) {
  const TDesKeySchedule schedule(key);
  TBytes out(lastBlockOnly ? 8 : data.size(), 0);
  std::uint8_t chain[8] = {};
  for (std::size_t at = 0; at + 8 <= data.size(); at += 8) {
    for (int i = 0; i < 8; ++i) chain[i] ^= data[at + i];
    schedule.EncryptBlock(chain);
    if (!lastBlockOnly) std::copy(chain, chain + 8, out.begin() + std::ptrdiff_t(at));
  }
  if (lastBlockOnly) std::copy(chain, chain + 8, out.begin());
  WipeBytes(chain, sizeof chain);
  return out;
}

TBytes DESDecryptHex(const std::uint8_t key[8], std::string_view hex) {
  std::optional<TBytes> bytes = HexToBytes(hex);
  if (!bytes || bytes->size() < 8) throw EDBError(210);
  DESDecryptBlock(key, bytes->data());
  return std::move(*bytes);
}

TBytes PasswordHashInput(std::string_view user, std::string_view password) {
  const std::size_t n = 2 * (user.size() + password.size());
  TBytes input((n + 7) / 8 * 8, 0);
  std::size_t at = 0;
  for (std::string_view text : {user, password}) {
    for (char ch : text) {
      std::uint8_t b = static_cast<std::uint8_t>(ch);
      if (b >= 'a' && b <= 'z') b = std::uint8_t(b - 'a' + 'A');
      input[at + 1] = b;  // input[at] stays 0
      at += 2;
    }
  }
  return input;
}

TDesBlock OraPasswordHash(std::string_view user, std::string_view password) {
  TBytes input = PasswordHashInput(user, password);
  const WipeOnExit wipeInput{input};
  TBytes second = DESEncryptCBC(kPasswordHashKey.data(), input, true);
  const WipeOnExit wipeSecond{second};
  const TBytes hash = DESEncryptCBC(second.data(), input, true);
  TDesBlock out{};
  std::copy(hash.begin(), hash.end(), out.begin());
  return out;
}

std::string LogonPasswordText(std::string_view user, std::string_view password,
                              std::string_view sessionKeyText) {
  if (sessionKeyText.size() > 16) throw EDBError(106);
  if (sessionKeyText.size() != 16) throw EDBError(210);
  TrimBlanks(user);
  TrimBlanks(password);
  TDesBlock hash = OraPasswordHash(user, password);
  TBytes sessionKey;
  const WipeOnExit wipeKey{sessionKey};
  try {
    sessionKey = DESDecryptHex(hash.data(), sessionKeyText);
  } catch (...) {
    WipeBytes(hash.data(), hash.size());
    throw;
  }
  WipeBytes(hash.data(), hash.size());

  const std::size_t padding = (8 - password.size() % 8) % 8;
  TBytes padded(password.begin(), password.end());
  const WipeOnExit wipePadded{padded};
  padded.resize(password.size() + padding, 0);
  const TBytes cipher = DESEncryptCBC(sessionKey.data(), padded);
  std::string text = BytesToHex(cipher);
  text += HexDigit(int(padding));
  return text;
}

std::string BytesToHex(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  text.reserve(2 * count);
  for (std::size_t i = 0; i < count; ++i) {
    text += HexDigit(bytes[i] >> 4);
    text += HexDigit(bytes[i] & 0xF);
  }
  return text;
}

std::optional<TBytes> HexToBytes(std::string_view text) {
  TBytes bytes(text.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = std::uint8_t(high << 4 | low);
  }
  if (text.size() % 2 && HexValue(text.back()) < 0) return std::nullopt;
  return bytes;
}

char HexDigit(int value) { return "0123456789ABCDEF"[value & 0xF]; }

int HexValue(char character) {
  if (character >= '0' && character <= '9') return character - '0';
  if (character >= 'A' && character <= 'F') return character - 'A' + 10;
  if (character >= 'a' && character <= 'f') return character - 'a' + 10;
  return -1;
}

void WipeBytes(void* bytes, std::size_t count) {
  if (count) explicit_bzero(bytes, count);
}

}  // namespace ora
