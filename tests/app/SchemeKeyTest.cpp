// The scheme file's password cipher under our own key text.
#include "app/core/SchemeKey.h"

#include <gtest/gtest.h>

#include "foundation/base/Exception.h"

namespace {

TEST(SchemeKey, EnciphersUnderTheFixedKeyText) {
  EXPECT_EQ(sch::kSchemeKeyText.size(), 8u);
  // Worked out by tests/foundation/cipher_known_answers.py with the same key text.
  EXPECT_EQ(sch::EncipherSchemePassword("tiger"), "xmFy2Ihb7cs=");
  EXPECT_EQ(sch::DecipherSchemePassword("xmFy2Ihb7cs="), "tiger");
  EXPECT_EQ(sch::DecipherSchemePassword(sch::EncipherSchemePassword("Pa55 w\xc3\xb6rd/with@signs")),
            "Pa55 w\xc3\xb6rd/with@signs");
}

TEST(SchemeKey, EmptyPasswordStaysEmpty) {
  EXPECT_EQ(sch::EncipherSchemePassword(""), "");
  EXPECT_EQ(sch::DecipherSchemePassword(""), "");
}

TEST(SchemeKey, DamagedStoredTextRaises) {
  EXPECT_THROW(sch::DecipherSchemePassword("not base64!"), olv::Exception);
  EXPECT_THROW(sch::DecipherSchemePassword("xmFy2Ihb"), olv::Exception);  // short of a block
}

}  // namespace
