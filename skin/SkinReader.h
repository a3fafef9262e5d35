#pragma once
// The container inside a skin package: a version, a list of file names and one size per name,
// then the files' bytes back to back. The reader unpacks a compressed package (skin/Lzh.h), checks
// every count and size against what was unpacked, and hands out the files by exact name or by a
// part of the name. Names are kept lower-cased (ASCII letters only).
//
// The reader owns the unpacked bytes; the spans that GetFile and FindFile return stay valid until
// the next successful Load or the reader's end. One thread at a time.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

class TSkinReader {
 public:
  static constexpr uint32_t kVersion = 20000;
  static constexpr std::size_t kMaxFiles = 1001;
  static constexpr std::size_t kHeaderSize = 16;
  // What the user is told when a package is refused (the window side shows it; the reader shows
  // nothing); its two lines are joined by a lone carriage return.
  static const char* const kRefusedText;

  // Unpacks and checks a compressed package (4-byte unpacked size, then the bit stream). When it is
  // accepted the reader holds its files and Load returns true. Otherwise LastError() says why,
  // the reader keeps what it held before and Load returns false. A wrong version, more than
  // kMaxFiles names, and sizes or a name list that run past the unpacked bytes are refused alike,
  // as is a damaged bit stream.
  bool Load(std::span<const uint8_t> package);

  // The file of that name (compared after lower-casing the ASCII letters of name, then byte for
  // byte); empty when the package has none.
  std::span<const uint8_t> GetFile(const std::string& name) const;
  // The first file, in package order, whose name contains pattern (pattern as given, names
  // lower-cased); found receives its name. Empty, and found untouched, when none does.
  std::span<const uint8_t> FindFile(const std::string& pattern, std::string& found) const;

  const std::vector<std::string>& Names() const { return names_; }
  std::size_t Count() const { return names_.size(); }
  // The four header fields as read: version, name list length, two reserved words.
  const uint32_t* Header() const { return header_; }
  const std::string& LastError() const { return error_; }

 private:
  bool Refuse(std::string why);

  std::vector<std::string> names_;
  std::vector<uint64_t> offsets_;  // per name, within bytes_; one more entry for the end
  std::vector<uint8_t> bytes_;     // the whole unpacked container
  uint32_t header_[4] = {0, 0, 0, 0};
  std::string error_;
};

// The lines of a text as the original's string lists split them: a line ends at CR LF, a lone CR
// or a lone LF; a final line break adds no empty line; the text ends at its first NUL byte.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace skin
