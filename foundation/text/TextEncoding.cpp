#include "foundation/text/TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "foundation/base/Exception.h"
#include "foundation/text/Utf8.h"

namespace olv {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";        // U+FFFD
constexpr std::string_view kReplacementGb18030 = "\x84\x31\xA4\x37";  // U+FFFD
constexpr std::string_view kEuroUtf8 = "\xE2\x82\xAC";                // U+20AC

// The number of ASCII bytes from pos on. Stored texts are mostly ASCII: eight bytes at a time.
std::size_t AsciiRun(std::string_view text, std::size_t pos) {
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = begin + pos;
  const auto* end = begin + text.size();
  for (; end - p >= 8; p += 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    if (w & 0x8080808080808080ULL) break;
  }
  while (p < end && !(*p & 0x80)) ++p;
  return static_cast<std::size_t>(p - begin) - pos;
}

enum Direction { kToGb18030 = 0, kToUtf8 = 1 };

// One pair of converters per thread: an iconv descriptor must not be shared between threads,
// and opening one costs far more than a short text's conversion.
iconv_t Converter(Direction d) {
  struct Pair {
    iconv_t cd[2] = {reinterpret_cast<iconv_t>(-1), reinterpret_cast<iconv_t>(-1)};
    ~Pair() {
      for (iconv_t c : cd) {
        if (c != reinterpret_cast<iconv_t>(-1)) iconv_close(c);
      }
    }
  };
  thread_local Pair pair;
  iconv_t& cd = pair.cd[d];
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    cd = d == kToGb18030 ? iconv_open("GB18030", "UTF-8") : iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      throw Exception("GB18030 text conversion is not available on this system");
    }
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a conversion that failed leaves no state
  return cd;
}

// Appends the conversion of run to out, putting what replaceByte gives in place of each byte the
// converter refuses.
template <class ReplaceByte>
void ConvertRun(iconv_t cd, std::string_view run, std::string& out, ReplaceByte replaceByte) {
  char* in = const_cast<char*>(run.data());
  std::size_t inLeft = run.size();
  std::size_t outPos = out.size();
  // Four output bytes per input byte hold any conversion, and any replacement, of these two.
  out.resize(outPos + run.size() * 4 + 8);
  while (inLeft > 0) {
    char* op = out.data() + outPos;
    std::size_t outLeft = out.size() - outPos;
    const std::size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    outPos = static_cast<std::size_t>(op - out.data());
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ, or EINVAL for a character cut off at the end: one byte is replaced.
    const std::string_view rep = replaceByte(static_cast<unsigned char>(*in));
    if (out.size() - outPos < rep.size()) out.resize(out.size() * 2 + rep.size());
    std::memcpy(out.data() + outPos, rep.data(), rep.size());
    outPos += rep.size();
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(outPos);
}

// Converts one character into at most four bytes, packed from the low byte up; false when the
// converter refuses it.
bool ConvertOne(iconv_t cd, std::string_view ch, std::uint32_t& packed) {
  char buf[8];
  char* in = const_cast<char*>(ch.data());
  std::size_t inLeft = ch.size();
  char* op = buf;
  std::size_t outLeft = sizeof buf;
  if (iconv(cd, &in, &inLeft, &op, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
      op - buf > 4 || op == buf) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return false;
  }
  packed = 0;
  for (char* p = op; p != buf;) packed = packed << 8 | static_cast<unsigned char>(*--p);
  return true;
}

// What the converter gave for each character of the common ranges, kept for the process: the
// converter is glibc's, but asking it once per character costs more than the rest of the work.
// A character always converts the same way, so any thread may fill an entry; a reader sees either
// 0 (not yet known) or the value. Every value is non-zero: its first byte is not ASCII.
std::atomic<std::uint32_t> gToGb18030[0x10000];   // by code point, U+0080 to U+FFFF
std::atomic<std::uint32_t> gToUtf8[126 * 191];    // by two-byte code: lead 81-FE, trail 40-FE

struct Encoder {
  static constexpr Direction kDirection = kToGb18030;
  static std::atomic<std::uint32_t>* Memo() { return gToGb18030; }
  static std::size_t CharLen(std::string_view text, std::size_t pos) { return utf8::CharLen(text, pos); }
  // The code point of a well-formed two- or three-byte character; -1 for others.
  static long MemoIndex(std::string_view ch) {
    const auto b0 = static_cast<unsigned char>(ch[0]);
    if (ch.size() == 2) return (b0 & 0x1F) << 6 | (static_cast<unsigned char>(ch[1]) & 0x3F);
    if (ch.size() != 3) return -1;
    const auto b1 = static_cast<unsigned char>(ch[1]);
    if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0)) return -1;  // overlong, surrogate
    return (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (static_cast<unsigned char>(ch[2]) & 0x3F);
  }
  // A two-byte GB18030 code never has a digit as its second byte; a four-byte one always has.
  static std::size_t PackedLen(std::uint32_t v) { return ((v >> 8) & 0xFF) - 0x30u <= 9 ? 4 : 2; }
  static std::string_view ReplaceByte(unsigned char) { return kReplacementGb18030; }
};

