#pragma once
// The stream side of the text cipher: whole-buffer enciphering with a count block at the end,
// and base64 in the standard alphabet with "=" padding and no line breaks. Inputs are byte
// buffers; outputs are appended to a string the caller owns. Stateless; any thread may call.
//
// Decoding is strict: a character outside the alphabet, a misplaced "=", a text that is not
// whole groups of four, a cipher text that is not whole blocks, or a count byte above 7 is an
// error, never a guess.
#include <string>
#include <string_view>

#include "foundation/base/Exception.h"
#include "foundation/cipher/OlvLProc.h"

namespace olv {

class ECipherException : public Exception {
 public:
  using Exception::Exception;
};

// Enciphering writes (size div 8 + 1) blocks, the last holding the count of its valid bytes
// in byte 7. Raises ECipherException("Invalid file format") on malformed cipher text.
void CipherStream(std::string_view input, std::string& output, const TCipherKey& key, bool encrypt);

void Base64EncodeStream(std::string_view input, std::string& output);
// Raises Exception("Invalid Base64 Character") for a character outside the alphabet and
// Exception("Invalid Base64 Text") for a partial group or a misplaced pad.
void Base64DecodeStream(std::string_view input, std::string& output);

inline int CipherMaxInt(int a, int b) { return a > b ? a : b; }
inline int CipherMinInt(int a, int b) { return a < b ? a : b; }

}  // namespace olv
