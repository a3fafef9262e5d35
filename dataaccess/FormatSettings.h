#pragma once
// The number and date text rules of the data-access layer are the library's (foundation/text/Format.h):
// whatever settings the program installed at start-up ("." as decimal and date separator,
// dates year.month.day). A snapshot is taken per call, so every thread may read them.
#include <memory>

#include "foundation/text/Format.h"

namespace da {

struct TFormatSettings {
  char DecimalSeparator;
  char DateSeparator;
  char TimeSeparator;
};

inline TFormatSettings FormatSettings() {
  const std::shared_ptr<const olv::FormatSettings> fs = olv::CurrentFormatSettings();
  auto first = [](const std::string& s, char fallback) { return s.empty() ? fallback : s[0]; };
  return {fs->DecimalSeparator, first(fs->DateSeparator, '.'), first(fs->TimeSeparator, ':')};
}

}  // namespace da
