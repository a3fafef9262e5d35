#pragma once
// Colours written in a skin's INI as red, green and blue decimal numbers ("59 97 131"; any other
// character separates them). Pure functions, any thread.
#include <optional>
#include <string_view>

#include "widgets/gfx/Color.h"

namespace skin {

// The colour of a colour text; none for a text that is empty after trimming. Each number that a
// separator follows fills the next of red, green and blue; the number that ends the text fills
// blue only when exactly two numbers came before it; numbers after the third are ignored; each
// gives its low byte; what is not filled is 0. So "59 97" is red 59, and "7" is black.
std::optional<olv::TColor> ParseColourText(std::string_view text);

}  // namespace skin
