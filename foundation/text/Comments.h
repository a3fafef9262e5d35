#pragma once
// Removing comments from script texts. Three kinds are known, in this order: "(*" to "*)",
// "{" to "}", and "//" to the end of the line. Marks inside quoted literals ('...' or "...") are
// text, not comments, so 'http://host' survives; a comment mark inside another comment is part of
// that comment. Pure; any thread.
#include <string>
#include <string_view>

namespace olv {

// Removes every comment from `text` and returns the comment bodies, grouped by kind in the order
// above (within a kind, in text order). A "//" comment loses its text but keeps its line end
// ("\r\n" or "\n"); an unterminated block comment runs to the end of the text.
std::string StripComments(std::string& text);

// One kind of comment: while startMark occurs outside quoted literals, the body up to the next
// endMark (or the end of the text) is appended to `bodies` and removed, together with the start
// mark unless keepStart and the end mark unless keepEnd.
void ExtractBetween(std::string& text, std::string_view startMark, std::string_view endMark,
                    std::string& bodies, bool keepEnd, bool keepStart);

}  // namespace olv