struct Decoder {
  static constexpr Direction kDirection = kToUtf8;
  static std::atomic<std::uint32_t>* Memo() { return gToUtf8; }
  static std::size_t CharLen(std::string_view text, std::size_t pos) { return Gb18030CharLen(text, pos); }
  // The place of a two-byte code with a valid trail byte; -1 for others.
  static long MemoIndex(std::string_view ch) {
    if (ch.size() != 2) return -1;
    const auto trail = static_cast<unsigned char>(ch[1]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return -1;
    return (static_cast<unsigned char>(ch[0]) - 0x81) * 191 + (trail - 0x40);
  }
  static std::size_t PackedLen(std::uint32_t v) { return (v & 0xFF) < 0xE0 ? 2 : (v & 0xFF) < 0xF0 ? 3 : 4; }
  // The original's code page held the euro sign in the single byte 0x80.
  static std::string_view ReplaceByte(unsigned char b) { return b == 0x80 ? kEuroUtf8 : kReplacementUtf8; }
};

// ASCII is the same in both code pages and is copied as it is; other characters come from the
// kept values or, the first time, from the converter.
template <class Codec>
void Convert(std::string_view text, std::string& out) {
  std::size_t pos = AsciiRun(text, 0);
  out.assign(text.substr(0, pos));
  if (pos == text.size()) return;
  out.reserve(text.size() + text.size() / 2 + 8);
  std::atomic<std::uint32_t>* memo = Codec::Memo();
  iconv_t cd = nullptr;  // opened on the first character that is not kept
  while (pos < text.size()) {
    const std::string_view ch = text.substr(pos, Codec::CharLen(text, pos));
    const long index = Codec::MemoIndex(ch);
    std::uint32_t v = index >= 0 ? memo[index].load(std::memory_order_relaxed) : 0;
    if (v == 0) {
      if (!cd) cd = Converter(Codec::kDirection);
      if (index >= 0 && ConvertOne(cd, ch, v)) {
        memo[index].store(v, std::memory_order_relaxed);
      } else {
        ConvertRun(cd, ch, out, &Codec::ReplaceByte);
      }
    }
    if (v != 0) {
      const char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                             static_cast<char>(v >> 24)};
      out.append(bytes, Codec::PackedLen(v));
    }
    pos += ch.size();
    const std::size_t ascii = AsciiRun(text, pos);
    out.append(text.substr(pos, ascii));
    pos += ascii;
  }
}

}  // namespace

bool IsAscii(std::string_view text) { return AsciiRun(text, 0) == text.size(); }

std::string Utf8ToGb18030(std::string_view utf8) {
  std::string out;
  Convert<Encoder>(utf8, out);
  return out;
}

void Utf8ToGb18030(std::string_view utf8, std::string& out) { Convert<Encoder>(utf8, out); }

std::string Gb18030ToUtf8(std::string_view gb18030) {
  std::string out;
  Convert<Decoder>(gb18030, out);
  return out;
}

std::size_t Gb18030CharLen(std::string_view gb18030, std::size_t pos) {
  const std::size_t size = gb18030.size();
  if (pos >= size) return 0;
  const auto lead = static_cast<unsigned char>(gb18030[pos]);
  if (lead < 0x81 || lead > 0xFE || pos + 1 == size) return 1;
  const auto second = static_cast<unsigned char>(gb18030[pos + 1]);
  const std::size_t n = second >= 0x30 && second <= 0x39 ? 4 : 2;
  return std::min(n, size - pos);
}

std::size_t Gb18030WholeLength(std::string_view gb18030, std::size_t maxBytes) {
  if (gb18030.size() <= maxBytes) return gb18030.size();
  std::size_t pos = 0;
  while (true) {
    const std::size_t n = Gb18030CharLen(gb18030, pos);
    if (pos + n > maxBytes) return pos;
    pos += n;
  }
}

}  // namespace olv
