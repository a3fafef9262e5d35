#include "foundation/cipher/OlvLUtils.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "foundation/cipher/OlvLCipher.h"

namespace olv {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kPad = 64;
constexpr int kInvalid = -1;

std::array<int, 256> MakeDecodeTable() {
  std::array<int, 256> table;
  table.fill(kInvalid);
  for (int i = 0; i < 64; ++i) table[std::uint8_t(kAlphabet[i])] = i;
  table['='] = kPad;
  return table;
}

[[noreturn]] void BadFormat() { throw ECipherException("Invalid file format"); }

}  // namespace

void CipherStream(std::string_view input, std::string& output, const TCipherKey& key, bool encrypt) {
  CipherContext context;
  CipherKeySchedule(key, context);
  std::uint8_t block[8];
  const std::size_t whole = input.size() / 8;
  if (encrypt) {
    output.reserve(output.size() + (whole + 1) * 8);
    for (std::size_t i = 0; i < whole; ++i) {
      std::memcpy(block, input.data() + i * 8, 8);
      CipherBlock(context, block, true);
      output.append(reinterpret_cast<const char*>(block), 8);
    }
    const std::size_t rest = input.size() % 8;
    std::memset(block, 0, 8);
    std::memcpy(block, input.data() + whole * 8, rest);
    block[7] = std::uint8_t(rest);
    CipherBlock(context, block, true);
    output.append(reinterpret_cast<const char*>(block), 8);
    return;
  }
  // Trailing bytes beyond whole blocks cannot come from the encipherer: refuse them rather
  // than drop them.
  if (whole == 0 || input.size() % 8 != 0) BadFormat();
  std::string plain;
  plain.reserve(whole * 8);
  for (std::size_t i = 0; i < whole; ++i) {
    std::memcpy(block, input.data() + i * 8, 8);
    CipherBlock(context, block, false);
    if (i + 1 < whole) {
      plain.append(reinterpret_cast<const char*>(block), 8);
    } else {
      if (block[7] > 7) BadFormat();
      plain.append(reinterpret_cast<const char*>(block), block[7]);
    }
  }
  output += plain;
}

void Base64EncodeStream(std::string_view input, std::string& output) {
  output.reserve(output.size() + (input.size() + 2) / 3 * 4);
  const auto* in = reinterpret_cast<const std::uint8_t*>(input.data());
  std::size_t i = 0;
  for (; i + 3 <= input.size(); i += 3) {
    const std::uint32_t v = std::uint32_t(in[i]) << 16 | std::uint32_t(in[i + 1]) << 8 | in[i + 2];
    output += kAlphabet[v >> 18];
    output += kAlphabet[(v >> 12) & 63];
    output += kAlphabet[(v >> 6) & 63];
    output += kAlphabet[v & 63];
  }
  const std::size_t rest = input.size() - i;
  if (rest == 0) return;
  std::uint32_t v = std::uint32_t(in[i]) << 16;
  if (rest == 2) v |= std::uint32_t(in[i + 1]) << 8;
  output += kAlphabet[v >> 18];
  output += kAlphabet[(v >> 12) & 63];
  output += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
  output += '=';
}

void Base64DecodeStream(std::string_view input, std::string& output) {
  static const std::array<int, 256> table = MakeDecodeTable();
  for (char ch : input) {
    if (table[std::uint8_t(ch)] == kInvalid) throw Exception("Invalid Base64 Character");
  }
  if (input.size() % 4 != 0) throw Exception("Invalid Base64 Text");
  std::string bytes;
  bytes.reserve(input.size() / 4 * 3);
  for (std::size_t i = 0; i < input.size(); i += 4) {
    const int a = table[std::uint8_t(input[i])], b = table[std::uint8_t(input[i + 1])],
              c = table[std::uint8_t(input[i + 2])], d = table[std::uint8_t(input[i + 3])];
    const bool last = i + 4 == input.size();
    // "=" may only close the last group: "xx==" or "xxx=".
    const bool padOk = a != kPad && b != kPad && (c != kPad || d == kPad) && (last || d != kPad);
    if (!padOk) throw Exception("Invalid Base64 Text");
    const std::uint32_t v = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 |
                            std::uint32_t(c == kPad ? 0 : c) << 6 | std::uint32_t(d == kPad ? 0 : d);
    bytes += char(v >> 16);
    if (c != kPad) bytes += char((v >> 8) & 0xFF);
    if (d != kPad) bytes += char(v & 0xFF);
  }
  output += bytes;
}

}  // namespace olv
