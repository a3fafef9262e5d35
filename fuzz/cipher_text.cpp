// Stored password texts come from a file: deciphering any text must either give a result or
// raise the library's exception, never read or write outside its buffers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/base/Exception.h"
#include "foundation/cipher/OlvLProc.h"
#include "foundation/cipher/OlvLString.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const olv::TCipherKey key = olv::MakeTextKey("OraSchK1");
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const std::string plain = olv::CipherString(text, key, false);
    // Whatever deciphered must encipher and come back the same.
    if (olv::CipherString(olv::CipherString(plain, key, true), key, false) != plain) __builtin_trap();
  } catch (const olv::Exception&) {
  }
  return 0;
}
