#include "skin/ColourText.h"

namespace skin {

std::optional<olv::TColor> ParseColourText(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;

  uint8_t rgb[3] = {0, 0, 0};
  int filled = 0, seen = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    uint8_t low = 0;  // only the low byte counts, so the sum may wrap
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      low = static_cast<uint8_t>(low * 10 + (text[i] - '0'));
    const bool endsText = i == text.size();
    if (!endsText) {
      if (filled < 3) rgb[filled++] = low;
    } else if (seen == 2) {
      rgb[2] = low;
    }
    ++seen;
  }
  return olv::MakeColor(rgb[0], rgb[1], rgb[2]);
}

}  // namespace skin
