#pragma once
// What a run record keeps of the log an export or import wrote: the whole text when it is short,
// else its head and its tail with a line saying how much was cut and where the whole log was
// kept. Records are rewritten with the scheme file at every save, so a log of any size must not
// become a record of that size. Lines end with "\r\n" in the text, as every record text does.
// Free functions; any thread.
#include <cstddef>
#include <cstdint>
#include <string>

namespace sch {

inline constexpr std::size_t kLogHeadBytes = 32 * 1024;
inline constexpr std::size_t kLogTailBytes = 32 * 1024;

struct LogExcerpt {
  std::string text;      // the head, and when cut the marker line and the tail
  bool cut = false;      // the middle was left out
  std::uint64_t size = 0;     // the log's size in bytes
  std::uint64_t leftOut = 0;  // bytes not in the text
};

// Reads at most headBytes + tailBytes of the file (a missing file gives an empty excerpt). The
// head ends at its last line end, the tail begins after the first line end it holds, so no line
// is cut in two unless a line alone exceeds the bound (then at a UTF-8 character's start).
// keptAs names the whole log in the marker line.
LogExcerpt ReadLogExcerpt(const std::string& fileName, const std::string& keptAs = {},
                          std::size_t headBytes = kLogHeadBytes, std::size_t tailBytes = kLogTailBytes);

// The text for the record of a run's temporary log, which is then removed; a log too long for
// the record is first moved whole to KeptLogFolder() (WorkFiles.h) as "<stem>_<date>.log", and
// the record names it. Never raises: a log that could not be kept is said so in the text.
std::string TakeRunLog(const std::string& fileName, const std::string& stem);

}  // namespace sch
