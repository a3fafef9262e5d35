#include "foundation/text/Comments.h"

#include <array>

namespace olv {
namespace {

struct Mark {
  std::string_view start, end;
  bool lineComment;
};

constexpr std::array<Mark, 3> kMarks{{{"(*", "*)", false}, {"{", "}", false}, {"//", "\n", true}}};

bool At(std::string_view text, std::size_t i, std::string_view what) {
  return !what.empty() && text.compare(i, what.size(), what) == 0;
}

// Position after a quoted literal starting at i (the end of the text when it is unclosed).
std::size_t SkipQuoted(std::string_view text, std::size_t i) {
  const std::size_t close = text.find(text[i], i + 1);
  return close == std::string_view::npos ? text.size() : close + 1;
}

// Body [bodyBegin, bodyEnd) of a comment whose start mark stands at i, and the position after
// everything that is removed with it.
void CommentExtent(std::string_view text, std::size_t i, const Mark& m, std::size_t& bodyEnd,
                   std::size_t& removeEnd, bool keepEnd) {
  const std::size_t bodyBegin = i + m.start.size();
  std::size_t e = text.find(m.end, bodyBegin);
  if (e == std::string_view::npos) {
    bodyEnd = removeEnd = text.size();
    return;
  }
  if (m.lineComment) {
    // the line ends at "\n" or "\r\n"; the line end stays in the text
    bodyEnd = (e > bodyBegin && text[e - 1] == '\r') ? e - 1 : e;
    removeEnd = bodyEnd;
    return;
  }
  bodyEnd = e;
  removeEnd = keepEnd ? e : e + m.end.size();
}

}  // namespace

std::string StripComments(std::string& text) {
  std::array<std::string, kMarks.size()> bodies;
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const std::size_t e = SkipQuoted(text, i);
      out.append(text, i, e - i);
      i = e;
      continue;
    }
    bool comment = false;
    for (std::size_t k = 0; k < kMarks.size(); ++k) {
      if (!At(text, i, kMarks[k].start)) continue;
      std::size_t bodyEnd, removeEnd;
      CommentExtent(text, i, kMarks[k], bodyEnd, removeEnd, false);
      const std::size_t bodyBegin = i + kMarks[k].start.size();
      bodies[k].append(text, bodyBegin, bodyEnd - bodyBegin);
      i = removeEnd;
      comment = true;
      break;
    }
    if (!comment) out += text[i++];
  }
  text = std::move(out);
  return bodies[0] + bodies[1] + bodies[2];
}

void ExtractBetween(std::string& text, std::string_view startMark, std::string_view endMark,
                    std::string& bodies, bool keepEnd, bool keepStart) {
  if (startMark.empty()) return;
  const Mark m{startMark, endMark.empty() ? std::string_view("\n") : endMark, false};
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if ((c == '\'' || c == '"') && !At(text, i, startMark)) {
      const std::size_t e = SkipQuoted(text, i);
      out.append(text, i, e - i);
      i = e;
      continue;
    }
    if (!At(text, i, startMark)) {
      out += text[i++];
      continue;
    }
    std::size_t bodyEnd, removeEnd;
    CommentExtent(text, i, m, bodyEnd, removeEnd, keepEnd);
    const std::size_t bodyBegin = i + startMark.size();
    bodies.append(text, bodyBegin, bodyEnd - bodyBegin);
    if (keepStart) out.append(startMark);
    if (keepEnd && bodyEnd < text.size()) out.append(text, bodyEnd, m.end.size());
    i = keepEnd && bodyEnd < text.size() ? bodyEnd + m.end.size() : removeEnd;
  }
  text = std::move(out);
}

}  // namespace olv
