#include "foundation/text/TextFields.h"

#include "foundation/text/TextScan.h"
#include "foundation/text/Utf8.h"

namespace olv {
namespace {

// 0-based [begin, end) of every field.
struct Span {
  std::size_t begin, end;
};

std::vector<Span> Fields(std::string_view text, std::string_view delimiter) {
  std::vector<Span> out;
  if (text.empty()) return out;
  std::size_t p = 1;  // 1-based, as the scanners count
  for (;;) {
    const std::size_t e = FindDelimiter(text, delimiter, p);
    out.push_back({p - 1, e - 1});
    if (e > text.size()) break;
    p = e + delimiter.size();
    if (p > text.size()) break;
  }
  return out;
}

}  // namespace

std::size_t FieldCount(std::string_view text, std::string_view delimiter) {
  return Fields(text, delimiter).size();
}

std::string GetField(std::string_view text, std::string_view delimiter, std::size_t index) {
  const auto f = Fields(text, delimiter);
  if (index >= f.size()) return {};
  return std::string(text.substr(f[index].begin, f[index].end - f[index].begin));
}

std::string CutFirstField(std::string& text, std::string_view delimiter) {
  const std::size_t e = FindDelimiter(text, delimiter, 1);
  std::string field = text.substr(0, e - 1);
  text.erase(0, e - 1 + delimiter.size());  // erase clamps at the end
  return field;
}

std::string CutField(std::string& text, std::string_view delimiter, std::size_t index) {
  const auto f = Fields(text, delimiter);
  if (index >= f.size()) return {};
  const Span s = f[index];
  std::string field = text.substr(s.begin, s.end - s.begin);
  if (index == 0) {
    const std::size_t end = s.end < text.size() ? s.end + delimiter.size() : s.end;
    text.erase(0, end);
  } else {
    const std::size_t begin = s.begin - delimiter.size();
    text.erase(begin, s.end - begin);
  }
  return field;
}

void SplitToStrings(std::string_view text, std::string_view delimiter, std::vector<std::string>& list) {
  for (const Span& s : Fields(text, delimiter)) list.emplace_back(text.substr(s.begin, s.end - s.begin));
}

std::string JoinStrings(const std::vector<std::string>& list, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i) out += separator;
    out += list[i];
  }
  return out;
}

std::ptrdiff_t IndexOfName(const std::vector<std::string>& list, std::string_view name) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string_view line = list[i];
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && utf8::SameText(line.substr(0, eq), name))
      return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

std::string ValueOfName(const std::vector<std::string>& list, std::string_view name) {
  const std::ptrdiff_t i = IndexOfName(list, name);
  if (i < 0) return {};
  const std::string& line = list[static_cast<std::size_t>(i)];
  return line.substr(line.find('=') + 1);
}

}  // namespace olv
