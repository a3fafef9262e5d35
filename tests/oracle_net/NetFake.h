#pragma once
// A fake Oracle server on 127.0.0.1 and a session to it, for the call-protocol tests.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oracle/net/NetSession.h"
#include "oracle/net/NetStatement.h"
#include "tools/fake_listener/FakeListener.h"
#include "tools/fake_listener/FakeOracle.h"
#include "tools/fake_listener/GeneratedRows.h"

namespace nettest {

struct FakeDb {
  // `listen` (when given) changes how the listener under the fake server behaves.
  explicit FakeDb(ora::fake::FakeOracleOptions oracle = {},
                  const std::function<void(ora::fake::ListenerOptions&)>& listen = {})
      : options(std::move(oracle)), listener(Listen(options, listen)) {}

  static ora::fake::ListenerOptions Listen(const ora::fake::FakeOracleOptions& oracle,
                                           const std::function<void(ora::fake::ListenerOptions&)>& listen) {
    ora::fake::ListenerOptions o;
    o.makeService = [oracle] { return std::make_unique<ora::fake::FakeOracleService>(oracle); };
    if (listen) listen(o);
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

using ora::fake::GeneratedRows;

}  // namespace nettest
