// DES and the logon hash against the standard's vectors, the published hash answer, and
// OpenSSL's DES as a second implementation for random keys and blocks.
#define OPENSSL_SUPPRESS_DEPRECATED  // the single-DES calls are what we want to compare with
#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "oracle/net/NetErrors.h"
#include "oracle/net/OraCrypt.h"

namespace {

using ora::TBytes;

TBytes Hex(const std::string& text) { return ora::HexToBytes(text).value(); }

std::string HexOf(const TBytes& b) { return ora::BytesToHex(b); }
std::string HexOf(const ora::TDesBlock& b) { return ora::BytesToHex(b.data(), b.size()); }

// OpenSSL's DES of one block.
TBytes PeerEcb(const std::uint8_t key[8], const std::uint8_t block[8], bool encrypt) {
  DES_cblock k;
  std::memcpy(k, key, 8);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&k, &schedule);
  DES_cblock in, out;
  std::memcpy(in, block, 8);
  DES_ecb_encrypt(&in, &out, &schedule, encrypt ? DES_ENCRYPT : DES_DECRYPT);
  return TBytes(out, out + 8);
}

// OpenSSL's CBC with a zero initial vector over whole blocks.
TBytes PeerCbc(const std::uint8_t key[8], const TBytes& data, bool encrypt) {
  DES_cblock k, iv = {0};
  std::memcpy(k, key, 8);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&k, &schedule);
  TBytes out(data.size());
  DES_ncbc_encrypt(data.data(), out.data(), long(data.size()), &schedule, &iv, encrypt ? DES_ENCRYPT : DES_DECRYPT);
  return out;
}

TEST(Des, StandardVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  };
  const Case cases[] = {
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // "Now is t"
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const TBytes key = Hex(c.key);
    TBytes block = Hex(c.plain);
    ora::DESEncryptBlock(key.data(), block.data());
    EXPECT_EQ(HexOf(block), c.cipher);
    ora::DESDecryptBlock(key.data(), block.data());
    EXPECT_EQ(HexOf(block), c.plain);
  }
}

TEST(Des, CbcStandardVectorWithItsInitialVector) {
  // The standard's CBC example uses the vector 1234567890ABCDEF: with a zero vector built in,
  // the same chain results when the vector is folded into the first block by hand.
  const TBytes key = Hex("0123456789ABCDEF");
  const std::string text = "Now is the time for all ";
  TBytes data(text.begin(), text.end());
  const TBytes iv = Hex("1234567890ABCDEF");
  for (int i = 0; i < 8; ++i) data[std::size_t(i)] ^= iv[std::size_t(i)];
  EXPECT_EQ(HexOf(ora::DESEncryptCBC(key.data(), data)), "E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6");
  EXPECT_EQ(HexOf(ora::DESEncryptCBC(key.data(), data, true)), "683788499A7C05F6");
}

TEST(Des, MatchesOpenSslOnRandomKeysAndBlocks) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::uint8_t key[8], block[8];
    for (auto& b : key) b = std::uint8_t(byte(random));
    for (auto& b : block) b = std::uint8_t(byte(random));
    std::uint8_t ours[8];
    std::memcpy(ours, block, 8);
    ora::DESEncryptBlock(key, ours);
    ASSERT_EQ(TBytes(ours, ours + 8), PeerEcb(key, block, true)) << "round " << round;
    std::memcpy(ours, block, 8);
    ora::DESDecryptBlock(key, ours);
    ASSERT_EQ(TBytes(ours, ours + 8), PeerEcb(key, block, false)) << "round " << round;
  }
  for (int round = 0; round < 200; ++round) {
    std::uint8_t key[8];
    for (auto& b : key) b = std::uint8_t(byte(random));
    TBytes data(8 * std::size_t(1 + round % 9));
    for (auto& b : data) b = std::uint8_t(byte(random));
    const TBytes peer = PeerCbc(key, data, true);
    ASSERT_EQ(ora::DESEncryptCBC(key, data), peer) << "round " << round;
    ASSERT_EQ(ora::DESEncryptCBC(key, data, true), TBytes(peer.end() - 8, peer.end()));
  }
}

TEST(Des, RepeatedBlockOperationsAndPartialLastBlock) {
  const TBytes key = Hex("0123456789ABCDEF");
  TBytes twice = Hex("4E6F772069732074");
  ora::DESEncryptBlock(key.data(), twice.data(), 2);
  EXPECT_EQ(twice, PeerEcb(key.data(), Hex("3FA40E8A984D4815").data(), true));
  ora::DESDecryptBlock(key.data(), twice.data(), 2);
  EXPECT_EQ(HexOf(twice), "4E6F772069732074");

  // A partial last block is left out of the chain and stays zero.
  const TBytes data = Hex("4E6F772069732074414243");
  const TBytes cipher = ora::DESEncryptCBC(key.data(), data);
  EXPECT_EQ(HexOf(cipher), "3FA40E8A984D4815000000");
  EXPECT_EQ(HexOf(ora::DESEncryptCBC(key.data(), {}, true)), "0000000000000000");
}

