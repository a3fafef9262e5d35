#pragma once
// Text encodings. Strings are UTF-8 inside the program; files written by the older program hold
// GBK text, which is recognised by not being valid UTF-8 and converted on reading.
// Free functions, safe to call from any thread.
#include <string>
#include <string_view>

namespace olv {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// GBK (code page 936) to UTF-8. A byte sequence that is not GBK becomes U+FFFD; lossless, when
// given, tells whether that happened.
std::string GbkToUtf8(std::string_view gbk, bool* lossless = nullptr);

// The text unchanged when it is valid UTF-8, else its conversion from GBK.
std::string ToUtf8FromStored(std::string text);

}  // namespace olv
