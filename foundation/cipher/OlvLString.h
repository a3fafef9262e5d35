#pragma once
// `CipherString`: a short text enciphered into base64 text and back with a 16-byte key from
// `MakeTextKey`. The cipher works on the text's bytes in the stored code page, GB18030
// (foundation/text/TextEncoding.h), as the original's did on its code page: the text given to
// encipher and the text deciphered are UTF-8. Deciphering raises (ECipherException or the base64
// decoder's Exception) on any text the encipherer cannot have produced. Stateless; any thread
// may call.
#include <string>
#include <string_view>

#include "foundation/cipher/OlvLProc.h"

namespace olv {

std::string CipherString(std::string_view text, const TCipherKey& key, bool encrypt);

}  // namespace olv