TEST(PasswordHash, KnownAnswerAndInputLayout) {
  EXPECT_EQ(HexOf(ora::OraPasswordHash("SCOTT", "TIGER")), "F894844C34402B67");
  EXPECT_EQ(HexOf(ora::OraPasswordHash("scott", "tiger")), "F894844C34402B67");
  EXPECT_EQ(HexOf(ora::OraPasswordHash("", "")), "0000000000000000");

  EXPECT_EQ(HexOf(ora::PasswordHashInput("abc", "x1_z!")), "00410042004300580031005F005A0021");
  EXPECT_TRUE(ora::PasswordHashInput("", "").empty());
  // Bytes above 127 pass unchanged; only a-z are folded.
  EXPECT_EQ(HexOf(ora::PasswordHashInput("\xE9", "")), "00E9000000000000");
}

TEST(PasswordHash, ThreadsDoNotDisturbEachOther) {
  std::vector<std::thread> threads;
  std::vector<std::string> results(4);
  for (std::size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&results, t] {
      std::string last;
      for (int i = 0; i < 200; ++i) last = HexOf(ora::OraPasswordHash(t % 2 ? "SCOTT" : "SYSTEM", t % 2 ? "TIGER" : "MANAGER"));
      results[t] = last;
    });
  }
  for (auto& t : threads) t.join();
  for (std::size_t t = 0; t < results.size(); ++t)
    EXPECT_EQ(results[t], t % 2 ? "F894844C34402B67" : HexOf(ora::OraPasswordHash("SYSTEM", "MANAGER")));
}

// The server's side of the exchange, done with OpenSSL: the session key is the key text
// decrypted with the password hash, and the cipher text decrypts to the zero-padded password.
std::string PeerDecryptPassword(const std::string& user, const std::string& password, const std::string& keyText,
                                const std::string& sent) {
  const ora::TDesBlock hash = ora::OraPasswordHash(user, password);
  const TBytes sessionKey = PeerEcb(hash.data(), Hex(keyText).data(), false);
  const TBytes cipher = Hex(sent.substr(0, sent.size() - 1));
  const TBytes plain = PeerCbc(sessionKey.data(), cipher, false);
  const int padding = ora::HexValue(sent.back());
  return std::string(plain.begin(), plain.end() - padding);
}

TEST(LogonPassword, ServerRecoversThePassword) {
  const std::string key = "3A9F00C15B7E2D84";
  struct Case {
    const char* password;
    std::size_t digits;  // cipher digits, before the padding digit
    char padding;
  };
  const Case cases[] = {{"", 0, '0'}, {"TIGER", 16, '3'}, {"abcdefgh", 16, '0'}, {"abcdefghi", 32, '7'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    const std::string sent = ora::LogonPasswordText("scott", c.password, key);
    ASSERT_EQ(sent.size(), c.digits + 1);
    EXPECT_EQ(sent.back(), c.padding);
    EXPECT_EQ(sent.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(PeerDecryptPassword("scott", c.password, key, sent), c.password);
  }
  // Blanks around the user name and password are not part of them.
  EXPECT_EQ(ora::LogonPasswordText(" scott ", "\ttiger ", key), ora::LogonPasswordText("scott", "tiger", key));
  EXPECT_EQ(ora::LogonPasswordText("scott", "tiger", "3a9f00c15b7e2d84"), ora::LogonPasswordText("scott", "tiger", key));
}

TEST(LogonPassword, RefusesAMalformedSessionKey) {
  struct Case {
    const char* key;
    int code;
  };
  const Case cases[] = {{"", 210}, {"3A9F00C15B7E2D8", 210}, {"3A9F00C15B7E2D84A", 106},
                        {"3A9F00C15B7E2D8G", 210}, {"3A9F00C1 B7E2D84", 210}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    try {
      ora::LogonPasswordText("scott", "tiger", c.key);
      ADD_FAILURE() << "accepted";
    } catch (const ora::EDBError& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_EQ(std::string(e.what()), "Unknown error " + std::to_string(c.code));
    }
  }
  EXPECT_THROW(ora::DESDecryptHex(Hex("0123456789ABCDEF").data(), "0123"), ora::EDBError);
}

TEST(HexText, DigitsBothWays) {
  EXPECT_EQ(ora::BytesToHex(Hex("00ff7fa5")), "00FF7FA5");
  EXPECT_EQ(HexOf(Hex("abcdE")), "ABCD");  // an odd last digit is ignored
  EXPECT_FALSE(ora::HexToBytes("12x4").has_value());
  EXPECT_FALSE(ora::HexToBytes("123g").has_value());
  EXPECT_EQ(ora::HexDigit(11), 'B');
  EXPECT_EQ(ora::HexValue('f'), 15);
  EXPECT_EQ(ora::HexValue('G'), -1);
}

}  // namespace
