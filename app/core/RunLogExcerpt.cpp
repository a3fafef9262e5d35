#include "app/core/RunLogExcerpt.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>

#include "app/core/DateMacros.h"
#include "app/core/WorkFiles.h"
#include "foundation/text/DateTime.h"

namespace sch {

namespace fs = std::filesystem;

namespace {

std::string ReadAt(int fd, std::uint64_t offset, std::size_t count) {
  std::string out(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, out.data() + done, count - done, static_cast<off_t>(offset + done));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  out.resize(done);
  return out;
}

// Lines ended with "\r\n", whatever they ended with in the log.
std::string RecordLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

bool ContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The length of text without a last UTF-8 character that the cut left incomplete.
std::size_t CompleteCharacters(const std::string& text) {
  std::size_t lead = text.size();
  while (lead > 0 && ContinuationByte(text[lead - 1])) --lead;
  if (lead == 0) return text.size();
  --lead;
  const auto c = static_cast<unsigned char>(text[lead]);
  const std::size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
  return lead + length > text.size() ? lead : text.size();
}

}  // namespace

LogExcerpt ReadLogExcerpt(const std::string& fileName, const std::string& keptAs, std::size_t headBytes,
                          std::size_t tailBytes) {
  LogExcerpt excerpt;
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return excerpt;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return excerpt;
  }
  excerpt.size = static_cast<std::uint64_t>(st.st_size);
  std::string raw;
  if (excerpt.size <= headBytes + tailBytes) {
    raw = ReadAt(fd, 0, static_cast<std::size_t>(excerpt.size));
    if (!raw.empty() && raw.back() != '\n') raw += '\n';
    excerpt.text = RecordLines(raw);
    ::close(fd);
    return excerpt;
  }
  std::string head = ReadAt(fd, 0, headBytes);
  std::string tail = ReadAt(fd, excerpt.size - tailBytes, tailBytes);
  ::close(fd);
  if (const std::size_t end = head.rfind('\n'); end != std::string::npos) {
    head.resize(end + 1);
  } else {
    head.resize(CompleteCharacters(head));
  }
  if (const std::size_t start = tail.find('\n'); start != std::string::npos && start + 1 < tail.size()) {
    tail.erase(0, start + 1);
  } else {
    std::size_t from = 0;
    while (from < tail.size() && ContinuationByte(tail[from])) ++from;
    tail.erase(0, from);
  }
  excerpt.cut = true;
  excerpt.leftOut = excerpt.size - head.size() - tail.size();
  if (head.empty() || head.back() != '\n') head += '\n';
  if (!tail.empty() && tail.back() != '\n') tail += '\n';
  std::string marker = "[... " + std::to_string(excerpt.leftOut) + " bytes of the log left out";
  if (!keptAs.empty()) marker += "; the whole log is kept as " + keptAs;
  marker += " ...]\n";
  excerpt.text = RecordLines(head) + RecordLines(marker) + RecordLines(tail);
  return excerpt;
}

std::string TakeRunLog(const std::string& fileName, const std::string& stem) {
  std::error_code ec;
  const auto size = fs::file_size(fileName, ec);
  if (ec) return {};
  std::string kept;
  if (size > kLogHeadBytes + kLogTailBytes) {
    try {
      const std::string keptFolder = KeptLogFolder();
      std::string name = keptFolder + "/" + stem + "_" + ExpandDateMacros("<yyyymmddhhnnss>", olv::Now()) + ".log";
      for (int n = 1; fs::exists(name, ec); ++n)
        name = keptFolder + "/" + stem + "_" + ExpandDateMacros("<yyyymmddhhnnss>", olv::Now()) + "_" +
               std::to_string(n) + ".log";
      fs::rename(fileName, name, ec);
      if (!ec) kept = name;
    } catch (const std::exception&) {
    }
  }
  LogExcerpt excerpt = ReadLogExcerpt(kept.empty() ? fileName : kept, kept);
  if (excerpt.cut && kept.empty()) excerpt.text += "[the whole log could not be kept]\r\n";
  fs::remove(fileName, ec);
  return excerpt.text;
}

}  // namespace sch
