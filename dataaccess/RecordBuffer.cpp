#include "dataaccess/RecordBuffer.h"

#include "dataaccess/TextUtil.h"

namespace da {

std::size_t StrLenW(const char16_t* text) {
  std::size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

char16_t* StrCopyW(char16_t* destination, const char16_t* source) {
  std::size_t n = StrLenW(source);
  if (n) std::memcpy(destination, source, n * sizeof(char16_t));
  destination[n] = 0;
  return destination;
}

char16_t* StrLCopyW(char16_t* destination, const char16_t* source, std::size_t maxLen) {
  std::size_t n = 0;
  if (source)
    while (n < maxLen && source[n]) {
      destination[n] = source[n];
      ++n;
    }
  destination[n] = 0;
  return destination;
}

template <typename C>
static void TrimImpl(C* text, int length) {
  if (!text) return;
  std::size_t n = length < 0 ? 0 : static_cast<std::size_t>(length);
  if (length < 0)
    while (text[n]) ++n;
  while (n > 1 && (text[n - 1] == C(' ') || text[n - 1] == C(0))) text[--n] = 0;
}

void StrTrim(char* text, int length) { TrimImpl(text, length); }
void StrTrimW(char16_t* text, int length) { TrimImpl(text, length); }

std::size_t ExpandLineBreaks(const char* source, std::size_t length, char* destination, std::size_t capacity) {
  if (capacity == 0) return 0;
  const std::size_t room = capacity - 1;  // the terminator's byte is kept back
  std::size_t out = 0;
  for (std::size_t i = 0; i < length && source[i] != 0;) {
    const char c = source[i];
    if (c == '\r' && i + 1 < length && source[i + 1] == '\n') {
      if (out + 2 > room) break;
      destination[out++] = '\r';
      destination[out++] = '\n';
      i += 2;
    } else if (c == '\n') {
      if (out + 2 > room) break;
      destination[out++] = '\r';
      destination[out++] = '\n';
      ++i;
    } else {
      std::size_t n = olv::utf8::CharLen(std::string_view(source, length), i);
      if (out + n > room) break;
      for (std::size_t k = 0; k < n; ++k) destination[out++] = source[i + k];
      i += n;
    }
  }
  destination[out] = 0;
  return out;
}

std::size_t CollapseLineBreaks(const char* source, std::size_t length, char* destination) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (source[i] == '\r' && i + 1 < length && source[i + 1] == '\n') continue;
    destination[out++] = source[i];
  }
  destination[out] = 0;
  return out;
}

}  // namespace da
