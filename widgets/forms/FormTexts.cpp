#include "widgets/forms/FormTexts.h"

#include "foundation/text/TextFields.h"

namespace olv {

namespace {

std::string_view FileNamePart(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string CaptionTitle(std::string_view caption) { return std::string(caption.substr(0, caption.find('('))); }

std::string CaptionNote(std::string_view caption) {
  const std::size_t open = caption.find('(');
  if (open == std::string_view::npos) return {};
  std::string_view rest = caption.substr(open + 1);
  // The caption's last character is the closing ")": when the "(" is last, nothing is left.
  return std::string(rest.empty() ? rest : rest.substr(0, rest.size() - 1));
}

std::string CaptionWithNote(std::string_view caption, std::string_view note) {
  std::string result = CaptionTitle(caption);
  if (!note.empty()) {
    result += '(';
    result += note;
    result += ')';
  }
  return result;
}

std::string CaptionWithTitle(std::string_view caption, std::string_view title) {
  const std::string note = CaptionNote(caption);
  return note.empty() ? std::string(title) : CaptionWithNote(title, note);
}

std::uint16_t TagHigh(std::int32_t tag) { return static_cast<std::uint16_t>(static_cast<std::uint32_t>(tag) >> 16); }
std::uint16_t TagLow(std::int32_t tag) { return static_cast<std::uint16_t>(tag & 0xFFFF); }

std::int32_t WithTagHigh(std::int32_t tag, std::uint16_t high) {
  const std::uint32_t word = (static_cast<std::uint32_t>(tag) & 0xFFFFu) | (std::uint32_t{high} << 16);
  return static_cast<std::int32_t>(word);
}

std::int32_t WithTagLow(std::int32_t tag, std::uint16_t low) {
  const std::uint32_t word = (static_cast<std::uint32_t>(tag) & 0xFFFF0000u) | low;
  return static_cast<std::int32_t>(word);
}

std::string LongHint(std::string_view hint) {
  const std::size_t bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

TControlPathParts SplitControlPath(std::string_view path) {
  const std::size_t dot = path.find('.');
  if (dot == std::string_view::npos) return {std::string(path), 0};
  return {std::string(path.substr(0, dot)), path.size() - dot};
}

std::string PrivateLayoutKey(std::string_view programName, std::string_view appUser,
                             std::string_view moduleFile, std::string_view formName) {
  std::string key = "\\";
  key += programName;
  key += "\\控件位置\\";
  key += FileNamePart(appUser);
  key += '\\';
  key += FileNamePart(moduleFile);
  key += '_';
  key += formName;
  return key;
}

std::string CommonLayoutKey(std::string_view programName, std::string_view privateKey) {
  std::string key = "\\";
  key += programName;
  key += "\\定制信息\\";
  key += FileNamePart(privateKey);
  return key;
}

TMenuText SplitMenuText(std::string_view value) { return {GetField(value, "|", 0), GetField(value, "|", 1)}; }

std::string PlaceHint(int left, int top, int width, int height) {
  return "x=" + std::to_string(left) + ", y=" + std::to_string(top) + " w=" + std::to_string(width) +
         " h=" + std::to_string(height);
}

}  // namespace olv
