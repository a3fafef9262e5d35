#pragma once
// A fake Oracle server on 127.0.0.1 and a session to it, for the call-protocol tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "oracle/net/NetSession.h"
#include "oracle/net/NetStatement.h"
#include "tools/fake_listener/FakeListener.h"
#include "tools/fake_listener/FakeOracle.h"

namespace nettest {

struct FakeDb {
  explicit FakeDb(ora::fake::FakeOracleOptions oracle = {}) : options(std::move(oracle)), listener(Listen(options)) {}

  static ora::fake::ListenerOptions Listen(const ora::fake::FakeOracleOptions& oracle) {
    ora::fake::ListenerOptions o;
    o.makeService = [oracle] { return std::make_unique<ora::fake::FakeOracleService>(oracle); };
    return o;
  }

  // A session filled in for this server; not logged on yet.
  std::unique_ptr<ora::TNetSession> NewSession(const std::string& user = "scott", const std::string& password = "tiger") {
    auto s = std::make_unique<ora::TNetSession>();
    s->ServerText = "127.0.0.1:" + std::to_string(listener.Port()) + ":orcl";
    s->UserName = user;
    s->Password = password;
    return s;
  }

  // A logged-on session; the test fails when the logon does.
  std::unique_ptr<ora::TNetSession> LoggedOn() {
    auto s = NewSession();
    ora::TNetError error;
    const int result = s->Logon(error);
    if (result != 0) ADD_FAILURE() << "logon: " << error.code << " " << error.text;
    return s;
  }

  ora::fake::FakeOracleEvents& Events() { return *options.events; }

  ora::fake::FakeOracleOptions options;
  ora::fake::FakeListener listener;
};

// The three columns of the fake's generated rows, fetched `batch` rows at a time.
struct GeneratedRows {
  explicit GeneratedRows(std::uint32_t batch)
      : id(batch), name(std::size_t(batch) * 31), created(std::size_t(batch) * 7), nameLength(batch),
        nameIndicator(batch) {}
  void Define(ora::TNetStatementState& s) {
    auto define = [](ora::TNetItem& item, std::uint16_t type, void* value, std::int32_t size) {
      item.type = type;
      item.value = value;
      item.maxSize = size;
    };
    define(s.DefineAt(1), ora::kTypeInteger, id.data(), 8);
    define(s.DefineAt(2), ora::kTypeString, name.data(), 31);
    s.DefineAt(2).indicator = nameIndicator.data();
    s.DefineAt(2).length = nameLength.data();
    define(s.DefineAt(3), ora::kTypeDate, created.data(), 7);
  }
  std::string Name(std::size_t row) const { return std::string(&name[row * 31]); }

  std::vector<std::int64_t> id;
  std::vector<char> name;
  std::vector<std::uint8_t> created;
  std::vector<std::uint16_t> nameLength;
  std::vector<std::int16_t> nameIndicator;
};

}  // namespace nettest
