#include "foundation/cipher/OlvLString.h"

#include "foundation/cipher/OlvLUtils.h"

namespace olv {

std::string CipherString(std::string_view text, const TCipherKey& key, bool encrypt) {
  std::string middle, result;
  if (encrypt) {
    CipherStream(text, middle, key, true);
    Base64EncodeStream(middle, result);
  } else {
    Base64DecodeStream(text, middle);
    CipherStream(middle, result, key, false);
  }
  return result;
}

}  // namespace olv
