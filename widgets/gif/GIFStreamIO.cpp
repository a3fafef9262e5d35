#include "widgets/gif/GIFStreamIO.h"

#include "widgets/gif/GIFException.h"

namespace olv {

uint8_t GIFReadByte(TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) != 1) return 0;
  return b;
}

int GIFPeekOrEnd(TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) != 1) return -1;
  s.Seek(-1, TSeekOrigin::Current);
  return b;
}

void GIFWriteByte(TStream& s, uint8_t b) { s.WriteBuffer(&b, 1); }

void GIFReadCheck(TStream& s, void* buffer, size_t count) {
  if (s.Read(buffer, static_cast<int64_t>(count)) != static_cast<int64_t>(count))
    throw GIFException("Premature end of data");
}

uint16_t GIFReadWord(TStream& s) {
  uint8_t b[2];
  GIFReadCheck(s, b, 2);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

void GIFWriteWord(TStream& s, uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  s.WriteBuffer(b, 2);
}

void GIFWriteStrings(TStream& s, const std::vector<std::string>& strings) {
  for (const std::string& str : strings) {
    for (size_t at = 0; at < str.size(); at += 255) {
      const size_t n = std::min<size_t>(255, str.size() - at);
      GIFWriteByte(s, static_cast<uint8_t>(n));
      s.WriteBuffer(str.data() + at, n);
    }
  }
  GIFWriteByte(s, 0);
}

std::vector<std::string> GIFReadStrings(TStream& s) {
  std::vector<std::string> out;
  uint8_t n = 0;
  while (s.Read(&n, 1) == 1 && n != 0) {
    std::string str(n, '\0');
    str.resize(static_cast<size_t>(std::max<int64_t>(0, s.Read(str.data(), n))));
    out.push_back(std::move(str));
  }
  return out;
}

void GIFSkipSubBlocks(TStream& s) {
  uint8_t n = 0;
  while (s.Read(&n, 1) == 1 && n != 0) {
    const int64_t left = s.Remaining();
    s.Seek(std::min<int64_t>(n, left), TSeekOrigin::Current);
  }
}

}  // namespace olv
