// The text cipher against known answers worked out by cipher_known_answers.py (beside this
// file), which follows the cipher's description without any of our code. Stored scheme-file
// passwords depend on these bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "foundation/cipher/OlvLCipher.h"
#include "foundation/cipher/OlvLProc.h"
#include "foundation/cipher/OlvLString.h"
#include "foundation/cipher/OlvLUtils.h"

namespace {

using olv::TCipherKey;

std::string Hex(const std::uint8_t* p, std::size_t n) {
  std::string s;
  char buf[3];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", p[i]);
    s += buf;
  }
  return s;
}

std::string Hex(const TCipherKey& k) { return Hex(k.data(), k.size()); }

TCipherKey CountingKey() {
  TCipherKey k{};
  for (int i = 0; i < 16; ++i) k[i] = std::uint8_t(i);
  return k;
}

const char kKeyText[] = "OraSchK1";

struct DigestCase {
  std::string text;
  const char* key;
};

TEST(TextKey, DigestsMatchIndependentAnswers) {
  std::string wrap;
  for (int i = 0; i < 256; ++i) wrap += char(i);
  wrap += "wrap";  // the digest index wraps past 255
  const DigestCase cases[] = {
      {"", "0bd132aa831c56ac1f92e61084a342d2"},  // the pad alone is mixed in
      {"a", "845eb2948758dc943b8a2f887491032e"},
      {"abcdefg", "e99bdb4a2032de3fa08ac0ba5df46af4"},  // pad of one byte
      {"OraSchK1", "d4a076cf400a32de5a5a67cbe6b91558"},  // a full group, then a full pad
      {"abcdefghi", "49439445b5d46601c98cd1ff8d30c833"},
      {wrap, "61426256c388c790a9e42dd9d03879a0"},
      {"\xe5\x8f\xa3\xe4\xbb\xa4\xe5\xaf\x86\xe9\x92\xa5", "5316af95d0c826a795d08de667e3a8cd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(olv::MakeTextKey(c.text)), c.key) << "text of " << c.text.size() << " bytes";
  }
}

TEST(TextKey, SizeLimitsTheBytesWritten) {
  std::uint8_t out[300];
  std::fill(std::begin(out), std::end(out), 0xEE);
  olv::MakeTextKey(out, 300, "");
  EXPECT_EQ(Hex(out, 8), "0bd132aa831c56ac");
  EXPECT_EQ(Hex(out + 248, 8), "930bb607c9ee4e3e");
  EXPECT_EQ(out[256], 0xEE) << "at most 256 bytes are written";

  std::fill(std::begin(out), std::end(out), 0xEE);
  olv::MakeTextKey(out, 3, "");
  EXPECT_EQ(Hex(out, 4), "0bd132ee");
}

TEST(MixCipher, BlockMatchesIndependentAnswer) {
  olv::MixCipher ctx;
  olv::MixCipherInit(CountingKey(), ctx, 8, true);
  std::uint8_t block[16];
  for (int i = 0; i < 16; ++i) block[i] = std::uint8_t(i);
  olv::MixCipherEncryptBlock(ctx, block);
  EXPECT_EQ(Hex(block, 16), "87d5e852cf17cc091e2c3c0517ed6a78");
}

TEST(MixCipher, RoundsAreClampedAndDecryptReversesSubkeys) {
  olv::MixCipher low, four, high, sixteen, dec;
  olv::MixCipherInit(CountingKey(), low, 2, true);
  olv::MixCipherInit(CountingKey(), four, 4, true);
  olv::MixCipherInit(CountingKey(), high, 20, true);
  olv::MixCipherInit(CountingKey(), sixteen, 16, true);
  EXPECT_EQ(low.Rounds, 4u);
  EXPECT_EQ(high.Rounds, 16u);
  std::uint8_t a[16] = {1, 2, 3}, b[16] = {1, 2, 3}, c[16] = {4}, d[16] = {4};
  olv::MixCipherEncryptBlock(low, a);
  olv::MixCipherEncryptBlock(four, b);
  olv::MixCipherEncryptBlock(high, c);
  olv::MixCipherEncryptBlock(sixteen, d);
  EXPECT_EQ(Hex(a, 16), Hex(b, 16));
  EXPECT_EQ(Hex(c, 16), Hex(d, 16));

  olv::MixCipherInit(CountingKey(), dec, 5, false);
  EXPECT_EQ(dec.SubKeys[0][0], four.SubKeys[4][0]);
  EXPECT_EQ(dec.SubKeys[4][1], four.SubKeys[0][1]);
  EXPECT_EQ(dec.SubKeys[5][0], four.SubKeys[5][0]) << "pairs past Rounds stay in place";
}

TEST(BlockCipher, TransformMatchesAndIsItsOwnInverse) {
  olv::CipherContext ctx;
  olv::CipherKeySchedule(CountingKey(), ctx);
  std::uint8_t block[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  olv::CipherBlock(ctx, block, true);
  EXPECT_EQ(Hex(block, 8), "7e7db66a276ae48d");

  // The round functions cancel, so both directions give the same bytes.
  std::uint8_t same[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  olv::CipherBlock(ctx, same, false);
  EXPECT_EQ(Hex(same, 8), "7e7db66a276ae48d");
}

struct CipherCase {
  const char* name;
  const char* keyText;
  std::string text;
  const char* stored;
};

void PrintTo(const CipherCase& c, std::ostream* os) { *os << c.name; }

class CipherStringTest : public ::testing::TestWithParam<CipherCase> {};

TEST_P(CipherStringTest, EnciphersToIndependentAnswerAndBack) {
  const auto& c = GetParam();
  const TCipherKey key = olv::MakeTextKey(c.keyText);
  EXPECT_EQ(olv::CipherString(c.text, key, true), c.stored);
  EXPECT_EQ(olv::CipherString(c.stored, key, false), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, CipherStringTest,
    ::testing::Values(
        CipherCase{"Empty", kKeyText, "", "sggVvfpb7c4="},  // one block holding only the count 0
        CipherCase{"Tiger", kKeyText, "tiger", "xmFy2Ihb7cs="},
        CipherCase{"SevenBytes", kKeyText, "1234567", "gzomic9t2sk="},  // seven bytes fit one block
        CipherCase{"EightBytes", kKeyText, "12345678", "gzomic9t2vayCBW9+lvtzg=="},  // a second, count-only block
        CipherCase{"SixteenBytes", kKeyText, "Secret#2026 pass", "4W12z58vzvyCOiOdijqevbIIFb36W+3O"},
        CipherCase{"OtherKey", "other", "tiger", "8AF/qCiEO4U="},
        // The text's GB18030 bytes are enciphered, as the original enciphered its code page's.
        CipherCase{"Chinese", kKeyText, "密码Pa", "cdTXVqo67cg="},
        CipherCase{"BeyondGbk", kKeyText, "系统\xf0\x9f\x98\x80", "fb3YDm5iEfiyCBW9+lvtzg=="}),
    [](const ::testing::TestParamInfo<CipherCase>& info) { return std::string(info.param.name); });

TEST(CipherString, EqualBlocksEncipherAlike) {
  const TCipherKey key = olv::MakeTextKey(kKeyText);
  std::string out;
  olv::CipherStream("ABCDEFGHABCDEFGH", out, key, true);
  ASSERT_EQ(out.size(), 24u);
  EXPECT_EQ(out.substr(0, 8), out.substr(8, 8));
}

struct BadText {
  const char* name;
  std::string stored;
  const char* message;
};

TEST(CipherString, DecipheringRejectsWhatTheEnciphererCannotProduce) {
  const TCipherKey key = olv::MakeTextKey(kKeyText);
  // A last block whose count byte deciphers to 8..255.
  std::string block(8, '\0');
  block[7] = char(0xC8);
  std::string badCount;
  {
    olv::CipherContext ctx;
    olv::CipherKeySchedule(key, ctx);
    auto* p = reinterpret_cast<std::uint8_t*>(block.data());
    olv::CipherBlock(ctx, p, true);
  }
  olv::Base64EncodeStream(block, badCount);

  const BadText cases[] = {
      {"line break", "xmFy2Ihb\n7cs=", "Invalid Base64 Character"},
      {"blank", "xmFy 2Ihb7cs", "Invalid Base64 Character"},
      {"in +..z but not base64", "xmFy2Ihb7c[=", "Invalid Base64 Character"},
      {"above z", "xmFy2Ihb7cs~", "Invalid Base64 Character"},
      {"partial group", "xmFy2Ihb7cs", "Invalid Base64 Text"},
      {"pad inside the text", "xm==2Ihb7cs=", "Invalid Base64 Text"},
      {"pad before a character", "xmFy2Ihb7c=s", "Invalid Base64 Text"},
      {"empty", "", "Invalid file format"},
      {"not whole blocks", "xmFy2Ihb7csAAAAA", "Invalid file format"},
      {"count above 7", badCount, "Invalid file format"},
  };
  for (const auto& c : cases) {
    try {
      olv::CipherString(c.stored, key, false);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const olv::Exception& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
  }
  EXPECT_THROW(olv::CipherString(badCount, key, false), olv::ECipherException);
}

TEST(Base64, EncodesTailsWithPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
      {std::string("\xfb\xff\xbf", 3), "+/+/"}};
  for (const auto& [plain, text] : cases) {
    std::string enc, dec;
    olv::Base64EncodeStream(plain, enc);
    EXPECT_EQ(enc, text);
    olv::Base64DecodeStream(text, dec);
    EXPECT_EQ(dec, plain);
  }
  // Longer than one 45-byte piece of the original reader: no line breaks.
  std::string enc;
  olv::Base64EncodeStream(std::string(100, 'z'), enc);
  EXPECT_EQ(enc.size(), 136u);
  EXPECT_EQ(enc.find('\n'), std::string::npos);
}

}  // namespace
