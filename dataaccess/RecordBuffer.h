#pragma once
// Helpers of the record store for the raw bytes of a record buffer and the texts it holds:
// unaligned reads and writes of values, the NUL-terminated 16-bit strings of wide fields, trailing
// blank trimming of fixed-width fields, and line-end conversion between the stored form (LF) and
// the form handed to callers (CR LF). Pure functions, any thread.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace da {

template <typename T>
inline T ReadValue(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
inline void WriteValue(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Reference slots (blobs, variants, heap values) hold a pointer.
inline void* ReadPointer(const void* p) { return ReadValue<void*>(p); }
inline void WritePointer(void* p, const void* v) { WriteValue<const void*>(p, v); }

std::size_t StrLenW(const char16_t* text);
char16_t* StrCopyW(char16_t* destination, const char16_t* source);
// Copies at most maxLen characters and always terminates the destination.
char16_t* StrLCopyW(char16_t* destination, const char16_t* source, std::size_t maxLen);

// From the last character backwards, blanks and NULs become NUL; never the first character.
// A length of -1 means up to the terminator.
void StrTrim(char* text, int length);
void StrTrimW(char16_t* text, int length);

// Copies up to length bytes (stopping at a NUL), turning a lone LF into CR LF; a CR LF pair is
// copied unchanged. Writes at most capacity bytes including the terminator, never splitting a
// CR LF pair or a UTF-8 character, and returns the bytes written before the terminator.
// A capacity of 0 writes nothing.
std::size_t ExpandLineBreaks(const char* source, std::size_t length, char* destination, std::size_t capacity);
// Copies length bytes turning each CR LF into LF (NULs included), terminates, returns the new length.
// The destination needs room for length + 1 bytes.
std::size_t CollapseLineBreaks(const char* source, std::size_t length, char* destination);

}  // namespace da
