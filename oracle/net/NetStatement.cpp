#include "oracle/net/NetStatement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <utility>

#include "foundation/base/Exception.h"
#include "oracle/net/NetErrors.h"
#include "oracle/net/OraNumber.h"

namespace ora {
namespace {

constexpr std::int32_t kDefinedNull = -1;
constexpr std::int64_t kLobHandleWireSize = 4;

bool IsLob(std::uint16_t type) { return type == kTypeClob || type == kTypeBlob || type == kTypeBfile; }
bool IsCursor(std::uint16_t type) { return type == kTypeCursor || type == kTypeResultSet; }
bool IsLong(std::uint16_t type) { return type == kTypeLong || type == kTypeLongRaw; }
bool IsBlock(int type) { return type == kStmtBegin || type == kStmtDeclare; }

// The size of one element of an item's buffer: pointer slots for handles, else the value size.
std::uint32_t ElementSize(const TNetItem& item) {
  if (IsCursor(item.type) || IsLob(item.type)) return sizeof(void*);
  return item.maxSize > 0 ? std::uint32_t(item.maxSize) : 0;
}

std::uint8_t* ValueAt(const TNetItem& item, std::uint32_t index) {
  if (!item.value) return nullptr;
  const std::size_t skip = item.valueSkip ? item.valueSkip : ElementSize(item);
  return static_cast<std::uint8_t*>(item.value) + skip * index;
}

std::int16_t* IndicatorAt(const TNetItem& item, std::uint32_t index) {
  if (!item.indicator) return nullptr;
  const std::size_t skip = item.indicatorSkip ? item.indicatorSkip : sizeof(std::int16_t);
  return reinterpret_cast<std::int16_t*>(reinterpret_cast<std::uint8_t*>(item.indicator) + skip * index);
}

std::uint16_t* LengthAt(const TNetItem& item, std::uint32_t index) {
  if (!item.length) return nullptr;
  const std::size_t skip = item.lengthSkip ? item.lengthSkip : sizeof(std::uint16_t);
  return reinterpret_cast<std::uint16_t*>(reinterpret_cast<std::uint8_t*>(item.length) + skip * index);
}

template <class T>
void Store(std::uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <class T>
T Load(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

[[noreturn]] void BadItem(const char* what) { throw olv::Exception(std::string("Unsupported ") + what); }

// A NUMBER into an integer or float target of `room` bytes.
void StoreNumber(std::uint16_t type, std::uint8_t* at, std::size_t room, const std::uint8_t* bytes, std::size_t count) {
  if (type == kTypeInteger) {
    if (room != 1 && room != 2 && room != 4 && room != 8) BadItem("integer size");
    const std::int64_t v = OraNumberToInt(bytes, count, int(room));
    switch (room) {
      case 1: Store(at, std::int8_t(v)); break;
      case 2: Store(at, std::int16_t(v)); break;
      case 4: Store(at, std::int32_t(v)); break;
      default: Store(at, v); break;
    }
    return;
  }
  const double v = OraNumberToFloat(bytes, count);
  if (room == 4) {
    if (std::isfinite(v) && std::fabs(v) > 3.4028234663852886e38)
      throw EOraNetError(EOraNetError::kNumericOverflow, "ORA-01426: numeric overflow");
    Store(at, float(v));
  } else if (room == 8) {
    Store(at, v);
  } else {
    BadItem("float size");
  }
}

}  // namespace

TNetStatementState::~TNetStatementState() {
  if (cursor_ != 0 && session_ && session_->LoggedOn()) {
    TNetError ignored;
    CloseCursor(ignored);
  }
}

template <class Body>
int TNetStatementState::Guarded(TNetError& error, Body&& body) {
  return session_ ? session_->Call(error, body) : TNetSession::Guard(error, body);
}

TNetSession& TNetStatementState::Live() {
  if (!session_) throw olv::Exception("Statement has no service context");
  return *session_;
}

void TNetStatementState::FreeLists() {
  binds_.clear();
  defines_.clear();
  columns_.clear();
}

TNetItem& TNetStatementState::DefineAt(std::size_t position) {
  if (position == 0) throw olv::Exception("Define position 0");
  if (defines_.size() < position) defines_.resize(position);
  std::unique_ptr<TNetItem>& slot = defines_[position - 1];
  if (!slot) slot = NewItem();
  return *slot;
}

int TNetStatementState::OpenCursor(TNetError& error) {
  return Guarded(error, [&] {
    TNetSession& s = Live();
    s.Writer().Call(kFnOpenCursor);
    s.Writer().Boolean(true);
    s.Writer().UB4(0);
    for (;;) {
      switch (s.Reader().UB1()) {
        case kMsgReturn:
          cursor_ = s.Reader().UB4();
          break;
        case kMsgEndOfCall:
          s.Connection().ReplyEnded();
          return 0;
        case kMsgStatus:
          return s.ReadStatus(error, &status_);
        default:
          break;  // not ours to read: passed over
      }
    }
  });
}

int TNetStatementState::CloseCursor(TNetError& error) {
  const int result = Guarded(error, [&] {
    TNetSession& s = Live();
    s.Writer().Call(kFnCloseCursor);
    s.Writer().UB4(cursor_);
    switch (s.Reader().UB1()) {
      case kMsgStatus: {
        const int r = s.ReadStatus(error, &status_);
        if (r == 0) cursor_ = 0;
        return r;
      }
      case kMsgEndOfCall:
        s.Connection().ReplyEnded();
        cursor_ = 0;
        return 0;
      default:
        ThrowProtocol();
    }
  });
  FreeLists();
  return result;
}

void TNetStatementState::WriteDescriptor(const TNetItem& item) {
  std::uint8_t type = std::uint8_t(item.type);
  std::uint8_t flag = 1;
  std::int64_t size = item.maxSize;
  switch (item.type) {
    case 0: flag = 0x80; break;
    case kTypeNumber: case kTypeInteger: case kTypeFloat: type = kTypeNumber; size = 22; break;
    case kTypeString: type = kTypeVarchar2; size -= 1; break;
    case kTypeRaw: flag = 3; break;
    case kTypeChar: flag = 0x21; break;
    case kTypeCharZ: type = kTypeChar; size -= 1; break;
    case kTypeCursor: case kTypeResultSet: type = kTypeCursor; size = 1; break;
    // A locator is bound by its handle, whose slot is pointer-sized here: the wire says 4.
    case kTypeClob: case kTypeBlob: case kTypeBfile: size = kLobHandleWireSize; break;
    default: break;
  }
  if (item.IsArray()) flag += 0x40;
  TNetWriter& w = session_->Writer();
  const std::uint8_t head[4] = {type, flag, 0, 0};
  w.Raw(head, 4);
  w.UB4(std::uint64_t(std::max<std::int64_t>(size, 0)));
  w.UB4(item.maxArrayLength);
  w.UB4(0);
  if (session_->ServerVersion() >= 8000) {
    const std::uint8_t tail[4] = {0, 0, 0, 1};
    w.Raw(tail, 4);
  }
}

// A long value as one CLR of 64-byte chunks, gathered from the input callback's pieces (or the
// buffer when there is none): 0xFE, the chunks, a zero byte; a lone zero byte when empty.
void TNetStatementState::WriteLong(TNetItem& item, std::uint32_t index) {
  TNetWriter& w = session_->Writer();
  std::uint8_t chunk[64];
  std::size_t held = 0;
  bool started = false;
  auto feed = [&](const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
      if (!started) {
        w.Byte(0xFE);
        started = true;
      }
      const std::size_t take = std::min(n, sizeof chunk - held);
      std::memcpy(chunk + held, data, take);
      held += take;
      data += take;
      n -= take;
      if (held == sizeof chunk) {
        w.Byte(std::uint8_t(held));
        w.Raw(chunk, held);
        held = 0;
      }
    }
  };
  if (item.inCallback) {
    for (std::uint8_t piece = kFirstPiece;; piece = kNextPiece) {
      void* buffer = nullptr;
      std::uint32_t count = 0;
      void* indicator = nullptr;
      item.inCallback(item.inContext, item.Handle(), currentIteration_, index, &buffer, &count, &piece, &indicator);
      if (buffer && count) feed(static_cast<const std::uint8_t*>(buffer), count);
      if (piece == kLastPiece || piece == kOnePiece) break;
    }
  } else if (const std::uint8_t* at = ValueAt(item, index)) {
    const std::uint16_t* length = LengthAt(item, index);
    feed(at, length ? std::min<std::size_t>(*length, std::size_t(std::max(item.maxSize, 0)))
                    : std::size_t(std::max(item.maxSize, 0)));
  }
  if (held > 0) {
    w.Byte(std::uint8_t(held));
    w.Raw(chunk, held);
  }
  w.Byte(0);
}

void TNetStatementState::WriteValue(TNetItem& item, std::uint32_t index, bool& deferred) {
  if (item.type == 0) return;
  TNetWriter& w = session_->Writer();
  // An empty value must still take its place in the stream: the zero length byte.
  auto value = [&](const void* data, std::size_t n) {
    if (n == 0) return w.Byte(0);
    w.Clr(data, n);
  };
  const std::int16_t* indicator = IndicatorAt(item, index);
  if (indicator && *indicator != 0 && !IsLong(item.type) && !IsCursor(item.type)) return value(nullptr, 0);
  if (IsLong(item.type)) {
    if (item.maxSize <= session_->MaxStringSize()) return WriteLong(item, index);
    deferred = true;
    return;
  }
  if (IsCursor(item.type)) {
    const std::uint8_t zero = 0;
    return value(&zero, 1);
  }
  const std::uint8_t* at = ValueAt(item, index);
  if (IsLob(item.type)) {
    const TNetLob* lob = at ? LobIn(const_cast<std::uint8_t*>(at)) : nullptr;
    const std::size_t n = lob ? lob->locator.size() : 0;
    if (session_->ProtocolVersion() > 5) w.UB4(n);
    return value(n ? lob->locator.data() : nullptr, n);
  }
  if (!at) return value(nullptr, 0);
  std::uint8_t number[kOraNumberBuffer];
  switch (item.type) {
    case kTypeInteger: {
      std::int64_t v = 0;
      switch (item.maxSize) {
        case 1: v = Load<std::int8_t>(at); break;
        case 2: v = Load<std::int16_t>(at); break;
        case 4: v = Load<std::int32_t>(at); break;
        case 8: v = Load<std::int64_t>(at); break;
        default: BadItem("integer size");
      }
      return value(number, IntToOraNumber(v, number));
    }
    case kTypeFloat: {
      double v = 0;
      if (item.maxSize == 4) v = Load<float>(at);
      else if (item.maxSize == 8) v = Load<double>(at);
      else BadItem("float size");
      return value(number, FloatToOraNumber(v, number));
    }
    case kTypeVarchar2: case kTypeString: case kTypeVarnum: case kTypeCharZ: {
      const std::size_t room = std::size_t(std::max(item.maxSize, 0));
      return value(at, ::strnlen(reinterpret_cast<const char*>(at), room));
    }
    default: {
      const std::uint16_t* length = LengthAt(item, index);
      const std::size_t room = std::size_t(std::max(item.maxSize, 0));
      return value(at, length ? std::min<std::size_t>(*length, room) : room);
    }
  }
}

void TNetStatementState::WriteBindValues(const std::vector<bool>* requested) {
  TNetWriter& w = session_->Writer();
  for (std::uint32_t iteration = 0; iteration < iterations_; ++iteration) {
    currentIteration_ = iteration;
    w.Byte(kMsgRowData);
    std::vector<std::pair<TNetItem*, std::uint32_t>> later;
    for (std::size_t i = 0; i < binds_.size(); ++i) {
      if (requested && !(*requested)[i]) continue;
      TNetItem& item = *binds_[i];
      if (item.IsArray()) {
        w.UB4(item.maxArrayLength);
        for (std::uint32_t e = 0; e < item.maxArrayLength; ++e) {
          bool deferred = false;
          WriteValue(item, e, deferred);
          if (deferred) later.emplace_back(&item, e);
        }
      } else {
        bool deferred = false;
        WriteValue(item, iteration, deferred);
        if (deferred) later.emplace_back(&item, iteration);
      }
    }
    for (auto& [item, index] : later) WriteLong(*item, index);
  }
  currentIteration_ = iterations_;
}

int TNetStatementState::ExecuteAllInOne(std::uint32_t options, const std::string* sql, TNetError& error,
                                        bool withBinds, bool withDefines) {
  return Guarded(error, [&] {
    TNetSession& s = Live();
    const bool executing = (options & kOptExecute) != 0;
    const bool fetching = (options & kOptFetch) != 0;
    const bool block = IsBlock(type_);
    const std::size_t defineCount = withDefines && fetching ? defines_.size() : 0;
    const std::size_t bindCount = withBinds && executing ? binds_.size() : 0;
    for (std::size_t i = 0; i < defineCount; ++i)
      if (!defines_[i]) throw olv::Exception("No define for column " + std::to_string(i + 1));
    if (!block) options |= kOptNotBlock;
    else if (executing) options |= kOptBlock;
    if (fetching && defineCount > 0) options |= kOptDefines;
    if (executing && bindCount > 0) options |= kOptBinds;
    const std::uint32_t in[7] = {1, executing && !fetching ? iterations_ : fetching ? rowsToFetch_ : 0, 0, 0, 0, 0, 0};

    TNetWriter& w = s.Writer();
    const bool hasSql = sql && !sql->empty();
    w.Call(kFnAllInOne);
    w.UB4(options);
    w.UB4(cursor_);
    w.Pointer(hasSql);
    w.Length(hasSql ? sql->size() : 0);
    w.Pointer(false);
    w.UB4(0);
    w.Pointer(true);
    w.UB4(7);
    w.Boolean(true);
    w.UB4(2);
    w.Boolean(false);
    w.Pointer(defineCount > 0);
    w.UB4(defineCount);
    w.Pointer(bindCount > 0);
    w.UB4(bindCount);
    if (hasSql) w.Text(*sql);
    for (std::uint32_t v : in) w.UB4(v);
    for (std::size_t i = 0; i < defineCount; ++i) WriteDescriptor(*defines_[i]);
    for (std::size_t i = 0; i < bindCount; ++i) WriteDescriptor(*binds_[i]);
    if (bindCount > 0 && !block) WriteBindValues(nullptr);
    executing_ = executing;
    return ReadCallReply(error);
  });
}

void TNetStatementState::ReadRowHeader() {
  TNetReader& r = session_->Reader();
  r.UB1();
  if (session_->ServerVersion() < 8000) r.UB1();
  else r.UB2();
  r.UB2();
  r.UB2();
  if (r.UB2() != 0) ThrowProtocol(kErrRowHeader);
}

void TNetStatementState::ReadBindRequest(std::vector<bool>& sends, std::vector<bool>& receives) {
  TNetReader& r = session_->Reader();
  r.UB1();
  const std::uint32_t count = session_->ServerVersion() < 8000 ? r.UB1() : r.UB2();
  r.UB2();
  r.UB2();
  r.UB2();
  if (count != binds_.size()) ThrowProtocol();
  sends.assign(count, false);
  receives.assign(count, false);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t flag = r.UB1();
    if (flag == 0) ThrowProtocol();
    sends[i] = (flag & 0x20) != 0;
    receives[i] = (flag & 0x10) != 0;
  }
}

int TNetStatementState::ReadCallReply(TNetError& error) {
  TNetSession& s = *session_;
  TNetReader& r = s.Reader();
  const bool fetching = rowsToFetch_ > 0;
  currentRow_ = 0;
  deferred_ = nullptr;
  std::uint32_t outIteration = 0;
  enum class Rows { None, Defines, Binds } rows = Rows::None;
  bool returnSeen = false;
  std::vector<bool> sends, receives;
  std::vector<TNetItem*> defineItems, outBinds;
  for (auto& d : defines_) defineItems.push_back(d.get());
  auto decodeOutRow = [&] {
    if (outIteration >= iterations_) ThrowProtocol();
    outBinds.clear();
    for (std::size_t i = 0; i < binds_.size(); ++i)
      if (receives[i]) outBinds.push_back(binds_[i].get());
    DecodeRow(outBinds, outIteration++);
  };
  for (;;) {
    switch (r.UB1()) {
      case kMsgStatus: {
        const int result = s.ReadStatus(error, &status_);
        // The reply is read to its end: a value that failed to convert on the way is reported now.
        if (deferred_) std::rethrow_exception(std::exchange(deferred_, nullptr));
        if (error.code == 1403 && !IsBlock(type_)) return 100;
        return result;
      }
      case kMsgRowHeader:
        ReadRowHeader();
        rows = Rows::Defines;
        break;
      case kMsgRowData:
        if (rows == Rows::None) ThrowProtocol();
        if (rows == Rows::Binds) {
          decodeOutRow();
          break;
        }
        // The buffers hold as many rows as the fetch asked for, and no more.
        if (!fetching || currentRow_ >= rowsToFetch_) ThrowProtocol();
        for (TNetItem* d : defineItems)
          if (!d) ThrowProtocol();
        DecodeRow(defineItems, currentRow_++);
        break;
      case kMsgReturn: {
        if (returnSeen) ThrowProtocol();
        returnSeen = true;
        for (std::uint16_t n = r.UB2(); n > 0; --n) r.UB4();
        break;
      }
      case kMsgBindRequest: {
        ReadBindRequest(sends, receives);
        rows = Rows::Binds;
        if (std::find(sends.begin(), sends.end(), true) == sends.end()) {
          if (r.UB1() != kMsgRowData) ThrowProtocol();
          decodeOutRow();
        } else {
          WriteBindValues(&sends);
        }
        break;
      }
      default:
        ThrowProtocol();
    }
  }
}

void TNetStatementState::DecodeRow(const std::vector<TNetItem*>& items, std::uint32_t row) {
  TNetReader& r = session_->Reader();
  for (TNetItem* item : items) {
    if (!item->IsArray()) {
      DecodeValue(*item, row, row);
      continue;
    }
    const std::int32_t count = r.SB4();
    if (count < 0 || std::uint32_t(count) > item->maxArrayLength) ThrowProtocol();
    if (item->arrayLength) *item->arrayLength = std::uint32_t(count);
    for (std::int32_t e = 0; e < count; ++e) DecodeValue(*item, std::uint32_t(e), row);
  }
}

void TNetStatementState::DecodeValue(TNetItem& item, std::uint32_t index, std::uint32_t callIndex) {
  TNetReader& r = session_->Reader();
  std::uint8_t* at = ValueAt(item, index);
  std::int16_t* indicator = IndicatorAt(item, index);
  std::uint16_t* length = LengthAt(item, index);
  const std::size_t room = std::size_t(std::max(item.maxSize, 0));
  if (IsLob(item.type) && session_->ProtocolVersion() > 5 && r.UB4() == 0) {
    const std::int16_t value = r.SB2();  // a null LOB: only its indicator
    if (indicator) *indicator = value;
    return;
  }
  long long count = 0;  // the value's bytes as sent, -1 for null
  std::size_t stored = 0;
  std::uint8_t bytes[kOraNumberBuffer];
  switch (item.type) {
    case kTypeInteger:
    case kTypeFloat: {
      count = r.ClrInto(bytes, sizeof bytes);
      if (count > long(kOraNumberMaxBytes)) ThrowProtocol();
      if (count <= 0 || !at) break;
      stored = room;
      // The bytes are off the stream already: a value its target cannot hold fails the call once
      // the reply is read to its end, and the stream stays in step.
      try {
        StoreNumber(item.type, at, room, bytes, std::size_t(count));
      } catch (...) {
        if (!deferred_) deferred_ = std::current_exception();
      }
      break;
    }
    case kTypeCursor:
    case kTypeResultSet: {
      count = r.ClrInto(bytes, sizeof bytes);
      if (count >= 0 && count < 2) ThrowProtocol();
      if (count > 0 && bytes[0] == 1 && at) {
        if (TNetStatementState* target = CursorIn(at)) {
          target->cursor_ = bytes[1];
          target->session_ = session_;
        }
      }
      stored = room;
      break;
    }
    case kTypeClob:
    case kTypeBlob:
    case kTypeBfile: {
      TBytes locator = r.ClrBytes();
      count = locator.empty() ? -1 : static_cast<long long>(locator.size());
      if (TNetLob* lob = at ? LobIn(at) : nullptr) {
        lob->locator = std::move(locator);
        lob->type = item.type;
      }
      stored = room;
      break;
    }
    case kTypeLong:
    case kTypeLongRaw:
      if (item.outCallback) {
        // Handed to the callback's buffers, as many as it takes.
        std::uint8_t* target = nullptr;
        std::uint32_t* alen = nullptr;
        std::uint32_t capacity = 0, written = 0;
        bool first = true, refused = false;
        auto finish = [&] {
          if (alen) *alen = written;
        };
        const bool present = r.Clr([&](const std::uint8_t* data, std::size_t n) {
          while (n > 0 && !refused) {
            if (!target || written == capacity) {
              finish();
              void* buffer = nullptr;
              void* ind = nullptr;
              std::uint16_t* rcode = nullptr;
              std::uint8_t piece = first ? kFirstPiece : kNextPiece;
              first = false;
              alen = nullptr;
              item.outCallback(item.outContext, item.Handle(), callIndex, index, &buffer, &alen, &piece, &ind, &rcode);
              target = static_cast<std::uint8_t*>(buffer);
              capacity = alen ? *alen : 0;
              written = 0;
              if (!target || capacity == 0) refused = true;  // no room offered: the rest is dropped
              continue;
            }
            const std::size_t take = std::min<std::size_t>(n, capacity - written);
            std::memcpy(target + written, data, take);
            written += std::uint32_t(take);
            data += take;
            n -= take;
          }
        });
        finish();
        count = present ? 1 : 0;
      } else {
        count = at ? r.ClrInto(at, room) : r.ClrInto(nullptr, 0);
        stored = std::size_t(std::clamp<long long>(count, 0, static_cast<long long>(room)));
      }
      break;
    case kTypeString:
    case kTypeCharZ: {
      const std::size_t text = room > 0 ? room - 1 : 0;
      count = r.ClrInto(at, at ? text : 0);
      stored = std::size_t(std::clamp<long long>(count, 0, static_cast<long long>(text)));
      if (at && room > 0) at[stored] = 0;
      break;
    }
    default:
      count = r.ClrInto(at, at ? room : 0);
      stored = std::size_t(std::clamp<long long>(count, 0, static_cast<long long>(room)));
      break;
  }
  r.SB2();  // the column's return code
  const bool empty = count <= 0 && !IsLong(item.type);
  if (indicator) *indicator = empty ? std::int16_t(kDefinedNull) : 0;
  if (length) *length = std::uint16_t(std::min<std::size_t>(empty ? 0 : stored, 0xFFFF));
}

TNetColumn TNetStatementState::ReadColumn() {
  TNetReader& r = session_->Reader();
  TNetColumn c;
  c.type = r.UB1();
  r.UB1();
  c.precision = r.UB1();
  c.scale = c.type == kTypeNumber ? std::int16_t(r.UB2()) : std::int16_t(std::int8_t(r.UB1()));
  c.size = std::uint16_t(r.SB4());
  r.SB4();
  r.SB4();
  if (session_->ServerVersion() >= 8000) {
    r.UB4();
    r.ClrBytes();
    r.UB2();
    r.UB2();
    r.UB1();
  }
  return c;
}

int TNetStatementState::DescribeNew(TNetError& error) {
  TNetSession& s = *session_;
  TNetWriter& w = s.Writer();
  TNetReader& r = s.Reader();
  const bool withSql = !executing_ && !sql_.empty();
  w.Call(kFnDescribe);
  w.Byte(7);
  w.UB4(cursor_);
  w.Pointer(withSql);
  w.Length(withSql ? sql_.size() : 0);
  w.UB4(2);
  w.Boolean(true);
  w.Boolean(true);
  if (withSql) w.Text(sql_);
  for (;;) {
    switch (r.UB1()) {
      case kMsgReturn: {
        columns_.clear();
        for (std::uint16_t n = r.UB2(); n > 0; --n) {
          TNetColumn c = ReadColumn();
          c.nullable = r.UB1() != 0;
          r.UB1();
          for (int text = 0; text < 3; ++text) {
            r.UB4();
            std::string value = r.ClrText();
            if (text == 0) c.name = std::move(value);
          }
          columns_.push_back(std::move(c));
        }
        break;
      }
      case kMsgEndOfCall:
        s.Connection().ReplyEnded();
        return 0;
      case kMsgStatus:
        return s.ReadStatus(error, &status_);
      default:
        ThrowProtocol();
    }
  }
}

int TNetStatementState::DescribeOld(TNetError& error) {
  TNetSession& s = *session_;
  TNetWriter& w = s.Writer();
  TNetReader& r = s.Reader();
  if (cursor_ == 0) {
    const int opened = OpenCursor(error);
    if (opened != 0) return opened;
  }
  if (!executing_) {
    const int parsed = ExecuteAllInOne(kOptParse, &sql_, error, false, false);
    if (parsed != 0) return parsed;
  }
  columns_.clear();
  std::uint32_t position = 1;
  for (;;) {
    w.Call(kFnDescribeOld);
    w.UB4(cursor_);
    w.UB4(position);
    w.Boolean(true);
    w.Boolean(true);
    w.UB4(32);
    w.Boolean(true);
    w.Boolean(true);
    w.UB4(kLongestOldDescribeNames);
    w.Boolean(true);
    std::uint32_t total = 0;
    for (bool done = false; !done;) {
      switch (r.UB1()) {
        case kMsgReturn: {
          total = r.UB2();
          const std::uint16_t here = r.UB2();
          std::vector<TNetColumn> batch;
          std::vector<std::size_t> nameLengths;
          for (std::uint16_t i = 0; i < here; ++i) {
            TNetColumn c = ReadColumn();
            c.nullable = r.UB1() != 0;
            nameLengths.push_back(r.UB1());
            batch.push_back(std::move(c));
          }
          const std::uint16_t namesLength = r.UB2();
          if (namesLength > kLongestOldDescribeNames) ThrowProtocol(kErrNamesTooLong);
          if (namesLength == 0 && here > 0) ThrowProtocol(kErrNamesMissing);
          const TBytes names = r.ClrBytes();
          if (names.empty() && here > 0) ThrowProtocol(kErrEmptyText);
          std::size_t at = 0;
          for (std::size_t i = 0; i < batch.size(); ++i) {
            const std::size_t n = std::min(nameLengths[i], names.size() - std::min(at, names.size()));
            batch[i].name.assign(names.begin() + long(std::min(at, names.size())),
                                 names.begin() + long(std::min(at, names.size()) + n));
            at += nameLengths[i] + 1;  // each name is followed by one separator byte
          }
          for (TNetColumn& c : batch) columns_.push_back(std::move(c));
          position += here;
          if (here == 0) position = total + 1;  // no progress: nothing more to ask for
          break;
        }
        case kMsgEndOfCall:
          s.Connection().ReplyEnded();
          done = true;
          break;
        case kMsgStatus: {
          const int result = s.ReadStatus(error, &status_);
          if (result != 0) return result;
          done = true;
          break;
        }
        default:
          ThrowProtocol();
      }
    }
    if (position > total) return 0;
  }
}

int TNetStatementState::Describe(TNetError& error) {
  return Guarded(error, [&] {
    TNetSession& s = Live();
    return s.ServerVersion() >= 8000 ? DescribeNew(error) : DescribeOld(error);
  });
}

int TNetStatementState::Execute(TNetError& error, std::uint32_t iterations, std::uint32_t mode) {
  return Guarded(error, [&] {
    TNetSession& s = Live();
    if (cursor_ == 0) {
      const int opened = OpenCursor(error);
      if (opened != 0) return opened;
    }
    iterations_ = iterations == 0 ? 1 : iterations;
    rowsToFetch_ = 0;
    executing_ = false;
    int result = ExecuteAllInOne(kOptParse, &sql_, error, false, false);
    if (result != 0) return result;
    result = ExecuteAllInOne(kOptExecute, nullptr, error, true, false);
    if (result != 0) return result;
    if (status_.commandCode == 3 && columns_.empty()) {
      result = Describe(error);
      if (result != 0) return result;
    }
    if (status_.commandCode == 47) {
      for (auto& bind : binds_) {
        if (!IsCursor(bind->type) || !bind->value) continue;
        TNetStatementState* cursor = CursorIn(bind->value);
        if (cursor && cursor->cursor_ != 0) {
          result = cursor->Describe(error);
          if (result != 0) return result;
        }
      }
    }
    if (mode & kModeCommitOnSuccess) return s.Commit(error);
    return 0;
  });
}

int TNetStatementState::Fetch(TNetError& error, std::uint32_t rows) {
  return Guarded(error, [&] {
    Live();
    rowsToFetch_ = rows;
    const int result = ExecuteAllInOne(kOptFetch, nullptr, error, false, true);
    rowsToFetch_ = 0;
    return result;
  });
}

}  // namespace ora
