#pragma once
// The cryptography of the direct network logon: DES (FIPS 46) on 8-byte blocks and in CBC mode
// with an all-zero initial vector, the classic Oracle password hash, and the hexadecimal texts
// the logon exchange carries.
//
// Every key schedule lives only for the call that builds it and is wiped afterwards; nothing is
// kept between calls, so any thread may call any of these at any time. Intermediate copies of
// passwords are wiped before they are freed.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ora {

using TBytes = std::vector<std::uint8_t>;
using TDesBlock = std::array<std::uint8_t, 8>;

// The first-pass key of the password hash.
inline constexpr TDesBlock kPasswordHashKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

// The 16 round keys of one DES key (parity bits ignored). Wiped when destroyed.
class TDesKeySchedule {
 public:
  explicit TDesKeySchedule(const std::uint8_t key[8]);
  ~TDesKeySchedule();
  TDesKeySchedule(const TDesKeySchedule&) = delete;
  TDesKeySchedule& operator=(const TDesKeySchedule&) = delete;

  void EncryptBlock(std::uint8_t block[8]) const;
  void DecryptBlock(std::uint8_t block[8]) const;

 private:
  // Per round, the eight 6-bit groups of the 48-bit round key.
  std::uint8_t groups_[16][8];
};

// The block (in place) encrypted or decrypted `count` times under `key`.
void DESEncryptBlock(const std::uint8_t key[8], std::uint8_t block[8], int count = 1);
void DESDecryptBlock(const std::uint8_t key[8], std::uint8_t block[8], int count = 1);

// CBC encryption with a zero initial vector over the whole 8-byte blocks of `data`. The result is
// as long as `data` (a partial last block is not encrypted and stays zero), or only the last
// cipher block when `lastBlockOnly` (8 zero bytes when `data` holds no whole block).
TBytes DESEncryptCBC(const std::uint8_t key[8], const TBytes& data, bool lastBlockOnly = false);

// The hexadecimal text's bytes with the first block decrypted once under `key`. Raises
// EDBError 210 when the text holds fewer than 16 digits or a character that is no digit.
TBytes DESDecryptHex(const std::uint8_t key[8], std::string_view hex);

// User name then password, each character as the bytes 0 and the character ("a"-"z" upper-cased,
// every other byte unchanged), zero-padded to a multiple of 8 bytes.
TBytes PasswordHashInput(std::string_view user, std::string_view password);
TDesBlock OraPasswordHash(std::string_view user, std::string_view password);

// The password text of the second logon phase: the password (both texts trimmed of blanks and
// control characters) zero-padded to a multiple of 8 bytes, CBC-encrypted under the session key
// (the server's key text decrypted with the password hash), as upper-case hexadecimal digits,
// then one digit for the padding byte count (0-7). The key text must be exactly 16 hexadecimal
// digits: EDBError 210 when it is empty, shorter or not hexadecimal, 106 when it is longer.
std::string LogonPasswordText(std::string_view user, std::string_view password,
                              std::string_view sessionKeyText);

// Two upper-case digits per byte.
std::string BytesToHex(const std::uint8_t* bytes, std::size_t count);
inline std::string BytesToHex(const TBytes& bytes) { return BytesToHex(bytes.data(), bytes.size()); }
// Each pair of digits one byte, high digit first; an odd last digit is ignored; upper- and
// lower-case digits are read. Empty when a character is no hexadecimal digit.
std::optional<TBytes> HexToBytes(std::string_view text);
char HexDigit(int value);      // 0-15 -> "0"-"9", "A"-"F"
int HexValue(char character);  // the digit's value, -1 for any other character

// Overwrites memory in a way the optimiser keeps (for keys and passwords).
void WipeBytes(void* bytes, std::size_t count);
// Overwrites a text's characters and empties it (a password once the logon no longer needs it).
void WipeText(std::string& text);

}  // namespace ora
