#include "app/core/CommandArgs.h"

namespace sch {

std::vector<std::string> SplitCommandArgs(std::string_view text) {
  std::vector<std::string> args;
  std::string cur;
  bool inArg = false;
  size_t i = 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
  while (i < text.size()) {
    const char c = text[i];
    if (blank(c)) {
      if (inArg) args.push_back(std::move(cur));
      cur.clear();
      inArg = false;
      ++i;
    } else if (c == '"') {
      inArg = true;
      ++i;
      while (i < text.size() && text[i] != '"') {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
        cur += text[i++];
      }
      ++i;  // the closing quote (an unclosed one ends at the text's end)
    } else if (c == '\'') {
      inArg = true;
      const size_t close = text.find('\'', i + 1);
      const size_t end = close == std::string_view::npos ? text.size() : close;
      cur.append(text, i + 1, end - i - 1);
      i = end + 1;
    } else {
      inArg = true;
      cur += c;
      ++i;
    }
  }
  if (inArg) args.push_back(std::move(cur));
  return args;
}

}  // namespace sch
