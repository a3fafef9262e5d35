#include "foundation/objects/ObjStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "foundation/objects/Extended80.h"
#include "foundation/objects/ListContainer.h"
#include "foundation/cipher/ScrambleText.h"
#include "foundation/text/TextEncoding.h"

namespace olv {

namespace {
constexpr size_t kBufferSize = 1 << 16;
constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

std::string_view EnumName(const char* names, int index) {
  std::string_view all(names ? names : "");
  int i = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = all.find(',', start);
    const size_t end = comma == std::string_view::npos ? all.size() : comma;
    if (i == index) return all.substr(start, end - start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
    ++i;
  }
}

int EnumIndex(const char* names, std::string_view name) {
  std::string_view all(names ? names : "");
  int i = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = all.find(',', start);
    const size_t end = comma == std::string_view::npos ? all.size() : comma;
    if (all.substr(start, end - start) == name) return i;
    if (comma == std::string_view::npos) return -1;
    start = comma + 1;
    ++i;
  }
}

// Stored bytes as a text in memory; most texts are ASCII and are handed on as they are.
std::string ToUtf8(std::string stored) {
  if (IsAscii(stored)) return stored;
  return Gb18030ToUtf8(stored);
}

template <class T>
T& FieldAs(const PropInfo& p) {
  return *static_cast<T*>(p.field);
}

std::string NotSupported(const PropInfo& p) {
  return "Field \"" + std::string(p.name) + "\": field kind " + std::to_string(p.kind) +
         " is not supported by the object stream";
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Writing

class WriteSimpleProc : public TPropEnumProc {
 public:
  explicit WriteSimpleProc(TObjWriter& w) : w_(w) {}
  bool Visit(const PropInfo& p) override {
    if (p.hasValue && p.kind >= pkString) {
      w_.WriteLongName(p.name);
      w_.WriteSimpleValue(p);
    }
    return true;
  }

 private:
  TObjWriter& w_;
};

class WriteObjectProc : public TPropEnumProc {
 public:
  explicit WriteObjectProc(TObjWriter& w) : w_(w) {}
  bool Visit(const PropInfo& p) override {
    if (p.hasValue && IsObjectKind(p.kind)) w_.WriteObjectField(p);
    return true;
  }

 private:
  TObjWriter& w_;
};

TObjWriter::TObjWriter(TStream& stream) : stream_(stream), buf_(kBufferSize) {}

TObjWriter::~TObjWriter() {
  try {
    FlushBuffer();
  } catch (...) {
  }
}

void TObjWriter::FlushBuffer() {
  if (used_ == 0) return;
  const size_t n = used_;
  used_ = 0;
  stream_.WriteBuffer(buf_.data(), n);
}

void TObjWriter::WriteBytes(const void* data, size_t count) {
  if (count > buf_.size() - used_) {
    FlushBuffer();
    if (count >= buf_.size()) {
      stream_.WriteBuffer(data, count);
      return;
    }
  }
  std::memcpy(buf_.data() + used_, data, count);
  used_ += count;
}

void TObjWriter::WriteByte(uint8_t b) {
  if (used_ == buf_.size()) FlushBuffer();
  buf_[used_++] = b;
}

namespace {
void PutLE(uint8_t* out, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t GetLE(const uint8_t* in, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(in[i]) << (8 * i);
  return v;
}
}  // namespace

std::string_view TObjWriter::Stored(std::string_view text) {
  if (IsAscii(text)) return text;
  Utf8ToGb18030(text, scratch_);
  return scratch_;
}

void TObjWriter::WriteLongName(std::string_view name) { WriteRawLongName(Stored(name)); }

void TObjWriter::WriteRawLongName(std::string_view name) {
  if (name.size() < 255) {
    WriteByte(static_cast<uint8_t>(name.size()));
  } else {
    if (name.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
      throw EWriteError("Name too long for the object stream");
    uint8_t b[5] = {255};
    PutLE(b + 1, name.size(), 4);
    WriteBytes(b, 5);
  }
  WriteBytes(name.data(), name.size());
}

void TObjWriter::WriteInteger(int64_t v) {
  uint8_t b[9];
  if (v >= -128 && v <= 127) {
    b[0] = vaInt8;
    PutLE(b + 1, static_cast<uint64_t>(v), 1);
    WriteBytes(b, 2);
  } else if (v >= -32768 && v <= 32767) {
    b[0] = vaInt16;
    PutLE(b + 1, static_cast<uint64_t>(v), 2);
    WriteBytes(b, 3);
  } else if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
    b[0] = vaInt32;
    PutLE(b + 1, static_cast<uint64_t>(v), 4);
    WriteBytes(b, 5);
  } else {
    b[0] = vaInt64;
    PutLE(b + 1, static_cast<uint64_t>(v), 8);
    WriteBytes(b, 9);
  }
}

void TObjWriter::WriteStringValue(std::string_view text) { WriteRawString(Stored(text)); }

void TObjWriter::WriteRawString(std::string_view text) {
  if (text.size() <= 255) {
    const uint8_t b[2] = {vaString, static_cast<uint8_t>(text.size())};
    WriteBytes(b, 2);
  } else {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
      throw EWriteError("Text too long for the object stream");
    uint8_t b[5] = {vaLString};
    PutLE(b + 1, text.size(), 4);
    WriteBytes(b, 5);
  }
  WriteBytes(text.data(), text.size());
}

void TObjWriter::WriteSignature() { WriteBytes(kSignature, 4); }

void TObjWriter::WriteObject(const TBaseObject* cobj, std::string_view name) {
  if (cobj == nullptr) {
    WriteByte(0);
    return;
  }
  if (depth_ >= kMaxObjectDepth) {
    throw EWriteError("Objects nest deeper than " + std::to_string(kMaxObjectDepth) +
                      " levels; the object stream cannot hold them");
  }
  ++depth_;
  // Writing reports fields without changing them.
  auto* obj = const_cast<TBaseObject*>(cobj);
  WriteLongName(obj->ClassType().name);
  WriteLongName(name);
  obj->BeforeWrite(*this);
  WriteSimpleProc simple(*this);
  obj->EnumProps(pmWrite, simple);
  WriteByte(0);
  WriteObjectProc objects(*this);
  obj->EnumProps(pmWrite, objects);
  WriteByte(0);
  obj->AfterWrite(*this);
  --depth_;
}

void TObjWriter::WriteObjectField(const PropInfo& p) {
  TObject* value = p.ref ? p.ref->get(p.field) : nullptr;
  // A null object would write the single byte 0, which ends the section: nothing is written.
  if (value == nullptr) return;
  switch (p.kind) {
    case pkObject: WriteObject(static_cast<TBaseObject*>(value), p.name); break;
    case pkObjectList: {
      TListContainer container;
      container.SetList(value);
      WriteObject(&container, p.name);
      break;
    }
    default: throw EWriteError(NotSupported(p));
  }
}

void TObjWriter::WriteSimpleValue(const PropInfo& p) {
  uint8_t b[16];
  switch (p.kind) {
    case pkString: WriteStringValue(FieldAs<std::string>(p)); break;
    case pkPChar: {
      const std::string& s = FieldAs<std::string>(p);
      WriteStringValue(std::string_view(s.c_str()));
      break;
    }
    case pkShortString: {
      // At most 255 bytes in the file, as the original's short strings; no character is split.
      const std::string_view s = Stored(FieldAs<std::string>(p));
      WriteRawString(s.substr(0, Gb18030WholeLength(s, 255)));
      break;
    }
    case pkHiddenString: WriteRawString(ScrambleText(Stored(FieldAs<std::string>(p)))); break;
    case pkStrings: {
      TObject* list = p.ref->get(p.field);
      WriteByte(vaList);
      if (p.extra == 0) WriteStringValue(ListKindName(DetectListKind(list)));
      if (TStringList* s = ViewOfList(list).strings) {
        for (int i = 0; i < s->Count(); ++i) WriteStringValue(s->Strings(i));
      }
      WriteByte(0);
      break;
    }
    case pkEnum: WriteStringValue(EnumName(p.enumNames, FieldAs<uint8_t>(p))); break;
    case pkInteger:
    case pkLongInt: WriteInteger(FieldAs<int32_t>(p)); break;
    case pkShortInt: WriteInteger(FieldAs<int8_t>(p)); break;
    case pkSmallInt: WriteInteger(FieldAs<int16_t>(p)); break;
    case pkByte: WriteInteger(FieldAs<uint8_t>(p)); break;
    case pkWord: WriteInteger(FieldAs<uint16_t>(p)); break;
    case pkCardinal: WriteInteger(FieldAs<uint32_t>(p)); break;
    case pkBoolean: WriteByte(FieldAs<bool>(p) ? vaTrue : vaFalse); break;
    case pkByteBool: WriteByte(FieldAs<uint8_t>(p) ? vaTrue : vaFalse); break;
    case pkWordBool: WriteByte(FieldAs<uint16_t>(p) ? vaTrue : vaFalse); break;
    case pkLongBool: WriteByte(FieldAs<uint32_t>(p) ? vaTrue : vaFalse); break;
    case pkChar:
      b[0] = vaString;
      b[1] = 1;
      b[2] = static_cast<uint8_t>(FieldAs<char>(p));
      WriteBytes(b, 3);
      break;
    case pkReal:
    case pkDouble:
      b[0] = vaExtended;
      LongDoubleToExtended80(FieldAs<double>(p), b + 1);
      WriteBytes(b, 11);
      break;
    case pkExtended:
      b[0] = vaExtended;
      LongDoubleToExtended80(FieldAs<long double>(p), b + 1);
      WriteBytes(b, 11);
      break;
    case pkSingle:
      b[0] = vaSingle;
      std::memcpy(b + 1, p.field, 4);
      WriteBytes(b, 5);
      break;
    case pkCurrency:
    case pkInt64:
    case pkDateTime:
      b[0] = vaDate;
      std::memcpy(b + 1, p.field, 8);
      WriteBytes(b, 9);
      break;
    case pkComp:
    case pkSet8:
    case pkSet16:
    case pkSet32:
    case pkSet64:
    case pkSet128:
    case pkSet256:
    case pkReserved:
    case pkRecord: {
      const int width = p.kind == pkRecord ? p.extra : PropKindWidth(p.kind);
      if (width < 0) throw EWriteError("Field \"" + std::string(p.name) + "\": negative record size");
      b[0] = vaBinary;
      PutLE(b + 1, static_cast<uint32_t>(width), 4);
      WriteBytes(b, 5);
      if (width > 0) WriteBytes(p.field, static_cast<size_t>(width));
      break;
    }
    default: throw EWriteError(NotSupported(p));
  }
}

void WriteObjectToStream(TStream& stream, const TBaseObject* obj) {
  TObjWriter writer(stream);
  writer.WriteSignature();
  writer.WriteObject(obj, "");
  writer.FlushBuffer();
}

// ---------------------------------------------------------------------------------------------
// Reading

class ReadSimpleProc : public TPropEnumProc {
 public:
  ReadSimpleProc(TObjReader& r) : r_(r) {}
  bool Visit(const PropInfo& p) override {
    if (matched_ || !SameName(p.name, r_.current_)) return true;
    matched_ = true;
    r_.ReadSimpleValue(p);
    return false;
  }
  std::string_view WantedName() const override { return r_.current_; }
  bool matched_ = false;

 private:
  TObjReader& r_;
};

class ReadObjectProc : public TPropEnumProc {
 public:
  ReadObjectProc(TObjReader& r, const std::string& className) : r_(r), className_(className) {}
  bool Visit(const PropInfo& p) override {
    if (matched_ || !SameName(p.name, r_.current_)) return true;
    matched_ = true;
    r_.ReadObjectField(p, className_);
    return false;
  }
  std::string_view WantedName() const override { return r_.current_; }
  bool matched_ = false;

 private:
  TObjReader& r_;
  const std::string& className_;
};

TObjReader::TObjReader(TStream& stream) : stream_(stream), buf_(kBufferSize) {
  available_ = stream.Remaining();
}

TObjReader::~TObjReader() {
  try {
    if (pos_ < len_) stream_.Seek(-static_cast<int64_t>(len_ - pos_), TSeekOrigin::Current);
  } catch (...) {
  }
}

void TObjReader::Fail(const std::string& what) const {
  throw EReadError("Object stream damaged at offset " + std::to_string(consumed_) + ": " + what);
}

void TObjReader::Fill() {
  if (pos_ < len_) std::memmove(buf_.data(), buf_.data() + pos_, len_ - pos_);
  len_ -= pos_;
  pos_ = 0;
  while (len_ < buf_.size()) {
    const int64_t n = stream_.Read(buf_.data() + len_, static_cast<int64_t>(buf_.size() - len_));
    if (n <= 0) break;
    len_ += static_cast<size_t>(n);
  }
}

void TObjReader::Need(size_t count, const char* what) {
  if (static_cast<uint64_t>(available_ - consumed_) < count) {
    Fail(std::string("the stream ends inside ") + what + " (" + std::to_string(count) +
         " bytes needed, " + std::to_string(available_ - consumed_) + " left)");
  }
}

uint8_t TObjReader::ReadByte() {
  if (pos_ == len_) {
    Need(1, "a value");
    Fill();
    if (pos_ == len_) Fail("the stream ends early");
  }
  ++consumed_;
  return buf_[pos_++];
}

uint8_t TObjReader::PeekByte() {
  if (pos_ == len_) {
    Need(1, "a record");
    Fill();
    if (pos_ == len_) Fail("the stream ends early");
  }
  return buf_[pos_];
}

void TObjReader::ReadBytes(void* data, size_t count) {
  Need(count, "a value");
  auto* out = static_cast<uint8_t*>(data);
  while (count > 0) {
    if (pos_ == len_) {
      if (count >= buf_.size()) {
        stream_.ReadBuffer(out, count);
        consumed_ += static_cast<int64_t>(count);
        return;
      }
      Fill();
      if (pos_ == len_) Fail("the stream ends early");
    }
    const size_t n = std::min(count, len_ - pos_);
    std::memcpy(out, buf_.data() + pos_, n);
    pos_ += n;
    consumed_ += static_cast<int64_t>(n);
    out += n;
    count -= n;
  }
}

void TObjReader::Skip(size_t count) {
  Need(count, "a skipped value");
  const size_t inBuf = std::min(count, len_ - pos_);
  pos_ += inBuf;
  consumed_ += static_cast<int64_t>(inBuf);
  count -= inBuf;
  if (count > 0) {
    stream_.Seek(static_cast<int64_t>(count), TSeekOrigin::Current);
    consumed_ += static_cast<int64_t>(count);
  }
}

void TObjReader::EnterLevel() {
  if (depth_ >= kMaxObjectDepth) {
    Fail("records or values nest deeper than " + std::to_string(kMaxObjectDepth) + " levels");
  }
  ++depth_;
}

namespace {
struct LevelGuard {
  int& depth;
  ~LevelGuard() { --depth; }
};
}  // namespace

void TObjReader::ReadSignature() {
  char sig[4];
  if (available_ - consumed_ < 4) throw EReadError("Invalid stream format");
  ReadBytes(sig, 4);
  if (std::memcmp(sig, kSignature, 4) != 0) throw EReadError("Invalid stream format");
}

std::string TObjReader::ReadLongName() { return ToUtf8(ReadRawLongName()); }

std::string TObjReader::ReadRawLongName() {
  uint8_t b = ReadByte();
  size_t len = b;
  if (b == 255) {
    uint8_t l[4];
    ReadBytes(l, 4);
    const auto v = static_cast<int32_t>(GetLE(l, 4));
    if (v < 0) Fail("a name has a negative length");
    len = static_cast<size_t>(v);
  }
  Need(len, "a name");
  std::string s(len, '\0');
  ReadBytes(s.data(), len);
  return s;
}

std::string TObjReader::ReadRawString() {
  const uint8_t tag = ReadByte();
  size_t len;
  if (tag == vaString || tag == vaIdent) {
    len = ReadByte();
  } else if (tag == vaLString || tag == vaUTF8String) {
    uint8_t l[4];
    ReadBytes(l, 4);
    const auto v = static_cast<int32_t>(GetLE(l, 4));
    if (v < 0) Fail("a text has a negative length");
    len = static_cast<size_t>(v);
  } else {
    throw EReadError("Invalid property value");
  }
  Need(len, "a text");
  std::string s(len, '\0');
  ReadBytes(s.data(), len);
  return s;
}

std::string TObjReader::ReadStringValue() { return ToUtf8(ReadRawString()); }

int64_t TObjReader::ReadIntegerTagged(uint8_t tag, bool allow64) {
  uint8_t b[8];
  switch (tag) {
    case vaInt8: ReadBytes(b, 1); return static_cast<int8_t>(b[0]);
    case vaInt16: ReadBytes(b, 2); return static_cast<int16_t>(GetLE(b, 2));
    case vaInt32: ReadBytes(b, 4); return static_cast<int32_t>(GetLE(b, 4));
    case vaInt64:
      if (!allow64) break;
      ReadBytes(b, 8);
      return static_cast<int64_t>(GetLE(b, 8));
    default: break;
  }
  throw EReadError("Invalid property value");
}

int64_t TObjReader::ReadInteger() { return ReadIntegerTagged(ReadByte(), true); }

std::unique_ptr<TBaseObject> TObjReader::ReadObject() {
  if (PeekByte() == 0) {
    ReadByte();
    return nullptr;
  }
  const std::string className = ReadLongName();
  ReadRawLongName();  // the object's name: the field it belongs to, already matched
  return ReadBody(className);
}

std::unique_ptr<TBaseObject> TObjReader::ReadBody(const std::string& className) {
  EnterLevel();
  LevelGuard guard{depth_};
  std::unique_ptr<TBaseObject> obj = CreateObjByClassName(className);
  obj->BeforeRead(*this);
  while (PeekByte() != 0) {
    current_ = ReadLongName();
    ReadSimpleProc proc(*this);
    obj->EnumProps(pmRead, proc);
    if (!proc.matched_) SkipValue();
    current_.clear();
  }
  ReadByte();
  while (PeekByte() != 0) {
    const std::string nestedClass = ReadLongName();
    current_ = ReadLongName();
    ReadObjectProc proc(*this, nestedClass);
    obj->EnumProps(pmRead, proc);
    if (!proc.matched_) SkipRecordBody();
    current_.clear();
  }
  ReadByte();
  obj->AfterRead(*this);
  return obj;
}

void TObjReader::ReadObjectField(const PropInfo& p, const std::string& className) {
  const std::string fieldName(p.name);
  switch (p.kind) {
    case pkObject: {
      current_.clear();
      std::unique_ptr<TBaseObject> obj = ReadBody(className);
      if (!p.ref->accepts(obj.get())) {
        Fail("the field \"" + fieldName + "\" cannot hold an object of class \"" + className + "\"");
      }
      p.ref->set(p.field, std::move(obj));
      return;
    }
    case pkObjectList: {
      const TClass* cls = FindObjClass(className);
      if (!cls || !cls->InheritsFrom(TListContainer::StaticClass())) {
        Fail("the list field \"" + fieldName + "\" holds a record of class \"" + className +
             "\" instead of a list container");
      }
      current_.clear();
      std::unique_ptr<TBaseObject> obj = ReadBody(className);
      std::unique_ptr<TObject> list = static_cast<TListContainer*>(obj.get())->TakeList();
      // A container of a kind that makes no list leaves the field as the constructor set it:
      // classes rely on the lists they create never being null.
      if (list) p.ref->set(p.field, FitListToField(std::move(list), *p.ref, fieldName));
      return;
    }
    case pkComponent: Fail(NotSupported(p));
    default:
      Fail("the field \"" + fieldName + "\" holds a simple value, the stream an object record");
  }
}

void TObjReader::ReadStringsField(const PropInfo& p) {
  if (ReadByte() != vaList) throw EReadError("Invalid property value");
  int kind = p.extra;
  if (kind == 0) {
    kind = ListKindOfName(ReadStringValue());
    if (kind < 0) kind = lkOlvStringList;
  }
  std::unique_ptr<TObject> list = CreateListOfKind(kind);
  TStringList* strings = ViewOfList(list.get()).strings;
  while (PeekByte() != 0) {
    std::string s = ReadStringValue();
    if (strings) strings->Add(std::move(s));
  }
  ReadByte();
  if (list) p.ref->set(p.field, FitListToField(std::move(list), *p.ref, p.name));
}

long double TObjReader::ReadFloatFor(PropKind kind) {
  const uint8_t tag = ReadByte();
  uint8_t b[10];
  switch (tag) {
    case vaExtended:
      if (kind != pkReal && kind != pkDouble && kind != pkExtended) break;
      ReadBytes(b, 10);
      return Extended80ToLongDouble(b);
    case vaSingle: {
      if (kind != pkSingle) break;
      float f;
      ReadBytes(&f, 4);
      return f;
    }
    case vaDate: {
      if (kind != pkDateTime) break;
      double d;
      ReadBytes(&d, 8);
      return d;
    }
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return static_cast<long double>(ReadIntegerTagged(tag, true));
    default: break;
  }
  throw EReadError("Invalid property value");
}

void TObjReader::ReadSimpleValue(const PropInfo& p) {
  switch (p.kind) {
    case pkString: FieldAs<std::string>(p) = ReadStringValue(); break;
    case pkPChar: {
      std::string s = ReadStringValue();
      s.resize(std::strlen(s.c_str()));
      FieldAs<std::string>(p) = std::move(s);
      break;
    }
    case pkShortString: {
      std::string s = ReadRawString();
      s.resize(Gb18030WholeLength(s, 255));
      FieldAs<std::string>(p) = ToUtf8(std::move(s));
      break;
    }
    case pkHiddenString: FieldAs<std::string>(p) = ToUtf8(UnscrambleText(ReadRawString())); break;
    case pkStrings: ReadStringsField(p); break;
    case pkEnum: {
      const int index = EnumIndex(p.enumNames, ReadStringValue());
      if (index >= 0 && index < 256) FieldAs<uint8_t>(p) = static_cast<uint8_t>(index);
      break;
    }
    case pkInteger:
    case pkLongInt: FieldAs<int32_t>(p) = static_cast<int32_t>(ReadIntegerTagged(ReadByte(), false)); break;
    case pkShortInt: FieldAs<int8_t>(p) = static_cast<int8_t>(ReadIntegerTagged(ReadByte(), false)); break;
    case pkSmallInt: FieldAs<int16_t>(p) = static_cast<int16_t>(ReadIntegerTagged(ReadByte(), false)); break;
    case pkByte: FieldAs<uint8_t>(p) = static_cast<uint8_t>(ReadIntegerTagged(ReadByte(), false)); break;
    case pkWord: FieldAs<uint16_t>(p) = static_cast<uint16_t>(ReadIntegerTagged(ReadByte(), false)); break;
    case pkCardinal: FieldAs<uint32_t>(p) = static_cast<uint32_t>(ReadIntegerTagged(ReadByte(), true)); break;
    case pkBoolean:
    case pkByteBool:
    case pkWordBool:
    case pkLongBool: {
      const uint8_t tag = ReadByte();
      if (tag != vaFalse && tag != vaTrue) throw EReadError("Invalid property value");
      const bool v = tag == vaTrue;
      if (p.kind == pkBoolean) FieldAs<bool>(p) = v;
      if (p.kind == pkByteBool) FieldAs<uint8_t>(p) = v ? 0xFF : 0;
      if (p.kind == pkWordBool) FieldAs<uint16_t>(p) = v ? 0xFFFF : 0;
      if (p.kind == pkLongBool) FieldAs<uint32_t>(p) = v ? 0xFFFFFFFFu : 0;
      break;
    }
    case pkChar: {
      const std::string s = ReadRawString();
      if (s.size() != 1) throw EReadError("Invalid property value");
      FieldAs<char>(p) = s[0];
      break;
    }
    case pkReal:
    case pkDouble: FieldAs<double>(p) = static_cast<double>(ReadFloatFor(p.kind)); break;
    case pkSingle: FieldAs<float>(p) = static_cast<float>(ReadFloatFor(p.kind)); break;
    case pkExtended: FieldAs<long double>(p) = ReadFloatFor(p.kind); break;
    case pkDateTime: FieldAs<double>(p) = static_cast<double>(ReadFloatFor(p.kind)); break;
    case pkCurrency:
    case pkInt64: {
      const uint8_t tag = ReadByte();
      int64_t v;
      if (tag == vaDate) {
        uint8_t b[8];
        ReadBytes(b, 8);
        v = static_cast<int64_t>(GetLE(b, 8));
      } else {
        v = ReadIntegerTagged(tag, true);
        if (p.kind == pkCurrency) {
          if (v > INT64_MAX / 10000 || v < INT64_MIN / 10000) throw EReadError("Invalid property value");
          v *= 10000;
        }
      }
      FieldAs<int64_t>(p) = v;
      break;
    }
    case pkComp:
    case pkSet8:
    case pkSet16:
    case pkSet32:
    case pkSet64:
    case pkSet128:
    case pkSet256:
    case pkReserved:
    case pkRecord: {
      if (ReadByte() != vaBinary) throw EReadError("Invalid property value");
      uint8_t l[4];
      ReadBytes(l, 4);
      const auto stored = static_cast<int32_t>(GetLE(l, 4));
      if (stored < 0) Fail("a binary value has a negative length");
      const int width = p.kind == pkRecord ? std::max(p.extra, 0) : PropKindWidth(p.kind);
      // What the field cannot hold is skipped; a shorter value fills the field's start.
      const size_t take = std::min<size_t>(static_cast<size_t>(stored), static_cast<size_t>(width));
      Need(static_cast<size_t>(stored), "a binary value");
      if (take > 0) ReadBytes(p.field, take);
      Skip(static_cast<size_t>(stored) - take);
      break;
    }
    case pkObject:
    case pkObjectList:
      Fail("the field \"" + std::string(p.name) + "\" holds an object, the stream a simple value");
    default: Fail(NotSupported(p));
  }
}

void TObjReader::SkipValue() {
  EnterLevel();
  LevelGuard guard{depth_};
  const uint8_t tag = ReadByte();
  uint8_t l[4];
  switch (tag) {
    case vaList:
      while (PeekByte() != 0) SkipValue();
      ReadByte();
      return;
    case vaInt8: Skip(1); return;
    case vaInt16: Skip(2); return;
    case vaInt32:
    case vaSingle: Skip(4); return;
    case vaExtended: Skip(10); return;
    case vaCurrency:
    case vaDate:
    case vaInt64:
    case vaDouble: Skip(8); return;
    case vaString:
    case vaIdent: Skip(ReadByte()); return;
    case vaFalse:
    case vaTrue:
    case vaNil:
    case vaNull: return;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
    case vaWString: {
      ReadBytes(l, 4);
      const auto n = static_cast<int32_t>(GetLE(l, 4));
      if (n < 0) Fail("a value has a negative length");
      Skip(static_cast<size_t>(n) * (tag == vaWString ? 2 : 1));
      return;
    }
    case vaSet:
      while (true) {
        const uint8_t n = ReadByte();
        if (n == 0) return;
        Skip(n);
      }
    case vaCollection:
      while (PeekByte() != 0) {
        const uint8_t t = PeekByte();
        if (t == vaInt8 || t == vaInt16 || t == vaInt32) SkipValue();
        if (ReadByte() != vaList) Fail("a collection item does not begin with a list");
        while (PeekByte() != 0) {
          ReadRawLongName();
          SkipValue();
        }
        ReadByte();
      }
      ReadByte();
      return;
    default: break;
  }
  Fail("unknown value tag " + std::to_string(tag));
}

void TObjReader::SkipRecordBody() {
  EnterLevel();
  LevelGuard guard{depth_};
  while (PeekByte() != 0) {
    ReadRawLongName();
    SkipValue();
  }
  ReadByte();
  while (PeekByte() != 0) {
    ReadRawLongName();
    ReadRawLongName();
    SkipRecordBody();
  }
  ReadByte();
}

std::unique_ptr<TBaseObject> ReadObjectFromStream(TStream& stream) {
  TObjReader reader(stream);
  reader.ReadSignature();
  return reader.ReadObject();
}

}  // namespace olv
