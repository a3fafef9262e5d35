#include "oracle/values/OraTimeStampFormat.h"

#include <cctype>

#include "foundation/text/Format.h"

namespace ora {

namespace {

char Up(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool Is(char c, char letter) { return Up(c) == letter; }

bool ContainsNoCase(const std::string& text, const std::string& what) {
  for (std::size_t i = 0; i + what.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < what.size() && Up(text[i + k]) == Up(what[k])) ++k;
    if (k == what.size()) return true;
  }
  return false;
}

// The length of the run of letter (either case) at i, at most max.
std::size_t Run(const std::string& s, std::size_t i, char letter, std::size_t max) {
  std::size_t n = 0;
  while (i + n < s.size() && n < max && Is(s[i + n], letter)) ++n;
  return n;
}

// Quoted text at i: copied with its quotes made double quotes. False when the quote has no
// partner: then the rest of the format has been copied unchanged and the scan ends.
bool Quoted(const std::string& s, std::size_t& i, std::string& out) {
  const char quote = s[i];
  const std::size_t close = s.find(quote, i + 1);
  if (close == std::string::npos) {
    out += s.substr(i);
    i = s.size();
    return false;
  }
  out += '"';
  out += s.substr(i + 1, close - i - 1);
  out += '"';
  i = close + 1;
  return true;
}

// Quoted text or any other character at i, as both parts copy them; false when a quote without
// its partner ended the scan.
bool CopyOther(const std::string& s, std::size_t& i, std::string& out) {
  if (s[i] == '\'' || s[i] == '"') return Quoted(s, i, out);
  out += Up(s[i++]);
  return true;
}

std::string DatePart(const std::string& s) {
  static const char* const months[] = {"fmMMfm", "MM", "MON", "MONTH"};
  static const char* const days[] = {"fmDDfm", "DD", "DY", "fmDAYfm"};
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (Is(c, 'M') || Is(c, 'D')) {
      const std::size_t n = Run(s, i, Up(c), 4);
      out += (Is(c, 'M') ? months : days)[n - 1];
      i += n;
    } else if (Is(c, 'G')) {
      out += 'E';
      ++i;
    } else if (!CopyOther(s, i, out)) {
      break;
    }
  }
  return out;
}

std::string TimePart(const TTimeStampFormatSettings& settings) {
  const std::string& s = settings.LocaleTimeFormat;
  const std::string& longTime = settings.LongTimeFormat;
  const bool twelve = ContainsNoCase(longTime, "AMPM") || ContainsNoCase(longTime, "t");
  const bool fractions = !ContainsNoCase(longTime, "z");
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    auto minuteLetter = [](char x) { return Is(x, 'M') || Is(x, 'N'); };
    if (i + 4 <= s.size() && ContainsNoCase(s.substr(i, 4), "AMPM")) {
      out += "AM";
      i += 4;
    } else if (Is(c, 'H')) {
      const std::size_t n = Run(s, i, 'H', 2);
      const std::string hours = std::string("HH") + (twelve ? "12" : "24");
      out += n == 1 ? "fm" + hours + "fm" : hours;
      i += n;
    } else if (minuteLetter(c)) {
      const bool two = i + 1 < s.size() && minuteLetter(s[i + 1]);
      out += two ? "MI" : "fmMIfm";
      i += two ? 2 : 1;
    } else if (Is(c, 'S')) {
      const std::size_t n = Run(s, i, 'S', 2);
      out += n == 2 ? "SS" : "fmSSfm";
      if (fractions) {
        out += settings.DecimalSeparator;
        out += "FF";
      }
      i += n;
    } else if (Is(c, 'T')) {
      out += "AM";
      while (i < s.size() && Is(s[i], 'T')) ++i;
    } else if (!CopyOther(s, i, out)) {
      break;
    }
  }
  return out;
}

}  // namespace

std::string DefaultTimeStampFormat(const TTimeStampFormatSettings& settings, ub4 descriptorType) {
  std::string format = DatePart(settings.ShortDateFormat) + " " + TimePart(settings);
  if (descriptorType == OCI_DTYPE_TIMESTAMP_TZ) format += " TZH:TZM";
  return format;
}

TTimeStampFormatSettings CurrentTimeStampFormatSettings() {
  const auto fs = olv::CurrentFormatSettings();
  return {fs->ShortDateFormat, fs->LongTimeFormat, fs->LongTimeFormat, fs->DecimalSeparator};
}

}  // namespace ora
