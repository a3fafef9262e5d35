#include "foundation/objects/ObjStreamText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/objects/Extended80.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/text/Format.h"
#include "foundation/text/TextEncoding.h"
#include "foundation/text/Utf8.h"

namespace olv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kTextLine = 64;    // widest piece of a text on one line
constexpr size_t kBinaryLine = 32;  // bytes of a binary value on one line

// One character of a text as it appears in the text form: inside quotes (its bytes) or as a
// #<code> outside them; a piece counts as `width` towards the line length.
struct Piece {
  std::string text;
  bool quoted;
  size_t width;
};

class TextConverter {
 public:
  explicit TextConverter(std::string_view in) : in_(in) {}

  std::string Run() {
    if (in_.size() < 4 || in_.substr(0, 4) != "TPF0") throw EReadError("Invalid stream format");
    pos_ = 4;
    if (Peek() == 0) {  // a nil object has no text
      Byte();
      return {};
    }
    Object();
    return std::move(out_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw EReadError("Object stream damaged at offset " + std::to_string(pos_) + ": " + what);
  }
  void Need(size_t n, const char* what) const {
    if (in_.size() - pos_ < n) Fail(std::string("the stream ends inside ") + what);
  }
  uint8_t Byte() {
    Need(1, "a record");
    return static_cast<uint8_t>(in_[pos_++]);
  }
  uint8_t Peek() const {
    Need(1, "a record");
    return static_cast<uint8_t>(in_[pos_]);
  }
  std::string_view Take(size_t n, const char* what) {
    Need(n, what);
    const std::string_view s = in_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  uint64_t LE(int n) {
    const std::string_view b = Take(static_cast<size_t>(n), "a value");
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(b[i])) << (8 * i);
    return v;
  }
  size_t Length32(const char* what) {
    const auto v = static_cast<int32_t>(LE(4));
    if (v < 0) Fail(std::string(what) + " has a negative length");
    return static_cast<size_t>(v);
  }
  std::string_view LongName() {
    const uint8_t b = Byte();
    return Take(b == 255 ? Length32("a name") : b, "a name");
  }
  template <class T>
  T Raw() {
    T v;
    std::memcpy(&v, Take(sizeof(T), "a value").data(), sizeof(T));
    return v;
  }

  void EnterLevel() {
    if (depth_ >= kMaxObjectDepth) {
      Fail("records or values nest deeper than " + std::to_string(kMaxObjectDepth) + " levels");
    }
    ++depth_;
  }
  struct LevelGuard {
    int& depth;
    ~LevelGuard() { --depth; }
  };

  void Indent() { out_.append(2 * static_cast<size_t>(level_), ' '); }
  void NewLine() {
    out_ += kLineEnd;
    Indent();
  }

  void Object() {
    EnterLevel();
    LevelGuard guard{depth_};
    const std::string_view cls = LongName();
    const std::string_view name = LongName();
    Indent();
    out_ += "object ";
    if (!name.empty()) {
      out_ += name;
      out_ += ": ";
    }
    out_ += cls;
    out_ += kLineEnd;
    ++level_;
    while (Peek() != 0) Property();
    Byte();
    while (Peek() != 0) Object();
    Byte();
    --level_;
    Indent();
    out_ += "end";
    out_ += kLineEnd;
  }

  void Property() {
    Indent();
    out_ += LongName();
    out_ += " = ";
    Value();
    out_ += kLineEnd;
  }

  void Value() {
    EnterLevel();
    LevelGuard guard{depth_};
    const uint8_t tag = Byte();
    switch (tag) {
      case vaList:
        out_ += '(';
        ++level_;
        while (Peek() != 0) {
          NewLine();
          Value();
        }
        Byte();
        --level_;
        out_ += ')';
        return;
      case vaInt8: out_ += std::to_string(Raw<int8_t>()); return;
      case vaInt16: out_ += std::to_string(static_cast<int16_t>(LE(2))); return;
      case vaInt32: out_ += std::to_string(static_cast<int32_t>(LE(4))); return;
      case vaInt64: out_ += std::to_string(static_cast<int64_t>(LE(8))); return;
      case vaExtended: {
        const std::string_view b = Take(10, "a value");
        out_ += FloatToStr(Extended80ToLongDouble(reinterpret_cast<const uint8_t*>(b.data())));
        return;
      }
      case vaSingle: out_ += FloatToStr(Raw<float>()) + "s"; return;
      case vaCurrency: out_ += FloatToStr(static_cast<long double>(static_cast<int64_t>(LE(8)))) + "c"; return;
      case vaDate: out_ += FloatToStr(Raw<double>()) + "d"; return;
      case vaDouble: out_ += FloatToStr(Raw<double>()); return;
      case vaString: Text(NarrowPieces(Take(Byte(), "a text"))); return;
      case vaLString: Text(NarrowPieces(Take(Length32("a text"), "a text"))); return;
      case vaUTF8String: Text(Utf8Pieces(Take(Length32("a text"), "a text"))); return;
      case vaWString: {
        const size_t units = Length32("a text");
        if (units > (in_.size() - pos_) / 2) Fail("the stream ends inside a text");
        Text(Utf16Pieces(Take(units * 2, "a text")));
        return;
      }
      case vaIdent: out_ += Take(Byte(), "a name"); return;
      case vaFalse: out_ += "False"; return;
      case vaTrue: out_ += "True"; return;
      case vaNil: out_ += "nil"; return;
      case vaNull: out_ += "Null"; return;
      case vaBinary: Binary(); return;
      case vaSet: {
        out_ += '[';
        for (int i = 0;; ++i) {
          const std::string_view item = Take(Byte(), "a set");
          if (item.empty()) break;
          if (i > 0) out_ += ", ";
          out_ += item;
        }
        out_ += ']';
        return;
      }
      case vaCollection: Collection(); return;
      default: break;
    }
    Fail("unknown value tag " + std::to_string(tag));
  }

  void Collection() {
    out_ += '<';
    ++level_;
    while (Peek() != 0) {
      NewLine();
      out_ += "item";
      const uint8_t t = Peek();
      if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
        out_ += " [";
        Value();
        out_ += ']';
      }
      out_ += kLineEnd;
      if (Byte() != vaList) Fail("a collection item does not begin with a list");
      ++level_;
      while (Peek() != 0) Property();
      Byte();
      --level_;
      Indent();
      out_ += "end";
    }
    Byte();
    --level_;
    out_ += '>';
  }

