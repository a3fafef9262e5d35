// The replies of the call protocol come off a socket: every count and length in them must be
// checked before the client writes into its buffers, and no reply may crash it or make it loop
// for ever. After a fixed, valid logon, the fuzzer's bytes are the server's answers to a select
// (open cursor, parse, execute, describe, fetches into defines of every kind) or to a block with
// array, LOB and cursor binds. The first byte picks the scenario and the server's protocol version.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "oracle/net/NetStatement.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A server reply stream: the script, cut into DATA packets of uneven sizes.
class ReplySocket : public ora::TSocket {
 public:
  explicit ReplySocket(Bytes stream) : stream_(std::move(stream)) {}
  void Connect(const std::string&, int) override { connected_ = true; }
  void Close() override { connected_ = false; }
  bool Connected() const override { return connected_; }
  int Send(const void*, int count) override { return connected_ ? count : 0; }
  int Receive(void* buffer, int count) override {
    if (!connected_ || at_ >= stream_.size()) return 0;
    const std::size_t n = std::min(std::size_t(count), stream_.size() - at_);
    std::memcpy(buffer, stream_.data() + at_, n);
    at_ += n;
    return int(n);
  }

 private:
  Bytes stream_;
  std::size_t at_ = 0;
  bool connected_ = false;
};

void Packet(Bytes& out, std::uint8_t type, const std::uint8_t* body, std::size_t n) {
  const std::size_t length = 8 + n;
  const std::uint8_t header[8] = {std::uint8_t(length >> 8), std::uint8_t(length), 0, 0, type, 0, 0, 0};
  out.insert(out.end(), header, header + 8);
  out.insert(out.end(), body, body + n);
}

void Data(Bytes& out, const Bytes& payload) {
  Bytes body = {0, 0};
  body.insert(body.end(), payload.begin(), payload.end());
  Packet(out, 6, body.data(), body.size());
}

// A status reply with error code 0, in length-prefixed integers.
const Bytes kStatusOk = {4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

Bytes LogonScript(std::uint8_t version) {
  Bytes out;
  const std::uint8_t accept[16] = {0x01, 0x33, 0, 0, 0x08, 0x00, 0x7F, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0};
  Packet(out, 2, accept, sizeof accept);
  Bytes protocol = {1, version, 0, 'F', 0, 0x69, 0x03, 0, 0, 0};
  if (version >= 5) protocol.insert(protocol.end(), {0, 0});
  if (version >= 6) protocol.insert(protocol.end(), {0, 0});
  Data(out, protocol);
  Data(out, {2, 1, 0, 0});
  Bytes key = {8, 0, 16};
  for (char c : std::string("0123456789ABCDEF")) key.push_back(std::uint8_t(c));
  key.insert(key.end(), kStatusOk.begin(), kStatusOk.end());
  Data(out, key);
  Data(out, kStatusOk);
  return out;
}

std::int32_t TakeLong(void* context, void*, std::uint32_t, std::uint32_t, void** buffer, std::uint32_t** length,
                      std::uint8_t*, void**, std::uint16_t**) {
  auto* room = static_cast<std::pair<std::uint8_t[100], std::uint32_t>*>(context);
  room->second = sizeof room->first;
  *buffer = room->first;
  *length = &room->second;
  return 0;
}

void Item(ora::TNetItem& item, std::uint16_t type, void* value, std::int32_t size, std::int16_t* indicator,
          std::uint16_t* length) {
  item.type = type;
  item.value = value;
  item.maxSize = size;
  item.indicator = indicator;
  item.length = length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t choice = data[0];
  const std::uint8_t version = std::uint8_t(4 + choice % 3);
  Bytes stream = LogonScript(version);
  // The rest in DATA packets of 1 to 1500 payload bytes, the sizes taken from the data itself.
  for (std::size_t at = 1; at < size;) {
    const std::size_t n = std::min<std::size_t>(size - at, 1 + (data[at] * 13 + at) % 1500);
    Data(stream, Bytes(data + at, data + at + n));
    at += n;
  }
  ora::TNetSession session(std::make_unique<ReplySocket>(std::move(stream)));
  session.ServerText = "fuzz:1521:orcl";
  session.UserName = "scott";
  session.Password = "tiger";
  ora::TNetError error;
  if (session.Logon(error) != 0) __builtin_trap();  // the fixed script must always log on

  constexpr std::uint32_t kRows = 3;
  std::int32_t integers[kRows] = {1, 2, 3};
  double floats[kRows] = {0.5, 1.5, 2.5};
  char texts[kRows][8] = {};
  std::uint8_t dates[kRows][7] = {};
  ora::TNetStatementState* cursors[kRows] = {};
  ora::TNetLob lob;
  ora::TNetLob* lobs[kRows] = {&lob, &lob, &lob};
  std::int16_t indicators[7][kRows] = {};
  std::uint16_t lengths[7][kRows] = {};
  std::pair<std::uint8_t[100], std::uint32_t> longRoom{};
  ora::TNetStatementState target(&session);

  ora::TNetStatementState s(&session);
  if (choice % 2 == 0) {
    s.Prepare("select a, b, c, d, e, f, g from t");
    if (s.Execute(error, 1, 0) != 0) return 0;
    Item(s.DefineAt(1), ora::kTypeInteger, integers, 4, indicators[0], lengths[0]);
    Item(s.DefineAt(2), ora::kTypeFloat, floats, 8, indicators[1], lengths[1]);
    Item(s.DefineAt(3), ora::kTypeString, texts, 8, indicators[2], lengths[2]);
    Item(s.DefineAt(4), ora::kTypeDate, dates, 7, indicators[3], lengths[3]);
    Item(s.DefineAt(5), ora::kTypeLong, nullptr, 0, indicators[4], lengths[4]);
    s.DefineAt(5).outCallback = TakeLong;
    s.DefineAt(5).outContext = &longRoom;
    Item(s.DefineAt(6), ora::kTypeCursor, cursors, sizeof(void*), indicators[5], lengths[5]);
    Item(s.DefineAt(7), ora::kTypeClob, lobs, sizeof(void*), indicators[6], lengths[6]);
    for (int i = 0; i < 4 && s.Fetch(error, kRows) == 0; ++i) {
    }
  } else {
    s.Prepare("begin :a := :b; :c := :d; :e := :f; end;");
    std::uint32_t count = 0;
    cursors[0] = &target;
    Item(*s.Binds()[0], ora::kTypeInteger, integers, 4, indicators[0], lengths[0]);
    s.Binds()[0]->maxArrayLength = kRows;
    s.Binds()[0]->arrayLength = &count;
    Item(*s.Binds()[1], ora::kTypeString, texts, 8, indicators[2], lengths[2]);
    Item(*s.Binds()[2], ora::kTypeClob, lobs, sizeof(void*), indicators[6], lengths[6]);
    Item(*s.Binds()[3], ora::kTypeCursor, cursors, sizeof(void*), indicators[5], lengths[5]);
    Item(*s.Binds()[4], ora::kTypeFloat, floats, 8, indicators[1], lengths[1]);
    Item(*s.Binds()[5], ora::kTypeLongRaw, nullptr, 0, indicators[4], lengths[4]);
    std::memset(texts, 'x', sizeof texts);
    std::memset(indicators, 0, sizeof indicators);
    s.Execute(error, 2, 0);
  }
  return 0;
}
