#pragma once
// Texts that cross the emulated call interface: those passed in with a length (statement and
// server texts) and those handed back into a caller's buffer (error and version texts).
// Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ora {

// The text a call passes with its length: `length` bytes, ended early by a zero byte within them.
// A null pointer is an empty text.
std::string TextOfLength(const char* text, std::uint32_t length);
// A statement's SQL as prepared: TextOfLength without trailing blanks and control characters.
std::string StatementText(const char* text, std::uint32_t length);
// Copies `text` into a buffer of `size` bytes and ends it with a zero byte, always: a text that
// does not fit is cut, at a whole UTF-8 character, to leave room for it. Nothing is written when
// `size` is 0. Returns the count of text bytes copied.
std::size_t CopyTerminated(const std::string& text, char* buffer, std::size_t size);

}  // namespace ora