  void Binary() {
    size_t n = Length32("a binary value");
    Need(n, "a binary value");
    static constexpr char kHex[] = "0123456789ABCDEF";
    out_ += '{';
    ++level_;
    const bool multiLine = n >= kBinaryLine;
    while (n > 0) {
      if (multiLine) NewLine();
      const size_t take = std::min(n, kBinaryLine);
      for (size_t i = 0; i < take; ++i) {
        const auto b = static_cast<uint8_t>(in_[pos_ + i]);
        out_ += kHex[b >> 4];
        out_ += kHex[b & 15];
      }
      pos_ += take;
      n -= take;
    }
    --level_;
    out_ += '}';
  }

  static Piece Code(uint32_t code) { return Piece{"#" + std::to_string(code), false, 1}; }

  // Stored bytes: a whole GB18030 character stays inside the quotes.
  static std::vector<Piece> NarrowPieces(std::string_view s) {
    std::vector<Piece> pieces;
    for (size_t i = 0; i < s.size();) {
      const auto b = static_cast<uint8_t>(s[i]);
      if (b < ' ' || b == '\'') {
        pieces.push_back(Code(b));
        ++i;
        continue;
      }
      const size_t n = Gb18030CharLen(s, i);
      pieces.push_back(Piece{std::string(s.substr(i, n)), true, n});
      i += n;
    }
    return pieces;
  }
  // Wide texts: printable ASCII inside quotes, every other character as its code.
  static void AddWide(std::vector<Piece>& pieces, uint32_t code) {
    if (code >= ' ' && code != '\'' && code <= 127) {
      pieces.push_back(Piece{std::string(1, static_cast<char>(code)), true, 1});
    } else {
      pieces.push_back(Code(code));
    }
  }
  static std::vector<Piece> Utf16Pieces(std::string_view s) {
    std::vector<Piece> pieces;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
      AddWide(pieces, static_cast<uint8_t>(s[i]) | static_cast<uint32_t>(static_cast<uint8_t>(s[i + 1])) << 8);
    }
    return pieces;
  }
  // As the original, which read these as wide texts: one code per UTF-16 unit.
  static std::vector<Piece> Utf8Pieces(std::string_view s) {
    std::vector<Piece> pieces;
    for (size_t i = 0; i < s.size();) {
      const size_t n = utf8::CharLen(s, i);
      uint32_t cp = static_cast<uint8_t>(s[i]);
      if (n > 1) {
        cp &= 0x3Fu >> (n - 1);
        for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<uint8_t>(s[i + k]) & 0x3Fu);
      } else if (cp >= 0x80) {
        cp = 0xFFFD;
      }
      if (cp >= 0x10000) {
        AddWide(pieces, 0xD800 + ((cp - 0x10000) >> 10));
        AddWide(pieces, 0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        AddWide(pieces, cp);
      }
      i += n;
    }
    return pieces;
  }

  void Text(const std::vector<Piece>& pieces) {
    if (pieces.empty()) {
      out_ += "''";
      return;
    }
    size_t total = 0;
    for (const Piece& p : pieces) total += p.width;
    ++level_;
    if (total > kTextLine) NewLine();
    size_t width = 0;
    for (size_t i = 0; i < pieces.size();) {
      bool lineBreak = false;
      if (pieces[i].quoted) {
        out_ += '\'';
        do {
          out_ += pieces[i].text;
          width += pieces[i].width;
          ++i;
        } while (i < pieces.size() && pieces[i].quoted && width + pieces[i].width <= kTextLine);
        out_ += '\'';
        lineBreak = width >= kTextLine || (i < pieces.size() && pieces[i].quoted);
      } else {
        out_ += pieces[i].text;
        width += pieces[i].width;
        ++i;
        lineBreak = width >= kTextLine;
      }
      if (lineBreak && i < pieces.size()) {
        out_ += " +";
        NewLine();
        width = 0;
      }
    }
    --level_;
  }

  std::string_view in_;
  size_t pos_ = 0;
  std::string out_;
  int level_ = 0;
  int depth_ = 0;
};

}  // namespace

void ObjectStreamToText(TStream& input, TStream& output) {
  std::string bytes;
  char buf[65536];
  while (true) {
    const int64_t n = input.Read(buf, sizeof buf);
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  const std::string text = TextConverter(bytes).Run();
  output.WriteBuffer(text.data(), text.size());
}

}  // namespace olv
