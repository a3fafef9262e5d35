#pragma once
// The stored form of hidden strings (pkHiddenString): a random key character and its complement,
// then the text's hexadecimal digits in random order, each with its position. Thread-safe.
#include <string>
#include <string_view>

namespace olv {

// Texts of up to 128 bytes are scrambled; a longer text cannot carry its positions in two hex
// digits and is returned as it is (UnscrambleText gives it back unchanged); so is the empty text.
std::string ScrambleText(std::string_view text);
// The plain text; a text that is not a well-formed scrambled form is returned unchanged, so
// texts stored plainly read back as they are.
std::string UnscrambleText(std::string_view text);

}  // namespace olv
