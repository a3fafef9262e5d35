#include "foundation/cipher/OlvLString.h"

#include "foundation/cipher/OlvLUtils.h"
#include "foundation/text/TextEncoding.h"

namespace olv {

std::string CipherString(std::string_view text, const TCipherKey& key, bool encrypt) {
  std::string middle, result;
  if (encrypt) {
    CipherStream(Utf8ToGb18030(text), middle, key, true);
    Base64EncodeStream(middle, result);
    return result;
  }
  Base64DecodeStream(text, middle);
  CipherStream(middle, result, key, false);
  return Gb18030ToUtf8(result);
}

}  // namespace olv
