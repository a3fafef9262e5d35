#include "skin/SkinReader.h"

#include <algorithm>

#include "foundation/text/Utf8.h"
#include "skin/LittleEndian.h"
#include "skin/Lzh.h"

namespace skin {

const char* const TSkinReader::kRefusedText = "This is Older Skin File\rPlease update to new version !";

std::vector<std::string> SplitLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  std::size_t p = 0;
  while (p < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", p), text.size());
    lines.emplace_back(text.substr(p, end - p));
    p = end;
    if (p < text.size() && text[p] == '\r') ++p;
    if (p < text.size() && text[p] == '\n') ++p;
  }
  return lines;
}

bool TSkinReader::Refuse(std::string why) {
  error_ = std::move(why);
  return false;
}

bool TSkinReader::Load(std::span<const uint8_t> package) {
  std::vector<uint8_t> bytes;
  try {
    bytes = TLZH::Decode(package);
  } catch (const ElzhException& e) {
    return Refuse(e.what());
  }
  // Every check in 64 bits: the header's fields are 32-bit and their sums must not wrap.
  const uint64_t size = bytes.size();
  if (size < kHeaderSize) return Refuse("the package is shorter than its header");
  uint32_t header[4];
  for (int i = 0; i < 4; ++i) header[i] = ReadLE32(bytes.data() + 4 * i);
  if (header[0] != kVersion)
    return Refuse("package version " + std::to_string(header[0]) + " is not " + std::to_string(kVersion));
  const uint64_t listEnd = kHeaderSize + uint64_t{header[1]};
  if (listEnd > size) return Refuse("the name list runs past the package");

  std::vector<std::string> names = SplitLines(std::string_view(
      reinterpret_cast<const char*>(bytes.data()) + kHeaderSize, header[1]));
  if (names.size() > kMaxFiles)
    return Refuse("the package names " + std::to_string(names.size()) + " files, more than " +
                  std::to_string(kMaxFiles));
  const uint64_t dataStart = listEnd + 4 * uint64_t{names.size()};
  if (dataStart > size) return Refuse("the size table runs past the package");

  std::vector<uint64_t> offsets(names.size() + 1);
  offsets[0] = dataStart;
  for (std::size_t i = 0; i < names.size(); ++i)
    offsets[i + 1] = offsets[i] + ReadLE32(bytes.data() + listEnd + 4 * i);
  if (offsets.back() > size) return Refuse("the file sizes run past the package's data");

  for (std::string& name : names) name = olv::utf8::AsciiLower(name);
  names_ = std::move(names);
  offsets_ = std::move(offsets);
  bytes_ = std::move(bytes);
  std::copy(header, header + 4, header_);
  error_.clear();
  return true;
}

std::span<const uint8_t> TSkinReader::GetFile(const std::string& name) const {
  const std::string key = olv::utf8::AsciiLower(name);
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == key)
      return std::span<const uint8_t>(bytes_).subspan(offsets_[i], offsets_[i + 1] - offsets_[i]);
  return {};
}

std::span<const uint8_t> TSkinReader::FindFile(const std::string& pattern, std::string& found) const {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (names_[i].find(pattern) != std::string::npos) {
      found = names_[i];
      return std::span<const uint8_t>(bytes_).subspan(offsets_[i], offsets_[i + 1] - offsets_[i]);
    }
  }
  return {};
}

}  // namespace skin
