#pragma once
// The object stream: "TPF0" and one object record. A record is the class name and the object's
// name (long names), the simple fields (name and tagged value each, up to a 0 byte), then the
// nested object records of the object fields (up to a 0 byte). Objects are re-created by their
// registered class name; fields are matched by name without regard to case, and a field or a
// record that no field of the class reports is skipped whole.
//
// Reading trusts nothing: every length and count is checked against what the stream holds, the
// nesting depth is capped, every value tag is checked against the field's kind; damaged input
// raises EReadError (EClassNotFound for an unregistered class), never reads past the stream's end.
// Texts (names, strings, string lists, hidden strings before scrambling) are GB18030 in the
// stream and UTF-8 in memory (foundation/text/TextEncoding.h); a pkChar is one byte as it is.
//
// A writer or reader works on one stream from one thread.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/objects/OlvClass.h"
#include "foundation/streams/Stream.h"

namespace olv {

// Value tags.
enum ValueTag : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21,
};

inline constexpr int kMaxObjectDepth = 64;

class TObjWriter {
 public:
  explicit TObjWriter(TStream& stream);
  // Flushes what is buffered; errors here are lost, so callers call FlushBuffer themselves.
  ~TObjWriter();
  TObjWriter(const TObjWriter&) = delete;
  TObjWriter& operator=(const TObjWriter&) = delete;

  void WriteSignature();
  // One object record; null gives the single byte 0.
  void WriteObject(const TBaseObject* obj, std::string_view name);
  void FlushBuffer();

  void WriteByte(uint8_t b);
  void WriteBytes(const void* data, size_t count);
  void WriteLongName(std::string_view name);  // UTF-8, written as GB18030
  void WriteInteger(int64_t value);  // the smallest of tags 2, 3, 4, else 19
  void WriteStringValue(std::string_view text);  // UTF-8, written as GB18030

 private:
  friend class WriteSimpleProc;
  friend class WriteObjectProc;
  void WriteSimpleValue(const PropInfo& p);
  void WriteObjectField(const PropInfo& p);
  // text as the stream stores it: itself when ASCII, else its conversion in scratch_.
  std::string_view Stored(std::string_view text);
  void WriteRawLongName(std::string_view name);
  void WriteRawString(std::string_view bytes);  // tag 6 or 12, the bytes as they are

  TStream& stream_;
  std::vector<uint8_t> buf_;
  size_t used_ = 0;
  int depth_ = 0;
  std::string scratch_;  // a text converted for the stream
};

class TObjReader {
 public:
  explicit TObjReader(TStream& stream);
  // Leaves the stream just after the bytes consumed.
  ~TObjReader();
  TObjReader(const TObjReader&) = delete;
  TObjReader& operator=(const TObjReader&) = delete;

  // Raises "Invalid stream format" unless the next four bytes are "TPF0".
  void ReadSignature();
  // One object record; null for the byte 0.
  std::unique_ptr<TBaseObject> ReadObject();
  // The field name being read (empty between fields).
  std::string_view CurrentName() const { return current_; }
  // Bytes consumed since the reader started.
  int64_t Offset() const { return consumed_; }

  uint8_t ReadByte();
  uint8_t PeekByte();
  void ReadBytes(void* data, size_t count);
  std::string ReadLongName();  // converted to UTF-8
  int64_t ReadInteger();  // tags 2, 3, 4, 19
  std::string ReadStringValue();  // tags 6, 7, 12; converted to UTF-8

 private:
  friend class ReadSimpleProc;
  friend class ReadObjectProc;
  std::unique_ptr<TBaseObject> ReadBody(const std::string& className);
  void ReadSimpleValue(const PropInfo& p);
  void ReadObjectField(const PropInfo& p, const std::string& className);
  void ReadStringsField(const PropInfo& p);
  std::string ReadRawString();  // tags 6, 7, 12, unconverted
  std::string ReadRawLongName();
  int64_t ReadIntegerTagged(uint8_t tag, bool allow64);
  long double ReadFloatFor(PropKind kind);
  void SkipValue();
  void SkipRecordBody();
  void Skip(size_t count);
  void Need(size_t count, const char* what);
  [[noreturn]] void Fail(const std::string& what) const;
  void Fill();
  void EnterLevel();

  TStream& stream_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, len_ = 0;
  int64_t consumed_ = 0;
  int64_t available_ = 0;  // bytes of the stream from where reading began
  int depth_ = 0;
  std::string current_;
};

// Writes "TPF0" and the record of obj at the stream's position.
void WriteObjectToStream(TStream& stream, const TBaseObject* obj);
// Reads "TPF0" and one record from the stream's position; null for a nil record.
std::unique_ptr<TBaseObject> ReadObjectFromStream(TStream& stream);

}  // namespace olv
