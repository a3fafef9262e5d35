#pragma once
// Fields of delimited texts and name=value lines. The delimiter is a string and is only seen
// outside string literals (FindDelimiter of foundation/text/TextScan.h), so "a,'b,c',d" has three
// fields. Field indexes are 0-based. Lists are plain vectors of lines owned by the caller. All
// functions are pure and may be called from any thread.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace olv {

// Number of fields: 0 for an empty text; a trailing delimiter opens no further field, a leading
// one does ("a," has 1 field, ",a" has 2).
std::size_t FieldCount(std::string_view text, std::string_view delimiter);

// Field `index`, or an empty text when there are fewer fields.
std::string GetField(std::string_view text, std::string_view delimiter, std::size_t index);

// Removes and returns the text before the first delimiter, and the delimiter (the whole text when
// there is none).
std::string CutFirstField(std::string& text, std::string_view delimiter);

// Removes and returns field `index` with one delimiter: the following one for the first field, the
// preceding one for any other. Leaves the text alone when there is no such field.
std::string CutField(std::string& text, std::string_view delimiter, std::size_t index);

// Appends every field of the text to `list` (which is not cleared).
void SplitToStrings(std::string_view text, std::string_view delimiter, std::vector<std::string>& list);

// The lines joined by `separator`.
std::string JoinStrings(const std::vector<std::string>& list, std::string_view separator);

// Name=value lines: the value of the first line whose name (the text before its first "=")
// equals `name` case-insensitively, or an empty text.
std::string ValueOfName(const std::vector<std::string>& list, std::string_view name);
// Index of that line, or -1.
std::ptrdiff_t IndexOfName(const std::vector<std::string>& list, std::string_view name);

}  // namespace olv
