#include "app/core/SchemeKey.h"

#include "foundation/cipher/OlvLProc.h"
#include "foundation/cipher/OlvLString.h"

namespace sch {

namespace {

const olv::TCipherKey& SchemeKey() {
  static const olv::TCipherKey key = olv::MakeTextKey(kSchemeKeyText);
  return key;
}

}  // namespace

std::string EncipherSchemePassword(std::string_view password) {
  if (password.empty()) return {};
  return olv::CipherString(password, SchemeKey(), true);
}

std::string DecipherSchemePassword(std::string_view stored) {
  if (stored.empty()) return {};
  return olv::CipherString(stored, SchemeKey(), false);
}

}  // namespace sch
